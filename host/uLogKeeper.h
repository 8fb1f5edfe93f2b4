#pragma once
// The log values of the settings file in force: browse logs older than TextTime days are
// deleted (at start and every day); a picture of the screen is taken every PsDistance minutes
// into Log/抓屏日志/yyyy-MM-dd/hh-mm-ss.jpg; capture days older than ImgTime days are deleted,
// and the oldest pictures go while the capture folder is larger than ImgSize megabytes. Only
// what the keeper wrote itself is counted and deleted (a day's log "yyyy-MM-dd.txt", a picture
// "hh-mm-ss.jpg" in a day's folder), never through a link; a day still to come is kept. Where
// the display server lets no program take the screen (Wayland, no display), or a picture
// cannot be stored (a full disk), the keeper says so once. Touches the log folder only.
#include "common/uAppcf.h"

#include <QDate>
#include <QDateTime>
#include <QImage>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <set>

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

  // Deletes the browse logs of days more than TextTime days before today. Neither trim deletes
  // anything when a folder on the way down from the data folder is a link (said once): the files
  // there would be another folder's.
  void TrimBrowseLogs();
  // Deletes the pictures of days more than ImgTime days old, then the oldest pictures while
  // the pictures of past days and today come to more than ImgSize megabytes. A day's folder
  // goes with its last picture once the day is older than ImgTime days; a folder dated after
  // today is kept and noted once.
  void TrimCaptures();
  // Takes one picture of the screen and stores it; false when the display server allows none
  // or the picture could not be stored.
  bool Capture();
  // Stores a picture as the capture of now, whole or not at all; false (noted once while it
  // lasts) when it cannot be written.
  bool Store(const QImage &picture);

  static QString CapturePath();  // GetLogPath() + "抓屏日志/"

  void SetOnNotice(TNoticeEvent handler) { FOnNotice = std::move(handler); }

private:
  bool ThroughALink(const QString &folder);

  TClock FClock;
  TAppCf FCf;
  bool FApplied = false;
  QTimer FCaptureTimer;  // "tmrCapture"
  QTimer FDailyTimer;
  bool FToldNoCapture = false;
  bool FToldNotStored = false;
  std::set<QString> FToldFutureDays;
  std::set<QString> FToldLinks;  // log folders found to be links, already told
  TNoticeEvent FOnNotice;
};
