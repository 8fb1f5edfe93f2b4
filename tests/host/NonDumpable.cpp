// Preloaded into a program, makes its process non-dumpable before the program's own code runs,
// as a child could: its user can no longer read /proc/<pid>/exe.
#include <sys/prctl.h>

__attribute__((constructor)) static void MakeNonDumpable() { ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0); }
