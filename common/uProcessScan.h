#pragma once
// The running programs of the given users, read from /proc: for each process its id, its user, its start time
// (so a reused id is told apart) and the program it runs with that file's identity: the
// executable, or for a script interpreter the script its command line names after the
// interpreter's options (RunTargetOf), resolved against the process's working folder and its own
// open files (a script read from a file on standard input or /dev/fd/N counts). A process that
// hides its executable (non-dumpable) is taken for the program its command line names first.
// Reads /proc, and PATH for that name only.
#include "common/uInterpreter.h"

#include <QString>
#include <sys/types.h>
#include <unistd.h>
#include <vector>

struct TRunningProgram {
  pid_t iPid = 0;
  uid_t iUid = uid_t(-1);             // the real user of the process
  unsigned long long iStartTime = 0;  // clock ticks after boot, from /proc/<pid>/stat
  QString sProgram;                   // canonical path; empty when it cannot be read
  TFileId File;                       // its identity: the running file, under whatever name
};

// Every process of the given users (the calling user by default) except the caller.
std::vector<TRunningProgram> ScanPrograms(const std::vector<uid_t> &users = {getuid()});

// The program a process runs (as ScanPrograms tells it); empty when the process has gone.
TRunningProgram ReadProgram(pid_t pid);
