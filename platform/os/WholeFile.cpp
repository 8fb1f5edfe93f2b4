#include "platform/os/WholeFile.h"
#include "platform/errors/Errors.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

[[noreturn]] void RaiseCannotCreate(const QString &name, int error) {
  Raise(QStringLiteral("Cannot create file \"%1\". %2").arg(name, QString::fromLocal8Bit(std::strerror(error))));
}

// Writes all of data; the errno of the failure, 0 when everything was written and is on disk.
int WriteAll(int fd, const QByteArray &data) {
  qsizetype done = 0;
  while (done < data.size()) {
    const ssize_t n = ::write(fd, data.constData() + done, size_t(data.size() - done));
    if (n < 0 && errno == EINTR)
      continue;
    if (n < 0)
      return errno;
    if (n == 0)
      return ENOSPC;
    done += n;
  }
  // Only the flush shows whether the blocks found room: a file system may accept a write and
  // run out of space later.
  return ::fsync(fd) == 0 ? 0 : errno;
}

}  // namespace

void WriteWholeFile(const QString &name, const QByteArray &data) {
  const QByteArray target = QFile::encodeName(name);
  struct stat old {};
  const bool existed = ::stat(target.constData(), &old) == 0 && S_ISREG(old.st_mode);
  QByteArray temp;
  int fd = -1;
  for (int tries = 0; fd < 0 && tries < 100; ++tries) {
    temp = target + '.' + QByteArray::number(QRandomGenerator::global()->generate(), 36) + ".tmp";
    fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd < 0 && errno != EEXIST)
      RaiseCannotCreate(name, errno);
  }
  if (fd < 0)
    RaiseCannotCreate(name, EEXIST);
  int error = existed && ::fchmod(fd, old.st_mode & 07777) != 0 ? errno : 0;
  if (!error)
    error = WriteAll(fd, data);
  if (::close(fd) != 0 && !error)
    error = errno;
  if (!error && ::rename(temp.constData(), target.constData()) != 0)
    error = errno;
  if (error) {
    ::unlink(temp.constData());
    RaiseCannotCreate(name, error);
  }
  // The new name is on the disk only once its folder is flushed; the content already is, so a
  // failure here loses nothing that a reader could meet half-done.
  const int dir =
      ::open(QFile::encodeName(QFileInfo(name).absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
}

TWholeReadResult ReadWholeFile(const QString &name, qint64 maxBytes, QByteArray &data) {
  data.clear();
  const int fd = ::open(QFile::encodeName(name).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0)
    return {errno == ENOENT ? TWholeRead::Missing : TWholeRead::OpenFailed, errno};
  struct TCloser {
    int fd;
    ~TCloser() { ::close(fd); }
  } closer{fd};
  struct stat st {};
  if (::fstat(fd, &st) != 0)
    return {TWholeRead::OpenFailed, errno};
  if (!S_ISREG(st.st_mode))
    return {TWholeRead::NotRegular, 0};
  if (st.st_size > maxBytes)
    return {TWholeRead::TooLarge, 0};
  data.resize(maxBytes + 1);
  qsizetype have = 0;
  while (have < data.size()) {
    const ssize_t n = ::read(fd, data.data() + have, size_t(data.size() - have));
    if (n < 0 && errno == EINTR)
      continue;
    if (n < 0)
      return {TWholeRead::ReadFailed, errno};
    if (n == 0)
      break;
    have += n;
  }
  data.truncate(have);
  return {have > maxBytes ? TWholeRead::TooLarge : TWholeRead::Read, 0};
}
