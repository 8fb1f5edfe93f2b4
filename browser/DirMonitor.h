#pragma once
// A worker thread that watches a folder (and, when asked, its subfolders) for one change of
// file or folder names, sizes or write times, reports it by running its callback on the
// user-interface thread, and ends. The thread object frees itself once it has ended; hold it
// through a QPointer. It touches nothing but the kernel's change notifications.
#include <QThread>
#include <functional>

class TDirMonitor : public QThread {
  Q_OBJECT
public:
  using TNotifyEvent = std::function<void(QObject *Sender)>;

  // Starts watching: changes from the moment the constructor returns are seen. Raises "Path does not exist" for a
  // missing folder and "No callback has been set" without a callback.
  TDirMonitor(const QString &ADirectoryPath, bool ASubDirs, TNotifyEvent ACallback);
  ~TDirMonitor() override;

  const QString &DirectoryPath() const { return FDirectoryPath; }

protected:
  // Waits in steps of 100 milliseconds so that a request to end is seen soon.
  void run() override;

private:
  // Adds the folder, and its subfolders when asked, to the notification handle.
  void Watch(const QString &path) const;

  QString FDirectoryPath;
  bool FSubDirs;
  TNotifyEvent FCallback;
  int FHandle = -1;  // the kernel's notification handle, closed when the thread ends
};
