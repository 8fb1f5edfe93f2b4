#pragma once
// The program limits kept by the guard: a TAppLimiter over every process of the children's
// accounts (uChildAccounts), whatever session it belongs to, scanning every second. The rows of
// `apps` and the accounts are read at the start, again when the guard's own calls changed the
// rows (ReloadSoon) and every minute. Each violation writes its history row (the host's item
// text), gives one card and is handed to the owner, who tells the sessions. While a row's window
// is open its files are also denied to the children's accounts by the kernel (TFileDenial), so
// what a scan cannot see (a script read from a pipe, the dynamic loader, a copy made now) fails
// too; they are given back when the window ends or the row goes, and at the next start after a
// crash. Reads `apps` and /proc, sends signals to processes, changes the ACLs of the limited
// files, writes the history and the card count of the guard's files; problems go to the guard's
// standard error (the journal).
#include "common/uAppLimiter.h"
#include "common/uPenalta.h"
#include "guard/uFileDenial.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>
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

  // Gives back what the record of denied files lists, reads the rows and the accounts and starts
  // scanning; denialRecord is the record's file in the guard's state folder.
  void Start(const QString &denialRecord, int intervalMs = 1000);
  // Gives every denied file back and denies no more (the guard is stopping).
  void GiveBackFiles();
  // Reads the rows and the accounts again once the calls waiting have been answered (a burst of
  // changes costs one reading).
  void ReloadSoon();

  void SetOnEnded(TEndedEvent handler) { FOnEnded = std::move(handler); }
  TAppLimiter &Limiter() { return FLimiter; }

private:
  void Reload();
  void Ended(const TLimitRule &rule, uid_t uid);
  // Denies the files of the rows whose window is open now, gives back the others.
  void ApplyDenial();

  TAppLimiter::TClock FClock;
  TAccountsSource FAccounts;
  TAppLimiter FLimiter;
  QTimer FReloadSoon;
  QTimer FEveryMinute;
  QTimer FDenialTimer;
  std::unique_ptr<TFileDenial> FDenial;
  std::vector<uid_t> FUsers;
  TEndedEvent FOnEnded;
};
