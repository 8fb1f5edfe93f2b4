#pragma once
// The log values of the settings file in force: browse logs older than TextTime days are
// deleted (at start and every day); a picture of the screen is taken every PsDistance minutes
// into Log/抓屏日志/yyyy-MM-dd/hh-mm-ss.jpg; capture days older than ImgTime days are deleted,
// and the oldest pictures go while the capture folder is larger than ImgSize megabytes. Only
// what the keeper wrote itself is counted and deleted (a day's log "yyyy-MM-dd.txt", a picture
// "hh-mm-ss.jpg" in a day's folder), never through a link; a day still to come is kept. Where
// the display server lets no program take the screen (Wayland, no display), or a picture
// cannot be stored (a full disk), the keeper says so once. The trimming itself is the suite's
// one (TLogTrimmer). In guarded mode a picture is handed to the guard as PNG, which keeps and
// trims it in its own folder. Touches the log folder only.
#include "common/uAppcf.h"
#include "common/uLogTrimmer.h"

#include <QDate>
#include <QDateTime>
#include <QImage>
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

  // Takes the values (at start and after every settings notice; a value outside its range at
  // its default); trims at once when a value of the trimming changed, and starts the capture
  // timer again only when its period changed.
  void Apply(const TAppCf &cf);

  // The trims of the data folder's logs by the values applied (TLogTrimmer says what goes).
  void TrimBrowseLogs() { FTrimmer.TrimBrowseLogs(); }
  void TrimCaptures() { FTrimmer.TrimCaptures(); }
  // Takes one picture of the screen and stores it; false when the display server allows none
  // or the picture could not be stored.
  bool Capture();
  // Stores a picture as the capture of now, whole or not at all (in guarded mode: hands it to the
  // guard); false (noted once while it lasts) when it cannot be written.
  bool Store(const QImage &picture);

  static QString CapturePath() { return TLogTrimmer::CapturePath(); }

  void SetOnNotice(TNoticeEvent handler);

private:
  TClock FClock;
  TAppCf FCf;
  TLogTrimmer FTrimmer;
  QTimer FCaptureTimer;  // "tmrCapture"
  QTimer FDailyTimer;
  bool FToldNoCapture = false;
  bool FToldNotStored = false;
  TNoticeEvent FOnNotice;
};
