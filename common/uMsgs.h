#pragma once
// The plain window messages by which the processes of the suite notify one another.
#include <cstdint>

inline constexpr uint32_t WM_USER = 0x0400;

// Settings file changed: posted to the lock channel and to every browser; both parameters 0.
inline constexpr uint32_t WM_CFGUPDATE = WM_USER + 114;  // 1138
// Program-limit table changed: sent to the lock channel; wParam 1 after an insert, -1 after a
// delete; lParam the row's key ("aid").
inline constexpr uint32_t WM_APPSUPDATE = WM_USER + 1102;  // 2126
// Card count changed: sent to the host's main window; wParam the new count, lParam 0.
inline constexpr uint32_t WM_YCARDUPDATE = WM_USER + 1033;  // 2057
// Web black list changed: posted by the management window to every browser and to the lock
// channel; wParam 1 after an insert, -1 after a delete; lParam the row's key ("wid").
inline constexpr uint32_t WM_WEBSUPDATE = WM_USER + 1104;  // 2128
// A page was blocked by the web black list: posted by the browser to the host's main window;
// wParam the key ("wid") of the rule that blocked it, lParam 0.
inline constexpr uint32_t WM_WEBBLOCKED = WM_USER + 1103;  // 2127
// The lock screen cannot hold the keyboard and the pointer: posted by the lock program to the
// host's main window; wParam LockNoGrabDisplay (the display server allows no grab, as Wayland)
// or LockNoGrabHeld (another program holds them for more than two seconds), lParam 0.
inline constexpr uint32_t WM_LOCKNOGRAB = WM_USER + 1105;  // 2129
inline constexpr int64_t LockNoGrabDisplay = 1;
inline constexpr int64_t LockNoGrabHeld = 2;
