#include "common/uAppLimiter.h"
#include "datastore/uAppsDao.h"

#include <QFileInfo>

#include <csignal>
#include <set>

namespace {

bool SameProcess(pid_t pid, unsigned long long startTime) {
  const TRunningProgram now = ReadProgram(pid);
  return now.iStartTime != 0 && now.iStartTime == startTime;
}

}  // namespace

TAppLimiter::TAppLimiter(TClock clock, QObject *parent) : QObject(parent), FClock(std::move(clock)) {
  connect(&FTimer, &QTimer::timeout, this, [this] { Scan(); });
}

void TAppLimiter::Reload() {
  std::vector<TLimitRule> rules;
  QSet<QString> problems;
  // The rows are read again every minute: a problem is told once, not every time.
  const auto tell = [&](const QString &problem) {
    problems.insert(problem);
    if (!FToldProblems.contains(problem) && FOnNotice)
      FOnNotice(problem);
  };
  TAppsDao dao;
  const auto rows = dao.QueryAll();
  for (const auto &row : rows) {
    TLimitRule rule;
    rule.iAid = row->iAid;
    const TLimitTarget target = ResolveLimitTarget(row->sApp);
    rule.Programs = target.Programs;
    rule.sName = QFileInfo(row->sApp).completeBaseName();
    // A schedule the grid never writes (unreadable, or none at all) was changed by hand: the
    // program is limited always.
    rule.Windows = ScheduleOrAlways(row->sDt);
    if (const QString problem = LimitRowProblem(row->sApp, target, row->sDt); !problem.isEmpty())
      tell(problem);
    if (!rule.Programs.isEmpty())
      rules.push_back(std::move(rule));
  }
  // Rows whose columns were renamed or retyped by hand cannot be read, so nothing of them can
  // be enforced: said, so the parent sets them again.
  if (const int unread = dao.CountAll() - int(rows.size()); unread > 0)
    tell(QStringLiteral("有%1条程序限制读不出（数据表apps被改过），这些限制没有执行，请重新设置。").arg(unread));
  FToldProblems = problems;
  SetRules(std::move(rules));
}

void TAppLimiter::SetRules(std::vector<TLimitRule> rules) {
  FRules = std::move(rules);
  FByProgram.clear();
  FByFile.clear();
  for (size_t i = 0; i < FRules.size(); ++i)
    for (const QString &program : FRules[i].Programs) {
      FByProgram[program].push_back(i);
      if (const TFileId file = FileIdOf(program); file.IsValid())
        FByFile[file].push_back(i);
    }
}

const TLimitRule *TAppLimiter::ActiveRule(const TRunningProgram &program, const QDateTime &now) const {
  const auto active = [&](const std::vector<size_t> &indices) -> const TLimitRule * {
    for (size_t index : indices)
      if (Contains(FRules[index].Windows, now))
        return &FRules[index];
    return nullptr;
  };
  const TLimitRule *rule = active(FByProgram.value(program.sProgram));
  return rule || !program.File.IsValid() ? rule : active(FByFile.value(program.File));
}

void TAppLimiter::Start(int intervalMs) {
  FTimer.start(intervalMs);
  Scan();
}

void TAppLimiter::Scan() { Enforce(ScanPrograms(FUsers)); }

std::vector<pid_t> TAppLimiter::Enforce(const std::vector<TRunningProgram> &running) {
  std::vector<pid_t> ended;
  std::set<pid_t> seen;
  const QDateTime now = FClock();
  for (const TRunningProgram &program : running) {
    const TLimitRule *active = ActiveRule(program, now);
    if (!active)
      continue;
    seen.insert(program.iPid);
    auto ending = FEnding.find(program.iPid);
    if (ending != FEnding.end() && ending->second.iStartTime == program.iStartTime) {
      // Asked to end already: one that stays past the grace time is killed.
      if (ending->second.Since.elapsed() >= KillAfterMs && SameProcess(program.iPid, program.iStartTime))
        ::kill(program.iPid, SIGKILL);
      continue;
    }
    TEnding entry{program.iStartTime, {}};
    entry.Since.start();
    FEnding[program.iPid] = entry;
    ended.push_back(program.iPid);
    const std::pair<int32_t, uid_t> who{active->iAid, program.iUid};
    auto reported = FReported.find(who);
    if (reported != FReported.end() && reported->second.elapsed() < ViolationQuietMs) {
      // The same rule broken again at once (started again, or a fork of a process asked to end,
      // which would win a new grace time with each fork): no grace time.
      ::kill(program.iPid, SIGKILL);
      continue;
    }
    ::kill(program.iPid, SIGTERM);
    FReported[who].start();
    if (FOnViolation)
      FOnViolation(*active, program.iPid, program.iUid);
  }
  // Forget the processes that have gone (or no longer break a rule in force).
  std::erase_if(FEnding, [&](const auto &entry) { return !seen.count(entry.first); });
  return ended;
}
