#include "common/uChangeNotices.h"

#include "common/uFrmInfos.h"
#include "common/uMsgs.h"
#include "platform/os/WindowDirectory.h"

namespace {

void PostToBrowsersAndLockChannel(uint32_t msg, int64_t wParam, int64_t lParam) {
  for (const TWindowRef &browser : FindWindowsByClass(FrmInfos[fiBrowserClass].sCaption))
    PostWindowMessage(browser, msg, wParam, lParam);
  PostToTitle(FrmInfos[fiLockChannel], msg, wParam, lParam);
}

}  // namespace

void NotifySettingsChanged() { PostToBrowsersAndLockChannel(WM_CFGUPDATE, 0, 0); }

void NotifyLimitsChanged(int64_t wParam, int64_t lParam) {
  SendToTitle(FrmInfos[fiLockChannel], WM_APPSUPDATE, wParam, lParam);
}

void NotifyBlackListChanged(int64_t wParam, int64_t lParam) {
  PostToBrowsersAndLockChannel(WM_WEBSUPDATE, wParam, lParam);
}

void NotifyCardCount(int32_t count) {
  if (const auto window = FindMainWindow())
    SendWindowMessage(*window, WM_YCARDUPDATE, count, 0);
}
