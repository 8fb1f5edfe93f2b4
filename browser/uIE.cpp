#include "browser/uIE.h"

#include "common/uRegistryHelper.h"

#include <QFileInfo>

QString GetIEPath() {
  return RegReadString(HKEY_LOCAL_MACHINE,
                       QStringLiteral("\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\IEXPLORE.EXE"),
                       QString());
}

QString GetIEIcon() {
  const QString path = GetIEPath();
  if (path.isEmpty() || !QFileInfo(path).isFile())
    return {};
  return path + QStringLiteral(",1");
}
