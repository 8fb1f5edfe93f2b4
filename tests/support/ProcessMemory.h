#pragma once
// The memory of a process together with all its descendants (a web engine's helper processes
// included), read from /proc: resident set (shared pages counted once per process) and
// proportional set (shared pages divided among the processes that share them). For benchmarks.
#include <QtGlobal>

struct TProcessMemory {
  double rssMb = 0;
  double pssMb = 0;
};

// The sums over `root` and every process below it; processes that end meanwhile count as 0.
TProcessMemory ProcessTreeMemory(qint64 root);
