#include "common/uProcessScan.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

#include <algorithm>
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

QStringList CommandLine(const QByteArray &proc) {
  QStringList words;
  QByteArray line = ReadSmallFile(proc + "/cmdline");
  if (line.endsWith('\0'))
    line.chop(1);
  if (line.isEmpty())
    return words;
  for (const QByteArray &word : line.split('\0'))
    words << QString::fromLocal8Bit(word);
  return words;
}

// A word of the process's command line as a path to read: relative words against its folder,
// its own descriptors ("/dev/fd/3", "/dev/stdin") where they are open in it, not in the host.
QString ResolveIn(const QByteArray &proc, const QString &word) {
  static const QRegularExpression descriptor(
      QStringLiteral("^/(?:dev/fd|proc/self/fd|proc/thread-self/fd)/([0-9]+)$|^/dev/(stdin)$"));
  if (const auto match = descriptor.match(word); match.hasMatch())
    return QString::fromLatin1(proc + "/fd/") + (match.captured(2).isEmpty() ? match.captured(1) : QStringLiteral("0"));
  if (QDir::isAbsolutePath(word))
    return word;
  const QString cwd = ReadLink(proc + "/cwd");
  return cwd.isEmpty() ? QString() : QDir(cwd).filePath(word);
}

// The program of a process that hides its executable: one that made itself non-dumpable shows
// /proc/<pid>/exe and its folder to nobody but root. Its command line's first word is all there
// is, as a full path or a name on PATH.
QString ExecutableOfName(const QString &first) {
  if (QDir::isAbsolutePath(first))
    return QDir::cleanPath(first);
  return first.contains(u'/') ? QString() : QStandardPaths::findExecutable(first);
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
  QString exe = ReadLink(proc + "/exe");
  QString executable = QString::fromLatin1(proc + "/exe");  // the running file, even renamed or deleted
  // The command line is read only for what runs other files: most processes are their program.
  QStringList argv;
  if (exe.isEmpty()) {
    argv = CommandLine(proc);
    executable = exe = ExecutableOfName(argv.value(0));
  } else if (WhatExecutable(executable).Kind != TExecutableKind::ekProgram) {
    argv = CommandLine(proc);
  }
  if (exe.isEmpty())
    return program;
  const TRunTarget run =
      argv.isEmpty() ? TRunTarget{TRunFrom::rfFile, exe, -1, QString()}
                     : RunTargetOf(executable, argv, [&](const QString &word) { return ResolveIn(proc, word); });
  QString script;
  if (run.From == TRunFrom::rfFile)
    script = run.sFile;
  else if (run.From == TRunFrom::rfStdin)
    script = QString::fromLatin1(proc + "/fd/0");
  if (!run.sInterpreter.isEmpty() && !script.isEmpty() && QFileInfo(script).isFile()) {
    const QString canonical = QFileInfo(script).canonicalFilePath();
    program.sProgram = canonical.isEmpty() ? QDir::cleanPath(script) : canonical;
    program.File = FileIdOf(script);
  } else {
    // The program itself, or an interpreter that runs no script file.
    program.sProgram = exe;
    program.File = FileIdOf(executable);
  }
  return program;
}

std::vector<TRunningProgram> ScanPrograms(const std::vector<uid_t> &users) {
  const auto watched = [&](uid_t user) { return std::find(users.begin(), users.end(), user) != users.end(); };
  std::vector<TRunningProgram> programs;
  if (users.empty())
    return programs;
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
    uid_t user = info.st_uid;
    if (!watched(user) && !(user == 0 && watched(user = RealUser(pid_t(pid)))))
      continue;
    TRunningProgram program = ReadProgram(pid_t(pid));
    program.iUid = user;
    if (!program.sProgram.isEmpty())
      programs.push_back(std::move(program));
  }
  ::closedir(dir);
  return programs;
}
