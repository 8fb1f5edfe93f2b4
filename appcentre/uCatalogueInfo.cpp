#include "appcentre/uCatalogueInfo.h"
#include "platform/errors/Errors.h"

#include "common/uPathFunc.h"
#include "common/uStrFun.h"

#include <QStringList>

namespace {

int32_t DecimalAfter(const QString &key, const QString &item) {
  bool ok = false;
  const int32_t value = TextAfterKey(key, item).toInt(&ok, 10);
  if (!ok)
    Raise(QStringLiteral("'") + TextAfterKey(key, item) + QStringLiteral("' is not a valid integer value"));
  return value;
}

}  // namespace

QString ExpandPathMacros(const QString &path, const QString &exeFolder) {
  QString result = path;
  result.replace(QStringLiteral("{app}"), exeFolder, Qt::CaseSensitive);
  result.replace(QStringLiteral("{commonappdata}"), exeFolder, Qt::CaseSensitive);
  return result;
}

void ReadInfoText(const QString &info, TExePathReading exePath, TInfoFields &fields) {
  const QStringList items = SplitByDelimiter(info, QStringLiteral(","));
  if (items.size() != 6)
    return;
  const QString exeFolder = GetExePath();
  TInfoFields read;
  read.sname = TextAfterKey(QStringLiteral("name:"), items[0]);
  read.irank = DecimalAfter(QStringLiteral("rank:"), items[1]);
  read.slogo = ExpandPathMacros(TextAfterKey(QStringLiteral("logo:"), items[2]), exeFolder);
  read.itype = DecimalAfter(QStringLiteral("type:"), items[3]);
  read.sdurl = TextAfterKey(QStringLiteral("durl:"), items[4]);
  read.sexe_path = TextAfterKey(QStringLiteral("exe_path:"), items[5]);
  if (exePath == TExePathReading::Expand) {
    // A macro ends in "/", so "{app}/tools/x" leaves a doubled separator behind.
    read.sexe_path = ExpandPathMacros(read.sexe_path, exeFolder);
    read.sexe_path.replace(QStringLiteral("//"), QStringLiteral("/"));
  }
  fields = std::move(read);
}

QString InfoText(const TInfoFields &fields) {
  // Joined piece by piece: a value may hold "%1" and the like, which arg() would fill.
  return QStringLiteral("name:") + fields.sname + QStringLiteral(",rank:") + QString::number(fields.irank) +
         QStringLiteral(",logo:") + fields.slogo + QStringLiteral(",type:") + QString::number(fields.itype) +
         QStringLiteral(",durl:") + fields.sdurl + QStringLiteral(",exe_path:") + fields.sexe_path;
}
