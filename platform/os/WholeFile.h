#pragma once
// Writing a whole file in one step: the data goes to a new file beside it, which is flushed to
// the disk and then renamed over the old one, so a reader meets the old content or the new,
// never a part; a full disk or an I/O error leaves the old file as it was and raises. Touches
// the named file and its temporary twin only.
#include <QByteArray>
#include <QString>

// Replaces name with data. An existing file keeps its permissions; a new one gets 0666 less
// the umask. Raises "Cannot create file \"<name>\". <reason>" when any step fails.
void WriteWholeFile(const QString &name, const QByteArray &data);
