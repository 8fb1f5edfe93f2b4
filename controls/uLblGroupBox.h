#pragma once
// A vertical column of text entries of which one is selected: the selected one is written in
// another colour, with a small triangle at its right edge pointing left.
#include <QColor>
#include <QStringList>
#include <QWidget>

class TLblGroupBox : public QWidget {
  Q_OBJECT
public:
  explicit TLblGroupBox(QWidget *parent = nullptr);

  const QStringList &Items() const { return FItems; }
  void SetItems(const QStringList &items);  // copies the list
  void AddItem(const QString &item);
  void ClearItems();

  int ItemIndex() const { return FItemIndex; }
  // Selects entry `value` and reports the change; an invalid number or the current one does
  // nothing.
  void SetItemIndex(int value);

  int ItemWidth() const { return FItemWidth; }
  void SetItemWidth(int value);
  int ItemHeight() const { return FItemHeight; }
  void SetItemHeight(int value);
  QColor SelectedColor() const { return FSelectedColor; }
  void SetSelectedColor(const QColor &value);
  QColor TriangleColor() const { return FTriangleColor; }
  void SetTriangleColor(const QColor &value);
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool value);
  QColor Color() const { return FColor; }
  void SetColor(const QColor &value);

  QRect ItemRect(int index) const;
  int ItemAt(const QPoint &point) const;  // -1 when no entry holds the point

signals:
  void changed(int oldIndex, int newIndex);

protected:
  void paintEvent(QPaintEvent *event) override;
  void mouseReleaseEvent(QMouseEvent *event) override;

private:
  void ItemsChanged();

  QStringList FItems;
  int FItemIndex = -1;
  int FItemWidth = 0;
  int FItemHeight = 0;
  QColor FSelectedColor = Qt::black;
  QColor FTriangleColor = QColor(192, 192, 192);
  bool FTransparent = false;
  QColor FColor = QColor(240, 240, 240);  // the button-face colour
};
