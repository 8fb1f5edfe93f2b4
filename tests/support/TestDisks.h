#pragma once
// Disks that fail a test's writes as real ones do: a small tmpfs mounted over a folder and
// filled to its last block on demand (a full disk), and a folder mounted again read-only over
// itself (a read-only disk, which root feels too, unlike file permissions). Each mount goes
// with its object. Mounting needs root and a system that permits it: Mounted() tells, and
// Why() gives the reason for the test's skip when it did not work.
#include <QByteArray>
#include <QFile>
#include <QString>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

class TTestMount {
public:
  TTestMount(const TTestMount &) = delete;
  TTestMount &operator=(const TTestMount &) = delete;

  bool Mounted() const { return FMounted && FWhy.isEmpty(); }
  const char *Why() const { return FWhy.constData(); }

protected:
  explicit TTestMount(const QString &folder) : FFolder(QFile::encodeName(folder)) {
    if (::geteuid() != 0)
      FWhy = "mounting a test disk needs root";
  }
  ~TTestMount() {
    if (FMounted)
      ::umount2(FFolder.constData(), MNT_DETACH);
  }
  // Runs one mount step; the first refusal ends the mounting and is kept as the reason.
  void Step(const char *source, const char *type, unsigned long flags, const char *options) {
    if (!FWhy.isEmpty())
      return;
    if (::mount(source, FFolder.constData(), type, flags, options) != 0)
      FWhy = QByteArray("mount refused: ") + std::strerror(errno);
    else
      FMounted = true;
  }

  QByteArray FFolder;

private:
  QByteArray FWhy;
  bool FMounted = false;
};

// A full disk: a tmpfs of the given size over the folder.
class TSmallDisk : public TTestMount {
public:
  explicit TSmallDisk(const QString &folder, const char *size = "size=256k") : TTestMount(folder) {
    Step("tmpfs", "tmpfs", 0, size);
  }

  // Writes a filler file until the disk refuses another byte.
  void Fill() {
    const int fd = ::open((FFolder + "/filler").constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0)
      return;
    const QByteArray block(4096, 'x');
    while (::write(fd, block.constData(), block.size()) > 0) {
    }
    while (::write(fd, "x", 1) > 0) {
    }
    ::close(fd);
  }
  void Free() { ::unlink((FFolder + "/filler").constData()); }
};

// A read-only disk: the folder as it is, mounted again over itself without write access.
class TReadOnlyFolder : public TTestMount {
public:
  explicit TReadOnlyFolder(const QString &folder) : TTestMount(folder) {
    Step(FFolder.constData(), nullptr, MS_BIND, nullptr);
    Step(nullptr, nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr);
  }
};
