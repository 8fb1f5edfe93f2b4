// The export of the yellow-card library Penalta.
#include "cards/Penalta.h"

#include "cards/uFrmCardMenu.h"
#include "platform/errors/ErrorGuard.h"
#include "platform/os/UiLanguage.h"

void PENALTA_CALL ShowYCardMenu(int32_t left, int32_t top) {
  GuardedCall([&] {
    InstallChineseUiLanguage();
    auto *menu = new TFrmCardMenu;
    menu->move(left, top);
    menu->show();
    menu->raise();
    menu->activateWindow();
  });
}
