#pragma once
// What the benchmarks of whole programs share: timing a program from its start to the load
// event of its page (the page reports it to the test server), the memory of its process tree
// at that moment, and the counters that report memory.
#include "tests/support/ProcessMemory.h"
#include "tests/support/TestHttpServer.h"
#include "tests/support/WaitUntil.h"

#include <QElapsedTimer>
#include <QProcess>
#include <benchmark/benchmark.h>
#include <optional>
#include <string>

struct TTimedStart {
  double dSeconds = 0;
  TProcessMemory Memory;
};

// Starts the program, waits until the server has one more request of `loadedPath`, then ends
// the program; nothing when the page did not load within timeoutMs.
inline std::optional<TTimedStart> TimeStartToPageLoaded(const QString &program, const QProcessEnvironment &env,
                                                        const TTestHttpServer &server, const QString &loadedPath,
                                                        int timeoutMs) {
  const qsizetype before = server.Requests().count(loadedPath);
  QProcess process;
  process.setProcessEnvironment(env);
  process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  QElapsedTimer timer;
  timer.start();
  process.start(program, {});
  std::optional<TTimedStart> result;
  if (WaitUntil([&] { return server.Requests().count(loadedPath) > before; }, timeoutMs))
    result = TTimedStart{double(timer.nsecsElapsed()) / 1e9, ProcessTreeMemory(process.processId())};
  process.kill();
  process.waitForFinished(timeoutMs);
  return result;
}

inline void ReportMemory(benchmark::State &state, const char *name, const TProcessMemory &memory) {
  state.counters[std::string(name) + "_rss_MB"] = memory.rssMb;
  state.counters[std::string(name) + "_pss_MB"] = memory.pssMb;
}
