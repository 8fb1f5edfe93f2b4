// The filter's first decision on a real page with 1 MB of text: from the start of the document's
// parsed event (DOMContentLoaded, as the engine's navigation timing records it, before any
// listener runs) to the decision (the first layout the reading forces, text read in the watch
// world, handed over the channel, normalised and counted), and how long the calm page stays
// covered from the start of its load; and the resident memory of one page.
#include "browser/uChild.h"
#include "browser/uObserverChild.h"
#include "common/uAppcf.h"
#include "common/uPageScreen.h"
#include "common/uProcessServices.h"
#include "common/uWebBrowser.h"
#include "platform/cp936/CodePage936Qt.h"
#include "tests/support/TestFolders.h"
#include "tests/support/TestHttpServer.h"
#include "wordfilter/ManagedString.h"
#include "wordfilter/PageMatcher.h"
#include "wordfilter/TextNormaliser.h"
#include "wordfilter/WordFilterUnit.h"

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <benchmark/benchmark.h>
#include <map>
#include <memory>

namespace {

// About `bytes` of text, with a few listed words so the page passes.
QByteArray PageOfSize(qsizetype bytes) {
  const QByteArray line = "<p>The children read about rivers, mountains and 学习资讯 every day, 春天的花园。</p>\n";
  QByteArray body;
  while (body.size() < bytes)
    body += line;
  return "<html><head><title>big</title></head><body>casino casino casino " + body + "</body></html>";
}

double ResidentMegabytes(qint64 pid) {
  QFile status(pid ? QString("/proc/%1/status").arg(pid) : QString("/proc/self/status"));
  if (!status.open(QIODevice::ReadOnly))
    return 0;
  for (const QByteArray &line : status.readAll().split('\n'))
    if (line.startsWith("VmRSS:"))
      return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
  return 0;
}

struct TNullMain : IChildToMain {
  void ISetTabCaption(int32_t, const QString &) override {}
  void ISimpleText(int32_t, const QString &) override {}
  int32_t INewPage(const QString &, bool) override { return -1; }
  void ISetBackState(int32_t, bool) override {}
  void ISetForwadState(int32_t, bool) override {}
  void ISetStopState(int32_t, bool) override {}
  void ISetAddressText(int32_t, const QString &) override {}
};

// One page on the 1 MB text, shared by the benchmarks.
struct TBench {
  TTestFolders folders;
  TTestHttpServer server;
  TProcessServices services;  // the settings, no browse log
  TSubjectChild subject;
  TNullMain main;
  TfrmChild *page = nullptr;
  double rssBeforePage = 0;

