#pragma once
// Waits for a condition while the event loop runs without pause. The web engine runs its own
// work as many small tasks on this thread's event loop; a wait that sleeps between looks at
// the condition (as QTest::qWaitFor does) holds each of those tasks back and makes page loads
// seconds slower.
#include <QEventLoop>
#include <QTimer>
#include <functional>

inline bool WaitUntil(const std::function<bool()> &condition, int timeoutMs) {
  if (condition())
    return true;
  QEventLoop loop;
  QTimer poll;
  QTimer deadline;
  QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
    if (condition())
      loop.quit();
  });
  QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
  poll.start(5);
  deadline.setSingleShot(true);
  deadline.start(timeoutMs);
  loop.exec();
  return condition();
}
