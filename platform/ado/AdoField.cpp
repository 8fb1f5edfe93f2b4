#include "platform/ado/AdoField.h"
#include "platform/ado/AdoQuery.h"

#include <sqlite3.h>

#include <cmath>
#include <limits>

QString TAdoField::FieldName() const { return FQuery.FColumns[size_t(FIndex)].sName; }

QVariant TAdoField::AsVariant() const { return FQuery.CellValue(FIndex); }

bool TAdoField::IsNull() const { return FQuery.CellValue(FIndex).isNull(); }

int TAdoField::AsInteger() const {
  if (const TAdoQuery::TCell *cell = FQuery.CurrentCell(FIndex); cell && cell->iType == SQLITE_INTEGER &&
                                                                 cell->iInt >= std::numeric_limits<int>::min() &&
                                                                 cell->iInt <= std::numeric_limits<int>::max())
    return int(cell->iInt);  // the common case, without a variant
  const QVariant v = FQuery.CellValue(FIndex);
  if (v.isNull())
    return 0;
  switch (v.typeId()) {
  case QMetaType::Int:
    return v.toInt();
  case QMetaType::LongLong: {
    const qlonglong n = v.toLongLong();
    if (n < std::numeric_limits<int>::min() || n > std::numeric_limits<int>::max())
      break;
    return int(n);
  }
  case QMetaType::Double:
    return int(std::llround(v.toDouble()));
  case QMetaType::QString: {
    bool ok = false;
    const int n = v.toString().trimmed().toInt(&ok);
    if (ok)
      return n;
    break;
  }
  default:
    break;
  }
  Raise<EAdoError>(u'\'' + v.toString() + QStringLiteral("' is not a valid integer value"));
}

QString TAdoField::AsString() const {
  if (const TAdoQuery::TCell *cell = FQuery.CurrentCell(FIndex); cell && cell->iType == SQLITE_TEXT)
    return QString::fromUtf8(FQuery.FBytes.constData() + cell->Bytes.iOffset, cell->Bytes.iLength);
  const QVariant v = FQuery.CellValue(FIndex);
  if (v.isNull())
    return QString();
  if (v.typeId() == QMetaType::QByteArray)
    return QString::fromUtf8(v.toByteArray());
  return v.toString();
}

void TAdoField::SetValue(const QVariant &value) {
  if (FQuery.FState != TDataSetState::dsEdit && FQuery.FState != TDataSetState::dsInsert)
    Raise<EAdoError>(QStringLiteral("Dataset not in edit or insert mode"));
  FQuery.FBuffer[size_t(FIndex)] = value;
  FQuery.FBufferSet[size_t(FIndex)] = true;
}
