#pragma once
// The window table: the titles (and, for the browser, the window class name) by which the
// processes of the suite find one another, and the sizes of the windows that carry them.
#include "platform/os/WindowDirectory.h"

#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>

class QWidget;

struct TFrmInfo {
  QString sCaption;  // window title; for the browser entry, the window class name
  int32_t iWidth;    // outer width in pixels (0: not set by this table)
  int32_t iHeight;   // outer height in pixels (0: not set by this table)
};

extern const std::array<TFrmInfo, 11> FrmInfos;

// Indices into FrmInfos.
enum TFrmInfoIndex : int {
  fiMainWindow = 0,     // host main program's window
  fiCardMenu = 1,       // yellow-card menu
  fiCardCancel = 2,     // card cancelling window
  fiHistory = 3,        // violation history window
  fiCancelRecords = 4,  // cancel-records window
  fiManage = 5,         // parental-management window
  fiPassword = 6,       // password window of the host
  fiExternal = 7,       // learning-information viewer
  fiMini = 8,           // small window of the host
  fiLockChannel = 9,    // hidden receiver window of the host
  fiBrowserClass = 10,  // window class name of the browser's main window
};

// Sets the form's title, then its width and height (a size of 0 is left as it is). The form
// joins the window directory under that title, so other processes find it once it is set.
void ApplyFrmInfo(QWidget *form, const TFrmInfo &info);

// If a window titled info.sCaption exists (any process), brings it to the front and returns
// null; otherwise creates the form with createForm, shows it non-modally and returns it.
QWidget *ShowOrActivate(const std::function<QWidget *()> &createForm, const TFrmInfo &info);

// The host's main window (titled FrmInfos[0].sCaption), if it is there.
std::optional<TWindowRef> FindMainWindow();

// Posting and sending to the window titled info.sCaption; a missing window is skipped silently
// (a send then gives 0).
void PostToTitle(const TFrmInfo &info, uint32_t msg, int64_t wParam, int64_t lParam);
int64_t SendToTitle(const TFrmInfo &info, uint32_t msg, int64_t wParam, int64_t lParam);
