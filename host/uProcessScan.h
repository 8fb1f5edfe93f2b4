#pragma once
// The running programs of this user, read from /proc: for each process its id, its start time
// (so a reused id is told apart) and the program it runs: the executable, or for a script
// interpreter (IsInterpreter) the script named first on its command line, resolved against the
// process's working folder. Reads /proc only.
#include "common/uLimitTarget.h"

#include <QString>
#include <sys/types.h>
#include <vector>

struct TRunningProgram {
  pid_t iPid = 0;
  unsigned long long iStartTime = 0;  // clock ticks after boot, from /proc/<pid>/stat
  QString sProgram;                   // canonical path; empty when it cannot be read
};

// Every process of the given user (the calling user by default) except the caller.
std::vector<TRunningProgram> ScanPrograms(uid_t user = getuid());

// The program a process runs (as ScanPrograms tells it); empty when the process has gone.
TRunningProgram ReadProgram(pid_t pid);
