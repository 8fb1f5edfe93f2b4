// A second process for the tests that cross process boundaries. Each command does one thing
// and reports on standard output, one line per event.
#include "common/uAppcf.h"
#include "common/uFrmInfos.h"
#include "common/uInstFunc.h"
#include "common/uRegistryHelper.h"
#include "common/uTextLog.h"
#include "platform/os/MachineTimeZone.h"
#include "platform/os/WindowDirectory.h"

#include <QApplication>
#include <QFile>
#include <QStringList>
#include <QTextStream>
#include <QThread>
#include <QWidget>
#include <cstdio>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

void Say(const QString &line) {
  std::fputs((line + "\n").toUtf8().constData(), stdout);
  std::fflush(stdout);
}

// window <title> <class or -> <x> <y> [<seconds>]: a window that reports each message it gets and
// answers a send with msg + wParam + lParam. With seconds it stands still that long after
// reporting a message, as a window that hangs, before it answers and reports "answered". It runs
// until it is ended.
int Window(int argc, char **argv) {
  QApplication app(argc, argv);
  if (argc < 6)
    return 2;
  const unsigned long hangSeconds = argc > 6 ? std::stoul(argv[6]) : 0;
  QWidget window;
  window.move(std::stoi(argv[4]), std::stoi(argv[5]));
  window.resize(200, 100);
  window.setWindowTitle(QString::fromUtf8(argv[2]));
  TWindowEndpoint *endpoint = TWindowEndpoint::Of(&window);
  if (std::string(argv[3]) != "-")
    endpoint->SetClassName(QString::fromUtf8(argv[3]));
  endpoint->SetMessageHandler([hangSeconds](quint32 msg, qint64 w, qint64 l) -> qint64 {
    Say(QStringLiteral("message %1 %2 %3").arg(msg).arg(w).arg(l));
    if (hangSeconds > 0) {
      QThread::sleep(hangSeconds);
      Say("answered");
    }
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

// openurl <url>: opens the address as the centre and the viewer do, from this program's folder.
int OpenUrlCommand(int argc, char **argv) {
  QCoreApplication app(argc, argv);
  if (argc < 3)
    return 2;
  Say(QStringLiteral("result %1").arg(OpenUrl(QString::fromUtf8(argv[2]))));
  return 0;
}

// browserpath: the browser's path, or the error.
int BrowserPath(int argc, char **argv) {
  QCoreApplication app(argc, argv);
  Say("path " + GetBrowserPath());
  return 0;
}

// textlog <count> <tag>: logs count addresses http://<tag>/<n> into today's browse log.
int TextLog(int argc, char **argv) {
  if (argc < 4)
    return 2;
  TTextLogManager log;
  const int count = std::stoi(argv[2]);
  const QString tag = QString::fromUtf8(argv[3]);
  for (int n = 0; n < count; ++n)
    log.Logs(QStringLiteral("http://%1/%2").arg(tag).arg(n));
  Say("done");
  return 0;
}

// regincr <count>: adds 1 to HKLM \SOFTWARE\Pemblo "Counter" count times, each a
// read-modify-write of its own.
int RegIncrement(int argc, char **argv) {
  if (argc < 3)
    return 2;
  const int count = std::stoi(argv[2]);
  for (int n = 0; n < count; ++n)
    RegUpdateString(HKEY_LOCAL_MACHINE, "\\SOFTWARE\\Pemblo", "Counter",
                    [](const QString &old) { return QString::number(old.toInt() + 1); });
  Say("done");
  return 0;
}

// regrace <count> <go file>: says "ready", waits until the go file exists, then adds 1 to HKLM
// \SOFTWARE\Pemblo "Counter" count times as regincr does; reports "done" and then, on one line,
// the counter value each of its updates wrote, in order.
int RegRace(int argc, char **argv) {
  if (argc < 4)
    return 2;
  const int count = std::stoi(argv[2]);
  Say("ready");
  while (!QFile::exists(QString::fromUtf8(argv[3])))
    QThread::msleep(1);
  QStringList written;
  for (int n = 0; n < count; ++n)
    written << RegUpdateString(HKEY_LOCAL_MACHINE, "\\SOFTWARE\\Pemblo", "Counter",
                               [](const QString &old) { return QString::number(old.toInt() + 1); });
  Say("done");
  Say(written.join(u' '));
  return 0;
}

// localoffset: takes the machine's time zone as the programs do and says the local offset from
// UTC, in seconds, at a fixed moment.
int LocalOffset(int, char **) {
  UseMachineTimeZone();
  Say(QString::number(QDateTime(QDate(2026, 7, 1), QTime(12, 0), Qt::UTC).toLocalTime().offsetFromUtc()));
  return 0;
}

// cfgupdate: saves the settings and tells the other processes.
int CfgUpdate(int argc, char **argv) {
  QCoreApplication app(argc, argv);
  TCfMrg mrg;
  mrg.AppCf().SetOffOn(true);
  mrg.Update();
  Say("saved");
  return 0;
}

// flood <title or -> <class or -> <msg> <count>: posts the message count times over the bus to the
// window of the title, or to every window of the class. Says "handled" once each window has
// answered a call made after the posts (a window takes its messages in order), "unanswered"
// when one did not within a minute.
int Flood(int argc, char **argv) {
  QCoreApplication app(argc, argv);
  if (argc < 6)
    return 2;
  std::vector<TWindowRef> windows;
  if (std::string(argv[2]) != "-") {
    if (const auto window = FindWindowByTitle(QString::fromUtf8(argv[2])))
      windows.push_back(*window);
  } else {
    windows = FindWindowsByClass(QString::fromUtf8(argv[3]));
  }
  const quint32 msg = std::stoul(argv[4]);
  const int count = std::stoi(argv[5]);
  for (const TWindowRef &window : windows)
    for (int n = 0; n < count; ++n)
      PostWindowMessage(window, msg, 0, 0);
  for (const TWindowRef &window : windows) {
    int tries = 0;
    while (!GetWindowRect(window)) {
      if (++tries == 60) {
        Say("unanswered");
        return 1;
      }
    }
  }
  Say("handled");
  return 0;
}

}  // namespace

int main(int argc, char **argv) {
  const std::map<std::string, std::function<int(int, char **)>> commands = {
      {"window", Window},           {"find", Find},           {"openurl", OpenUrlCommand},
      {"browserpath", BrowserPath}, {"textlog", TextLog},     {"regincr", RegIncrement},
      {"regrace", RegRace},         {"cfgupdate", CfgUpdate}, {"flood", Flood},
      {"localoffset", LocalOffset},
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
