#pragma once
// The information bar: a strip of icon-and-text links to the product's own pages. Only the
// text of a link is clickable; the link under the mouse is underlined.
#include <QPixmap>
#include <QString>
#include <QWidget>
#include <functional>
#include <vector>

struct TNagInfo {
  QPixmap FIco;
  QString FText;
  QString FUrl;  // the link's code, handed to the hyperlink event
};

class TNagBar : public QWidget {
  Q_OBJECT
public:
  using THyperlinkEvent = std::function<void(const QString &code)>;

  // Loads the three links: icon "BITMAP_" + i, text from string entry i, code from entry i + 3.
  explicit TNagBar(QWidget *parent = nullptr);

  const std::vector<TNagInfo> &NagInfo() const { return FNagInfo; }
  QColor BackgroundColor() const { return FBackgroundColor; }
  int CurrentIndex() const { return FCurrentIndex; }
  void SetOnHyperlinks(THyperlinkEvent handler) { FOnHyperlinks = std::move(handler); }

  // The clickable rectangle of link i: its text, from 2 pixels below the top to the bottom.
  QRect LinkRect(int index) const;
  // The link whose text holds the point, -1 for none.
  int HitTest(const QPoint &pos) const;

  QSize sizeHint() const override;

protected:
  void paintEvent(QPaintEvent *event) override;
  void mouseMoveEvent(QMouseEvent *event) override;
  void mousePressEvent(QMouseEvent *event) override;
  void leaveEvent(QEvent *event) override;
  void changeEvent(QEvent *event) override;

private:
  QFont TextFont(bool underline) const;
  int TextWidth(const QString &text) const;
  void FitHeight();

  std::vector<TNagInfo> FNagInfo;
  QColor FBackgroundColor{30, 185, 213};
  int FCurrentIndex = -1;
  THyperlinkEvent FOnHyperlinks;
};
