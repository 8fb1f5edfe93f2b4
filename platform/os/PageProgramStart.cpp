#include "platform/os/PageProgramStart.h"

#include <QProcessEnvironment>
#include <QSet>
#include <QString>
#include <QtGlobal>
#include <unistd.h>

namespace {

// Every variable of the web engine: its switches (QTWEBENGINE_CHROMIUM_FLAGS), a debugging port
// (QTWEBENGINE_REMOTE_DEBUGGING), another engine program (QTWEBENGINEPROCESS_PATH), other
// resources, translations or dictionaries (QTWEBENGINE_RESOURCES_PATH, QTWEBENGINE_LOCALES_PATH,
// QTWEBENGINE_DICTIONARIES_PATH), the GPU thread, the pages' accessibility tree (read and driven
// by other programs), the sandbox, and any the engine learns later: the prefix covers them all.
// The sandbox's switch alone stays for the administrator, whom the engine refuses to run inside
// its sandbox: without it the tests and tools run as root could show no page. Any other account
// has the sandbox, and the variable would only leave a page that broke the engine's page
// process free to reach the account's files and its session.
bool EngineVariable(const QString &name) {
  return name.startsWith(QLatin1String("QTWEBENGINE")) &&
         !(name == QLatin1String("QTWEBENGINE_DISABLE_SANDBOX") && ::geteuid() == 0);
}

// Qt's variables that change how the windows are drawn (a theme may bring a style sheet of its
// own) or load plugins from elsewhere. The input method stays: a child types Chinese with it.
const QSet<QString> &DrawingVariables() {
  static const QSet<QString> names{QStringLiteral("QT_STYLE_OVERRIDE"), QStringLiteral("QT_QPA_PLATFORMTHEME"),
                                   QStringLiteral("QT_PLUGIN_PATH"), QStringLiteral("QT_QPA_PLATFORM_PLUGIN_PATH"),
                                   QStringLiteral("QT_QPA_GENERIC_PLUGINS")};
  return names;
}

// Qt's switches that take the next argument as their value (the X11 ones included), written
// without their leading dashes.
const QSet<QByteArray> &SwitchesWithValue() {
  static const QSet<QByteArray> names{"platform",
                                      "platformpluginpath",
                                      "platformtheme",
                                      "plugin",
                                      "qmljsdebugger",
                                      "qwindowgeometry",
                                      "qwindowicon",
                                      "qwindowtitle",
                                      "session",
                                      "style",
                                      "stylesheet",
                                      "display",
                                      "geometry",
                                      "title",
                                      "name",
                                      "font",
                                      "fn",
                                      "bg",
                                      "background",
                                      "fg",
                                      "foreground",
                                      "btn",
                                      "button",
                                      "visual",
                                      "ncols",
                                      "cmap",
                                      "im",
                                      "inputstyle",
                                      "dialogs"};
  return names;
}

}  // namespace

TPageProgramStart::TPageProgramStart(int argc, char **argv, int addresses) {
  for (const QString &name : QProcessEnvironment::systemEnvironment().keys())
    if (EngineVariable(name) || DrawingVariables().contains(name))
      qunsetenv(name.toLocal8Bit().constData());

  if (argc > 0)
    FArguments.emplace_back(argv[0]);
  int kept = 0;
  for (int i = 1; i < argc; ++i) {
    const QByteArray argument(argv[i]);
    if (argument == "--webEngineArgs")
      break;
    if (argument.startsWith('-')) {
      QByteArray name = argument;
      while (name.startsWith('-'))
        name.remove(0, 1);
      if (!name.contains('=') && SwitchesWithValue().contains(name))
        ++i;
      continue;
    }
    if (kept < addresses) {
      FArguments.push_back(argument);
      ++kept;
    }
  }
  for (QByteArray &argument : FArguments)
    FPointers.push_back(argument.data());
  FPointers.push_back(nullptr);
  FArgc = int(FArguments.size());
}
