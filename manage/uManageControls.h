#pragma once
// Labels of the management windows: placed at a point and sized to their text, in a given font
// and colour. The other skinned pieces come from controls/uSkinLook.h.
#include <QColor>
#include <QFont>
#include <QPoint>
#include <QString>

class QLabel;
class QWidget;

// A label sized to its text.
QLabel *NewLabel(QWidget *parent, const QString &text, const QPoint &at, const QFont &font, const QColor &color);
