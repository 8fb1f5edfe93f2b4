// The viewer program headless: the time from process start to its page shown (the page served
// on 127.0.0.1 has completed loading), and the memory of the running viewer beside the
// browser's with one tab.
//
// Run: build/bench/bench_viewer (it sets the offscreen platform itself when no display is
// given, and starts itself again in a private session bus when there is none). A stand-in of
// the host's main window on that bus keeps the viewer open. Memory is reported for each program's whole process tree
// (the web engine's helper processes included): resident set and proportional set.
#include "common/uFrmInfos.h"
#include "tests/support/LoadReportingPage.h"
#include "tests/support/TestFolders.h"
#include "tests/support/TestHttpServer.h"
#include "tests/support/WaitUntil.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QWidget>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <memory>
#include <unistd.h>
#include <vector>

#ifndef PEMBLO_EXTERNAL
#error "PEMBLO_EXTERNAL must name the viewer program"
#endif
#ifndef PEMBLO_BROWSER
#error "PEMBLO_BROWSER must name the browser program"
#endif

namespace {

constexpr int Timeout = 60000;

struct TMemory {
  double rssMb = 0;
  double pssMb = 0;
};

// A field of /proc/<pid>/<file> in kB ("VmRSS:", "Pss:").
double ProcField(qint64 pid, const char *file, const QByteArray &field) {
  QFile f(QStringLiteral("/proc/%1/%2").arg(pid).arg(file));
  if (!f.open(QIODevice::ReadOnly))
    return 0;
  for (const QByteArray &line : f.readAll().split('\n'))
    if (line.startsWith(field))
      return line.mid(field.size()).trimmed().split(' ').front().toDouble();
  return 0;
}

// The memory of a process and all its descendants.
TMemory TreeMemory(qint64 root) {
  std::multimap<qint64, qint64> children;
  for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
    bool isPid = false;
    const qint64 pid = entry.toLongLong(&isPid);
    if (!isPid)
      continue;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
      continue;
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    if (fields.size() > 1)
      children.emplace(fields[1].toLongLong(), pid);
  }
  TMemory memory;
  std::vector<qint64> todo{root};
  while (!todo.empty()) {
    const qint64 pid = todo.back();
    todo.pop_back();
    memory.rssMb += ProcField(pid, "status", "VmRSS:") / 1024.0;
    memory.pssMb += ProcField(pid, "smaps_rollup", "Pss:") / 1024.0;
    auto [first, last] = children.equal_range(pid);
    for (auto it = first; it != last; ++it)
      todo.push_back(it->second);
  }
  return memory;
}

void Report(benchmark::State &state, const char *name, const TMemory &memory) {
  state.counters[std::string(name) + "_rss_MB"] = memory.rssMb;
  state.counters[std::string(name) + "_pss_MB"] = memory.pssMb;
}

// Starts a program with its page at `variable` and waits for that page's load event; its
// memory is taken once the page has loaded.
void StartToPageShown(benchmark::State &state, const char *program, const char *variable, const char *name) {
  TTestFolders folders;
  TTestHttpServer server;
  server.Route("/news", PageThatReportsLoad("News", "<h1>News</h1><p>a small page of learning news</p>"));
  // The viewer closes itself without the host's main window.
  QWidget host;
  ApplyFrmInfo(&host, FrmInfos[fiMainWindow]);
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(variable, server.Url("/news").toString());
  TMemory memory;
  for (auto _ : state) {
    const qsizetype before = server.Requests().count("/loaded/news");
    QProcess process;
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer timer;
    timer.start();
    process.start(QString::fromUtf8(program), {});
    if (!WaitUntil([&] { return server.Requests().count("/loaded/news") > before; }, Timeout)) {
      state.SkipWithError("the page did not complete");
      break;
    }
    state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
    memory = TreeMemory(process.processId());
    process.kill();
    process.waitForFinished(Timeout);
  }
  Report(state, name, memory);
}

void BM_ViewerStartToPageShown(benchmark::State &state) {
  StartToPageShown(state, PEMBLO_EXTERNAL, "PEMBLO_EXTERNAL_PAGE", "viewer");
}
BENCHMARK(BM_ViewerStartToPageShown)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->Repetitions(3)
    ->ReportAggregatesOnly(false);

// The browser with one tab on the same page, for comparison.
void BM_BrowserOneTabStartToPageShown(benchmark::State &state) {
  StartToPageShown(state, PEMBLO_BROWSER, "PEMBLO_HOME_PAGE", "browser_one_tab");
}
BENCHMARK(BM_BrowserOneTabStartToPageShown)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->Repetitions(3)
    ->ReportAggregatesOnly(false);

}  // namespace

int main(int argc, char **argv) {
  // The viewer finds the host's window on the session bus; without a bus it would close itself.
  if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) {
    std::vector<char *> args{const_cast<char *>("dbus-run-session"), const_cast<char *>("--")};
    args.insert(args.end(), argv, argv + argc);
    args.push_back(nullptr);
    execvp(args[0], args.data());
    std::perror("dbus-run-session");
    return 1;
  }
  if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  if (getuid() == 0)
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
