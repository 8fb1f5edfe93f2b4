#include "host/uLogKeeper.h"
#include "common/uPathFunc.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <algorithm>
#include <vector>

namespace {

const QString kDayFormat = QStringLiteral("yyyy-MM-dd");

// Days between the day a name stands for and today; -1 for a name that is no day.
qint64 AgeInDays(const QString &name, const QDate &today) {
  const QDate day = QDate::fromString(name, kDayFormat);
  return day.isValid() ? day.daysTo(today) : -1;
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
  // The same values again (any program may send the settings notice, as often as it likes)
  // neither trim again nor start a timer again: a timer started again would never fire.
  const bool trimChanged =
      !FApplied || cf.TextTime() != FCf.TextTime() || cf.ImgTime() != FCf.ImgTime() || cf.ImgSize() != FCf.ImgSize();
  FCf = cf;
  FApplied = true;
  if (trimChanged) {
    TrimBrowseLogs();
    TrimCaptures();
  }
  const int captureMs = std::max(1, cf.PsDistance()) * 60 * 1000;
  if (!FCaptureTimer.isActive() || FCaptureTimer.interval() != captureMs)
    FCaptureTimer.start(captureMs);
  if (!FDailyTimer.isActive())
    FDailyTimer.start(24 * 60 * 60 * 1000);
}

void TLogKeeper::TrimBrowseLogs() {
  const QDate today = FClock().date();
  QDir logs(GetBrowseLogPath());
  for (const QFileInfo &file : logs.entryInfoList({QStringLiteral("*.txt")}, QDir::Files))
    if (AgeInDays(file.completeBaseName(), today) > FCf.TextTime())
      QFile::remove(file.filePath());
}

void TLogKeeper::TrimCaptures() {
  const QDate today = FClock().date();
  QDir captures(CapturePath());
  if (!captures.exists())
    return;
  for (const QFileInfo &day : captures.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot))
    if (AgeInDays(day.fileName(), today) > FCf.ImgTime())
      QDir(day.filePath()).removeRecursively();
  // Oldest first: the day folders and the picture names both sort by time.
  std::vector<QFileInfo> pictures;
  qint64 total = 0;
  QDirIterator it(captures.path(), QDir::Files, QDirIterator::Subdirectories);
  while (it.hasNext()) {
    it.next();
    pictures.push_back(it.fileInfo());
    total += it.fileInfo().size();
  }
  std::sort(pictures.begin(), pictures.end(),
            [](const QFileInfo &a, const QFileInfo &b) { return a.filePath() < b.filePath(); });
  const qint64 limit = qint64(FCf.ImgSize()) * 1024 * 1024;
  for (const QFileInfo &picture : pictures) {
    if (total <= limit)
      break;
    if (QFile::remove(picture.filePath()))
      total -= picture.size();
  }
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
  const QDateTime now = FClock();
  const QString folder = CombinePath(CapturePath(), now.toString(kDayFormat) + u'/');
  QDir().mkpath(folder);
  return picture.save(folder + now.toString(QStringLiteral("hh-mm-ss")) + QStringLiteral(".jpg"), "JPG", 70);
}
