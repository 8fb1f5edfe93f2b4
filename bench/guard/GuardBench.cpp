// What the guard costs the suite: a read of the settings and a parent's change (a program limit
// added inside a parent session) through pemblo-guard on a private system bus, beside the same
// through the local files of single-account mode; and the web black-list check, which answers
// from memory in both modes. Targets (medians): a read within 1 ms, a change within 5 ms.
// Run as root, as the guard runs as root:
//   build/bench/bench_guard --benchmark_repetitions=10 --benchmark_report_aggregates_only=true
// This process starts the bus and the guard (a child process with its own event loop) and
// measures guarded mode as the guard's client; as a process chooses its mode once, it then runs
// itself again with --local on a system bus address where nothing listens, for single-account
// mode, and ends with both medians and their ratio.
#include "common/uAppcf.h"
#include "common/uGuardLink.h"
#include "common/uPassword.h"
#include "datastore/uAppsDao.h"
#include "datastore/uDBMrgFactory.h"
#include "datastore/uWebBlackList.h"
#include "datastore/uWebsDao.h"
#include "tests/support/GuardSystem.h"
#include "tests/support/WaitUntil.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDate>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <exception>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const QString ParentPassword = QStringLiteral("secret1");
// A system bus address where nothing listens: the process finds no guard.
const QString NoBus = QStringLiteral("unix:path=/nonexistent/pemblo-bench-bus");
constexpr int BlackListRows = 1000;

// The guard's process while this process measures guarded mode; 0 in single-account mode.
qint64 GuardPid = 0;

void Say(const QString &text) { std::fputs(("bench_guard: " + text + "\n").toUtf8().constData(), stderr); }

// Every day, all day: the rows are in force whenever the benchmark runs.
QString EveryDay() {
  QString schedule;
  for (int day = 0; day < 7; ++day)
    schedule += QStringLiteral("iweek:%1;tstart:00:00;tend:23:59,").arg(day);
  return schedule;
}

void BM_ReadSettings(benchmark::State &state) {
  TCfMrg cfMrg;
  for (auto _ : state)
    cfMrg.LoadFormFile();
}
BENCHMARK(BM_ReadSettings)->Unit(benchmark::kMillisecond)->UseRealTime();

// The rows added are deleted again after the timing.
void BM_AddLimit(benchmark::State &state) {
  TAppsDao dao;
  const TAppsModel row{0, QStringLiteral("/usr/games/supertuxkart"), EveryDay()};
  std::vector<int> keys;
  for (auto _ : state) {
    const int key = dao.Insert(&row);
    if (key <= 0) {
      state.SkipWithError("no row was added");
      break;
    }
    keys.push_back(key);
  }
  for (const int key : keys)
    dao.DeleteFromAID(key);
}
BENCHMARK(BM_AddLimit)->Unit(benchmark::kMillisecond)->UseRealTime();

bool FillBlackList() {
  TWebsDao dao;
  for (int i = 0; i < BlackListRows; ++i) {
    const TWebsModel row{0, QStringLiteral("game%1.example/play").arg(i), EveryDay()};
    dao.Insert(&row);
  }
  return true;
}

// The browser's check of an address against the list it loaded. In guarded mode the guard is
// stopped (SIGSTOP) while it runs: a check that asked the guard would wait for it and fail.
void BM_BlackListCheck(benchmark::State &state) {
  static const bool filled = FillBlackList();
  benchmark::DoNotOptimize(filled);
  TWebBlackList list;
  list.Load();
  if (list.Size() != BlackListRows) {
    state.SkipWithError("the black list was not loaded");
    return;
  }
  const QUrl address(QStringLiteral("https://www.game500.example/play/level2"));
  const QDateTime now = QDateTime::currentDateTime();
  if (GuardPid)
    ::kill(pid_t(GuardPid), SIGSTOP);
  try {
    for (auto _ : state)
      if (!list.Check(address, now)) {
        state.SkipWithError("the listed address was not found");
        break;
      }
  } catch (const std::exception &e) {
    state.SkipWithError((std::string("the check asked the guard: ") + e.what()).c_str());
  }
  if (GuardPid)
    ::kill(pid_t(GuardPid), SIGCONT);
}
BENCHMARK(BM_BlackListCheck)->Unit(benchmark::kMicrosecond)->UseRealTime();

// The console's report, keeping each benchmark's median (or its one run without repetitions).
class TFigureReporter : public benchmark::ConsoleReporter {
public:
  struct TFigure {
    double dValue = 0;
    std::string sUnit;
  };

  // In colour on a terminal only, as the library's own report.
  TFigureReporter() : ConsoleReporter(::isatty(STDOUT_FILENO) ? OO_Defaults : OO_None) {}

  void ReportRuns(const std::vector<Run> &runs) override {
    for (const Run &run : runs)
      if (!run.error_occurred && (run.aggregate_name == "median" || run.run_type == Run::RT_Iteration))
        Figures[run.run_name.function_name] = {run.GetAdjustedRealTime(), benchmark::GetTimeUnitString(run.time_unit)};
    ConsoleReporter::ReportRuns(runs);
  }

  std::map<std::string, TFigure> Figures;
};

// Lines "name value unit", which the guarded run reads back from the local one.
void WriteFigures(const std::map<std::string, TFigureReporter::TFigure> &figures, const QString &fileName) {
  QFile file(fileName);
  if (!file.open(QIODevice::WriteOnly))
    return;
  for (const auto &[name, figure] : figures)
    file.write(QStringLiteral("%1 %2 %3\n")
                   .arg(QString::fromStdString(name))
                   .arg(figure.dValue, 0, 'g', 10)
                   .arg(QString::fromStdString(figure.sUnit))
                   .toUtf8());
}

