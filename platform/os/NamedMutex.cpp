#include "platform/os/NamedMutex.h"

#include <QFile>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

TNamedMutex::TNamedMutex(const QString &name) {
  QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (folder.isEmpty())
    folder = QStringLiteral("/tmp");
  QString fileName = name;
  fileName.replace('/', '_');
  const QByteArray path = QFile::encodeName(folder + "/pemblo-mutex-" + fileName);
  FHandle = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  // Without a lock file there is no way to tell; the caller then runs as the first instance.
  FOwned = FHandle < 0 || ::flock(FHandle, LOCK_EX | LOCK_NB) == 0;
}

TNamedMutex::~TNamedMutex() {
  if (FHandle >= 0)
    ::close(FHandle);
}
