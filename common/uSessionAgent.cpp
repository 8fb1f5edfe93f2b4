#include "common/uSessionAgent.h"

#include "common/uGuardLink.h"
#include "common/uInstFunc.h"
#include "common/uPenalta.h"
#include "common/uRegistryHelper.h"
#include "platform/errors/ErrorGuard.h"

#include <QString>
#include <QVariantList>
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
  // A host starting in a locked account starts its lock program again.
  if (guard->Call(QStringLiteral("RegisterSessionAgent")).value(0).toBool())
    StartLockProgram();
}

void RegisterLockProgram() {
  if (const TGuardLink *guard = TGuardLink::Active())
    guard->Call(QStringLiteral("RegisterLock"));
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
