// The export of the application-centre library: the one function a host calls.
#include "appcentre/uFrmBox.h"
#include "platform/errors/ErrorGuard.h"
#include "platform/os/UiLanguage.h"

#include <cstdint>

// Shows a new centre window inside the host window `parentWindow` (its native window id,
// what QWidget::winId() returns) and returns at once. Call it on the host's GUI thread.
extern "C" __attribute__((visibility("default"))) void PembloBox(uintptr_t parentWindow) {
  GuardedCall([parentWindow] {
    InstallChineseUiLanguage();
    ShowCentre(WId(parentWindow));
  });
}
