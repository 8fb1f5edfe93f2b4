// A second process for the card tests: gives and takes cards as a host or the cancel window
// of another process would, and reports on standard output.
#include "common/uPenalta.h"

#include <QCoreApplication>
#include <cstdio>
#include <string>

namespace {

void Say(const char *line) {
  std::fputs(line, stdout);
  std::fputs("\n", stdout);
  std::fflush(stdout);
}

}  // namespace

// turns <n>: n times IncYCard(1) then DecYCard(1); reports "outside" when a count read between
// the steps lies outside 0..3, then "done".
int main(int argc, char **argv) {
  QCoreApplication app(argc, argv);
  if (argc < 3 || std::string(argv[1]) != "turns") {
    std::fputs("usage: cards_probe turns <n>\n", stderr);
    return 2;
  }
  try {
    TPenalta penalta;
    const int turns = std::stoi(argv[2]);
    for (int n = 0; n < turns; ++n) {
      penalta.IncYCard(1);
      const int32_t afterInc = penalta.YCount();
      penalta.DecYCard(1);
      const int32_t afterDec = penalta.YCount();
      if (afterInc < 0 || afterInc > 3 || afterDec < 0 || afterDec > 3)
        Say("outside");
    }
    Say("done");
    return 0;
  } catch (const std::exception &e) {
    Say((std::string("error ") + e.what()).c_str());
    return 1;
  }
}
