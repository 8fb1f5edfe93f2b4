#pragma once
// Lets GoogleTest print Qt strings (and lists of them) and rectangles readably in failure
// messages.
#include <QRect>
#include <QString>
#include <ostream>

inline void PrintTo(const QString &text, std::ostream *os) { *os << '"' << text.toStdString() << '"'; }

inline void PrintTo(const QRect &rect, std::ostream *os) {
  *os << '(' << rect.x() << ", " << rect.y() << ") " << rect.width() << " x " << rect.height();
}
