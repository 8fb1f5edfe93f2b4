// A window of the child's session that follows the guard as the host does (FollowGuardChanges):
// registered on the session bus under the browser's window class, it prints every notice it
// receives as "<name> <wParam> <lParam>", after "ready" once it follows.
#include "common/uFrmInfos.h"
#include "common/uGuardLink.h"
#include "common/uGuardNotices.h"
#include "common/uMsgs.h"
#include "platform/os/WindowDirectory.h"

#include <QApplication>
#include <QWidget>
#include <cstdio>

int main(int argc, char **argv) {
  QApplication app(argc, argv);
  QWidget window;
  TWindowEndpoint *endpoint = TWindowEndpoint::Of(&window);
  endpoint->SetClassName(FrmInfos[fiBrowserClass].sCaption);
  endpoint->SetMessageHandler([](quint32 msg, qint64 wParam, qint64 lParam) -> qint64 {
    const char *name = msg == WM_CFGUPDATE ? "WM_CFGUPDATE" : msg == WM_WEBSUPDATE ? "WM_WEBSUPDATE" : "other";
    std::printf("%s %lld %lld\n", name, static_cast<long long>(wParam), static_cast<long long>(lParam));
    std::fflush(stdout);
    return 0;
  });
  if (!TGuardLink::Active() || !FollowGuardChanges(&window))
    return 1;
  std::puts("ready");
  std::fflush(stdout);
  return app.exec();
}
