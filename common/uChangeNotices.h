#pragma once
// The notices that tell the suite's windows in this session that the parent's rules or the card
// count changed, so whoever enforces or shows them reads them again: WM_CFGUPDATE (settings) and
// WM_WEBSUPDATE (black list) posted to every browser and to the host's lock channel,
// WM_APPSUPDATE (program limits) sent to the lock channel, WM_YCARDUPDATE (the count) sent to
// the host's main window. The code that makes a change tells them; in guarded mode the host also
// passes on the guard's signals of changes made elsewhere (uGuardNotices). Windows that are not
// there are skipped silently.
#include <cstdint>

void NotifySettingsChanged();
// wParam 1 for a row added, -1 for a row deleted; lParam the row's key.
void NotifyLimitsChanged(int64_t wParam, int64_t lParam);
void NotifyBlackListChanged(int64_t wParam, int64_t lParam);
// Waits until the host's main window has handled the count.
void NotifyCardCount(int32_t count);
