#include "platform/os/ShellOpen.h"

#include <QFileInfo>
#include <QProcess>
#include <QUrl>

QStringList SplitParameters(const QString &parameters) {
  QStringList args;
  QString current;
  bool inQuotes = false, inArgument = false;
  for (const QChar c : parameters) {
    if (c == '"') {
      inQuotes = !inQuotes;
      inArgument = true;
    } else if (!inQuotes && (c == ' ' || c == '\t')) {
      if (inArgument)
        args << current;
      current.clear();
      inArgument = false;
    } else {
      current += c;
      inArgument = true;
    }
  }
  if (inArgument)
    args << current;
  return args;
}

intptr_t ShellOpen(const QString &file, const QString &parameters) {
  const QFileInfo info(file);
  if (info.isFile() && info.isExecutable()) {
    if (!QProcess::startDetached(info.absoluteFilePath(), SplitParameters(parameters)))
      return SE_ERR_ACCESSDENIED;
    return SHELL_OPEN_OK;
  }
  // A path that names nothing is refused here, as the shell does; an address is left to the
  // default handler.
  const bool address = QUrl(file, QUrl::StrictMode).isValid() && QUrl(file).scheme().size() > 1;
  if (!address && !info.exists())
    return SE_ERR_FNF;
  if (!QProcess::startDetached(QStringLiteral("xdg-open"), {file}))
    return SE_ERR_NOASSOC;
  return SHELL_OPEN_OK;
}
