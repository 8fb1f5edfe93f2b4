// The rules in force, measured: one scan of the running programs against the program limits
// with 300 processes of this user and 100 limit rows (CPU time), and the black-list check of
// one address against 10,000 rows.
#include "common/uAppLimiter.h"
#include "datastore/uWebBlackList.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

const QString kMondayMorning = QStringLiteral("iweek:0;tstart:08:00;tend:09:59,");

// 300 sleeping children, ended when the benchmark ends.
class TSleepers {
public:
  explicit TSleepers(int count) {
    for (int i = 0; i < count; ++i) {
      const pid_t pid = ::fork();
      if (pid == 0) {
        ::execl("/bin/sleep", "sleep", "600", static_cast<char *>(nullptr));
        ::_exit(127);
      }
      FPids.push_back(pid);
    }
  }
  ~TSleepers() {
    for (pid_t pid : FPids)
      ::kill(pid, SIGKILL);
    for (pid_t pid : FPids)
      ::waitpid(pid, nullptr, 0);
  }

private:
  std::vector<pid_t> FPids;
};

void BM_ScanWithLimits(benchmark::State &state) {
  const TSleepers sleepers(300);
  std::vector<TLimitRule> rules;
  for (int i = 0; i < 100; ++i)
    rules.push_back({i + 1, {QStringLiteral("/opt/games/game%1").arg(i)}, QStringLiteral("game%1").arg(i), {}});
  TAppLimiter limiter([] { return QDateTime(QDate(2024, 1, 1), QTime(8, 30)); });
  limiter.SetRules(rules);
  size_t seen = 0;
  for (auto _ : state) {
    const auto running = ScanPrograms();
    seen = running.size();
    benchmark::DoNotOptimize(limiter.Enforce(running));
  }
  state.counters["processes"] = double(seen);
}
BENCHMARK(BM_ScanWithLimits)
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

void BM_BlackListCheck(benchmark::State &state) {
  std::vector<TBlackListRow> rows;
  for (int i = 0; i < 10000; ++i)
    rows.push_back({i + 1, QStringLiteral("http://site%1.example/path%2").arg(i).arg(i % 7), kMondayMorning});
  TWebBlackList list;
  list.SetRows(rows);
  const QUrl address(QStringLiteral("https://www.site5000.example/path3/page.html"));
  const QDateTime now(QDate(2024, 1, 1), QTime(8, 30));
  for (auto _ : state)
    benchmark::DoNotOptimize(list.Check(address, now));
}
BENCHMARK(BM_BlackListCheck)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char **argv) {
  QCoreApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
