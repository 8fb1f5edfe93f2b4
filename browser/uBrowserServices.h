#pragma once
// The services of the browser process: the settings manager (through TProcessServices), the
// browse log, the parent's block log and the web black list, made at its start before the main
// window and released when the owner goes. Every page reads the filter switch and the black
// list, writes requested addresses to the browse log and blocked pages to the block log. While
// the owner lives, every request of the engine's pages (the default profile, where every
// web-browser control makes its page) is screened against the black list.
#include "common/uProcessServices.h"

#include <QString>
#include <cstdint>
#include <memory>

class TRequestFilter;
class TTextLogManager;
class TWebBlackList;

class TBrowserServices : public TProcessServices {
public:
  // Makes the settings manager, then the logs, then reads the black list; raises what any of
  // them raises.
  TBrowserServices();
  ~TBrowserServices();

  // The services of the living owner; nullptr while there is none (nothing is logged, nothing
  // is on the black list).
  static TTextLogManager *TextLog();
  static TTextLogManager *BlockLog();
  static TWebBlackList *BlackList();
  // Tells the parent and the host of a document refused by the black list: a line
  // "<address>  black list <key>" in the block log, and WM_WEBBLOCKED (key, 0) to the host's main
  // window.
  static void ReportRefused(const QString &address, int32_t key);

private:
  std::unique_ptr<TTextLogManager> FTextLog;
  std::unique_ptr<TTextLogManager> FBlockLog;
  std::unique_ptr<TWebBlackList> FBlackList;
  std::unique_ptr<TRequestFilter> FRequestFilter;
};
