#include "common/uTextLog.h"
#include "platform/errors/Errors.h"

#include "common/uGuardLink.h"
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

namespace {

QString FolderOf(TLogKind kind) { return kind == TLogKind::Browse ? GetBrowseLogPath() : GetBlockLogPath(); }

}  // namespace

TTextLogManager::TTextLogManager(TClock clock, TLogKind kind) : FClock(std::move(clock)), FKind(kind) {
  if (TGuardLink::Active())
    return;
  FFileName = FolderOf(kind) + FClock().date().toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(".txt");
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
  // A text ends at a zero character; the line still ends with its CR LF.
  const QString text = alog.left(alog.indexOf(QChar(0)));
  const QString line =
      FClock().time().toString(QStringLiteral("[hh:mm]")) + QStringLiteral("  ") + text + QStringLiteral("\r\n");
  const QByteArray bytes = FKind == TLogKind::Browse ? ToCp936(line) : line.toUtf8();
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

void TTextLogManager::LogVisit(const QString &address) {
  if (const TGuardLink *guard = TGuardLink::Active())
    guard->Call(QStringLiteral("ReportVisit"), {address});
  else
    Logs(address);
}

void TTextLogManager::LogBlocked(const QString &address, const QString &findings) {
  if (const TGuardLink *guard = TGuardLink::Active())
    guard->Call(QStringLiteral("ReportBlocked"), {address, findings});
  else
    Logs(address + QStringLiteral("  ") + findings);
}

void TTextLogManager::LogBlackListed(const QString &address, int32_t key) {
  if (const TGuardLink *guard = TGuardLink::Active())
    guard->Call(QStringLiteral("ReportBlackListVisit"), {address, key});
  else
    Logs(address + QStringLiteral("  black list %1").arg(key));
}
