#include "host/uHostRules.h"
#include "common/uAppcf.h"
#include "common/uGuardLink.h"
#include "common/uMsgs.h"
#include "datastore/uDBMrgFactory.h"
#include "datastore/uWebsDao.h"
#include "host/uFrmHostMain.h"
#include "platform/errors/ErrorGuard.h"

#include <QVariantList>
#include <unistd.h>

THostRules::THostRules(TFrmHostMain &main, TCfMrg &cfMrg, TAppLimiter::TClock clock)
    : FMain(main), FCfMrg(cfMrg), FLimiter(clock), FLogKeeper(clock), FViolations(clock) {
  const auto notice = [this](const QString &text) { FMain.AddNotice(text); };
  FLimiter.SetOnNotice(notice);
  FLogKeeper.SetOnNotice(notice);
  FViolations.SetOnNotice(notice);
  FLimiter.SetOnViolation([this](const TLimitRule &rule, pid_t, uid_t) {
    Violation(ProgramViolationItem(rule.sName), ChildProgramNotice(rule.sName));
  });
  FMain.SetOnNotice([this](quint32 msg, qint64 w, qint64 l) { Notice(msg, w, l); });
  // A notice only asks for the work; it is done once when the notices waiting have been read,
  // so a flood of them costs one reading and the limiter's scan is not held up behind them.
  for (QTimer *timer : {&FAppsTimer, &FCfgTimer})
    timer->setSingleShot(true);
  connect(&FAppsTimer, &QTimer::timeout, this,
          [this] { RunReported(QStringLiteral("WM_APPSUPDATE"), [this] { FLimiter.Reload(); }); });
  connect(&FCfgTimer, &QTimer::timeout, this,
          [this] { RunReported(QStringLiteral("WM_CFGUPDATE"), [this] { FLogKeeper.Apply(FCfMrg.AppCf()); }); });
}

void THostRules::Start() {
  // In guarded mode the guard ends the programs and gives the cards (a second limiter here would
  // end each start twice and give two cards): the host only shows the child's notice.
  if (const TGuardLink *guard = TGuardLink::Active()) {
    const bool followed = guard->Follow(QStringLiteral("ProgramEnded"), this, [this](const QVariantList &args) {
      if (args.value(0).toUInt() == ::getuid())
        GuardEndedProgram(args.value(1).toString());
    });
    if (!followed)
      FMain.AddNotice(QStringLiteral("收不到家长规则服务结束程序的通知，孩子看不到违约提示。"));
  } else {
    FLimiter.Reload();
    FLimiter.Start();
  }
  TellDataNotes();
  // The limits are read again every minute as well: a notice can be lost or taken by another
  // program that answers to the lock channel's title.
  connect(&FReloadTimer, &QTimer::timeout, this, [this] {
    if (!TGuardLink::Active())
      RunReported(QStringLiteral("WM_APPSUPDATE"), [this] { FLimiter.Reload(); });
    TellDataNotes();
  });
  FReloadTimer.start(60000);
  FLogKeeper.Apply(FCfMrg.AppCf());
}

void THostRules::RunReported(const QString &what, const std::function<void()> &work) {
  QStringList errors;
  {
    TErrorReportScope scope([&errors](const QString &text) {
      if (!errors.contains(text))
        errors << text;
    });
    GuardedCall(work);
  }
  QStringList &told = FLastingErrors[what];
  for (const QString &text : errors)
    if (!told.contains(text))
      FMain.AddNotice(QStringLiteral("%1 未能处理：%2").arg(what, text));
  told = errors;
}

void THostRules::Notice(quint32 msg, qint64 wParam, qint64) {
  if (msg == WM_APPSUPDATE) {
    if (!TGuardLink::Active() && !FAppsTimer.isActive())
      FAppsTimer.start(0);
  } else if (msg == WM_CFGUPDATE) {
    if (!FCfgTimer.isActive())
      FCfgTimer.start(0);
  } else if (msg == WM_WEBBLOCKED) {
    // Only a row of the black list counts, once a minute: any program on the bus can post this.
    // The quiet time is checked first, so a flood of notices reads no table.
    auto reported = FWebReported.find(wParam);
    if (reported != FWebReported.end() && reported->second.elapsed() < WebQuietMs)
      return;
    QString address;
    for (const auto &row : TWebsDao().QueryAll())
      if (row->iWid == wParam)
        address = row->sUrl;
    if (address.isEmpty())
      return;
    FWebReported[wParam].start();
    const QString item = WebViolationItem(address);
    const QString toChild = QStringLiteral("现在不能访问%1，给了一张黄牌。").arg(address);
    // In guarded mode the guard made the row and gave the card when the browser reported the
    // visit: a second card here would count it twice.
    if (TGuardLink::Active()) {
      FMain.AddNotice(item);
      TViolations::TellChild(toChild, &FMain);
    } else {
      Violation(item, toChild);
    }
  }
}

void THostRules::TellDataNotes() {
  for (const QString &note : TDBMrgFactory::TakeNotes())
    FMain.AddNotice(note);
}

QString THostRules::ChildProgramNotice(const QString &name) {
  return QStringLiteral("现在不能使用%1，给了一张黄牌。").arg(name);
}

void THostRules::GuardEndedProgram(const QString &name) {
  // The guard wrote the row and gave the card.
  FMain.AddNotice(ProgramViolationItem(name));
  TViolations::TellChild(ChildProgramNotice(name), &FMain);
}

void THostRules::Violation(const QString &item, const QString &toChild) {
  FMain.AddNotice(item);
  TViolations::TellChild(toChild, &FMain);
  // The row is written first, so a card that cannot be given still leaves the violation.
  GuardedCall([&] { FViolations.Record(item); });
}
