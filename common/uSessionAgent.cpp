#include "common/uSessionAgent.h"

#include "common/uGuardLink.h"
#include "common/uInstFunc.h"
#include "common/uPenalta.h"
#include "common/uRegistryHelper.h"
#include "platform/errors/ErrorGuard.h"

#include <QDBusServiceWatcher>
#include <QObject>
#include <QString>
#include <QVariantList>
#include <functional>
#include <pwd.h>
#include <unistd.h>

namespace {

QString OwnAccount() {
  const passwd *self = ::getpwuid(::getuid());
  return self ? QString::fromLocal8Bit(self->pw_name) : QString();
}

void StartLockProgram() {
  RunFile(RegReadString(HKEY_LOCAL_MACHINE, TPenalta::RegKey, TPenalta::LockProgValue), QString());
}

// Makes the call now and again each time the guard comes back on the bus: a guard that restarted
// (a crash, an update) knows no registration, and would miss this program.
void RegisterAndAfterRestarts(const TGuardLink &guard, QObject *owner, const std::function<void()> &call) {
  auto *watcher =
      new QDBusServiceWatcher(GuardBus::Service, guard.Connection(), QDBusServiceWatcher::WatchForRegistration, owner);
  QObject::connect(watcher, &QDBusServiceWatcher::serviceRegistered, owner, [call] { GuardedCall(call); });
  call();
}

}  // namespace

void RegisterSessionAgent(QObject *owner) {
  const TGuardLink *guard = TGuardLink::Active();
  if (!guard)
    return;
  const uint self = ::getuid();
  guard->Follow(QStringLiteral("LockDue"), owner, [self](const QVariantList &args) {
    if (args.value(0).toUInt() == self)
      GuardedCall([] { StartLockProgram(); });
  });
  RegisterAndAfterRestarts(*guard, owner, [guard] {
    // A host starting in a locked account starts its lock program again.
    if (guard->Call(QStringLiteral("RegisterSessionAgent")).value(0).toBool())
      StartLockProgram();
  });
}

void RegisterLockProgram(QObject *owner) {
  if (const TGuardLink *guard = TGuardLink::Active())
    RegisterAndAfterRestarts(*guard, owner, [guard] { guard->Call(QStringLiteral("RegisterLock")); });
}

bool LockMayOpen() {
  if (const TGuardLink *guard = TGuardLink::Active())
    return !guard->Call(QStringLiteral("IsAccountLocked"), {OwnAccount()}).value(0).toBool();
  const std::optional<int32_t> count = TPenalta().ReadYCount();
  return count && *count < TPenalta::MaxCards;
}

void GiveLockBack() {
  if (const TGuardLink *guard = TGuardLink::Active())
    guard->Call(QStringLiteral("ReleaseLock"), {OwnAccount()});
}
