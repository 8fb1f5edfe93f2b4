#pragma once
// Whole files. Writing in one step: the data goes to a new file beside it, which is flushed to
// the disk and then renamed over the old one, so a reader meets the old content or the new,
// never a part; a full disk or an I/O error leaves the old file as it was and raises. Reading a
// file of bounded size without waiting on what is no file: a FIFO, a device or a link to one in
// its place is seen for what it is before anything is read. Touches the named file and its
// temporary twin only.
#include <QByteArray>
#include <QString>

// Replaces name with data. An existing file keeps its permissions; a new one gets 0666 less
// the umask. Raises "Cannot create file \"<name>\". <reason>" when any step fails.
void WriteWholeFile(const QString &name, const QByteArray &data);

enum class TWholeRead { Read, Missing, NotRegular, TooLarge, OpenFailed, ReadFailed };

struct TWholeReadResult {
  TWholeRead eState = TWholeRead::Read;
  int iError = 0;  // errno of OpenFailed and ReadFailed (ENOENT is Missing)
};

// Reads the regular file `name` into data when it holds at most maxBytes. Opening never blocks;
// a file larger than maxBytes is not read (one that grows while it is read stops at one byte
// past the limit). The callers say each state in their own words.
TWholeReadResult ReadWholeFile(const QString &name, qint64 maxBytes, QByteArray &data);
