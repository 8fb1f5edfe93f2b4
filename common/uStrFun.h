#pragma once
// Parsing of the info texts stored in the memo columns ("key:value,key:value").
#include <QString>
#include <QStringList>

// Splits text at every occurrence of delimiter. Both end at their first NUL. An empty text gives
// no element; an empty delimiter, or a text without it, gives the whole text as one element; a
// delimiter at either end gives an empty element there.
QStringList SplitByDelimiter(const QString &text, const QString &delimiter);

// The part of item behind the first occurrence of key (case-sensitive); empty when key does
// not occur.
QString TextAfterKey(const QString &key, const QString &item);
