#include "guard/uGuardLogs.h"
#include "guard/uGuardCards.h"

#include "common/uPenalta.h"
#include "common/uRegistryHelper.h"
#include "common/uTextLog.h"
#include "common/uViolationItems.h"
#include "datastore/uWebsDao.h"
#include "platform/errors/Errors.h"
#include "platform/os/WholeFile.h"

#include <QDir>
#include <QRegularExpression>
#include <QtEndian>
#include <algorithm>
#include <pwd.h>

namespace {

// A PNG: its signature, then the header chunk (length 13, "IHDR", width, height).
bool SanePng(const QByteArray &data) {
  static const QByteArray signature("\x89PNG\r\n\x1a\n", 8);
  if (data.size() < 33 || data.size() > TGuardLogs::MaxCaptureBytes || !data.startsWith(signature) ||
      data.mid(8, 8) != QByteArray("\0\0\0\x0dIHDR", 8))
    return false;
  const auto *bytes = reinterpret_cast<const uchar *>(data.constData());
  const quint32 width = qFromBigEndian<quint32>(bytes + 16);
  const quint32 height = qFromBigEndian<quint32>(bytes + 20);
  return width >= 1 && height >= 1 && width <= TGuardLogs::MaxCaptureSide && height <= TGuardLogs::MaxCaptureSide;
}

}  // namespace

TGuardLogs::TGuardLogs(int captureDueSeconds, TClock clock, QObject *parent)
    : QObject(parent), FCaptureDueSeconds(captureDueSeconds), FClock(clock), FTrimmer(clock) {
  connect(&FDailyTimer, &QTimer::timeout, this, [this] {
    FTrimmer.TrimBrowseLogs();
    FTrimmer.TrimCaptures();
  });
  connect(&FCheckTimer, &QTimer::timeout, this, [this] { CheckCaptures(); });
}

void TGuardLogs::SetOnNotice(TNoticeEvent handler) {
  FOnNotice = handler;
  FTrimmer.SetOnNotice(std::move(handler));
}

void TGuardLogs::Apply(const TAppCf &cf) {
  FCf = cf.WithinRanges();
  if (FTrimmer.Apply(FCf)) {
    FTrimmer.TrimBrowseLogs();
    FTrimmer.TrimCaptures();
  }
  if (!FDailyTimer.isActive())
    FDailyTimer.start(24 * 60 * 60 * 1000);
  // Checked often enough that a gap is noted within a tenth of its length (at most half a minute late).
  const int checkMs = std::clamp(DueSeconds() * 100, 500, 30000);
  if (!FCheckTimer.isActive() || FCheckTimer.interval() != checkMs)
    FCheckTimer.start(checkMs);
}

int TGuardLogs::DueSeconds() const {
  return FCaptureDueSeconds > 0 ? FCaptureDueSeconds : FCf.PsDistance() * 60 + CaptureMarginSeconds;
}

std::optional<TGuardLogs::TCard> TGuardLogs::BlackListVisit(int32_t key, uid_t uid) {
  // The quiet time is checked first, so a flood of reports reads no table.
  const auto counted = FWebCounted.find({key, uid});
  if (counted != FWebCounted.end() && counted->second.elapsed() < WebQuietMs)
    return std::nullopt;
  QString address;
  for (const auto &row : TWebsDao().QueryAll())
    if (row->iWid == key)
      address = row->sUrl;
  if (address.isEmpty())
    return std::nullopt;
  FWebCounted[{key, uid}].start();
  const TPenalta::TStoredChange change = RecordViolation(FClock(), WebViolationItem(address));
  return TCard{change.iCount, change.bPassed};
}

QString TGuardLogs::UserName(uid_t uid) {
  // The account's name where it is a plain one, which a file name takes as it is; its number otherwise.
  static const QRegularExpression plain(QStringLiteral("^[a-z_][a-z0-9_.-]{0,31}$"));
  const passwd *user = ::getpwuid(uid);
  const QString name = user ? QString::fromLocal8Bit(user->pw_name) : QString();
  return plain.match(name).hasMatch() ? name : QStringLiteral("uid%1").arg(uid);
}

void TGuardLogs::StoreCapture(const QByteArray &png, uid_t uid) {
  if (!SanePng(png))
    Raise(QStringLiteral("抓屏图片不是合格的PNG图片。"));
  const QDateTime now = FClock();
  const QString folder = TLogTrimmer::CapturePath() + TLogTrimmer::DayFolderName(now) + u'/';
  if (!QDir().mkpath(folder))
    Raise(QStringLiteral("无法创建目录:") + folder);
  WriteWholeFile(folder + TLogTrimmer::TimeName(now) + u'-' + UserName(uid) + QStringLiteral(".png"), png);
  FLastCaptures[uid] = TLastCapture{now, false};
  FTrimmer.TrimCaptures();
}

void TGuardLogs::CheckCaptures() {
  const QDateTime now = FClock();
  for (auto &[uid, last] : FLastCaptures) {
    if (last.bNoted || last.tTime.secsTo(now) <= DueSeconds())
      continue;
    last.bNoted = true;
    TTextLogManager(FClock, TLogKind::Block)
        .Logs(QStringLiteral("%1  没有按时抓屏：上一张在%2")
                  .arg(UserName(uid), last.tTime.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"))));
  }
}
