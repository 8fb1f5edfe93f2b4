// The browser program headless: the time from process start to the first completed home page
// (served on 127.0.0.1), and the memory of the browser with ten tabs beside a bare browser (a
// plain tab widget of ten web views) showing the same ten pages.
//
// Run: build/bench/bench_browserwin (it sets the offscreen platform itself when no display is
// given). Memory is reported for a process's whole tree (the web engine's helper processes,
// renderers included): resident set (shared pages counted once per process) and proportional
// set (shared pages divided among the processes that share them). Each side of the comparison
// runs alone in a process of its own (this program started again with "--ten-tabs <side>"), one
// after the other, so neither shares pages with the other or with this process. Both sides open
// the pages alike: each in a new tab made current at once, so each page was shown once. The
// proportional set also divides library pages with whatever else runs on the machine (other
// programs on the web engine), so single runs vary by some megabytes: compare the medians.
#include "bench/ProgramStartBench.h"
#include "browser/uBrowserServices.h"
#include "browser/uFrmMain.h"
#include "controls/uFonts.h"
#include "platform/errors/ErrorGuard.h"
#include "tests/support/LoadReportingPage.h"
#include "tests/support/ProcessMemory.h"
#include "tests/support/TestFolders.h"
#include "tests/support/TestHttpServer.h"
#include "tests/support/WaitUntil.h"

#include <QApplication>
#include <QProcess>
#include <QSocketNotifier>
#include <QTabWidget>
#include <QWebEngineView>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <memory>
#include <optional>
#include <unistd.h>
#include <vector>

#ifndef PEMBLO_BROWSER
#error "PEMBLO_BROWSER must name the browser program"
#endif

namespace {

constexpr int Timeout = 60000;
constexpr int PageCount = 10;
// Time given to the pages after their load events to lay out and paint before memory is read.
constexpr int SettleMs = 3000;
const QSize WindowSize(1000, 700);

QString PagePath(int i) { return QStringLiteral("/page%1").arg(i); }

void RoutePages(TTestHttpServer &server) {
  for (int i = 0; i < PageCount; ++i)
    server.Route(PagePath(i), PageThatReportsLoad(QStringLiteral("Page %1").arg(i),
                                                  QStringLiteral("<h1>Page %1</h1>").arg(i) +
                                                      QString("<p>text of a page</p>").repeated(50)));
}

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

// Ends the application when its standard input is closed: the parent ends a side that way, so
// the web engine takes its helper processes down with it before the next side starts.
void QuitWhenInputCloses() {
  auto *notifier = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, qApp);
  QObject::connect(notifier, &QSocketNotifier::activated, qApp, [notifier] {
    char buffer[64];
    if (read(STDIN_FILENO, buffer, sizeof buffer) <= 0) {
      notifier->setEnabled(false);
      QCoreApplication::quit();
    }
  });
}

// One side in a process of its own: the ten pages opened one after the other, each new tab in
// front, as a user opens them; the process then runs until its input closes.
int RunTenTabs(int argc, char **argv, const QString &side, const QString &base) {
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  if (side == QLatin1String("browser")) {
    // As the program PembloBrowser starts, with page 0 as its home page.
    qputenv("PEMBLO_HOME_PAGE", (base + PagePath(0)).toUtf8());
    TGuardedApplication app(argc, argv);
    QuitWhenInputCloses();
    InstallFontSubstitutes();
    TBrowserServices services;
    TFrmMain frm({});
    frm.resize(WindowSize);
    frm.show();
    for (int i = 1; i < PageCount; ++i)
      frm.INewPage(base + PagePath(i), true);
    return app.exec();
  }
  QApplication app(argc, argv);
  QuitWhenInputCloses();
  QTabWidget tabs;
  tabs.resize(WindowSize);
  tabs.show();
  for (int i = 0; i < PageCount; ++i) {
    auto *view = new QWebEngineView(&tabs);
    view->load(QUrl(base + PagePath(i)));
    tabs.setCurrentIndex(tabs.addTab(view, QStringLiteral("Page %1").arg(i)));
  }
  return app.exec();
}

// Starts one side, waits for the load events of its ten pages and a moment more, and reads the
// memory of its process tree; nothing when the pages did not load.
std::optional<TProcessMemory> TenTabsMemory(const QString &side, const TTestHttpServer &server) {
  std::vector<qsizetype> before;
  for (int i = 0; i < PageCount; ++i)
    before.push_back(server.Requests().count("/loaded" + PagePath(i)));
  QProcess process;
  process.setProcessChannelMode(QProcess::ForwardedChannels);
  process.setInputChannelMode(QProcess::ManagedInputChannel);
  process.start(QCoreApplication::applicationFilePath(), {"--ten-tabs", side, server.Url("").toString()});
  std::optional<TProcessMemory> memory;
  const bool loaded = WaitUntil(
      [&] {
        for (int i = 0; i < PageCount; ++i)
          if (server.Requests().count("/loaded" + PagePath(i)) <= before[i])
            return false;
        return true;
      },
      Timeout);
  if (loaded) {
    WaitUntil([] { return false; }, SettleMs);
    if (process.state() == QProcess::Running)
      memory = ProcessTreeMemory(process.processId());
  }
  process.closeWriteChannel();
  if (!process.waitForFinished(Timeout)) {
    process.kill();
    process.waitForFinished(Timeout);
  }
  return memory;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Ten tabs of the browser beside ten tabs of the bare browser, the two taking turns in
// starting first; medians over the iterations and their ratio.
void BM_TenTabsBesideBareBrowser(benchmark::State &state) {
  TTestFolders folders;
  TTestHttpServer server;
  RoutePages(server);
  std::vector<double> browserPss, barePss, browserRss, bareRss;
  bool browserFirst = true;
  for (auto _ : state) {
    for (const bool browser : {browserFirst, !browserFirst}) {
      const auto memory = TenTabsMemory(browser ? "browser" : "bare", server);
      if (!memory) {
        state.SkipWithError("the ten pages did not complete");
        return;
      }
      (browser ? browserPss : barePss).push_back(memory->pssMb);
      (browser ? browserRss : bareRss).push_back(memory->rssMb);
    }
    browserFirst = !browserFirst;
  }
  state.counters["browser_pss_MB"] = Median(browserPss);
  state.counters["bare_pss_MB"] = Median(barePss);
  state.counters["pss_ratio"] = Median(browserPss) / Median(barePss);
  state.counters["browser_rss_MB"] = Median(browserRss);
  state.counters["bare_rss_MB"] = Median(bareRss);
}
BENCHMARK(BM_TenTabsBesideBareBrowser)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

int main(int argc, char **argv) {
  if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  if (getuid() == 0)
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
  if (argc == 4 && QByteArray(argv[1]) == "--ten-tabs")
    return RunTenTabs(argc, argv, QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
