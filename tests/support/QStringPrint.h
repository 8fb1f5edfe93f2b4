#pragma once
// Lets GoogleTest print Qt strings (and lists of them) readably in failure messages.
#include <QString>
#include <ostream>

inline void PrintTo(const QString &text, std::ostream *os) { *os << '"' << text.toStdString() << '"'; }
