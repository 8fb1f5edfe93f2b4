#pragma once
// An open file descriptor closed when it goes, for code that works on files by descriptor
// (a file held open while it is checked and changed cannot be swapped under it).
#include <unistd.h>

class TFd {
public:
  explicit TFd(int fd) : FFd(fd) {}
  ~TFd() {
    if (FFd >= 0)
      ::close(FFd);
  }
  TFd(const TFd &) = delete;
  TFd &operator=(const TFd &) = delete;
  int Get() const { return FFd; }

private:
  int FFd;
};
