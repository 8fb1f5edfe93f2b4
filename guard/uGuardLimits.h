#pragma once
// The program limits kept by the guard: a TAppLimiter over every process of the children's
// accounts (uChildAccounts), whatever session it belongs to, scanning every second. The rows of
// `apps` and the accounts are read at the start, again when the guard's own calls changed the
// rows (ReloadSoon) and every minute. Each violation writes its history row (the host's item
// text), gives one card and is handed to the owner, who tells the sessions. Reads `apps` and
// /proc, sends signals to processes, writes the history and the card count of the guard's files;
// problems go to the guard's standard error (the journal).
#include "common/uAppLimiter.h"
#include "common/uPenalta.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <optional>
#include <sys/types.h>
#include <vector>

class TGuardLimits : public QObject {
public:
  // uid: the account whose program was ended; name: the program's name as the child sees it;
  // card: the count after the card given, nothing when it could not be stored.
  using TEndedEvent =
      std::function<void(uid_t uid, const QString &name, const std::optional<TPenalta::TStoredChange> &card)>;
  using TAccountsSource = std::function<std::vector<uid_t>()>;

  explicit TGuardLimits(
      TAccountsSource accounts, TAppLimiter::TClock clock = [] { return QDateTime::currentDateTime(); },
      QObject *parent = nullptr);

  // Reads the rows and the accounts and starts scanning.
  void Start(int intervalMs = 1000);
  // Reads the rows and the accounts again once the calls waiting have been answered (a burst of
  // changes costs one reading).
  void ReloadSoon();

  void SetOnEnded(TEndedEvent handler) { FOnEnded = std::move(handler); }
  TAppLimiter &Limiter() { return FLimiter; }

private:
  void Reload();
  void Ended(const TLimitRule &rule, uid_t uid);

  TAppLimiter::TClock FClock;
  TAccountsSource FAccounts;
  TAppLimiter FLimiter;
  QTimer FReloadSoon;
  QTimer FEveryMinute;
  TEndedEvent FOnEnded;
};
