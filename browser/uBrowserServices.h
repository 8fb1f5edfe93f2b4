#pragma once
// The services of the browser process: the settings manager (through TProcessServices), the
// browse log, the parent's block log and the web black list, made at its start before the main
// window and released when the owner goes. Every page reads the filter switch and the black
// list, writes requested addresses to the browse log and blocked pages to the block log.
#include "common/uProcessServices.h"

#include <memory>

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

private:
  std::unique_ptr<TTextLogManager> FTextLog;
  std::unique_ptr<TTextLogManager> FBlockLog;
  std::unique_ptr<TWebBlackList> FBlackList;
};
