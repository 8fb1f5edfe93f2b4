#include "platform/os/UiLanguage.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <QVariant>

namespace {

// A property of the application, not a static of this file: each library of the suite links a
// copy of this file, and all of them share the one application.
constexpr char InstalledProperty[] = "pemblo_chinese_ui_language";

// The web engine reads its switches from this variable when it starts.
constexpr char EngineSwitches[] = "QTWEBENGINE_CHROMIUM_FLAGS";
constexpr char EngineLanguage[] = "--lang=zh-CN";

}  // namespace

void InstallChineseUiLanguage() {
  QCoreApplication *app = QCoreApplication::instance();
  if (!app || app->property(InstalledProperty).toBool())
    return;
  app->setProperty(InstalledProperty, true);

  const QLocale chinese(QLocale::Chinese, QLocale::China);
  const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
  for (const char *catalogue : {"qtbase", "qtwebengine"}) {
    // Owned by the application, so the translator goes with it even when a library that made it
    // is unloaded first.
    auto *translator = new QTranslator(app);
    if (translator->load(chinese, QString::fromLatin1(catalogue), QStringLiteral("_"), folder))
      QCoreApplication::installTranslator(translator);
    else
      delete translator;
  }

  // A switch the user set for the engine stays; the language comes last, so it wins.
  const QByteArray switches = qgetenv(EngineSwitches);
  if (!switches.contains(EngineLanguage))
    qputenv(EngineSwitches, (switches + ' ' + EngineLanguage).trimmed());
}
