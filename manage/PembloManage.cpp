// The export of libPembloManage.so: the host opens the parental-management window with it.
#include "controls/uFonts.h"
#include "manage/uFrmManage.h"
#include "platform/errors/ErrorGuard.h"
#include "platform/os/UiLanguage.h"

#include <cstdint>

extern "C" __attribute__((visibility("default"))) void ShowMrgMain(int32_t x, int32_t y) {
  GuardedCall([&] {
    InstallFontSubstitutes();
    InstallChineseUiLanguage();
    ShowManageWindow(x, y);
  });
}
