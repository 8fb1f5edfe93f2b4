#include "manage/uManageControls.h"

#include "controls/uSkinLook.h"

#include <QLabel>

QLabel *NewLabel(QWidget *parent, const QString &text, const QPoint &at, const QFont &font, const QColor &color) {
  auto *label = new QLabel(text, parent);
  label->setFont(font);
  SetTextColor(label, color);
  label->move(at);
  label->adjustSize();
  return label;
}
