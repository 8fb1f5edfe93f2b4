#pragma once
// The services of the browser process: those of every page's screening (TScreenServices: the
// settings manager, the parent's block log, the web black list and the screening of every
// request of the engine) and the browse log, made at its start before the main window and
// released when the owner goes. Every page writes requested addresses to the browse log.
#include "common/uScreenServices.h"

#include <memory>

class TTextLogManager;

class TBrowserServices : public TScreenServices {
public:
  // Makes the services of the screening, then the browse log; raises what any of them raises.
  TBrowserServices();
  ~TBrowserServices();

  // The browse log of the living owner; nullptr while there is none (nothing is logged).
  static TTextLogManager *TextLog();

private:
  std::unique_ptr<TTextLogManager> FTextLog;
};
