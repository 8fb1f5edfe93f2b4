#include "platform/sqlite/SqliteAside.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <sqlite3.h>
#include <sys/stat.h>

std::optional<TSqliteFileId> SqliteFileId(const QString &file) {
  struct stat st {};
  if (::lstat(QFile::encodeName(file).constData(), &st) != 0)
    return std::nullopt;
  return TSqliteFileId{st.st_dev, st.st_ino};
}

bool SqliteDamaged(int rc) {
  const int primary = rc & 0xFF;
  return primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT;
}

QString MoveDamagedAside(const QString &file, const std::optional<TSqliteFileId> &found) {
  if (!found || SqliteFileId(file) != found)
    return {};
  const QString stem = file + QStringLiteral(".broken-") + QDateTime::currentDateTime().toString("yyyyMMdd-HHmmss");
  QString aside = stem;
  for (int n = 2; SqliteFileId(aside); ++n)
    aside = stem + u'-' + QString::number(n);
  if (std::rename(QFile::encodeName(file).constData(), QFile::encodeName(aside).constData()) != 0)
    return {};
  for (const char *companion : {"-journal", "-wal", "-shm"})
    if (SqliteFileId(file + QLatin1String(companion)))
      std::rename(QFile::encodeName(file + QLatin1String(companion)).constData(),
                  QFile::encodeName(aside + QLatin1String(companion)).constData());
  return aside;
}
