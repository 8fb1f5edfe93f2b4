// pemblo-guard: the suite's guard, the system service that owns the parent's rules, the card
// count, the parent's password and the logs, and serves them on the system bus as
// org.pemblo.Guard. Installed it runs as root under systemd; for tests and development it runs
// as any user on a private bus and folder:
//   pemblo-guard [--bus ADDRESS] [--state-dir DIR] [--session-idle-seconds N] [--capture-due-seconds N]
//                [--time-scale N]
//   pemblo-guard --set-password [--state-dir DIR]   reads the parent's password from the input
//   pemblo-guard --add-child USER                   puts the account into the children's group
#include "common/uGuardLink.h"
#include "common/uPassword.h"
#include "common/uPathFunc.h"
#include "common/uPenalta.h"
#include "common/uRegistryHelper.h"
#include "guard/uChildAccounts.h"
#include "guard/uGuardLimits.h"
#include "guard/uGuardService.h"
#include "guard/uStateFolder.h"
#include "platform/os/MachineTimeZone.h"
#include "platform/os/TerminalSecret.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <exception>
#include <fcntl.h>
#include <unistd.h>

namespace {

// SIGTERM and SIGINT are turned into a byte on this pipe, which the event loop reads.
int StopSignalPipe[2] = {-1, -1};

void CatchStopSignals() {
  if (::pipe2(StopSignalPipe, O_CLOEXEC) != 0)
    return;
  struct sigaction action {};
  action.sa_handler = [](int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(StopSignalPipe[1], &byte, 1);
  };
  ::sigaction(SIGTERM, &action, nullptr);
  ::sigaction(SIGINT, &action, nullptr);
}

void Say(FILE *to, const QString &text) { std::fputs(("pemblo-guard: " + text + "\n").toUtf8().constData(), to); }

int SetPassword() {
  const QString password = ReadSecretLine(QStringLiteral("家长密码："));
  if (InputIsTerminal() && ReadSecretLine(QStringLiteral("再输一次：")) != password) {
    Say(stderr, QStringLiteral("两次输入的密码不一样，密码没有设置。"));
    return 1;
  }
  TParentPassword().Set(password);
  Say(stdout, QStringLiteral("家长密码已设置。"));
  return 0;
}

int Serve(const QCommandLineParser &options) {
  QDBusConnection bus = options.isSet("bus")
                            ? QDBusConnection::connectToBus(options.value("bus"), QStringLiteral("pemblo-guard"))
                            : QDBusConnection::systemBus();
  if (!bus.isConnected()) {
    Say(stderr, QStringLiteral("cannot reach the bus: ") + bus.lastError().message());
    return 1;
  }
  // The card counter starts the lock program named here; it lies beside the guard.
  const QString lock = CombinePath(GetExePath(), QStringLiteral("pemblo-lock"));
  if (QFileInfo(lock).isExecutable())
    RegWriteString(HKEY_LOCAL_MACHINE, TPenalta::RegKey, TPenalta::LockProgValue, lock);

  TGuardService::TOptions serviceOptions;
  if (options.isSet("session-idle-seconds"))
    serviceOptions.iSessionIdleSeconds = options.value("session-idle-seconds").toInt();
  if (options.isSet("capture-due-seconds"))
    serviceOptions.iCaptureDueSeconds = options.value("capture-due-seconds").toInt();
  if (options.isSet("time-scale") && options.value("time-scale").toDouble() > 0)
    serviceOptions.oAgentWatch.dTimeScale = options.value("time-scale").toDouble();
  GuardBus::RegisterTypes();
  TGuardService service(bus, serviceOptions);
  if (!bus.registerObject(GuardBus::Path, &service,
                          QDBusConnection::ExportScriptableSlots | QDBusConnection::ExportScriptableSignals)) {
    Say(stderr, QStringLiteral("cannot serve ") + GuardBus::Path);
    return 1;
  }
  if (!bus.interface()->registerService(GuardBus::Service).value()) {
    Say(stderr, QStringLiteral("cannot own %1: %2").arg(GuardBus::Service, bus.lastError().message()));
    return 1;
  }
  CatchStopSignals();
  // The program limits on the children's accounts, read again after the guard's own changes.
  TGuardLimits limits([] { return ChildAccounts(); });
  limits.SetOnEnded(
      [&service](uid_t uid, const QString &name, const auto &card) { service.TellProgramEnded(uid, name, card); });
  QObject::connect(&service, &TGuardService::LimitsChanged, &limits, [&limits] { limits.ReloadSoon(); });
  QObject::connect(&service, &TGuardService::ChildrenChanged, &limits, [&limits] { limits.ReloadSoon(); });
  limits.Start(CombinePath(GetDataPath(), QStringLiteral("denied-files.txt")));

  // A connection the bus dropped (a reply it refused, the bus restarted) serves nobody: the guard
  // ends, and systemd starts it again on a new one.
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&bus] {
    if (!bus.isConnected()) {
      Say(stderr, QStringLiteral("lost the bus; ending so that a new guard takes over"));
      QCoreApplication::exit(1);
    }
  });
  watch.start(2000);
  // Stopped (systemd, the package's removal), the guard gives the limited files back: a guard
  // that is not running enforces nothing, and must leave no file denied.
  QSocketNotifier stopped(StopSignalPipe[0], QSocketNotifier::Read);
  QObject::connect(&stopped, &QSocketNotifier::activated, [] { QCoreApplication::exit(0); });
  const int result = QCoreApplication::exec();
  limits.GiveBackFiles();
  return result;
}

}  // namespace

int main(int argc, char **argv) {
  // The guard talks to no desktop session: its notices are the bus signals.
  qunsetenv("DBUS_SESSION_BUS_ADDRESS");
  qunsetenv("DISPLAY");
  qunsetenv("WAYLAND_DISPLAY");
  UseMachineTimeZone();
  TGuardLink::ServeLocally();
  QCoreApplication app(argc, argv);
  QCommandLineParser parser;
  parser.addHelpOption();
  parser.addOptions({
      {"bus", "The bus to serve on, instead of the system bus.", "address"},
      {"state-dir", "The folder of the guard's files.", "folder", DefaultStateFolder},
      {"session-idle-seconds", "Seconds without a parent's call that end a parent session.", "seconds"},
      {"set-password", "Sets the parent's password read from the input, and ends."},
      {"add-child", "Puts the account into the children's group (made when missing), and ends.", "user"},
      {"capture-due-seconds",
       "Seconds after a session's screen capture when the next is overdue (default: the capture period and two "
       "minutes).",
       "seconds"},
      {"time-scale", "Tests only: the session agent's waits pass this many times faster.", "factor"},
  });
  parser.process(app);
  try {
    if (parser.isSet("add-child")) {
      AddChild(parser.value("add-child"));
      Say(stdout, parser.value("add-child") + QStringLiteral("已加入") + ChildrenGroup + QStringLiteral("。"));
      return 0;
    }
    UseStateFolder(parser.value("state-dir"));
    return parser.isSet("set-password") ? SetPassword() : Serve(parser);
  } catch (const std::exception &e) {
    Say(stderr, QString::fromUtf8(e.what()));
    return 1;
  }
}
