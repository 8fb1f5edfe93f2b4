// The host, measured in its own process from a folder laid out like the product: from the
// start of its main window to the first 10 cells of the application centre painted (target
// 1 s), and the resident memory of the host with every library window open once (the
// management window, the card menu, the violation history and card cancelling). Headless by
// itself without a display.
#include "common/uFrmInfos.h"
#include "common/uPathFunc.h"
#include "common/uProcessServices.h"
#include "datastore/uDBMrgFactory.h"
#include "host/uFrmHostMain.h"
#include "common/uPassword.h"
#include "platform/errors/ErrorGuard.h"
#include "tests/support/ProcessMemory.h"
#include "tests/support/TestFolders.h"
#include "tests/support/TopLevelWindows.h"

#include <QApplication>
#include <QLibrary>
#include <QTest>
#include <benchmark/benchmark.h>
#include <chrono>
#include <functional>
#include <unistd.h>

namespace {

void WaitFor(const std::function<bool()> &done) {
  while (!done())
    QApplication::processEvents(QEventLoop::AllEvents, 5);
}

int PaintedCells(QWidget &main) {
  int cells = 0;
  for (QWidget *w : main.findChildren<QWidget *>())
    if (w->inherits("TFlowItem") && w->isVisible())
      ++cells;
  return cells;
}

void BM_HostToFirstTenCentreCells(benchmark::State &state) {
  TTestFolders folders;
  TParentPassword().Set(QStringLiteral("parent"));
  const TProcessServices services;
  for (auto _ : state) {
    TDBMrgFactory::ReleaseAll();
    const auto start = std::chrono::steady_clock::now();
    {
      TFrmHostMain main(*TProcessServices::CfMrg(), GetExePath());
      main.show();
      main.ShowCentre();
      WaitFor([&] { return PaintedCells(main) >= 10; });
      main.repaint();
      state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    QApplication::processEvents();
  }
}
BENCHMARK(BM_HostToFirstTenCentreCells)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

void BM_HostMemoryWithEveryWindowOpen(benchmark::State &state) {
  TTestFolders folders;
  TParentPassword().Set(QStringLiteral("parent"));
  const TProcessServices services;
  TFrmHostMain main(*TProcessServices::CfMrg(), GetExePath());
  main.show();
  main.ShowCentre();
  WaitFor([&] { return PaintedCells(main) >= 10; });
  for (auto _ : state) {
    // The libraries' exports, as the host's buttons call them once the password is given.
    QLibrary manage(GetExePath() + QStringLiteral("libPembloManage.so"));
    QLibrary cards(GetExePath() + QStringLiteral("libPenalta.so"));
    reinterpret_cast<void (*)(int32_t, int32_t)>(manage.resolve("ShowMrgMain"))(200, 40);
    auto showMenu = reinterpret_cast<void (*)(int32_t, int32_t)>(cards.resolve("ShowYCardMenu"));
    for (const char *entry : {"btnLook", "btnCance"}) {
      showMenu(200, 400);
      QWidget *menu = VisibleTopLevel(FrmInfos[fiCardMenu].sCaption);
      QTest::mouseClick(menu->findChild<QWidget *>(QString::fromLatin1(entry)), Qt::LeftButton);
    }
    QTest::qWait(1000);
    const TProcessMemory memory = ProcessTreeMemory(getpid());
    state.counters["rss_MB"] = memory.rssMb;
    state.counters["pss_MB"] = memory.pssMb;
  }
}
BENCHMARK(BM_HostMemoryWithEveryWindowOpen)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char **argv) {
  if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  TGuardedApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
