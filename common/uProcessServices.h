#pragma once
// The services a process has exactly one of, owned by one object that main (or a test's
// fixture) creates before any window and that releases them when it goes. This part holds
// what every program of the suite shares, the settings manager; a module derives from it to
// add services of its own (the browser adds its browse log). Reaches nothing but common/.
#include <memory>

class TCfMrg;

class TProcessServices {
public:
  // Makes the settings manager and installs it for the process. Raises what TCfMrg raises, and
  // an error when another owner already lives.
  TProcessServices();
  ~TProcessServices();
  TProcessServices(const TProcessServices &) = delete;
  TProcessServices &operator=(const TProcessServices &) = delete;

  // The settings manager of the living owner; nullptr while there is none (the settings'
  // defaults apply).
  static TCfMrg *CfMrg();

private:
  std::unique_ptr<TCfMrg> FCfMrg;
};
