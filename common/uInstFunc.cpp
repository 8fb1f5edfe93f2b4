#include "common/uInstFunc.h"
#include "platform/errors/Errors.h"

#include "common/uPathFunc.h"
#include "platform/os/ShellOpen.h"

#include <QFileInfo>
#include <stdexcept>

namespace {
// A folder of that name is no file: it is reported missing, not opened in a file manager.
bool IsFile(const QString &path) { return QFileInfo(path).isFile(); }
}  // namespace

QString GetBrowserPath() {
  const QString path = CombinePath(GetExePath(), QStringLiteral("../PembloBrowser/PembloBrowser"));
  if (!IsFile(path))
    Raise(QStringLiteral("文件：") + path + QStringLiteral("不存在！"));
  return path;
}

intptr_t RunFile(const QString &fileName, const QString &parameters) {
  if (!IsFile(fileName))
    Raise(QStringLiteral("文件:") + fileName + QStringLiteral("不存在！"));
  return ShellOpen(fileName, parameters);
}

intptr_t OpenUrl(const QString &url) {
  if (url.size() <= 7)
    Raise(QStringLiteral("Url地址长度不对！"));
  const QString quoted = '"' + url + '"';
  try {
    return RunFile(GetBrowserPath(), quoted);
  } catch (const std::exception &) {
    // The filtered browser is not installed: the desktop's handler for addresses opens it.
    return ShellOpen(url, QString());
  }
}
