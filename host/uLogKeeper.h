#pragma once
// The log values of the settings file in force: browse logs older than TextTime days are
// deleted (at start and every day); a picture of the screen is taken every PsDistance minutes
// into Log/抓屏日志/yyyy-MM-dd/hh-mm-ss.jpg; capture days older than ImgTime days are deleted,
// and the oldest pictures go while the capture folder is larger than ImgSize megabytes. Where
// the display server lets no program take the screen (Wayland, no display) the keeper says so
// once. Touches the log folder only.
#include "common/uAppcf.h"

#include <QDate>
#include <QDateTime>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>

class TLogKeeper : public QObject {
public:
  using TClock = std::function<QDateTime()>;
  using TNoticeEvent = std::function<void(const QString &text)>;

  explicit TLogKeeper(
      TClock clock = [] { return QDateTime::currentDateTime(); }, QObject *parent = nullptr);

  // Takes the values (at start and after every settings notice); trims at once when a value
  // of the trimming changed, and starts the capture timer again only when its period changed.
  void Apply(const TAppCf &cf);

  // Deletes the browse logs of days more than TextTime days before today.
  void TrimBrowseLogs();
  // Deletes capture days more than ImgTime days old, then the oldest pictures while the
  // folder is larger than ImgSize megabytes.
  void TrimCaptures();
  // Takes one picture of the screen; false when the display server allows none.
  bool Capture();

  static QString CapturePath();  // GetLogPath() + "抓屏日志/"

  void SetOnNotice(TNoticeEvent handler) { FOnNotice = std::move(handler); }

private:
  TClock FClock;
  TAppCf FCf;
  bool FApplied = false;
  QTimer FCaptureTimer;  // "tmrCapture"
  QTimer FDailyTimer;
  bool FToldNoCapture = false;
  TNoticeEvent FOnNotice;
};
