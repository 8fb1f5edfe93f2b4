// The parental-management window: from ShowMrgMain to the first section painted, and listing
// the program-limit page with 10,000 rows in `apps`. Headless by itself without a display; run
// with --benchmark_repetitions=5 for medians.
#include "bench/manage/FirstPaint.h"
#include "datastore/uDBMrgFactory.h"
#include "manage/uFrmLimitApp.h"
#include "manage/uFrmLogs.h"
#include "manage/uFrmManage.h"
#include "platform/errors/ErrorGuard.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QListWidget>
#include <QTemporaryDir>

#include <chrono>

namespace {

void FreeClosedWindows() {
  for (QWidget *w : QApplication::topLevelWidgets())
    if (w->isVisible())
      w->close();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void BM_ShowMrgMainToFirstSectionPainted(benchmark::State &state) {
  TimeToFirstPaint<TFrmLogs>(
      state, [] { ShowManageWindow(0, 0); }, FreeClosedWindows);
}
BENCHMARK(BM_ShowMrgMainToFirstSectionPainted)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_ListTenThousandAppsRows(benchmark::State &state) {
  TDBMrg *pool = TDBMrgFactory::GetDBMrg(TDBMrgID::MiniCarddata);
  pool->ExecAnSql(QStringLiteral("Delete from apps"));
  pool->GetConn()->BeginTrans();
  for (int i = 0; i < 10000; ++i)
    pool->ExecAnSql(QStringLiteral("Insert Into apps(app,dt) values (:app,:dt)"),
                    {{QStringLiteral("app"), QStringLiteral("/usr/games/game%1").arg(i)},
                     {QStringLiteral("dt"), QStringLiteral("iweek:0;tstart:08:00;tend:09:59,")}});
  pool->GetConn()->CommitTrans();
  for (auto _ : state) {
    TFrmLimitApp page(nullptr);
    page.show();  // showing the page reads and lists every row
    if (page.lstRules->count() != 10000)
      state.SkipWithError("not every row was listed");
    state.PauseTiming();
    page.hide();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_ListTenThousandAppsRows)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace

int main(int argc, char **argv) {
  if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QTemporaryDir data;
  qputenv("PEMBLO_COMMON_APPDATA", data.path().toUtf8());
  TGuardedApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  TDBMrgFactory::ReleaseAll();
  ReleaseManageCfMrg();
  return 0;
}
