#include "host/uLogKeeper.h"
#include "common/uPathFunc.h"
#include "platform/os/WholeFile.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <algorithm>
#include <exception>
#include <fcntl.h>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>
#include <vector>

namespace {

const QString kDayFormat = QStringLiteral("yyyy-MM-dd");
const QString kTimeFormat = QStringLiteral("hh-mm-ss");
const QString kCaptureSuffix = QStringLiteral(".jpg");

// The day a name stands for, written exactly as the keeper writes it; invalid for any other name.
QDate DayOf(const QString &name) {
  const QDate day = QDate::fromString(name, kDayFormat);
  return day.isValid() && day.toString(kDayFormat) == name ? day : QDate();
}

// The time of a capture's name "hh-mm-ss.jpg"; invalid for any other name.
QTime CaptureTimeOf(const QString &name) {
  if (!name.endsWith(kCaptureSuffix))
    return {};
  const QString base = name.chopped(kCaptureSuffix.size());
  const QTime time = QTime::fromString(base, kTimeFormat);
  return time.isValid() && time.toString(kTimeFormat) == base ? time : QTime();
}

// A picture the keeper took: its day folder and its name.
struct TCapture {
  QDate dDay;
  QTime tTime;
  QByteArray sFolder, sName;
  qint64 iSize = 0;
};

class TFd {
public:
  explicit TFd(int fd) : FFd(fd) {}
  ~TFd() {
    if (FFd >= 0)
      ::close(FFd);
  }
  TFd(const TFd &) = delete;
  TFd &operator=(const TFd &) = delete;
  int Get() const { return FFd; }

private:
  int FFd;
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

TLogKeeper::TLogKeeper(TClock clock, QObject *parent) : QObject(parent), FClock(std::move(clock)) {
  FCaptureTimer.setParent(this);
  FCaptureTimer.setObjectName(QStringLiteral("tmrCapture"));
  connect(&FCaptureTimer, &QTimer::timeout, this, [this] {
    if (Capture())
      TrimCaptures();
  });
  connect(&FDailyTimer, &QTimer::timeout, this, [this] {
    TrimBrowseLogs();
    TrimCaptures();
  });
}

QString TLogKeeper::CapturePath() { return CombinePath(GetLogPath(), QStringLiteral("抓屏日志/")); }

void TLogKeeper::Apply(const TAppCf &cf) {
  // A value outside its range is read as its default. The same values again (any program may
  // send the settings notice, as often as it likes) neither trim again nor start a timer again:
  // a timer started again would never fire.
  const TAppCf within = cf.WithinRanges();
  const bool trimChanged = !FApplied || within.TextTime() != FCf.TextTime() || within.ImgTime() != FCf.ImgTime() ||
                           within.ImgSize() != FCf.ImgSize();
  FCf = within;
  FApplied = true;
  if (trimChanged) {
    TrimBrowseLogs();
    TrimCaptures();
  }
  const int captureMs = std::max(1, FCf.PsDistance()) * 60 * 1000;
  if (!FCaptureTimer.isActive() || FCaptureTimer.interval() != captureMs)
    FCaptureTimer.start(captureMs);
  if (!FDailyTimer.isActive())
    FDailyTimer.start(24 * 60 * 60 * 1000);
}

bool TLogKeeper::ThroughALink(const QString &folder) {
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

void TLogKeeper::TrimBrowseLogs() {
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

void TLogKeeper::TrimCaptures() {
  const QDate today = FClock().date();
  if (ThroughALink(CapturePath()))
    return;
  // The folder itself is not followed when it is a link, nor anything in it.
  const TFd root(
      ::open(QFile::encodeName(CapturePath()).chopped(1).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (root.Get() < 0)
    return;
  // Only the keeper's own pictures count and go: "hh-mm-ss.jpg" in a folder named by a day.
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
      const QTime time = CaptureTimeOf(file.fileName());
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
  // An expired day's folder goes once empty; what the keeper did not recognise keeps it.
  for (const QByteArray &day : expiredDays)
    ::unlinkat(root.Get(), day.constData(), AT_REMOVEDIR);
}

bool TLogKeeper::Capture() {
  QScreen *screen = QGuiApplication::primaryScreen();
  const QString platform = QGuiApplication::platformName();
  QImage picture;
  // Only an X server hands the whole screen to a program; Wayland and offscreen give nothing.
  if (screen && platform == QStringLiteral("xcb"))
    picture = screen->grabWindow(0).toImage();
  if (picture.isNull()) {
    if (!FToldNoCapture && FOnNotice)
      FOnNotice(QStringLiteral("这个桌面不允许截取屏幕，抓屏日志不能记录。"));
    FToldNoCapture = true;
    return false;
  }
  return Store(picture);
}

bool TLogKeeper::Store(const QImage &picture) {
  const QDateTime now = FClock();
  const QString folder = CombinePath(CapturePath(), now.toString(kDayFormat) + u'/');
  QString failure;
  QByteArray jpeg;
  QBuffer buffer(&jpeg);
  if (!buffer.open(QIODevice::WriteOnly) || !picture.save(&buffer, "JPG", 70))
    failure = QStringLiteral("图片无法编码");
  else if (!QDir().mkpath(folder))
    failure = QStringLiteral("无法创建目录:") + folder;
  else {
    // Written under another name and renamed once whole, so a full disk leaves no part of a picture.
    try {
      WriteWholeFile(folder + now.toString(kTimeFormat) + kCaptureSuffix, jpeg);
    } catch (const std::exception &e) {
      failure = QString::fromUtf8(e.what());
    }
  }
  if (failure.isEmpty()) {
    FToldNotStored = false;
    return true;
  }
  // Once while it lasts: a capture every few minutes on a full disk is no news each time.
  if (!FToldNotStored && FOnNotice)
    FOnNotice(QStringLiteral("抓屏日志没有保存：") + failure);
  FToldNotStored = true;
  return false;
}
