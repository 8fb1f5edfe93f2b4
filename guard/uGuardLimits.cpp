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
  connect(&FDenialTimer, &QTimer::timeout, this, [this] { ApplyDenial(); });
}

void TGuardLimits::Start(const QString &denialRecord, int intervalMs) {
  FDenial = std::make_unique<TFileDenial>(denialRecord);
  FDenial->RestoreFromRecord();
  Reload();
  FEveryMinute.start(60000);
  FLimiter.Start(intervalMs);
  FDenialTimer.start(intervalMs);
}

void TGuardLimits::ReloadSoon() {
  if (!FReloadSoon.isActive())
    FReloadSoon.start(0);
}

void TGuardLimits::Reload() {
  // A table that cannot be read keeps the rows read last: the limits stay in force.
  GuardedCall([this] { FLimiter.Reload(); });
  FUsers = FAccounts();
  FLimiter.SetUsers(FUsers);
  ApplyDenial();
}

void TGuardLimits::GiveBackFiles() {
  FDenialTimer.stop();
  if (!FDenial)
    return;
  FDenial->Apply({}, FUsers);
  for (const QString &problem : FDenial->Problems())
    Tell(problem);
  FDenial.reset();
}

void TGuardLimits::ApplyDenial() {
  if (!FDenial)
    return;
  const QDateTime now = FClock();
  QStringList files;
  for (const TLimitRule &rule : FLimiter.Rules())
    if (Contains(rule.Windows, now))
      files += rule.Programs;
  files.removeDuplicates();
  FDenial->Apply(files, FUsers);
  for (const QString &problem : FDenial->Problems())
    Tell(problem);
}

void TGuardLimits::Ended(const TLimitRule &rule, uid_t uid) {
  const QString item = ProgramViolationItem(rule.sName);
  // The row is written first and apart from the card: a history that cannot take it (a full
  // disk) does not spare the card.
  GuardedCall([&] {
    THistoryRecords row;
    row.datetime = ViolationTime(FClock());
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
