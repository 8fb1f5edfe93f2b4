#pragma once
// What the guard makes of the sessions' reports about the web and the screen. A visit refused by
// the black list becomes a violation row ("违约访问了" + the row's host name, as the host writes
// it) and one card, at most once a minute per row and reporting user, so a flood of reports gives
// no flood of cards. A screen capture a session hands in is checked (a PNG of sane size) and kept
// in the guard's capture log, Log/抓屏日志/yyyy-MM-dd/hh-mm-ss-<user>.png; the capture and browse
// logs are trimmed by the settings' log values (the suite's one trimming, TLogTrimmer) at the
// start, when the values change, after each capture and every day. A user who once sent a capture
// and sends none for longer than the capture period (PsDistance minutes) and a margin is noted in
// the parent's block log, once per gap. Touches the guard's state folder (card database, machine
// hive, logs) only.
#include "common/uAppcf.h"
#include "common/uLogTrimmer.h"

#include <QByteArray>
#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <map>
#include <optional>
#include <sys/types.h>
#include <utility>

class TGuardLogs : public QObject {
public:
  using TClock = std::function<QDateTime()>;
  using TNoticeEvent = std::function<void(const QString &text)>;

  // A missing capture is noted this long after the capture period.
  static inline constexpr int CaptureMarginSeconds = 120;
  // A black-list row counts once a minute per reporting user.
  static inline constexpr qint64 WebQuietMs = 60000;
  // The largest picture taken in (a whole screen as PNG is far smaller) and its largest side.
  static inline constexpr qsizetype MaxCaptureBytes = 32 * 1024 * 1024;
  static inline constexpr quint32 MaxCaptureSide = 16384;

  // captureDueSeconds: the seconds after a capture when the next one is overdue; 0 for the
  // capture period and the margin.
  explicit TGuardLogs(
      int captureDueSeconds = 0, TClock clock = [] { return QDateTime::currentDateTime(); }, QObject *parent = nullptr);

  // Takes the settings' log values (at the start and after every change): trims when a value of
  // the trimming changed; starts the day's trim and the missing-capture check.
  void Apply(const TAppCf &cf);

  // A page refused by the black list's row `key`, reported by the user: the row and the card,
  // unless the row is not in the black list or counted for this user in the last minute. The
  // card count after, when a card was given. Raises when the row or the card cannot be stored.
  struct TCard {
    int32_t iCount = 0;
    bool bPassed = false;  // past three cards: the lock is due
  };
  std::optional<TCard> BlackListVisit(int32_t key, uid_t uid);

  // Keeps a capture of the user's session, named by now. Raises "抓屏图片不是合格的PNG图片。" for
  // anything but a PNG of at most MaxCaptureBytes and sides of 1..MaxCaptureSide, and the file's
  // error when it cannot be written.
  void StoreCapture(const QByteArray &png, uid_t uid);

  // Notes, once per gap, every user whose last capture is overdue.
  void CheckCaptures();

  void SetOnNotice(TNoticeEvent handler);

private:
  static QString UserName(uid_t uid);
  int DueSeconds() const;

  int FCaptureDueSeconds;
  TClock FClock;
  TAppCf FCf;
  TLogTrimmer FTrimmer;
  QTimer FDailyTimer;
  QTimer FCheckTimer;
  std::map<std::pair<int32_t, uid_t>, QElapsedTimer> FWebCounted;
  struct TLastCapture {
    QDateTime tTime;
    bool bNoted = false;  // the gap since tTime is in the log already
  };
  std::map<uid_t, TLastCapture> FLastCaptures;
  TNoticeEvent FOnNotice;
};
