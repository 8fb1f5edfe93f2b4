// Pemblo: the stand-in host of the suite. It owns the main window "Sunvale主程序" with the
// application centre and the hidden lock channel, loads the three window libraries from its
// folder, registers its lock program and asks for the parent's password at the first start.
#include "common/uAppcf.h"
#include "common/uGuardNotices.h"
#include "common/uPathFunc.h"
#include "common/uProcessServices.h"
#include "common/uRegistryHelper.h"
#include "common/uSessionAgent.h"
#include "host/uFrmHostMain.h"
#include "host/uFrmPassword.h"
#include "host/uHostRules.h"
#include "platform/errors/ErrorGuard.h"
#include "platform/os/MachineTimeZone.h"
#include "platform/os/NamedMutex.h"
#include "platform/os/UiLanguage.h"

#include <QTimer>

int main(int argc, char **argv) {
  // Before any time is read: the rules are the machine's, not a start line's time zone.
  UseMachineTimeZone();
  TGuardedApplication app(argc, argv);
  InstallChineseUiLanguage();
  int result = 1;
  // One host at a time: two would end the same program twice and give two cards for it.
  const TNamedMutex once(QStringLiteral("Pemblo"));
  if (once.AlreadyExists())
    return 0;
  GuardedCall([&] {
    // The card counter starts this program when a fourth card is given.
    RegWriteString(HKEY_LOCAL_MACHINE, QStringLiteral("\\SOFTWARE\\Pemblo"), QStringLiteral("PembloLock"),
                   CombinePath(GetExePath(), QStringLiteral("pemblo-lock")));
    const TProcessServices services;
    TCfMrg &cfMrg = *TProcessServices::CfMrg();
    TParentPassword password;
    if (!password.IsSet()) {
      TFrmPassword first(password, TPasswordMode::Set);
      first.exec();
    }
    TFrmHostMain main(cfMrg, GetExePath());
    THostRules rules(main, cfMrg);
    // In guarded mode changes made outside this session reach its windows too.
    FollowGuardChanges(&main);
    // In guarded mode the guard misses this host from the moment its connection goes, and asks
    // it for the lock program.
    GuardedCall([&main] { RegisterSessionAgent(&main); });
    // The host ends with its main window, even while windows of the libraries are open.
    main.SetOnClose([&app] { app.quit(); });
    main.show();
    main.ShowCentre();
    main.CheckOwnTitles();
    rules.Start();
    result = app.exec();
  });
  return result;
}
