// The parental-management window: from ShowMrgMain to the first section painted, and listing
// the program-limit page with 10,000 rows in `apps`. Headless by itself without a display; run
// with --benchmark_repetitions=5 for medians.
#include "datastore/uDBMrgFactory.h"
#include "manage/uFrmLimitApp.h"
#include "manage/uFrmLogs.h"
#include "manage/uFrmManage.h"
#include "platform/errors/ErrorGuard.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QTemporaryDir>

#include <chrono>

namespace {

// Notes the first paint of a log settings page.
class TPaintWatch : public QObject {
public:
  bool Painted = false;

protected:
  bool eventFilter(QObject *watched, QEvent *event) override {
    if (event->type() == QEvent::Paint && qobject_cast<TFrmLogs *>(watched))
      Painted = true;
    return false;
  }
};

void FreeClosedWindows() {
  for (QWidget *w : QApplication::topLevelWidgets())
    if (w->isVisible())
      w->close();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void BM_ShowMrgMainToFirstSectionPainted(benchmark::State &state) {
  TPaintWatch watch;
  qApp->installEventFilter(&watch);
  for (auto _ : state) {
    watch.Painted = false;
    QElapsedTimer clock;
    clock.start();
    ShowManageWindow(0, 0);
    while (!watch.Painted)
      QApplication::processEvents(QEventLoop::AllEvents, 5);
    state.SetIterationTime(clock.nsecsElapsed() / 1e9);
    state.PauseTiming();
    FreeClosedWindows();
    state.ResumeTiming();
  }
  qApp->removeEventFilter(&watch);
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
