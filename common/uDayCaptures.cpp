#include "common/uDayCaptures.h"

#include "common/uLogTrimmer.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <algorithm>

namespace {

// The day's folder under `folder`; empty when it is missing or a link.
QString DayFolder(const QString &folder, const QDate &day) {
  const QString path = QDir(folder).filePath(TLogTrimmer::DayFolderName(QDateTime(day, QTime(0, 0))));
  const QFileInfo info(path);
  return info.isDir() && !info.isSymLink() ? path : QString();
}

// A regular file under a capture's name, not a link; the reader of at most `size`.
QImage ReadPicture(const QString &path, const QSize &size) {
  const QFileInfo info(path);
  if (!info.isFile() || info.isSymLink())
    return {};
  QImageReader reader(path);
  if (size.isValid() && reader.size().isValid())
    reader.setScaledSize(reader.size().scaled(size, Qt::KeepAspectRatio));
  return reader.read();
}

}  // namespace

std::vector<TDayCapture> ReadDayCaptures(const QString &folder, const QDate &day) {
  std::vector<TDayCapture> captures;
  const QString dayFolder = DayFolder(folder, day);
  if (dayFolder.isEmpty())
    return captures;
  for (const QString &name : QDir(dayFolder).entryList(QDir::Files | QDir::NoSymLinks)) {
    const QTime time = TLogTrimmer::CaptureTime(name);
    if (!time.isValid())
      continue;
    QImage thumb = ReadPicture(QDir(dayFolder).filePath(name), CaptureThumbSize);
    if (!thumb.isNull())
      captures.push_back({name, time, std::move(thumb)});
  }
  std::sort(captures.begin(), captures.end(), [](const TDayCapture &a, const TDayCapture &b) {
    return a.tTime != b.tTime ? a.tTime < b.tTime : a.sName < b.sName;
  });
  return captures;
}

QImage ReadCapture(const QString &folder, const QDate &day, const QString &name) {
  const QString dayFolder = DayFolder(folder, day);
  if (dayFolder.isEmpty() || !TLogTrimmer::CaptureTime(name).isValid())
    return {};
  return ReadPicture(QDir(dayFolder).filePath(name), QSize());
}

std::vector<TDayCapture> LoadDayCaptures(const QDate &day) { return ReadDayCaptures(TLogTrimmer::CapturePath(), day); }

QImage LoadCapture(const QDate &day, const QString &name) { return ReadCapture(TLogTrimmer::CapturePath(), day, name); }
