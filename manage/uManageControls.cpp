#include "manage/uManageControls.h"

#include "controls/uSkin.h"
#include "controls/uSysMenuButton.h"

#include <QLabel>

QFont DesignFont(const QString &family, int pixels, bool bold) {
  QFont font(family);
  font.setPixelSize(pixels);
  font.setBold(bold);
  return font;
}

TPngButton *NewSkinButton(QWidget *parent, const QString &caption, const QRect &geometry, const QString &strip,
                          int fontPixels) {
  auto *button = new TPngButton(parent);
  button->SetPicture(SkinPicture(strip));
  button->SetTextAlign(taCenter);
  button->setFont(DesignFont(QStringLiteral("Tahoma"), fontPixels));
  button->SetCaption(caption);
  button->setGeometry(geometry);
  return button;
}

void SetTextColor(QWidget *widget, const QColor &color) {
  QPalette pal = widget->palette();
  pal.setColor(QPalette::WindowText, color);
  widget->setPalette(pal);
}

QLabel *NewLabel(QWidget *parent, const QString &text, const QPoint &at, const QFont &font, const QColor &color) {
  auto *label = new QLabel(text, parent);
  label->setFont(font);
  SetTextColor(label, color);
  label->move(at);
  label->adjustSize();
  return label;
}

TSysMenuButton *NewCloseButton(QWidget *parent, const QPoint &at) {
  auto *button = new TSysMenuButton(parent);
  button->SetButtonType(smbtClose);
  button->SetShowCaption(false);
  button->SetPicture(SkinPicture(QStringLiteral("sysclose.png")));
  button->setGeometry(QRect(at, QSize(11, 11)));
  return button;
}
