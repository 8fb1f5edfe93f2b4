#include "guard/uGuardLimits.h"
#include "common/uViolationItems.h"
#include "datastore/uHistoryRecordsDao.h"
#include "platform/errors/ErrorGuard.h"

#include <cstdio>

namespace {

void Tell(const QString &text) { std::fputs(("pemblo-guard: " + text + "\n").toUtf8().constData(), stderr); }

}  // namespace

TGuardLimits::TGuardLimits(TAccountsSource accounts, TAppLimiter::TClock clock, QObject *parent)
    : QObject(parent), FClock(clock), FAccounts(std::move(accounts)), FLimiter(clock) {
  FLimiter.SetOnNotice(Tell);
  FLimiter.SetOnViolation([this](const TLimitRule &rule, pid_t, uid_t uid) { Ended(rule, uid); });
  FReloadSoon.setSingleShot(true);
  connect(&FReloadSoon, &QTimer::timeout, this, [this] { Reload(); });
  connect(&FEveryMinute, &QTimer::timeout, this, [this] { Reload(); });
}

void TGuardLimits::Start(int intervalMs) {
  Reload();
  FEveryMinute.start(60000);
  FLimiter.Start(intervalMs);
}

void TGuardLimits::ReloadSoon() {
  if (!FReloadSoon.isActive())
    FReloadSoon.start(0);
}

void TGuardLimits::Reload() {
  // A table that cannot be read keeps the rows read last: the limits stay in force.
  GuardedCall([this] { FLimiter.Reload(); });
  FLimiter.SetUsers(FAccounts());
}

void TGuardLimits::Ended(const TLimitRule &rule, uid_t uid) {
  const QString item = ProgramViolationItem(rule.sName);
  // The row is written first and apart from the card: a history that cannot take it (a full
  // disk) does not spare the card.
  GuardedCall([&] {
    THistoryRecords row;
    row.datetime = FClock().toString(QStringLiteral("yyyy年MM月dd日 hh时mm分"));
    row.item = item;
    THistoryRecordsDao().Insert(&row);
  });
  std::optional<TPenalta::TStoredChange> card;
  GuardedCall([&] { card = TPenalta().ChangeStoredCount(1); });
  if (!card)
    Tell(QStringLiteral("黄牌没有记下（%1）：无法写入注册表。").arg(item));
  if (FOnEnded)
    FOnEnded(uid, rule.sName, card);
}
