#pragma once
// The program limits in force: the host holds the rows of `apps` and, while a row's time window
// is open, ends every process of this user that runs one of the row's programs (SIGTERM, then
// SIGKILL when it is still there 3 seconds later). A row's programs are what the management
// window showed the parent (ResolveLimitTarget): its path or a launcher's program, and what a
// launcher script hands itself over to. Both sides are compared as canonical paths and as file
// identities (device and inode, read when the rows are loaded), so the program renamed or reached
// through a hard link is ended too, and a program of the same name in another folder runs on. Each ended start is
// reported once as a violation. Reads `apps` and /proc, sends signals; records nothing itself.
#include "common/uLimitTarget.h"
#include "common/uProcessScan.h"
#include "common/uSchedule.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <map>
#include <unistd.h>
#include <utility>
#include <vector>

struct TLimitRule {
  int32_t iAid = 0;
  QStringList Programs;  // canonical paths of the programs that are limited
  QString sName;         // the name the child and the parent see
  std::vector<TScheduleWindow> Windows;
};

class TAppLimiter : public QObject {
public:
  using TClock = std::function<QDateTime()>;
  // user: the account whose process broke the rule.
  using TViolationEvent = std::function<void(const TLimitRule &rule, pid_t pid, uid_t user)>;
  using TNoticeEvent = std::function<void(const QString &text)>;

  static inline constexpr int KillAfterMs = 3000;
  // The processes of one start (a program that forks, or is started again at once) make one
  // violation: a rule reports again for the same user only after this time. Within it another
  // process of the same rule and user is killed at once, without the grace time of the first.
  static inline constexpr int ViolationQuietMs = 30000;

  explicit TAppLimiter(
      TClock clock = [] { return QDateTime::currentDateTime(); }, QObject *parent = nullptr);

  // Reads every row of `apps` again; a row whose schedule cannot be read (or is empty) is
  // limited at every moment, one that names no program is left out, rows that cannot be read
  // at all are counted; each is named in a notice once.
  void Reload();
  void SetRules(std::vector<TLimitRule> rules);
  const std::vector<TLimitRule> &Rules() const { return FRules; }
  // The accounts whose processes are watched; the calling user until set.
  void SetUsers(std::vector<uid_t> users) { FUsers = std::move(users); }
  const std::vector<uid_t> &Users() const { return FUsers; }

  // Scans every intervalMs (1 s: a new process is noticed within 2 s).
  void Start(int intervalMs = 1000);
  // One pass over the running programs.
  void Scan();
  // One pass over a given list (the benchmark's way in); returns the processes it ended.
  std::vector<pid_t> Enforce(const std::vector<TRunningProgram> &running);

  void SetOnViolation(TViolationEvent handler) { FOnViolation = std::move(handler); }
  void SetOnNotice(TNoticeEvent handler) { FOnNotice = std::move(handler); }

private:
  // The rule in force now that limits the program, by its path or its file; none when there is none.
  const TLimitRule *ActiveRule(const TRunningProgram &program, const QDateTime &now) const;

  struct TEnding {
    unsigned long long iStartTime = 0;
    QElapsedTimer Since;
  };

  TClock FClock;
  std::vector<uid_t> FUsers{getuid()};
  std::vector<TLimitRule> FRules;
  QHash<QString, std::vector<size_t>> FByProgram;
  QHash<TFileId, std::vector<size_t>> FByFile;
  std::map<pid_t, TEnding> FEnding;
  // (rule key, user) -> time of its last violation: one child's start does not hide another's.
  std::map<std::pair<int32_t, uid_t>, QElapsedTimer> FReported;
  QTimer FTimer;
  TViolationEvent FOnViolation;
  TNoticeEvent FOnNotice;
  QSet<QString> FToldProblems;  // the rows' problems already in a notice
};
