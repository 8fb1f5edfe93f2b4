#include "host/uLogKeeper.h"
#include "common/uGuardLink.h"
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

TLogKeeper::TLogKeeper(TClock clock, QObject *parent) : QObject(parent), FClock(clock), FTrimmer(clock) {
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

void TLogKeeper::SetOnNotice(TNoticeEvent handler) {
  FOnNotice = handler;
  FTrimmer.SetOnNotice(std::move(handler));
}

void TLogKeeper::Apply(const TAppCf &cf) {
  // A value outside its range is read as its default. The same values again (any program may
  // send the settings notice, as often as it likes) neither trim again nor start a timer again:
  // a timer started again would never fire.
  FCf = cf.WithinRanges();
  if (FTrimmer.Apply(FCf)) {
    TrimBrowseLogs();
    TrimCaptures();
  }
  const int captureMs = std::max(1, FCf.PsDistance()) * 60 * 1000;
  if (!FCaptureTimer.isActive() || FCaptureTimer.interval() != captureMs)
    FCaptureTimer.start(captureMs);
  if (!FDailyTimer.isActive())
    FDailyTimer.start(24 * 60 * 60 * 1000);
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
  QString failure;
  QByteArray encoded;
  QBuffer buffer(&encoded);
  // In guarded mode the guard keeps the pictures, where the child cannot delete them.
  const TGuardLink *guard = TGuardLink::Active();
  const QString folder = CombinePath(CapturePath(), TLogTrimmer::DayFolderName(now) + u'/');
  if (!buffer.open(QIODevice::WriteOnly) || !picture.save(&buffer, guard ? "PNG" : "JPG", guard ? -1 : 70))
    failure = QStringLiteral("图片无法编码");
  else if (guard) {
    try {
      guard->Call(QStringLiteral("StoreCapture"), {encoded});
    } catch (const std::exception &e) {
      failure = QString::fromUtf8(e.what());
    }
  } else if (!QDir().mkpath(folder))
    failure = QStringLiteral("无法创建目录:") + folder;
  else {
    // Written under another name and renamed once whole, so a full disk leaves no part of a picture.
    try {
      WriteWholeFile(folder + TLogTrimmer::TimeName(now) + QStringLiteral(".jpg"), encoded);
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
