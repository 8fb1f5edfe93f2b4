#pragma once
// Reading and writing one string value of the registry. In guarded mode the values of
// HKEY_LOCAL_MACHINE are the guard's: it answers the reads (not the parent's password) and
// refuses a change of the suite's own key \SOFTWARE\Pemblo outside a parent session.
#include "platform/os/RegistryHive.h"

#include <QString>
#include <functional>

// Writes value as a string value, creating the key (and its parents) when missing. Returns false,
// having written nothing, when the hive cannot be written (a caller that stores what a person
// asked for reports it); errors while writing raise.
bool RegWriteString(THKey root, const QString &key, const QString &name, const QString &value);

// The string value (an expandable string as stored), empty when the key or the value is
// missing; raises "Invalid data type for '<name>'" for a value of another type.
QString RegReadString(THKey root, const QString &key, const QString &name);

// Reads the string value, hands it to change and writes the result back, all under the hive's
// lock, so that several processes updating the same value lose no change. Returns the written
// value, or the value unchanged when the hive cannot be written. Raises as RegReadString does.
QString RegUpdateString(THKey root, const QString &key, const QString &name,
                        const std::function<QString(const QString &)> &change);
