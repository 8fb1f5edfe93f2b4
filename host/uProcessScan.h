#pragma once
// The running programs of this user, read from /proc: for each process its id, its start time
// (so a reused id is told apart) and the program it runs with that file's identity: the
// executable, or for a script interpreter the script its command line names after the
// interpreter's options (RunTargetOf), resolved against the process's working folder and its own
// open files (a script read from a file on standard input or /dev/fd/N counts). A process that
// hides its executable (non-dumpable) is taken for the program its command line names first.
// Reads /proc, and PATH for that name only.
#include "common/uInterpreter.h"

#include <QString>
#include <sys/types.h>
#include <vector>

struct TRunningProgram {
  pid_t iPid = 0;
  unsigned long long iStartTime = 0;  // clock ticks after boot, from /proc/<pid>/stat
  QString sProgram;                   // canonical path; empty when it cannot be read
  TFileId File;                       // its identity: the running file, under whatever name
};

// Every process of the given user (the calling user by default) except the caller.
std::vector<TRunningProgram> ScanPrograms(uid_t user = getuid());

// The program a process runs (as ScanPrograms tells it); empty when the process has gone.
TRunningProgram ReadProgram(pid_t pid);
