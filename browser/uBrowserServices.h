#pragma once
// The services of the browser process: the settings manager (through TProcessServices) and
// the browse log, made at its start before the main window and released when the owner goes.
// Every page reads the filter switch from the one and writes requested addresses to the other.
#include "common/uProcessServices.h"

#include <memory>

class TTextLogManager;

class TBrowserServices : public TProcessServices {
public:
  // Makes the settings manager, then the browse log; raises what either raises.
  TBrowserServices();
  ~TBrowserServices();

  // The browse log of the living owner; nullptr while there is none (nothing is logged).
  static TTextLogManager *TextLog();

private:
  std::unique_ptr<TTextLogManager> FTextLog;
};
