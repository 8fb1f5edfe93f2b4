// The week report over a year of logs: 365 daily browse logs of 2,000 lines each, block logs of
// 10,000 lines in all, 500 violation rows. Reading the report alone, and opening the page
// 本周报告 (reading and building its charts and lists) to its first paint; and a week a child
// filled: each day's browse and block log past the bound that is read, every line another host,
// a line of 1 MB in each (the most any week makes the report read). Headless by itself without a
// display; run with --benchmark_repetitions=5 for medians.
#include "bench/manage/FirstPaint.h"
#include "common/uPathFunc.h"
#include "common/uWeekReport.h"
#include "datastore/uDBMrgFactory.h"
#include "manage/uFrmWeekReport.h"
#include "platform/errors/ErrorGuard.h"
#include "tests/support/WeekLogs.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <memory>

namespace {

constexpr int YearDays = 365, BrowseLinesPerDay = 2000, BlockLines = 10000, Violations = 500;

// A year of logs ending today, as the writers lay them out: one file per day and log.
void FillYear() {
  const QDate today = QDate::currentDate();
  for (int back = 0; back < YearDays; ++back) {
    const QDate day = today.addDays(-back);
    QByteArray browse;
    for (int i = 0; i < BrowseLinesPerDay; ++i)
      browse += QByteArray("[") + QByteArray::number(10 + i % 12) + ":" + QByteArray::number(10 + i % 50) +
                "]  http://site" + QByteArray::number(i % 97) + ".example.com/page/" + QByteArray::number(i) +
                "?q=" + QByteArray::number(back) + "\r\n";
    AppendToFile(DayLogFile(GetBrowseLogPath(), day), browse);
    QByteArray block;
    for (int i = back * BlockLines / YearDays; i < (back + 1) * BlockLines / YearDays; ++i)
      block += i % 3 == 0 ? "[11:00]  http://list" + QByteArray::number(i % 13) + ".example.com/  black list " +
                                QByteArray::number(i % 40) + "\r\n"
                          : "[11:00]  http://bad" + QByteArray::number(i % 29) + ".example.com/x  " +
                                QByteArray::number(15 + i % 9) + " hits  " + QString::fromUtf8("赌博").toUtf8() +
                                " 9, " + QString::fromUtf8("色情").toUtf8() + " 6\r\n";
    AppendToFile(DayLogFile(GetBlockLogPath(), day), block);
  }
  TDBMrg *pool = TDBMrgFactory::GetDBMrg(TDBMrgID::MiniCarddata);
  pool->GetConn()->BeginTrans();
  for (int i = 0; i < Violations; ++i) {
    const THistoryRecords row = ViolationOn(today.addDays(-(i % YearDays)), QStringLiteral("违约使用了游戏%1").arg(i));
    THistoryRecordsDao().Insert(&row);
  }
  pool->GetConn()->CommitTrans();
}

void BM_ReadWeekReport(benchmark::State &state) {
  const QDate today = QDate::currentDate();
  for (auto _ : state) {
    const TWeekReport report = LoadWeekReport(today);
    if (report.days.back().iVisits != BrowseLinesPerDay)
      state.SkipWithError("today's lines were not all read");
    benchmark::DoNotOptimize(report);
  }
}
BENCHMARK(BM_ReadWeekReport)->Unit(benchmark::kMillisecond)->Iterations(20);

// A week whose every log is larger than the report reads, under `folder`.
TWeekSources FillHostileWeek(const QString &folder) {
  const TWeekSources sources{folder + QStringLiteral("/browse/"), folder + QStringLiteral("/block/"), {}, {}, 0};
  QByteArray browse = "[10:00]  http://long.example/" + QByteArray(1024 * 1024, 'a') + "\r\n", block = browse;
  while (browse.size() <= MostLogBytes)
    browse += "[10:00]  http://bulk" + QByteArray::number(browse.size()) + ".example/page\r\n";
  while (block.size() <= MostLogBytes)
    block += "[10:00]  http://bad" + QByteArray::number(block.size()) + ".example/x  16 hits  w 10, v 6\r\n";
  QDir().mkpath(sources.sBrowseFolder);
  QDir().mkpath(sources.sBlockFolder);
  const QDate today = QDate::currentDate();
  for (int back = 0; back < ReportDays; ++back) {
    AppendToFile(DayLogFile(sources.sBrowseFolder, today.addDays(-back)), browse);
    AppendToFile(DayLogFile(sources.sBlockFolder, today.addDays(-back)), block);
  }
  return sources;
}

void BM_ReadHostileWeek(benchmark::State &state) {
  const QTemporaryDir folder;
  const TWeekSources sources = FillHostileWeek(folder.path());
  for (auto _ : state) {
    const TWeekReport report = ReadWeekReport(sources, QDate::currentDate());
    if (report.iUnreadLogs != 2 * ReportDays)
      state.SkipWithError("a log past the bound was read whole");
    benchmark::DoNotOptimize(report);
  }
}
BENCHMARK(BM_ReadHostileWeek)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_OpenWeekReportPage(benchmark::State &state) {
  std::unique_ptr<TFrmWeekReport> page;
  TimeToFirstPaint<TFrmWeekReport>(
      state,
      [&] {
        page = std::make_unique<TFrmWeekReport>(nullptr);
        page->show();
      },
      [&] { page.reset(); });
}
BENCHMARK(BM_OpenWeekReportPage)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace

int main(int argc, char **argv) {
  if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QTemporaryDir data;
  qputenv("PEMBLO_COMMON_APPDATA", data.path().toUtf8());
  qputenv("PEMBLO_REGISTRY", QDir(data.path()).filePath("registry").toUtf8());
  TGuardedApplication app(argc, argv);
  FillYear();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  TDBMrgFactory::ReleaseAll();
  return 0;
}
