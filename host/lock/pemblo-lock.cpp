// pemblo-lock: the lock program the card counter starts when a fourth yellow card is given.
// One lock screen at a time; it ends when the parent's password is typed. In guarded mode it
// registers with the guard, which ends the session when the lock program ends while the account
// is locked.
#include "common/uPassword.h"
#include "common/uSessionAgent.h"
#include "host/lock/uFrmLock.h"
#include "platform/errors/ErrorGuard.h"
#include "platform/os/NamedMutex.h"
#include "platform/os/UiLanguage.h"

int main(int argc, char **argv) {
  TGuardedApplication app(argc, argv);
  InstallChineseUiLanguage();
  const TNamedMutex once(QStringLiteral("PembloLock"));
  if (once.AlreadyExists())
    return 0;
  TParentPassword password;
  TFrmLock lock(password);
  GuardedCall([&lock] { RegisterLockProgram(&lock); });
  lock.Lock();
  return app.exec();
}
