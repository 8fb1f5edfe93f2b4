#include "guard/uStateFolder.h"

#include "platform/errors/Errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>

void UseStateFolder(const QString &folder) {
  ::umask(077);
  const QString path = QFileInfo(folder).absoluteFilePath();
  if (!QDir().mkpath(path) || !QFileInfo(path).isDir())
    Raise(QStringLiteral("无法创建目录:") + path);
  if (::chmod(QFile::encodeName(path).constData(), 0700) != 0)
    Raise(QStringLiteral("Cannot protect \"%1\". %2").arg(path, QString::fromLocal8Bit(std::strerror(errno))));
  qputenv("PEMBLO_COMMON_APPDATA", QFile::encodeName(path));
  qputenv("PEMBLO_REGISTRY", QFile::encodeName(path + QStringLiteral("/registry")));
}
