// The viewer program headless: the time from process start to its page shown (the page served
// on 127.0.0.1 has completed loading), and the memory of the running viewer beside the
// browser's with one tab.
//
// Run: build/bench/bench_viewer (it sets the offscreen platform itself when no display is
// given, and starts itself again in a private session bus when there is none). A stand-in of
// the host's main window on that bus keeps the viewer open. Memory is reported for each program's whole process tree
// (the web engine's helper processes included): resident set and proportional set.
#include "bench/ProgramStartBench.h"
#include "common/uFrmInfos.h"
#include "tests/support/LoadReportingPage.h"
#include "tests/support/ProcessMemory.h"
#include "tests/support/TestFolders.h"
#include "tests/support/TestHttpServer.h"
#include "tests/support/WaitUntil.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QWidget>
#include <benchmark/benchmark.h>
#include <cstdio>
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
  TProcessMemory memory;
  for (auto _ : state) {
    const auto start = TimeStartToPageLoaded(QString::fromUtf8(program), env, server, "/loaded/news", Timeout);
    if (!start) {
      state.SkipWithError("the page did not complete");
      break;
    }
    state.SetIterationTime(start->dSeconds);
    memory = start->Memory;
  }
  ReportMemory(state, name, memory);
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
