#pragma once
// The export of the yellow-card library Penalta, called by the host on its user-interface
// thread: shows the card menu with its top-left corner at the screen point left, top and
// returns at once; the host's event loop serves the menu and the windows it opens.
#include <cstdint>

#if defined(__i386__)
#define PENALTA_CALL __attribute__((stdcall))
#else
#define PENALTA_CALL
#endif

extern "C" {
__attribute__((visibility("default"))) void PENALTA_CALL ShowYCardMenu(int32_t left, int32_t top);
}
