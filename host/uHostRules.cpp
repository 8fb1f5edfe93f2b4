#include "host/uHostRules.h"
#include "common/uAppcf.h"
#include "common/uMsgs.h"
#include "host/uFrmHostMain.h"
#include "manage/uWebsDao.h"
#include "platform/errors/ErrorGuard.h"

THostRules::THostRules(TFrmHostMain &main, TCfMrg &cfMrg, TAppLimiter::TClock clock)
    : FMain(main), FCfMrg(cfMrg), FLimiter(clock), FLogKeeper(clock), FViolations(clock) {
  const auto notice = [this](const QString &text) { FMain.AddNotice(text); };
  FLimiter.SetOnNotice(notice);
  FLogKeeper.SetOnNotice(notice);
  FLimiter.SetOnViolation([this](const TLimitRule &rule, pid_t) {
    Violation(ProgramViolationItem(rule.sName), QStringLiteral("现在不能使用%1，给了一张黄牌。").arg(rule.sName));
  });
  FMain.SetOnNotice([this](quint32 msg, qint64 w, qint64 l) { Notice(msg, w, l); });
}

void THostRules::Start() {
  FLimiter.Reload();
  FLimiter.Start();
  FLogKeeper.Apply(FCfMrg.AppCf());
}

void THostRules::Notice(quint32 msg, qint64 wParam, qint64) {
  if (msg == WM_APPSUPDATE)
    FLimiter.Reload();
  else if (msg == WM_CFGUPDATE)
    FLogKeeper.Apply(FCfMrg.AppCf());
  else if (msg == WM_WEBBLOCKED) {
    QString address = QString::number(wParam);
    for (const auto &row : TWebsDao().QueryAll())
      if (row->iWid == wParam)
        address = row->sUrl;
    Violation(WebViolationItem(address), QStringLiteral("现在不能访问%1，给了一张黄牌。").arg(address));
  }
}

void THostRules::Violation(const QString &item, const QString &toChild) {
  FMain.AddNotice(item);
  TViolations::TellChild(toChild, &FMain);
  // The row is written first, so a card that cannot be given still leaves the violation.
  GuardedCall([&] { FViolations.Record(item); });
}
