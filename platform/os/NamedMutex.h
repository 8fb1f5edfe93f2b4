#pragma once
// A named mutex shared by all processes of the user: an exclusive flock on a file named after
// the mutex in $XDG_RUNTIME_DIR (or /tmp). The lock goes with the object or the process.
#include <QString>

class TNamedMutex {
public:
  explicit TNamedMutex(const QString &name);
  ~TNamedMutex();
  TNamedMutex(const TNamedMutex &) = delete;
  TNamedMutex &operator=(const TNamedMutex &) = delete;

  // True when another holder had the mutex already (this object then does not hold it).
  bool AlreadyExists() const { return !FOwned; }

private:
  int FHandle = -1;
  bool FOwned = false;
};
