#include "host/uSuiteLibraries.h"

#include <QDir>
#include <QFileInfo>

TSuiteLibraries::TSuiteLibraries(const QString &folder) {
  const QDir dir(folder);
  FShowMrgMain = reinterpret_cast<TShowMrgMain>(
      Resolve(FManage, dir.filePath(QStringLiteral("libPembloManage.so")), "ShowMrgMain"));
  FShowYCardMenu =
      reinterpret_cast<TShowYCardMenu>(Resolve(FCards, dir.filePath(QStringLiteral("libPenalta.so")), "ShowYCardMenu"));
  FPembloBox =
      reinterpret_cast<TPembloBox>(Resolve(FCentre, dir.filePath(QStringLiteral("libQuillo.so")), "PembloBox"));
}

QFunctionPointer TSuiteLibraries::Resolve(TLoaded &loaded, const QString &file, const char *symbol) {
  const QString name = QFileInfo(file).fileName();
  if (!QFileInfo::exists(file)) {
    loaded.Error = QStringLiteral("找不到%1，这个功能不能用。").arg(name);
    return nullptr;
  }
  loaded.Library = std::make_unique<QLibrary>(file);
  if (!loaded.Library->load()) {
    loaded.Error = QStringLiteral("%1无法加载：%2").arg(name, loaded.Library->errorString());
    return nullptr;
  }
  QFunctionPointer function = loaded.Library->resolve(symbol);
  if (!function)
    loaded.Error = QStringLiteral("%1里没有%2，这个功能不能用。").arg(name, QString::fromLatin1(symbol));
  return function;
}