std::map<std::string, TFigureReporter::TFigure> ReadFigures(const QString &fileName) {
  std::map<std::string, TFigureReporter::TFigure> figures;
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly))
    return figures;
  for (const QByteArray &line : file.readAll().split('\n')) {
    const QList<QByteArray> parts = line.split(' ');
    if (parts.size() == 3)
      figures[parts[0].toStdString()] = {parts[1].toDouble(), parts[2].toStdString()};
  }
  return figures;
}

void PrintRatios(const std::map<std::string, TFigureReporter::TFigure> &guarded,
                 const std::map<std::string, TFigureReporter::TFigure> &local) {
  std::printf("\n%-20s %14s %14s %12s\n", "real time per call", "guarded", "local", "guard/local");
  for (const auto &[name, figure] : guarded) {
    const auto other = local.find(name);
    if (other == local.end() || other->second.sUnit != figure.sUnit || other->second.dValue <= 0)
      continue;
    std::printf("%-20s %11.4f %-2s %11.4f %-2s %12.1f\n", name.c_str(), figure.dValue, figure.sUnit.c_str(),
                other->second.dValue, other->second.sUnit.c_str(), figure.dValue / other->second.dValue);
  }
}

// The parent's session for the changes, and settings stored once so that a read reads a file.
bool Prepare(bool guarded) {
  if ((TGuardLink::Active() != nullptr) != guarded) {
    Say(guarded ? QStringLiteral("the guard is not on the bus") : QStringLiteral("a guard answered on the bus"));
    return false;
  }
  if (guarded && TParentPassword().Check(ParentPassword) != TPasswordCheck::Right) {
    Say(QStringLiteral("the parent's password was not taken"));
    return false;
  }
  TCfMrg().SaveToFile();
  return true;
}

int Measure(int argc, char **argv, bool guarded, TFigureReporter &reporter) {
  if (!Prepare(guarded))
    return 1;
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}

// Starts the guard on a private system bus with a fresh state folder and the parent's password,
// measures through it, then runs the local measurement and prints the ratios.
int MeasureBoth(int argc, char **argv) {
  if (geteuid() != 0) {
    Say(QStringLiteral("run it as root: the guard runs as root"));
    return 1;
  }
  const QStringList givenArgs = QCoreApplication::arguments().mid(1);
  TPrivateSystemBus bus({GuardPolicyFile()});
  QTemporaryDir state;
  const QString stateDir = state.filePath(QStringLiteral("state"));
  const TRunResult set = RunAs(nullptr, QStringLiteral(PEMBLO_GUARD),
                               {QStringLiteral("--set-password"), QStringLiteral("--state-dir"), stateDir}, {},
                               ParentPassword.toUtf8() + "\n");
  if (set.iExitCode != 0) {
    Say(QStringLiteral("the password was not set: ") + set.sErr);
    return 1;
  }
  const auto guard = StartAs(nullptr, QStringLiteral(PEMBLO_GUARD),
                             {QStringLiteral("--bus"), bus.Address(), QStringLiteral("--state-dir"), stateDir}, {});
  if (!guard->waitForStarted()) {
    Say(QStringLiteral("the guard did not start"));
    return 1;
  }
  qputenv("DBUS_SYSTEM_BUS_ADDRESS", bus.Address().toUtf8());
  if (!WaitUntil(
          [] { return QDBusConnection::systemBus().interface()->isServiceRegistered(GuardBus::Service).value(); },
          10000)) {
    Say(QStringLiteral("the guard did not take its name: ") + QString::fromUtf8(guard->readAllStandardError()));
    return 1;
  }
  GuardPid = guard->processId();
  TFigureReporter reporter;
  if (Measure(argc, argv, true, reporter) != 0)
    return 1;

  QTemporaryDir figures;
  const QString figuresFile = figures.filePath(QStringLiteral("local"));
  QProcess local;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), NoBus);
  local.setProcessEnvironment(env);
  local.setProcessChannelMode(QProcess::ForwardedChannels);
  std::printf("\nsingle-account mode (local files), in a process of its own:\n");
  std::fflush(stdout);
  local.start(QCoreApplication::applicationFilePath(), QStringList{QStringLiteral("--local"), figuresFile} + givenArgs);
  if (!local.waitForFinished(-1) || local.exitStatus() != QProcess::NormalExit || local.exitCode() != 0) {
    Say(QStringLiteral("the local measurement failed"));
    return 1;
  }
  guard->terminate();
  guard->waitForFinished();
  PrintRatios(reporter.Figures, ReadFigures(figuresFile));
  return 0;
}

}  // namespace

int main(int argc, char **argv) {
  // The client's own files (its settings in single-account mode, its registry hives) stay here.
  QTemporaryDir folder;
  qputenv("PEMBLO_REGISTRY", folder.filePath(QStringLiteral("registry")).toUtf8());
  qputenv("PEMBLO_COMMON_APPDATA", folder.filePath(QStringLiteral("appdata")).toUtf8());
  QCoreApplication app(argc, argv);
  int result = 0;
  if (argc > 2 && std::strcmp(argv[1], "--local") == 0) {
    // --local FILE: the figures go to FILE; the benchmark's own options follow.
    const QString figuresFile = QString::fromLocal8Bit(argv[2]);
    TFigureReporter reporter;
    argv[2] = argv[0];
    result = Measure(argc - 2, argv + 2, false, reporter);
    WriteFigures(reporter.Figures, figuresFile);
  } else {
    result = MeasureBoth(argc, argv);
  }
  TDBMrgFactory::ReleaseAll();
  return result;
}
