#pragma once
// The trimming of the suite's logs by the settings' log values, shared by the host (the logs of
// its data folder) and the guard (the logs of its state folder): browse logs older than TextTime
// days are deleted; capture days older than ImgTime days are deleted, and the oldest pictures go
// while the capture folder is larger than ImgSize megabytes. Only the suite's own files are
// counted and deleted (a day's log "yyyy-MM-dd.txt"; a picture in a day's folder named by its
// time, "hh-mm-ss.jpg" as the host stores it, "hh-mm-ss-<user>.png" as the guard stores a
// session's), never through a link; a day still to come is kept. Touches the log folder only.
#include "common/uAppcf.h"

#include <QDateTime>
#include <QString>
#include <functional>
#include <set>

class TLogTrimmer {
public:
  using TClock = std::function<QDateTime()>;
  using TNoticeEvent = std::function<void(const QString &text)>;

  explicit TLogTrimmer(TClock clock) : FClock(std::move(clock)) {}

  // The values the trims follow (a value outside its range at its default); true when a value
  // of the trimming changed (or on the first call).
  bool Apply(const TAppCf &cf);

  // Deletes the browse logs of days more than TextTime days before today. Neither trim deletes
  // anything when a folder on the way down from the data folder is a link (said once): the files
  // there would be another folder's.
  void TrimBrowseLogs();
  // Deletes the pictures of days more than ImgTime days old, then the oldest pictures while
  // the pictures of past days and today come to more than ImgSize megabytes. A day's folder
  // goes with its last picture once the day is older than ImgTime days; a folder dated after
  // today is kept and noted once.
  void TrimCaptures();

  static QString CapturePath();  // GetLogPath() + "抓屏日志/"
  // The day folder's name and the picture's time part of a capture taken at `time`.
  static QString DayFolderName(const QDateTime &time);
  static QString TimeName(const QDateTime &time);
  // The time of a capture's name, "hh-mm-ss.jpg" (the host's) or "hh-mm-ss-<user>.png" (a
  // session's picture kept by the guard); invalid for any other name.
  static QTime CaptureTime(const QString &name);

  void SetOnNotice(TNoticeEvent handler) { FOnNotice = std::move(handler); }

private:
  bool ThroughALink(const QString &folder);

  TClock FClock;
  TAppCf FCf;
  bool FApplied = false;
  std::set<QString> FToldFutureDays;
  std::set<QString> FToldLinks;  // log folders found to be links, already told
  TNoticeEvent FOnNotice;
};
