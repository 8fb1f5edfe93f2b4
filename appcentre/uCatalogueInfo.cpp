#include "appcentre/uCatalogueInfo.h"

#include "common/uPathFunc.h"
#include "common/uStrFun.h"
#include "platform/errors/Errors.h"

#include <QStringList>

namespace {

const QChar Separator = u',';
const QChar Nul = QChar(0);
constexpr int FieldCount = 6;

int32_t DecimalAfter(const QString &key, const QString &item) {
  bool ok = false;
  const int32_t value = TextAfterKey(key, item).toInt(&ok, 10);
  if (!ok)
    Raise(QStringLiteral("'") + TextAfterKey(key, item) + QStringLiteral("' is not a valid integer value"));
  return value;
}

QString Address(QString durl) {
  return durl.replace(Separator, QStringLiteral("%2C")).replace(Nul, QStringLiteral("%00"));
}

QString Name(QString name) { return name.replace(Separator, u'，').remove(Nul); }

const QString &Path(const QString &path) {
  if (path.contains(Separator) || path.contains(Nul))
    Raise(QStringLiteral("路径含有无法保存的字符:") + path);
  return path;
}

}  // namespace

QString ExpandPathMacros(const QString &path, const QString &exeFolder) {
  QString result = path;
  result.replace(QStringLiteral("{app}"), exeFolder, Qt::CaseSensitive);
  result.replace(QStringLiteral("{commonappdata}"), exeFolder, Qt::CaseSensitive);
  return result;
}

void ReadInfoText(const QString &info, TExePathReading exePath, TInfoFields &fields) {
  const QStringList items = SplitByDelimiter(info, Separator);
  if (items.size() != FieldCount)
    Raise(QStringLiteral("信息文本不是六个字段:") + info);
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
  // Joined piece by piece: a value may hold "%1" and the like, which arg() would fill. A key's
  // text inside a value is harmless once no value holds a comma: fields go by position, and
  // each value is read behind the key that begins its field.
  return QStringLiteral("name:") + Name(fields.sname) + QStringLiteral(",rank:") + QString::number(fields.irank) +
         QStringLiteral(",logo:") + Path(fields.slogo) + QStringLiteral(",type:") + QString::number(fields.itype) +
         QStringLiteral(",durl:") + Address(fields.sdurl) + QStringLiteral(",exe_path:") + Path(fields.sexe_path);
}
