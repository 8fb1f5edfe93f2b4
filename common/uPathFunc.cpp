#include "common/uPathFunc.h"
#include "platform/errors/Errors.h"

#include "platform/os/SpecialFolders.h"

#include <QDir>
#include <QFileInfo>
#include <filesystem>
#include <stdexcept>
#include <system_error>

QString GetSpecialFolder(int csidl) { return GetSpecialFolderPath(csidl); }

QString GetExePath() {
  std::error_code error;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error)
    return {};
  return IncludeBackslash(QString::fromStdString(exe.parent_path().string()));
}

QString IncludeBackslash(const QString &text) {
  if (text.isEmpty() || text.endsWith('\\') || text.endsWith('/'))
    return text;
  return text + '/';
}

QString GetDataPath() {
  // Without any base folder the data folder would be relative to the working folder; refuse.
  const QString base = GetSpecialFolder(CSIDL_COMMON_APPDATA);
  const QString path = IncludeBackslash(base) + QStringLiteral("Pemblo/");
  if (base.isEmpty() || !QDir().mkpath(path) || !QFileInfo(path).isDir())
    Raise(QStringLiteral("无法创建目录:") + path);
  return path;
}

QString CombinePath(const QString &first, const QString &second) {
  if (first.isEmpty() && second.isEmpty())
    return {};
  QString joined;
  if (second.startsWith('/') || first.isEmpty())
    joined = second;
  else if (second.isEmpty())
    joined = first;
  else
    joined = IncludeBackslash(first) + second;
  const bool folder = joined.endsWith('/');
  QString clean = QDir::cleanPath(joined);
  if (folder && !clean.endsWith('/'))
    clean += '/';
  return clean;
}

namespace {

QString EnsureFolder(const QString &path) {
  QDir().mkpath(path);  // failing here is not reported; the first write into it will fail
  return path;
}

}  // namespace

QString GetLogPath() { return EnsureFolder(CombinePath(GetDataPath(), QStringLiteral("Log/"))); }

QString GetBrowseLogPath() { return EnsureFolder(CombinePath(GetLogPath(), QStringLiteral("浏览日志/"))); }

QString GetBlockLogPath() { return EnsureFolder(CombinePath(GetLogPath(), QStringLiteral("拦截日志/"))); }
