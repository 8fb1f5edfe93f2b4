#pragma once
// Builders for the skinned look every library window shares: fonts by their designed family,
// the colour of a control's text, picture buttons with a centred caption and the close button
// of a skinned window. They only create and set up widgets; the caller places and owns them.
#include <QColor>
#include <QFont>
#include <QPoint>
#include <QRect>
#include <QString>

class QWidget;
class TPngButton;
class TSysMenuButton;

// A font by its designed family (mapped to an installed one) and character height in pixels.
QFont SkinFont(const QString &family, int pixels, bool bold = false);

// Sets the colour a label's or a button's text is drawn in.
void SetTextColor(QWidget *widget, const QColor &color);

// Frames and check boxes are drawn from the window colour, which on a skinned form is the
// maroon key: such controls get the usual window colour back.
void ClearKeyColour(QWidget *widget);

// A button drawn from the skin strip `strip` at `bounds`, its caption centred.
TPngButton *SkinButton(QWidget *parent, const QString &strip, const QRect &bounds, const QString &caption,
                       const QFont &font);

// The 11 x 11 close button of a skinned window, its top left corner at `at`.
TSysMenuButton *SkinCloseButton(QWidget *parent, const QPoint &at);
