#include "controls/uSkinLook.h"

#include "controls/uPngButton.h"
#include "controls/uSkin.h"
#include "controls/uSysMenuButton.h"

#include <QGuiApplication>

QFont SkinFont(const QString &family, int pixels, bool bold) {
  QFont font(family);
  font.setPixelSize(pixels);
  font.setBold(bold);
  return font;
}

void SetTextColor(QWidget *widget, const QColor &color) {
  QPalette pal = widget->palette();
  pal.setColor(QPalette::WindowText, color);
  pal.setColor(QPalette::ButtonText, color);
  widget->setPalette(pal);
}

TPngButton *SkinButton(QWidget *parent, const QString &strip, const QRect &bounds, const QString &caption,
                       const QFont &font) {
  auto *button = new TPngButton(parent);
  button->setGeometry(bounds);
  button->SetPicture(SkinPicture(strip));
  button->SetTextAlign(taCenter);
  button->setFont(font);
  button->SetCaption(caption);
  return button;
}

TSysMenuButton *SkinCloseButton(QWidget *parent, const QPoint &at) {
  auto *button = new TSysMenuButton(parent);
  button->SetButtonType(smbtClose);
  button->SetShowCaption(false);
  button->SetPicture(SkinPicture(QStringLiteral("sysclose.png")));
  button->setGeometry(QRect(at, QSize(11, 11)));
  return button;
}

void ClearKeyColour(QWidget *widget) {
  QPalette pal = widget->palette();
  pal.setColor(QPalette::Window, QGuiApplication::palette().color(QPalette::Window));
  widget->setPalette(pal);
}
