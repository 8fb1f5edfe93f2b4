#pragma once
// The start of a program whose pages a child reads (the browser, the viewer). Qt and its web
// engine take switches from the start line and from the environment that change what the child
// sees or open the pages to other programs: a style sheet that makes the filter's cover
// transparent (-stylesheet), another style or theme, plugins from other folders, a remote
// debugging port with the developer tools (--webEngineArgs --remote-debugging-port=N,
// QTWEBENGINE_REMOTE_DEBUGGING, QTWEBENGINE_CHROMIUM_FLAGS), another engine program. Both are
// taken away before the application is made: the program sees its own arguments only. Touches
// the process's environment and builds a new argument list; nothing else.
#include <QByteArray>
#include <vector>

class TPageProgramStart {
public:
  // Drops the variables (the engine's switch for running without its sandbox stays for root
  // alone, whom the engine refuses to run inside it), and keeps of the start line the program's
  // name and at most `addresses` arguments that are no switches, the first ones (a switch of
  // Qt's that takes a value is left out with its value; everything after --webEngineArgs is the
  // engine's).
  TPageProgramStart(int argc, char **argv, int addresses);
  TPageProgramStart(const TPageProgramStart &) = delete;
  TPageProgramStart &operator=(const TPageProgramStart &) = delete;

  // The argument count and list to make the application with; they live as long as this.
  int &Argc() { return FArgc; }
  char **Argv() { return FPointers.data(); }

private:
  std::vector<QByteArray> FArguments;
  std::vector<char *> FPointers;
  int FArgc = 0;
};
