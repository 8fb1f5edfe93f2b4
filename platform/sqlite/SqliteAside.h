#pragma once
// Damaged database files: which failures say that the file itself is damaged, and moving such
// a file aside, with the files SQLite keeps beside it, so that a new file can take its name and
// the old one stays for a look. Touches only that file and its companions.
#include <QString>

#include <optional>
#include <sys/types.h>

// The file a path names, to tell whether it is still the one that was found damaged.
struct TSqliteFileId {
  dev_t iDev = 0;
  ino_t iIno = 0;
  bool operator==(const TSqliteFileId &) const = default;
};
std::optional<TSqliteFileId> SqliteFileId(const QString &file);

// A result code that says the file is no database (or one with another key) or is damaged.
bool SqliteDamaged(int rc);

// Moves the file (or folder) aside as "<file>.broken-<yyyyMMdd-HHmmss>" ("-2", "-3", ... added
// while that is taken), and its rollback journal, write-ahead log and log index beside it under
// the new name, so none of them ever meets a new file. Nothing moves when the name no longer
// holds `found` (another process has already replaced it). Returns the new name, or empty.
QString MoveDamagedAside(const QString &file, const std::optional<TSqliteFileId> &found);
