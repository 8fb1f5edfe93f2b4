// The browser program headless: the time from process start to the first completed home page
// (served on 127.0.0.1), and the memory of the browser with one and with ten tabs.
//
// Run: build/bench/bench_browserwin (it sets the offscreen platform itself when no display is
// given). Memory is reported for the browser's whole process tree (the web engine's helper
// processes included): resident set (shared pages counted once per process) and proportional
// set (shared pages divided among the processes that share them).
#include "bench/ProgramStartBench.h"
#include "browser/uBrowserServices.h"
#include "browser/uChild.h"
#include "browser/uFrmMain.h"
#include "browser/uTagsBar.h"
#include "tests/support/LoadReportingPage.h"
#include "tests/support/ProcessMemory.h"
#include "tests/support/TestFolders.h"
#include "tests/support/TestHttpServer.h"
#include "tests/support/WaitUntil.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTest>
#include <benchmark/benchmark.h>
#include <unistd.h>

#ifndef PEMBLO_BROWSER
#error "PEMBLO_BROWSER must name the browser program"
#endif

namespace {

constexpr int Timeout = 60000;

// Starts the program PembloBrowser and waits for its home page's load event.
void BM_ProcessStartToFirstHomePage(benchmark::State &state) {
  TTestFolders folders;
  TTestHttpServer server;
  server.Route("/home", PageThatReportsLoad("Home", "<h1>Home</h1><p>a small home page</p>"));
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("PEMBLO_HOME_PAGE", server.Url("/home").toString());
  TProcessMemory memory;
  for (auto _ : state) {
    const auto start = TimeStartToPageLoaded(QStringLiteral(PEMBLO_BROWSER), env, server, "/loaded/home", Timeout);
    if (!start) {
      state.SkipWithError("the browser did not complete its home page");
      break;
    }
    state.SetIterationTime(start->dSeconds);
    memory = start->Memory;
  }
  ReportMemory(state, "one_tab", memory);
}
BENCHMARK(BM_ProcessStartToFirstHomePage)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

// The main window in this process with one tab, then with ten.
void BM_MemoryWithOneAndTenTabs(benchmark::State &state) {
  TTestFolders folders;
  TTestHttpServer server;
  for (int i = 0; i < 10; ++i)
    server.Route(
        QStringLiteral("/page%1").arg(i),
        PageThatReportsLoad(QStringLiteral("Page %1").arg(i),
                            QStringLiteral("<h1>Page %1</h1>").arg(i) + QString("<p>text of a page</p>").repeated(50)));
  qputenv("PEMBLO_HOME_PAGE", server.Url("/page0").toString().toUtf8());
  TBrowserServices services;
  TProcessMemory one, ten;
  for (auto _ : state) {
    TFrmMain frm({});
    frm.show();
    if (!WaitUntil([&] { return server.Requests().contains("/loaded/page0"); }, Timeout)) {
      state.SkipWithError("the home page did not complete");
      break;
    }
    one = ProcessTreeMemory(getpid());
    for (int i = 1; i < 10; ++i)
      frm.INewPage(server.Url(QStringLiteral("/page%1").arg(i)).toString(), true);
    if (!WaitUntil(
            [&] {
              for (int i = 1; i < 10; ++i)
                if (!server.Requests().contains(QStringLiteral("/loaded/page%1").arg(i)))
                  return false;
              return true;
            },
            Timeout)) {
      state.SkipWithError("the ten pages did not complete");
      break;
    }
    ten = ProcessTreeMemory(getpid());
  }
  ReportMemory(state, "one_tab", one);
  ReportMemory(state, "ten_tabs", ten);
}
BENCHMARK(BM_MemoryWithOneAndTenTabs)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char **argv) {
  if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  if (getuid() == 0)
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
