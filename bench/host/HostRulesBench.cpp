// The rules in force, measured: one scan of the running programs against the program limits
// with 300 processes of this user and 100 limit rows (CPU time); the guard's scan, run as root,
// of a child's 500 processes against 100 rows among every other process of the machine; and the
// black-list check of one address against 10,000 rows.
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

// Sleeping children (of this user, or of the given one), ended when the benchmark ends.
class TSleepers {
public:
  explicit TSleepers(int count, uid_t user = ::getuid()) {
    for (int i = 0; i < count; ++i) {
      const pid_t pid = ::fork();
      if (pid == 0) {
        if (user != ::getuid() && ::setuid(user) != 0)
          ::_exit(126);
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

std::vector<TLimitRule> HundredRules() {
  std::vector<TLimitRule> rules;
  for (int i = 0; i < 100; ++i)
    rules.push_back({i + 1, {QStringLiteral("/opt/games/game%1").arg(i)}, QStringLiteral("game%1").arg(i), {}});
  return rules;
}

// One scan and its enforcement per iteration, over the processes of the given users.
void ScanWithLimits(benchmark::State &state, const std::vector<uid_t> &users) {
  TAppLimiter limiter([] { return QDateTime(QDate(2024, 1, 1), QTime(8, 30)); });
  limiter.SetRules(HundredRules());
  size_t seen = 0;
  for (auto _ : state) {
    const auto running = ScanPrograms(users);
    seen = running.size();
    benchmark::DoNotOptimize(limiter.Enforce(running));
  }
  state.counters["processes"] = double(seen);
}

void BM_ScanWithLimits(benchmark::State &state) {
  const TSleepers sleepers(300);
  ScanWithLimits(state, {::getuid()});
}
BENCHMARK(BM_ScanWithLimits)
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// The guard's scan: root watching a child's account (here the account "nobody") with 500
// processes; every process of root is looked at too, as one that hides itself shows as root's.
void BM_GuardScanOfAChild(benchmark::State &state) {
  if (::getuid() != 0) {
    state.SkipWithError("run as root: the guard's scan looks at other accounts' processes");
    return;
  }
  constexpr uid_t Nobody = 65534;
  const TSleepers sleepers(500, Nobody);
  ScanWithLimits(state, {Nobody});
}
BENCHMARK(BM_GuardScanOfAChild)
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
