#pragma once
// The info texts of the card records: two keyed values in one memo column,
// "<key1>:<value1>,<key2>:<value2>" ("datetime:%s,item:%s", "time:%s,cause:%s"). Hosts write
// them in this form; the readers here never change it.
#include <QString>

struct TRecordInfo {
  QString sFirst;
  QString sSecond;
};

// The info text of two values.
QString FormatRecordInfo(const QString &key1, const QString &value1, const QString &key2, const QString &value2);

// Reads an info text back; raises for a text that cannot be read (the row is left out).
//
// A text of the exact form "<key1>:" + value1 + ",<key2>:" + value2 gives value1 (up to the
// first ",<key2>:") and value2 (all the rest), so a reason with commas or colons reads as it
// was written. Any other text is read by fields: split at every comma; only two parts give
// values, each the text between the first and the second colon of its part (a part without a
// colon raises); more or fewer parts give two empty values. Both ways agree on every text whose
// values hold neither comma nor colon.
TRecordInfo ReadRecordInfo(const QString &info, const QString &key1, const QString &key2);
