#pragma once
// A watch on a path that may be a FIFO: it opens the FIFO for writing after five seconds, so that
// a reader stuck opening it goes on and its test fails instead of hanging; Unstuck() tells
// whether it had to.
#include <QFile>
#include <QString>
#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

class TFifoWatch {
public:
  explicit TFifoWatch(const QString &path)
      : FThread([this, name = QFile::encodeName(path)] {
          for (int i = 0; i < 50 && !FDone; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
          if (FDone)
            return;
          FUnstuck = true;
          if (const int fd = ::open(name.constData(), O_WRONLY | O_NONBLOCK); fd >= 0)
            ::close(fd);
        }) {}
  ~TFifoWatch() { Stop(); }
  bool Unstuck() {
    Stop();
    return FUnstuck;
  }

private:
  void Stop() {
    FDone = true;
    if (FThread.joinable())
      FThread.join();
  }
  std::atomic<bool> FDone{false}, FUnstuck{false};
  std::thread FThread;
};
