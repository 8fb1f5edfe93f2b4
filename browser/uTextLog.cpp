#include "browser/uTextLog.h"
#include "platform/errors/Errors.h"

#include "common/uPathFunc.h"
#include "platform/cp936/CodePage936Qt.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

TTextLogManager::TTextLogManager(TClock clock) : FClock(std::move(clock)) {
  FFileName = GetBrowseLogPath() + FClock().date().toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(".txt");
  FHandle = ::open(QFile::encodeName(FFileName).constData(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
  if (FHandle < 0)
    Raise(QStringLiteral("Cannot open file \"%1\". %2").arg(FFileName, QString::fromLocal8Bit(std::strerror(errno))));
}

TTextLogManager::~TTextLogManager() {
  if (FHandle >= 0)
    ::close(FHandle);
}

void TTextLogManager::Logs(const QString &alog) {
  if (alog.isEmpty() || FHandle < 0)
    return;
  const QString line =
      FClock().time().toString(QStringLiteral("[hh:mm]")) + QStringLiteral("  ") + alog + QStringLiteral("\r\n");
  QByteArray bytes = ToCp936(line);
  if (const qsizetype zero = bytes.indexOf('\0'); zero >= 0)
    bytes.truncate(zero);
  // One write on a file opened for appending lands whole at the end of the file. A write cut
  // short (a full disk) is taken back to the line's start, so no part line is left for the next
  // line to be glued onto; the lock keeps other browsers from appending in between.
  while (::flock(FHandle, LOCK_EX) < 0 && errno == EINTR) {
  }
  struct stat before {};
  const bool known = ::fstat(FHandle, &before) == 0;
  ssize_t written;
  do
    written = ::write(FHandle, bytes.constData(), size_t(bytes.size()));
  while (written < 0 && errno == EINTR);
  if (known && written != ssize_t(bytes.size()))
    while (::ftruncate(FHandle, before.st_size) < 0 && errno == EINTR) {
    }
  ::flock(FHandle, LOCK_UN);
}
