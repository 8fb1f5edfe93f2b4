#pragma once
// What the guard counts against a child: cards stored in one locked step of the card count, and
// a violation row with its card. Writes the history and the card count of the guard's files.
#include "common/uPenalta.h"

#include <QDateTime>
#include <QString>
#include <cstdint>

// Adds count cards (the count kept within 0..3); raises "黄牌没有记下：..." when the registry
// cannot be written.
TPenalta::TStoredChange StoreCards(int32_t count);
// Writes the violation's history row, then stores its one card (raising as StoreCards does).
TPenalta::TStoredChange RecordViolation(const QDateTime &time, const QString &item);
