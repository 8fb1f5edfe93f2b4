#include "platform/os/SpecialFolders.h"

#include <QDir>
#include <QString>

namespace {

QString FromEnv(const char *name) { return qEnvironmentVariable(name); }

// A folder below the home folder, or empty when there is no home folder to build on.
QString UnderHome(const QString &relative) {
  const QString home = FromEnv("HOME");
  if (home.isEmpty())
    return {};
  return QDir::cleanPath(home + "/" + relative);
}

QString Strip(QString path) {
  while (path.size() > 1 && path.endsWith('/'))
    path.chop(1);
  return path;
}

}  // namespace

QString GetSpecialFolderPath(int csidl) {
  switch (csidl) {
  case CSIDL_COMMON_APPDATA: {
    if (QString p = FromEnv("PEMBLO_COMMON_APPDATA"); !p.isEmpty())
      return Strip(p);
    if (QString p = FromEnv("XDG_DATA_HOME"); !p.isEmpty())
      return Strip(p);
    return UnderHome(".local/share");
  }
  case CSIDL_FAVORITES:
    if (QString p = FromEnv("PEMBLO_FAVORITES"); !p.isEmpty())
      return Strip(p);
    return UnderHome("Favorites");
  default:
    return {};
  }
}

QString GetRegistryFolder() {
  if (QString p = FromEnv("PEMBLO_REGISTRY"); !p.isEmpty())
    return Strip(p);
  if (QString p = FromEnv("XDG_CONFIG_HOME"); !p.isEmpty())
    return Strip(p) + "/pemblo/registry";
  const QString config = UnderHome(".config");
  return config.isEmpty() ? QString() : config + "/pemblo/registry";
}
