#include "controls/uLblGroupBox.h"
#include "controls/uFonts.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>

TLblGroupBox::TLblGroupBox(QWidget *parent) : QWidget(parent) { InstallFontSubstitutes(); }

void TLblGroupBox::SetItems(const QStringList &items) {
  FItems = items;
  ItemsChanged();
}

void TLblGroupBox::AddItem(const QString &item) {
  FItems.append(item);
  ItemsChanged();
}

void TLblGroupBox::ClearItems() {
  FItems.clear();
  ItemsChanged();
}

void TLblGroupBox::ItemsChanged() {
  // A selection past the end moves to the last entry (none when empty), without an event.
  if (FItemIndex >= FItems.size())
    FItemIndex = int(FItems.size()) - 1;
  update();
}

void TLblGroupBox::SetItemIndex(int value) {
  if (value == FItemIndex || value < 0 || value >= FItems.size())
    return;
  const int old = FItemIndex;
  FItemIndex = value;
  update();
  emit changed(old, value);
}

void TLblGroupBox::SetItemWidth(int value) {
  if (value != FItemWidth) {
    FItemWidth = value;
    update();
  }
}

void TLblGroupBox::SetItemHeight(int value) {
  if (value != FItemHeight) {
    FItemHeight = value;
    update();
  }
}

void TLblGroupBox::SetSelectedColor(const QColor &value) {
  if (value != FSelectedColor) {
    FSelectedColor = value;
    update();
  }
}

void TLblGroupBox::SetTriangleColor(const QColor &value) {
  if (value != FTriangleColor) {
    FTriangleColor = value;
    update();
  }
}

void TLblGroupBox::SetTransparent(bool value) {
  if (value != FTransparent) {
    FTransparent = value;
    update();
  }
}

void TLblGroupBox::SetColor(const QColor &value) {
  FColor = value;
  update();
}

QRect TLblGroupBox::ItemRect(int index) const {
  // Left 0, top index * height, right ItemWidth, bottom (index + 1) * height, right and
  // bottom exclusive.
  return QRect(0, index * FItemHeight, FItemWidth, FItemHeight);
}

int TLblGroupBox::ItemAt(const QPoint &point) const {
  for (int i = 0; i < FItems.size(); ++i)
    if (ItemRect(i).contains(point))
      return i;
  return -1;
}

void TLblGroupBox::paintEvent(QPaintEvent *) {
  // Drawn off screen first and copied in one go, so the column never flickers.
  QImage buffer(size(), QImage::Format_ARGB32_Premultiplied);
  buffer.fill(FTransparent ? QColor(Qt::transparent) : FColor);
  {
    QPainter painter(&buffer);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setFont(font());
    const QColor text = palette().color(QPalette::WindowText);
    for (int i = 0; i < FItems.size(); ++i) {
      const QRect r = ItemRect(i);
      painter.setPen(i == FItemIndex ? FSelectedColor : text);
      painter.drawText(r, Qt::AlignCenter | Qt::TextSingleLine, FItems[i]);
      if (i == FItemIndex) {
        const int right = r.left() + FItemWidth;
        const QPolygon triangle({QPoint(right, r.top() + 6), QPoint(right, r.top() + FItemHeight - 6),
                                 QPoint(right - 6, r.top() + FItemHeight / 2)});
        painter.setPen(FTriangleColor);
        painter.setBrush(FTriangleColor);
        painter.drawPolygon(triangle);
      }
    }
  }
  QPainter(this).drawImage(0, 0, buffer);
}

void TLblGroupBox::mouseReleaseEvent(QMouseEvent *event) {
  QWidget::mouseReleaseEvent(event);
  const QPoint point = event->position().toPoint();
  if (event->button() == Qt::LeftButton && rect().contains(point))
    SetItemIndex(ItemAt(point));
}
