#include "common/uDayCaptures.h"

#include "common/uGuardLink.h"
#include "common/uLogTrimmer.h"
#include "platform/errors/Errors.h"
#include "platform/os/FileDescriptor.h"

#include <QDBusUnixFileDescriptor>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

QString DayName(const QDate &day) { return TLogTrimmer::DayFolderName(QDateTime(day, QTime(0, 0))); }

// A picture read from an open file, at most `size` (an invalid size: whole).
QImage ReadPicture(int fd, const QSize &size) {
  QFile file;
  if (fd < 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
    return {};
  QImageReader reader(&file);
  if (size.isValid() && reader.size().isValid())
    reader.setScaledSize(reader.size().scaled(size, Qt::KeepAspectRatio));
  return reader.read();
}

// The capture opened where it is kept: the guard's file handed over, or the suite's own.
int OpenKeptCapture(const QDate &day, const QString &name) {
  if (const TGuardLink *guard = TGuardLink::Active()) {
    const auto handed = guard->Call(QStringLiteral("GetCapture"), {day.toString(Qt::ISODate), name})
                            .value(0)
                            .value<QDBusUnixFileDescriptor>();
    return handed.isValid() ? ::fcntl(handed.fileDescriptor(), F_DUPFD_CLOEXEC, 0) : -1;
  }
  return OpenCapture(TLogTrimmer::CapturePath(), day, name);
}

}  // namespace

QStringList DayCaptureNames(const QString &folder, const QDate &day) {
  const QFileInfo dayFolder(QDir(folder).filePath(DayName(day)));
  if (!dayFolder.isDir() || dayFolder.isSymLink())
    return {};
  std::vector<std::pair<QTime, QString>> captures;
  for (const QString &name : QDir(dayFolder.filePath()).entryList(QDir::Files | QDir::NoSymLinks))
    if (const QTime time = TLogTrimmer::CaptureTime(name); time.isValid())
      captures.emplace_back(time, name);
  std::sort(captures.begin(), captures.end());
  QStringList names;
  for (const auto &capture : captures)
    if (names.size() < MostDayCaptures)
      names << capture.second;
  return names;
}

int OpenCapture(const QString &folder, const QDate &day, const QString &name) {
  if (!TLogTrimmer::CaptureTime(name).isValid())  // a name of the suite's own: no folder, no ".."
    return -1;
  const TFd captures(::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  const TFd dayFolder(::openat(captures.Get(), QFile::encodeName(DayName(day)).constData(),
                               O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (captures.Get() < 0 || dayFolder.Get() < 0)
    return -1;
  const int fd = ::openat(dayFolder.Get(), QFile::encodeName(name).constData(),
                          O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);  // a FIFO would wait for a writer
  struct stat info {};
  if (fd >= 0 && ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size <= MostCaptureBytes)
    return fd;
  if (fd >= 0)
    ::close(fd);
  return -1;
}

std::vector<TDayCapture> LoadDayCaptures(const QDate &day) {
  const TGuardLink *guard = TGuardLink::Active();
  const QStringList names =
      guard ? guard->Call(QStringLiteral("GetDayCaptures"), {day.toString(Qt::ISODate)}).value(0).toStringList()
            : DayCaptureNames(TLogTrimmer::CapturePath(), day);
  std::vector<TDayCapture> captures;
  const QDeadlineTimer thumbsDue(DayThumbsMs);
  for (const QString &name : names.mid(0, MostDayCaptures)) {
    const QTime time = TLogTrimmer::CaptureTime(name);
    if (!time.isValid())
      continue;
    if (thumbsDue.hasExpired()) {
      captures.push_back({name, time, QImage()});
      continue;
    }
    const TFd file(OpenKeptCapture(day, name));
    QImage thumb = ReadPicture(file.Get(), CaptureThumbSize);
    if (!thumb.isNull())
      captures.push_back({name, time, std::move(thumb)});
  }
  return captures;
}

QImage LoadCapture(const QDate &day, const QString &name) {
  const TFd file(OpenKeptCapture(day, name));
  const QImage picture = ReadPicture(file.Get(), QSize());
  if (picture.isNull())
    Raise(QStringLiteral("无法打开抓屏：") + day.toString(QStringLiteral("yyyy-MM-dd/")) + name);
  return picture;
}
