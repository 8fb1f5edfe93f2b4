#include "platform/os/PageProgramStart.h"

#include <QProcessEnvironment>
#include <QSet>
#include <QString>
#include <QtGlobal>

namespace {

// Every variable of the web engine (its switches, a debugging port, another engine program or
// resource folder) but the one that lets it run without its sandbox where it cannot have one (as
// the administrator): that changes nothing a page shows.
bool EngineVariable(const QString &name) {
  return name.startsWith(QLatin1String("QTWEBENGINE")) && name != QLatin1String("QTWEBENGINE_DISABLE_SANDBOX");
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
