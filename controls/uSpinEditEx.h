#pragma once
// A numeric spin edit with a one-pixel coloured border and two picture buttons in place of the
// standard spin arrows.
#include "platform/pictures/Picture.h"

#include <QSpinBox>

// Two pictures stacked, up and down; a click on either reports once (no repeat while held).
class TSpinButtonEx : public QWidget {
  Q_OBJECT
public:
  // The pictures come from the skin's "UP" and "DOWN" pictures.
  explicit TSpinButtonEx(QWidget *parent = nullptr);

  TPicture UpGlyph() const { return FUp; }
  void SetUpGlyph(const TPicture &picture);
  TPicture DownGlyph() const { return FDown; }
  void SetDownGlyph(const TPicture &picture);

  static constexpr int MinWidth = 15;
  QRect UpRect() const;
  QRect DownRect() const;

signals:
  void upClicked();
  void downClicked();

protected:
  void resizeEvent(QResizeEvent *event) override;
  void paintEvent(QPaintEvent *event) override;
  void mouseReleaseEvent(QMouseEvent *event) override;
  void mousePressEvent(QMouseEvent *event) override;

private:
  TPicture FUp, FDown;
  int FPressed = 0;  // 1 up, -1 down, 0 none
};

class TSpinEditEx : public QSpinBox {
  Q_OBJECT
public:
  explicit TSpinEditEx(QWidget *parent = nullptr);

  QColor BorderColor() const { return FBorderColor; }
  void SetBorderColor(const QColor &value);

  TSpinButtonEx *Button() const { return FButton; }

  // The lowest height at which the text still fits: the font's line height, a quarter of the
  // smaller of that and the system font's, four border widths and two pixels.
  int MinHeight() const;

protected:
  void paintEvent(QPaintEvent *event) override;
  void resizeEvent(QResizeEvent *event) override;
  void showEvent(QShowEvent *event) override;
  void changeEvent(QEvent *event) override;

private:
  void PlaceButtons();

  QColor FBorderColor = QColor(117, 188, 42);
  TSpinButtonEx *FButton;
};
