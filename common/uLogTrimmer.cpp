#include "common/uLogTrimmer.h"
#include "platform/os/FileDescriptor.h"

#include "common/uPathFunc.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>
#include <vector>

namespace {

const QString kDayFormat = QStringLiteral("yyyy-MM-dd");
const QString kTimeFormat = QStringLiteral("hh-mm-ss");

// The day a name stands for, written exactly as the suite writes it; invalid for any other name.
QDate DayOf(const QString &name) {
  const QDate day = QDate::fromString(name, kDayFormat);
  return day.isValid() && day.toString(kDayFormat) == name ? day : QDate();
}

// A picture of the capture log: its day folder and its name.
struct TCapture {
  QDate dDay;
  QTime tTime;
  QByteArray sFolder, sName;
  qint64 iSize = 0;
};

// Deletes a capture through its folders, none of them followed if it has become a link since
// it was listed, and only while it is still a regular file.
bool RemoveCapture(int root, const TCapture &capture) {
  const TFd folder(::openat(root, capture.sFolder.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  struct stat st {};
  return folder.Get() >= 0 && ::fstatat(folder.Get(), capture.sName.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
         S_ISREG(st.st_mode) && ::unlinkat(folder.Get(), capture.sName.constData(), 0) == 0;
}

}  // namespace

QTime TLogTrimmer::CaptureTime(const QString &name) {
  static const QRegularExpression form(QStringLiteral("^(\\d\\d-\\d\\d-\\d\\d)(\\.jpg|-[a-z_][a-z0-9_.-]*\\.png)$"));
  const QRegularExpressionMatch match = form.match(name);
  if (!match.hasMatch())
    return {};
  const QTime time = QTime::fromString(match.captured(1), kTimeFormat);
  return time.isValid() && time.toString(kTimeFormat) == match.captured(1) ? time : QTime();
}

QString TLogTrimmer::CapturePath() { return CombinePath(GetLogPath(), QStringLiteral("抓屏日志/")); }

QString TLogTrimmer::DayFolderName(const QDateTime &time) { return time.toString(kDayFormat); }

QString TLogTrimmer::TimeName(const QDateTime &time) { return time.toString(kTimeFormat); }

bool TLogTrimmer::Apply(const TAppCf &cf) {
  const TAppCf within = cf.WithinRanges();
  const bool changed = !FApplied || within.TextTime() != FCf.TextTime() || within.ImgTime() != FCf.ImgTime() ||
                       within.ImgSize() != FCf.ImgSize();
  FCf = within;
  FApplied = true;
  return changed;
}

bool TLogTrimmer::ThroughALink(const QString &folder) {
  // From the folder up to the data folder: the data folder itself is the parent's to place.
  const QString data = QDir::cleanPath(GetDataPath());
  for (QString path = QDir::cleanPath(folder); path.size() > data.size() && path.startsWith(data);
       path = QFileInfo(path).path()) {
    if (!QFileInfo(path).isSymLink())
      continue;
    if (FToldLinks.insert(path).second && FOnNotice)
      FOnNotice(QStringLiteral("日志文件夹“%1”是一个链接，为了不删除别处的文件，没有清理它。").arg(path));
    return true;
  }
  return false;
}

void TLogTrimmer::TrimBrowseLogs() {
  const QDate today = FClock().date();
  if (ThroughALink(GetBrowseLogPath()))
    return;
  QDir logs(GetBrowseLogPath());
  for (const QFileInfo &file : logs.entryInfoList({QStringLiteral("*.txt")}, QDir::Files | QDir::NoSymLinks)) {
    const QDate day = DayOf(file.completeBaseName());
    if (day.isValid() && day.daysTo(today) > FCf.TextTime())
      QFile::remove(file.filePath());
  }
}

void TLogTrimmer::TrimCaptures() {
  const QDate today = FClock().date();
  if (ThroughALink(CapturePath()))
    return;
  // The folder itself is not followed when it is a link, nor anything in it.
  const TFd root(
      ::open(QFile::encodeName(CapturePath()).chopped(1).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (root.Get() < 0)
    return;
  // Only the suite's own pictures count and go: named by their time in a folder named by a day.
  std::vector<TCapture> captures;
  std::vector<QByteArray> expiredDays;
  qint64 total = 0;
  for (const QFileInfo &folder :
       QDir(CapturePath()).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks)) {
    const QDate day = DayOf(folder.fileName());
    if (!day.isValid())
      continue;
    if (day > today) {
      // A day still to come is no older than today's: kept, and the parent hears of it once.
      if (FToldFutureDays.insert(folder.fileName()).second && FOnNotice)
        FOnNotice(QStringLiteral("抓屏日志中有日期在今天之后的文件夹“%1”，没有删除。").arg(folder.fileName()));
      continue;
    }
    if (day.daysTo(today) > FCf.ImgTime())
      expiredDays.push_back(QFile::encodeName(folder.fileName()));
    for (const QFileInfo &file : QDir(folder.filePath()).entryInfoList(QDir::Files | QDir::NoSymLinks)) {
      const QTime time = CaptureTime(file.fileName());
      if (!time.isValid())
        continue;
      captures.push_back(
          {day, time, QFile::encodeName(folder.fileName()), QFile::encodeName(file.fileName()), file.size()});
      total += file.size();
    }
  }
  // Oldest first by the time each name stands for: the days older than ImgTime, then as many
  // more as the folder is larger than ImgSize megabytes.
  std::sort(captures.begin(), captures.end(),
            [](const TCapture &a, const TCapture &b) { return std::tie(a.dDay, a.tTime) < std::tie(b.dDay, b.tTime); });
  const qint64 limit = qint64(FCf.ImgSize()) * 1024 * 1024;
  for (const TCapture &capture : captures) {
    const bool expired = capture.dDay.daysTo(today) > FCf.ImgTime();
    if (!expired && total <= limit)
      break;
    if (RemoveCapture(root.Get(), capture))
      total -= capture.iSize;
  }
  // An expired day's folder goes once empty; what the trim did not recognise keeps it.
  for (const QByteArray &day : expiredDays)
    ::unlinkat(root.Get(), day.constData(), AT_REMOVEDIR);
}
