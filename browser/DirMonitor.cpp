#include "browser/DirMonitor.h"

#include "platform/errors/ErrorGuard.h"
#include "platform/errors/Errors.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace {

// Changes of names (created, deleted, renamed), sizes and write times.
constexpr uint32_t WatchedChanges =
    IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_MODIFY | IN_CLOSE_WRITE | IN_DELETE_SELF | IN_MOVE_SELF;
constexpr int WaitStepMs = 100;

}  // namespace

TDirMonitor::TDirMonitor(const QString &ADirectoryPath, bool ASubDirs, TNotifyEvent ACallback)
    : FDirectoryPath(ADirectoryPath), FSubDirs(ASubDirs), FCallback(std::move(ACallback)) {
  if (!QFileInfo(FDirectoryPath).isDir())
    Raise(QStringLiteral("Path does not exist"));
  if (!FCallback)
    Raise(QStringLiteral("No callback has been set"));
  // Asked for here rather than in the thread, so no change after the return is missed.
  FHandle = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (FHandle >= 0)
    Watch(FDirectoryPath);
  connect(this, &QThread::finished, this, &QObject::deleteLater);
  start();
}

TDirMonitor::~TDirMonitor() {
  requestInterruption();
  wait();
}

void TDirMonitor::Watch(const QString &path) const {
  inotify_add_watch(FHandle, QFile::encodeName(path).constData(), WatchedChanges | IN_ONLYDIR);
  if (!FSubDirs)
    return;
  for (const QFileInfo &sub : QDir(path).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden))
    if (!sub.isSymLink())
      Watch(sub.filePath());
}

void TDirMonitor::run() {
  if (FHandle < 0)
    return;
  pollfd wait{FHandle, POLLIN, 0};
  while (!isInterruptionRequested()) {
    const int ready = poll(&wait, 1, WaitStepMs);
    if (ready < 0)
      break;  // a wait error ends the watch
    if (ready == 0)
      continue;
    // One change is reported, on the user-interface thread, and the watch ends.
    QMetaObject::invokeMethod(
        this, [this] { GuardedCall([this] { FCallback(this); }); }, Qt::QueuedConnection);
    break;
  }
  close(FHandle);
  FHandle = -1;
}
