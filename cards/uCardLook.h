#pragma once
// The pieces every window of the card library is built from: the skinned background panel,
// the white caption, the close button and picture buttons with centred captions.
#include <QFont>
#include <QRect>
#include <QString>

class QLabel;
class QWidget;
class TPanelEx;
class TPngButton;
class TSkinForm;
class TSysMenuButton;

// A font of `pixels` character height.
QFont CardFont(const QString &family, int pixels, bool bold = false);
void SetCardTextColor(QWidget *widget, const QColor &color);

// Frames and check boxes are drawn from the window colour, which on a skinned form is the
// maroon key: such controls get the usual window colour back.
void ClearKeyColour(QWidget *widget);

// Shapes the form after the skin picture `picture` and fills it with a panel showing it.
TPanelEx *CardBackground(TSkinForm *form, const QString &picture);
// The white caption at the top left of the title band; it lets the panel under it drag.
QLabel *CardCaption(QWidget *parent, const QString &text, const QFont &font);
// The 11 x 11 close button at the top right of the parent.
TSysMenuButton *CardCloseButton(QWidget *parent);
// A button drawn from the skin strip `picture` at `bounds`, its caption centred.
TPngButton *CardButton(QWidget *parent, const QString &picture, const QRect &bounds, const QString &caption,
                       const QFont &font);