  TBench() {
    TProcessServices::CfMrg()->AppCf().SetOffOn(true);
    server.Route("/big.html", PageOfSize(1024 * 1024));
    server.Route("/small.html", PageOfSize(64 * 1024));
    rssBeforePage = ResidentMegabytes(0);
    page = new TfrmChild(&subject, 0, server.Url("/big.html").toString(), &main, nullptr);
    page->resize(1024, 768);
    page->show();
    Load([&] { subject.Navigate(0, ""); });
  }
  // Runs action (a load of the page) and returns the seconds from the page's parsed event to the
  // filter's first decision; covered receives the seconds from the start of the load to it, and
  // painted the seconds from the parsed event to the engine's first paint of the page (behind
  // the cover: the moment it would have been seen without the filter).
  double Load(const std::function<void()> &action, double *covered = nullptr, double *painted = nullptr) {
    QElapsedTimer clock;
    QWebEnginePage *engine = page->WebBrowser()->Page();
    const QMetaObject::Connection started =
        QObject::connect(engine, &QWebEnginePage::loadStarted, [&] { clock.start(); });
    QSignalSpy decided(page, &TfrmChild::FilterDecided);
    action();
    if (!decided.wait(60000) || decided.first().first().toBool())
      qFatal("the page was not let through");
    const qint64 decidedAt = QDateTime::currentMSecsSinceEpoch();
    if (covered)
      *covered = clock.nsecsElapsed() / 1e9;
    QObject::disconnect(started);
    QVariant parsedAt;
    bool answered = false;
    // Once the load is over, so the question does not slow what was measured.
    while (page->WebBrowser()->Busy())
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    // A listener of the page would run after the watcher's, which reads at the same event.
    engine->runJavaScript("[performance.timeOrigin, performance.getEntriesByType('navigation')[0]"
                          ".domContentLoadedEventStart, (performance.getEntriesByType('paint')[0] || {}).startTime]",
                          [&](const QVariant &v) {
                            parsedAt = v;
                            answered = true;
                          });
    while (!answered)
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const QVariantList timing = parsedAt.toList();
    if (painted)
      *painted = (timing.value(2).toDouble() - timing.value(1).toDouble()) / 1e3;
    return (decidedAt - timing.value(0).toDouble() - timing.value(1).toDouble()) / 1e3;
  }
};

// Made on first use and released before the application, as the engine requires.
std::unique_ptr<TBench> GBench;
TBench &Bench() {
  if (!GBench)
    GBench = std::make_unique<TBench>();
  return *GBench;
}

// A page of 1 MB (state.range(0) 1) or of 64 KB of text (0).
void BM_DecisionAfterParsedEvent(benchmark::State &state) {
  TBench &bench = Bench();
  const QString address = bench.server.Url(state.range(0) ? "/big.html" : "/small.html").toString();
  double coveredTotal = 0, paintedTotal = 0;
  for (auto _ : state) {
    double covered = 0, painted = 0;
    state.SetIterationTime(bench.Load([&] { bench.subject.Navigate(0, address); }, &covered, &painted));
    coveredTotal += covered;
    paintedTotal += painted;
  }
  state.counters["covered_ms"] = coveredTotal * 1e3 / state.iterations();
  state.counters["engine_first_paint_ms"] = paintedTotal * 1e3 / state.iterations();
  state.SetBytesProcessed(state.iterations() * (state.range(0) ? 1024 * 1024 : 64 * 1024));
}
BENCHMARK(BM_DecisionAfterParsedEvent)
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

// Where the time goes inside the engine: innerText in the render process, and the round trip
// of the same text as a script answer.
void BM_EngineShares(benchmark::State &state) {
  TBench &bench = Bench();
  QWebEnginePage *page = bench.page->WebBrowser()->Page();
  auto eval = [&](const QString &script) {
    QVariant result;
    bool done = false;
    page->runJavaScript(script, QWebEngineScript::ApplicationWorld, [&](const QVariant &v) {
      result = v;
      done = true;
    });
    while (!done)
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return result;
  };
  double innerTextMs = 0;
  for (auto _ : state) {
    QElapsedTimer clock;
    clock.start();
    innerTextMs += eval("(function(){var t=performance.now();document.documentElement.innerText;"
                        "return performance.now()-t;})()")
                       .toDouble();
    eval("document.documentElement.innerText");
    state.SetIterationTime(clock.nsecsElapsed() / 1e9);
  }
  state.counters["innerText_ms"] = innerTextMs / state.iterations();
}
BENCHMARK(BM_EngineShares)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

// The decision on the text alone, without the engine, on 1 MB of UTF-16 text (state.range(0)
// bytes for the matcher alone): normalising, counting, both, and the library's count on the
// code-page-936 bytes that the browser used before, conversion included.
const QString &TextOfSize(qsizetype bytes) {
  static std::map<qsizetype, QString> texts;
  QString &text = texts[bytes];
  const QString line = QString::fromUtf8("孩子们每天读关于河流、山脉和学习资讯的文章，春天的花园里开满了花。"
                                         "The children read about rivers and mountains every day.\n");
  while (text.size() * 2 < bytes)
    text += line;
  text.truncate(bytes / 2);
  return text;
}

// Every state.range(0)-th unit replaced by an invisible character (state.range(1) 0) or a
// combining mark (1), which sends its neighbourhood through the full normalisation.
void BM_Normalise(benchmark::State &state) {
  QString text = TextOfSize(1024 * 1024);
  if (state.range(0))
    for (qsizetype i = 1; i < text.size(); i += state.range(0))
      text[i] = QChar(state.range(1) ? 0x0301 : 0x200B);
  for (auto _ : state)
    benchmark::DoNotOptimize(NormalisePageText(text));
  state.SetBytesProcessed(state.iterations() * text.size() * 2);
}
BENCHMARK(BM_Normalise)
    ->Args({0, 0})
    ->Args({100, 0})
    ->Args({10, 0})
    ->Args({2, 0})
    ->Args({100, 1})
    ->Args({10, 1})
    ->Args({2, 1})
    ->Unit(benchmark::kMillisecond);

void BM_MatcherCount(benchmark::State &state) {
  const QString &text = TextOfSize(state.range(0));
  const TPageMatcher &matcher = TPageMatcher::Shared();
  for (auto _ : state)
    benchmark::DoNotOptimize(matcher.Count(UnitsOf(text)));
  state.SetBytesProcessed(state.iterations() * text.size() * 2);
}
BENCHMARK(BM_MatcherCount)->Arg(4 * 1024)->Arg(1024 * 1024)->Unit(benchmark::kMicrosecond);

void BM_DecisionOnTextOnly(benchmark::State &state) {
  const QString &text = TextOfSize(1024 * 1024);
  for (auto _ : state)
    benchmark::DoNotOptimize(PageTextCanPass(text, BlockThreshold));
  state.SetBytesProcessed(state.iterations() * text.size() * 2);
}
BENCHMARK(BM_DecisionOnTextOnly)->Unit(benchmark::kMillisecond);

void BM_LibraryDecisionOnCp936(benchmark::State &state) {
  const QString &text = TextOfSize(1024 * 1024);
  for (auto _ : state) {
    const QByteArray bytes = ToCp936(text + "\r\n");
    const TAnsiString managed(std::string_view(bytes.constData(), size_t(bytes.size())));
    benchmark::DoNotOptimize(SearchWordIsCanPass(managed.Data(), BlockThreshold));
  }
  state.SetBytesProcessed(state.iterations() * text.size() * 2);
}
BENCHMARK(BM_LibraryDecisionOnCp936)->Unit(benchmark::kMillisecond);

void BM_OnePageResidentMemory(benchmark::State &state) {
  TBench &bench = Bench();
  for (auto _ : state)
    benchmark::DoNotOptimize(bench.page);
  const qint64 renderer = bench.page->WebBrowser()->Page()->renderProcessPid();
  state.counters["browser_rss_MB"] = ResidentMegabytes(0);
  state.counters["page_in_browser_MB"] = ResidentMegabytes(0) - bench.rssBeforePage;
  state.counters["renderer_rss_MB"] = ResidentMegabytes(renderer);
}
BENCHMARK(BM_OnePageResidentMemory)->Iterations(1);

}  // namespace

int main(int argc, char **argv) {
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  GBench.reset();
  return 0;
}
