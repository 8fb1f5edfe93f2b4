#pragma once
// Builders shared by the windows of the management library: skinned picture buttons with
// their caption, labels in a given font and colour, the close button of a skinned window.
#include <QColor>
#include <QFont>
#include <QPoint>
#include <QRect>
#include <QString>

class QLabel;
class QWidget;
class TPngButton;
class TSysMenuButton;

// A font by its designed family (mapped to an installed one) and pixel size.
QFont DesignFont(const QString &family, int pixels, bool bold = false);

// A picture button drawn from the skin strip `strip`, caption centred.
TPngButton *NewSkinButton(QWidget *parent, const QString &caption, const QRect &geometry,
                          const QString &strip = QStringLiteral("btn42x21.png"), int fontPixels = 12);

// A label sized to its text.
QLabel *NewLabel(QWidget *parent, const QString &text, const QPoint &at, const QFont &font, const QColor &color);

// The close button of a skinned window, 11 x 11.
TSysMenuButton *NewCloseButton(QWidget *parent, const QPoint &at);

// Sets the colour of a label's text.
void SetTextColor(QWidget *widget, const QColor &color);
