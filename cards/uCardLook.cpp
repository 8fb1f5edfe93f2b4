#include "cards/uCardLook.h"

#include "controls/uPanelEx.h"
#include "controls/uPngButton.h"
#include "controls/uSkin.h"
#include "controls/uSkinForm.h"
#include "controls/uSysMenuButton.h"

#include <QGuiApplication>
#include <QLabel>

QFont CardFont(const QString &family, int pixels, bool bold) {
  QFont font(family);
  font.setPixelSize(pixels);
  font.setBold(bold);
  return font;
}

void SetCardTextColor(QWidget *widget, const QColor &color) {
  QPalette pal = widget->palette();
  pal.setColor(QPalette::WindowText, color);
  pal.setColor(QPalette::ButtonText, color);
  widget->setPalette(pal);
}

void ClearKeyColour(QWidget *widget) {
  QPalette pal = widget->palette();
  pal.setColor(QPalette::Window, QGuiApplication::palette().color(QPalette::Window));
  widget->setPalette(pal);
}

TPanelEx *CardBackground(TSkinForm *form, const QString &picture) {
  const TPicture background = SkinPicture(picture);
  form->ApplyShape(background);
  auto *panel = new TPanelEx(form);
  panel->SetShowCaption(false);
  panel->SetBackGround(background);
  return panel;
}

QLabel *CardCaption(QWidget *parent, const QString &text, const QFont &font) {
  auto *label = new QLabel(text, parent);
  label->setFont(font);
  SetCardTextColor(label, Qt::white);
  label->setGeometry(10, 6, 300, 20);
  label->setAttribute(Qt::WA_TransparentForMouseEvents);
  return label;
}

TSysMenuButton *CardCloseButton(QWidget *parent) {
  auto *button = new TSysMenuButton(parent);
  button->SetButtonType(smbtClose);
  button->SetShowCaption(false);
  button->SetPicture(SkinPicture(QStringLiteral("sysclose.png")));
  button->setGeometry(parent->width() - 11 - 9, 9, 11, 11);
  return button;
}

TPngButton *CardButton(QWidget *parent, const QString &picture, const QRect &bounds, const QString &caption,
                       const QFont &font) {
  auto *button = new TPngButton(parent);
  button->setGeometry(bounds);
  button->SetPicture(SkinPicture(picture));
  button->SetTextAlign(taCenter);
  button->setFont(font);
  button->SetCaption(caption);
  return button;
}
