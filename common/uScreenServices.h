#pragma once
// The services every program that shows web pages to the child has exactly one of (the browser,
// the viewer): the settings manager (through TProcessServices) with the filter's switch, the
// parent's block log and the web black list read from the card database, made at the program's
// start before any window and released when the owner goes. While the owner lives, every request
// of the engine's pages (the default profile, where every web-browser control makes its page) is
// screened against the black list. A program derives from it to add services of its own (the
// browser adds its browse log).
#include "common/uProcessServices.h"

#include <QString>
#include <cstdint>
#include <memory>

class TRequestFilter;
class TTextLogManager;
class TWebBlackList;

class TScreenServices : public TProcessServices {
public:
  // Makes the settings manager, then the block log, then reads the black list; raises what any
  // of them raises.
  TScreenServices();
  ~TScreenServices();

  // The services of the living owner; nullptr while there is none (nothing is logged, nothing
  // is on the black list).
  static TTextLogManager *BlockLog();
  static TWebBlackList *BlackList();
  // The settings switch the word filter on; off while there is no owner.
  static bool FilterOn();
  // Tells the parent and the host of a document refused by the black list: a line
  // "<address>  black list <key>" in the block log, and WM_WEBBLOCKED (key, 0) to the host's main
  // window.
  static void ReportRefused(const QString &address, int32_t key);

private:
  std::unique_ptr<TTextLogManager> FBlockLog;
  std::unique_ptr<TWebBlackList> FBlackList;
  std::unique_ptr<TRequestFilter> FRequestFilter;
};
