#include "datastore/uRecordInfo.h"

#include "common/uStrFun.h"
#include "platform/errors/Errors.h"

#include <QStringList>

QString FormatRecordInfo(const QString &key1, const QString &value1, const QString &key2, const QString &value2) {
  return key1 + u':' + value1 + u',' + key2 + u':' + value2;
}

namespace {

// The text between the first and the second colon of part.
QString FieldValue(const QString &part) {
  const QStringList fields = SplitByDelimiter(part, QStringLiteral(":"));
  if (fields.size() < 2)
    throw EArgumentOutOfRange();
  return fields[1];
}

}  // namespace

TRecordInfo ReadRecordInfo(const QString &info, const QString &key1, const QString &key2) {
  const QString head = key1 + u':';
  const QString middle = u',' + key2 + u':';
  if (info.startsWith(head)) {
    const qsizetype at = info.indexOf(middle, head.size());
    if (at >= 0)
      return {info.mid(head.size(), at - head.size()), info.mid(at + middle.size())};
  }
  const QStringList parts = SplitByDelimiter(info, QStringLiteral(","));
  if (parts.size() != 2)
    return {};
  return {FieldValue(parts[0]), FieldValue(parts[1])};
}
