// The card counter per call (target: 2 ms) and the history window shown with 10,000 rows
// (target: 300 ms), on a private registry and card database. Runs headless by itself:
//   build/bench/bench_cards --benchmark_repetitions=5
#include "cards/uFrmCardHistoryRecord.h"
#include "common/uPenalta.h"
#include "common/uRegistryHelper.h"
#include "datastore/uDBMrgFactory.h"

#include <QApplication>
#include <QListWidget>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

void StoreCount(int count) {
  RegWriteString(HKEY_LOCAL_MACHINE, TPenalta::RegKey, TPenalta::CountValue, TPenalta::EncodeCount(count));
}

void BM_YCount(benchmark::State &state) {
  StoreCount(2);
  TPenalta penalta;
  for (auto _ : state)
    benchmark::DoNotOptimize(penalta.YCount());
}
BENCHMARK(BM_YCount)->Unit(benchmark::kMillisecond);

// Counts 0 to 3 and back to 0 (no lock program is started).
void BM_IncYCard(benchmark::State &state) {
  TPenalta penalta;
  StoreCount(0);
  int count = 0;
  for (auto _ : state) {
    penalta.IncYCard(1);
    if (++count == 3) {
      state.PauseTiming();
      StoreCount(count = 0);
      state.ResumeTiming();
    }
  }
}
BENCHMARK(BM_IncYCard)->Unit(benchmark::kMillisecond);

void BM_DecYCard(benchmark::State &state) {
  TPenalta penalta;
  StoreCount(3);
  int count = 3;
  for (auto _ : state) {
    penalta.DecYCard(1);
    if (--count == 0) {
      state.PauseTiming();
      StoreCount(count = 3);
      state.ResumeTiming();
    }
  }
}
BENCHMARK(BM_DecYCard)->Unit(benchmark::kMillisecond);

// The table once for every run of the benchmark function.
bool FillHistory() {
  // One statement; the colons are spelt char(58), as the statement layer reads ":name" as a parameter.
  TDBMrgFactory::GetDBMrg(TDBMrgID::MiniCarddata)
      ->ExecAnSql(QStringLiteral("Insert into historyrecords(info) with recursive n(i) as "
                                 "(select 1 union all select i + 1 from n where i < 10000) "
                                 "select 'datetime' || char(58) || '2011年07月22日 10时09分,item' || char(58) || "
                                 "'违约使用了QQ ' || i from n"));
  return true;
}

// From creating the window to its list laid out, 10,000 rows read from the table.
void BM_HistoryWindow10000(benchmark::State &state) {
  static const bool filled = FillHistory();
  benchmark::DoNotOptimize(filled);
  for (auto _ : state) {
    auto *w = new TFrmCardHistoryRecord;
    w->show();
    QApplication::processEvents();
    if (w->chklstMain->count() != 10000) {
      state.SkipWithError(QStringLiteral("%1 rows listed").arg(w->chklstMain->count()).toUtf8().constData());
      break;
    }
    state.PauseTiming();
    w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_HistoryWindow10000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char **argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QTemporaryDir folder;
  qputenv("PEMBLO_REGISTRY", folder.filePath("registry").toUtf8());
  qputenv("PEMBLO_COMMON_APPDATA", folder.filePath("appdata").toUtf8());
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  TDBMrgFactory::ReleaseAll();
  return 0;
}
