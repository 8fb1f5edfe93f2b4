#include "browser/uDesktopApps.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>

namespace {

const QString DefaultSection = QStringLiteral("[Default Applications]");

QString FromEnvOrHome(const char *variable, const QString &underHome) {
  const QString value = qEnvironmentVariable(variable);
  if (!value.isEmpty())
    return QDir::cleanPath(value);
  return QDir::cleanPath(QDir::homePath() + "/" + underHome);
}

QStringList SearchPath(const char *variable, const QString &fallback) {
  const QString value = qEnvironmentVariable(variable);
  return (value.isEmpty() ? fallback : value).split(QLatin1Char(':'), Qt::SkipEmptyParts);
}

// The mimeapps.list files in the order the desktop consults them: per folder, the current
// desktop's own list before the common one.
QStringList MimeAppsLists() {
  QStringList folders{DesktopConfigHome()};
  folders += SearchPath("XDG_CONFIG_DIRS", QStringLiteral("/etc/xdg"));
  folders += DesktopDataHome() + "/applications";
  for (const QString &dir : SearchPath("XDG_DATA_DIRS", QStringLiteral("/usr/local/share:/usr/share")))
    folders += dir + "/applications";
  const QStringList desktops = qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(QLatin1Char(':'), Qt::SkipEmptyParts);
  QStringList files;
  for (const QString &folder : folders) {
    for (const QString &desktop : desktops)
      files += folder + "/" + desktop.toLower() + "-mimeapps.list";
    files += folder + "/mimeapps.list";
  }
  return files;
}

bool IsSectionHeader(const QString &line) { return line.trimmed().startsWith(QLatin1Char('[')); }

// The MIME type a "type=apps" line sets, or empty.
QString KeyOf(const QString &line) {
  const qsizetype equals = line.indexOf(QLatin1Char('='));
  return equals > 0 ? line.left(equals).trimmed() : QString();
}

bool WriteWhole(const QString &path, const QByteArray &content) {
  if (!QDir().mkpath(QFileInfo(path).absolutePath()))
    return false;
  QSaveFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(content) == content.size() && file.commit();
}

}  // namespace

QString DesktopConfigHome() { return FromEnvOrHome("XDG_CONFIG_HOME", QStringLiteral(".config")); }

QString DesktopDataHome() { return FromEnvOrHome("XDG_DATA_HOME", QStringLiteral(".local/share")); }

QString DesktopExecArgument(const QString &path) {
  static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
  QString argument = path;
  argument.replace(QLatin1Char('%'), QStringLiteral("%%"));
  if (std::none_of(argument.begin(), argument.end(), [](QChar c) { return reserved.contains(c); }))
    return argument;
  QString quoted;
  for (QChar c : argument) {
    if (QStringLiteral("\"`$\\").contains(c))
      quoted += QLatin1Char('\\');
    quoted += c;
  }
  // The value of a desktop entry key escapes its backslashes once more.
  quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
  return "\"" + quoted + "\"";
}

bool WriteDesktopEntry(const QString &id, const QString &name, const QString &exec, const QStringList &mimeTypes) {
  const QString text = QStringLiteral("[Desktop Entry]\n"
                                      "Type=Application\n"
                                      "Version=1.0\n"
                                      "Name=%1\n"
                                      "Exec=%2\n"
                                      "Terminal=false\n"
                                      "Categories=Network;WebBrowser;\n"
                                      "MimeType=%3;\n")
                           .arg(name, exec, mimeTypes.join(QLatin1Char(';')));
  return WriteWhole(DesktopDataHome() + "/applications/" + id, text.toUtf8());
}

bool SetDefaultApplication(const QStringList &mimeTypes, const QString &id) {
  const QString path = DesktopConfigHome() + "/mimeapps.list";
  QStringList lines;
  QFile old(path);
  if (old.open(QIODevice::ReadOnly)) {
    lines = QString::fromUtf8(old.readAll()).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.back().isEmpty())
      lines.removeLast();  // the final line break
  } else if (old.exists()) {
    return false;  // an unreadable list is not replaced by one that lost its lines
  }

  QStringList missing = mimeTypes;
  qsizetype insertAt = -1;  // after the last entry of the section
  bool inSection = false;
  for (qsizetype i = 0; i < lines.size(); ++i) {
    if (IsSectionHeader(lines[i])) {
      inSection = lines[i].trimmed() == DefaultSection;
      if (inSection)
        insertAt = i + 1;
      continue;
    }
    if (!inSection)
      continue;
    const QString key = KeyOf(lines[i]);
    if (mimeTypes.contains(key)) {
      lines[i] = key + "=" + id + ";";
      missing.removeAll(key);
    }
    if (!lines[i].trimmed().isEmpty())
      insertAt = i + 1;
  }
  if (insertAt < 0) {
    if (!lines.isEmpty() && !lines.back().trimmed().isEmpty())
      lines += QString();
    lines += DefaultSection;
    insertAt = lines.size();
  }
  for (const QString &type : missing)
    lines.insert(insertAt++, type + "=" + id + ";");
  return WriteWhole(path, (lines.join(QLatin1Char('\n')) + "\n").toUtf8());
}

QString DefaultApplication(const QString &mimeType) {
  for (const QString &path : MimeAppsLists()) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
      continue;
    bool inSection = false;
    for (const QString &line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
      if (IsSectionHeader(line)) {
        inSection = line.trimmed() == DefaultSection;
      } else if (inSection && KeyOf(line) == mimeType) {
        const QString first = line.mid(line.indexOf(QLatin1Char('=')) + 1).split(QLatin1Char(';')).front().trimmed();
        if (!first.isEmpty())
          return first;
      }
    }
  }
  return {};
}
