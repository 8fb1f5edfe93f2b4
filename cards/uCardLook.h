#pragma once
// The pieces only the card library's windows are built from: the skinned background panel,
// the white caption and the close button at the top right. Fonts, text colours and picture
// buttons come from controls/uSkinLook.h.
#include <QFont>
#include <QString>

class QLabel;
class QWidget;
class TPanelEx;
class TSkinForm;
class TSysMenuButton;

// Shapes the form after the skin picture `picture` and fills it with a panel showing it.
TPanelEx *CardBackground(TSkinForm *form, const QString &picture);
// The white caption at the top left of the title band; it lets the panel under it drag.
QLabel *CardCaption(QWidget *parent, const QString &text, const QFont &font);
// The 11 x 11 close button at the top right of the parent.
TSysMenuButton *CardCloseButton(QWidget *parent);
