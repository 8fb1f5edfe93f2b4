#include "host/uProcessScan.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray ReadSmallFile(const QByteArray &path) {
  const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
  if (fd < 0)
    return {};
  QByteArray data;
  char buffer[4096];
  ssize_t n;
  while ((n = ::read(fd, buffer, sizeof buffer)) > 0 && data.size() < 65536)
    data.append(buffer, n);
  ::close(fd);
  return data;
}

QString ReadLink(const QByteArray &path) {
  char buffer[4096];
  const ssize_t n = ::readlink(path.constData(), buffer, sizeof buffer - 1);
  if (n <= 0)
    return {};
  QString target = QString::fromLocal8Bit(buffer, n);
  // A program replaced while it runs shows " (deleted)" behind its old path.
  if (target.endsWith(QStringLiteral(" (deleted)")))
    target.chop(10);
  return target;
}

// The start time is the 22nd field of /proc/<pid>/stat, counted after the command name, which
// may itself hold blanks and parentheses: count from the last ')'.
unsigned long long StartTime(const QByteArray &proc) {
  const QByteArray stat = ReadSmallFile(proc + "/stat");
  const qsizetype close = stat.lastIndexOf(')');
  if (close < 0)
    return 0;
  const QList<QByteArray> fields = stat.mid(close + 2).split(' ');
  return fields.size() > 19 ? fields[19].toULongLong() : 0;
}

// The script an interpreter runs: its first argument that is not an option. "-c" and "-m" run
// no file of their own, so they yield nothing.
QString ScriptOf(const QByteArray &proc) {
  const QList<QByteArray> args = ReadSmallFile(proc + "/cmdline").split('\0');
  for (qsizetype i = 1; i < args.size(); ++i) {
    const QByteArray &arg = args[i];
    if (arg.isEmpty())
      continue;
    if (arg == "-c" || arg == "-m" || arg == "-e")
      return {};
    if (arg.startsWith('-'))
      continue;
    QString script = QString::fromLocal8Bit(arg);
    if (QFileInfo(script).isRelative())
      script = QDir(ReadLink(proc + "/cwd")).filePath(script);
    const QString canonical = QFileInfo(script).canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(script) : canonical;
  }
  return {};
}

uid_t RealUser(pid_t pid) {
  const QByteArray status = ReadSmallFile("/proc/" + QByteArray::number(pid) + "/status");
  const qsizetype at = status.indexOf("\nUid:");
  if (at < 0)
    return uid_t(-1);
  return uid_t(status.mid(at + 5, 32).simplified().split(' ').value(0).toUInt());
}

}  // namespace

TRunningProgram ReadProgram(pid_t pid) {
  const QByteArray proc = "/proc/" + QByteArray::number(pid);
  TRunningProgram program;
  program.iPid = pid;
  program.iStartTime = StartTime(proc);
  const QString exe = ReadLink(proc + "/exe");
  program.sProgram = IsInterpreter(exe) ? ScriptOf(proc) : exe;
  if (program.sProgram.isEmpty())
    program.sProgram = exe;
  return program;
}

std::vector<TRunningProgram> ScanPrograms(uid_t user) {
  std::vector<TRunningProgram> programs;
  DIR *dir = ::opendir("/proc");
  if (!dir)
    return programs;
  const pid_t self = ::getpid();
  while (const dirent *entry = ::readdir(dir)) {
    char *end = nullptr;
    const long pid = std::strtol(entry->d_name, &end, 10);
    if (pid <= 0 || *end != '\0' || pid == self)
      continue;
    struct stat info;
    if (::fstatat(::dirfd(dir), entry->d_name, &info, 0) != 0)
      continue;
    // A process that made itself non-dumpable shows its /proc folder as root's: its status
    // still names its real user.
    if (info.st_uid != user && !(info.st_uid == 0 && RealUser(pid_t(pid)) == user))
      continue;
    TRunningProgram program = ReadProgram(pid_t(pid));
    if (!program.sProgram.isEmpty())
      programs.push_back(std::move(program));
  }
  ::closedir(dir);
  return programs;
}
