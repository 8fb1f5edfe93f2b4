#include "tests/support/ProcessMemory.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <map>
#include <vector>

namespace {

// A field of /proc/<pid>/<file> in kB ("VmRSS:", "Pss:").
double ProcField(qint64 pid, const char *file, const QByteArray &field) {
  QFile f(QStringLiteral("/proc/%1/%2").arg(pid).arg(QLatin1String(file)));
  if (!f.open(QIODevice::ReadOnly))
    return 0;
  for (const QByteArray &line : f.readAll().split('\n'))
    if (line.startsWith(field))
      return line.mid(field.size()).trimmed().split(' ').front().toDouble();
  return 0;
}

}  // namespace

TProcessMemory ProcessTreeMemory(qint64 root) {
  std::multimap<qint64, qint64> children;
  for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
    bool isPid = false;
    const qint64 pid = entry.toLongLong(&isPid);
    if (!isPid)
      continue;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
      continue;
    // The parent's id is the second field after the command name, which may hold spaces.
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    if (fields.size() > 1)
      children.emplace(fields[1].toLongLong(), pid);
  }
  TProcessMemory memory;
  std::vector<qint64> todo{root};
  while (!todo.empty()) {
    const qint64 pid = todo.back();
    todo.pop_back();
    memory.rssMb += ProcField(pid, "status", "VmRSS:") / 1024.0;
    memory.pssMb += ProcField(pid, "smaps_rollup", "Pss:") / 1024.0;
    auto [first, last] = children.equal_range(pid);
    for (auto it = first; it != last; ++it)
      todo.push_back(it->second);
  }
  return memory;
}
