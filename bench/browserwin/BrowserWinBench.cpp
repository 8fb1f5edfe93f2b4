// The browser program headless: the time from process start to the first completed home page
// (served on 127.0.0.1), and the memory of the browser with one and with ten tabs.
//
// Run: build/bench/bench_browserwin (it sets the offscreen platform itself when no display is
// given). Memory is reported for the browser's whole process tree (the web engine's helper
// processes included): resident set (shared pages counted once per process) and proportional
// set (shared pages divided among the processes that share them).
#include "browser/uBrowserServices.h"
#include "browser/uChild.h"
#include "browser/uFrmMain.h"
#include "browser/uTagsBar.h"
#include "tests/support/LoadReportingPage.h"
#include "tests/support/TestFolders.h"
#include "tests/support/TestHttpServer.h"
#include "tests/support/WaitUntil.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <benchmark/benchmark.h>
#include <map>
#include <unistd.h>

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

// Starts the program PembloBrowser and waits for its home page's load event.
void BM_ProcessStartToFirstHomePage(benchmark::State &state) {
  TTestFolders folders;
  TTestHttpServer server;
  server.Route("/home", PageThatReportsLoad("Home", "<h1>Home</h1><p>a small home page</p>"));
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("PEMBLO_HOME_PAGE", server.Url("/home").toString());
  TMemory memory;
  for (auto _ : state) {
    const qsizetype before = server.Requests().count("/loaded/home");
    QProcess browser;
    browser.setProcessEnvironment(env);
    browser.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer timer;
    timer.start();
    browser.start(QStringLiteral(PEMBLO_BROWSER), {});
    if (!WaitUntil([&] { return server.Requests().count("/loaded/home") > before; }, Timeout)) {
      state.SkipWithError("the browser did not complete its home page");
      break;
    }
    state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
    memory = TreeMemory(browser.processId());
    browser.kill();
    browser.waitForFinished(Timeout);
  }
  Report(state, "one_tab", memory);
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
  TMemory one, ten;
  for (auto _ : state) {
    TFrmMain frm({});
    frm.show();
    if (!WaitUntil([&] { return server.Requests().contains("/loaded/page0"); }, Timeout)) {
      state.SkipWithError("the home page did not complete");
      break;
    }
    one = TreeMemory(getpid());
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
    ten = TreeMemory(getpid());
  }
  Report(state, "one_tab", one);
  Report(state, "ten_tabs", ten);
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
