// A second process for the tests that cross process boundaries. Each command does one thing
// and reports on standard output, one line per event.
#include "WindowDirectory.h"
#include "uFrmInfos.h"

#include <QApplication>
#include <QTextStream>
#include <QWidget>
#include <cstdio>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>

namespace {

void Say(const QString &line) {
  std::fputs((line + "\n").toUtf8().constData(), stdout);
  std::fflush(stdout);
}

// window <title> <class or -> <x> <y>: a window that reports each message it gets and answers a
// send with msg + wParam + lParam. It runs until it is ended.
int Window(int argc, char **argv) {
  QApplication app(argc, argv);
  if (argc < 6)
    return 2;
  QWidget window;
  window.move(std::stoi(argv[4]), std::stoi(argv[5]));
  window.resize(200, 100);
  window.setWindowTitle(QString::fromUtf8(argv[2]));
  TWindowEndpoint *endpoint = TWindowEndpoint::Of(&window);
  if (std::string(argv[3]) != "-")
    endpoint->SetClassName(QString::fromUtf8(argv[3]));
  endpoint->SetMessageHandler([](quint32 msg, qint64 w, qint64 l) -> qint64 {
    Say(QStringLiteral("message %1 %2 %3").arg(msg).arg(w).arg(l));
    return msg + w + l;
  });
  window.show();
  Say("ready " + endpoint->BusName());
  return app.exec();
}

// find <title>: reports whether a window of that title exists (used without a bus).
int Find(int argc, char **argv) {
  QCoreApplication app(argc, argv);
  if (argc < 3)
    return 2;
  const auto window = FindWindowByTitle(QString::fromUtf8(argv[2]));
  Say(window ? "found" : "none");
  PostToTitle(TFrmInfo{QString::fromUtf8(argv[2]), 0, 0}, 1138, 0, 0);
  Say(QStringLiteral("send %1").arg(SendToTitle(TFrmInfo{QString::fromUtf8(argv[2]), 0, 0}, 5, 1, 1)));
  return 0;
}

}  // namespace

int main(int argc, char **argv) {
  const std::map<std::string, std::function<int(int, char **)>> commands = {
      {"window", Window},
      {"find", Find},
  };
  if (argc < 2 || !commands.count(argv[1])) {
    std::fputs("usage: common_probe <command> ...\n", stderr);
    return 2;
  }
  try {
    return commands.at(argv[1])(argc, argv);
  } catch (const std::exception &e) {
    Say(QStringLiteral("error ") + QString::fromUtf8(e.what()));
    return 1;
  }
}
