#include "cards/uCardLook.h"

#include "controls/uPanelEx.h"
#include "controls/uSkin.h"
#include "controls/uSkinForm.h"
#include "controls/uSkinLook.h"
#include "controls/uSysMenuButton.h"

#include <QGuiApplication>
#include <QLabel>

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
  SetTextColor(label, Qt::white);
  label->setGeometry(10, 6, 300, 20);
  label->setAttribute(Qt::WA_TransparentForMouseEvents);
  return label;
}

TSysMenuButton *CardCloseButton(QWidget *parent) {
  return SkinCloseButton(parent, QPoint(parent->width() - 11 - 9, 9));
}
