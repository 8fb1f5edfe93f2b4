#include "platform/ado/AdoQuery.h"

#include <sqlite3.h>

#include <cmath>
#include <limits>

bool IsWholeNumber(const QVariant &value) {
  switch (value.typeId()) {
  case QMetaType::Int:
  case QMetaType::UInt:
  case QMetaType::Long:
  case QMetaType::ULong:
  case QMetaType::LongLong:
  case QMetaType::ULongLong:
  case QMetaType::Short:
  case QMetaType::UShort:
    return true;
  default:
    return false;
  }
}

namespace {

const QVariant &NullValue() {
  static const QVariant null = QVariant::fromValue(nullptr);
  return null;
}

QString ErrorText(sqlite3 *db) { return QString::fromUtf8(sqlite3_errmsg(db)); }

void BindValue(sqlite3_stmt *stmt, int index, const QVariant &value) {
  if (!value.isValid() || value.isNull()) {
    sqlite3_bind_null(stmt, index);
    return;
  }
  if (value.typeId() == QMetaType::Bool || IsWholeNumber(value)) {
    const bool isUnsigned = value.typeId() == QMetaType::ULong || value.typeId() == QMetaType::ULongLong;
    sqlite3_bind_int64(stmt, index, isUnsigned ? qint64(value.toULongLong()) : value.toLongLong());
    return;
  }
  switch (value.typeId()) {
  case QMetaType::Double:
  case QMetaType::Float:
    sqlite3_bind_double(stmt, index, value.toDouble());
    return;
  case QMetaType::QByteArray: {
    const QByteArray bytes = value.toByteArray();
    sqlite3_bind_blob(stmt, index, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
    return;
  }
  default: {
    const QByteArray text = value.toString().toUtf8();
    sqlite3_bind_text(stmt, index, text.constData(), int(text.size()), SQLITE_TRANSIENT);
    return;
  }
  }
}

QVariant ColumnValue(sqlite3_stmt *stmt, int col) {
  switch (sqlite3_column_type(stmt, col)) {
  case SQLITE_INTEGER: {
    const sqlite3_int64 v = sqlite3_column_int64(stmt, col);
    if (v >= std::numeric_limits<int>::min() && v <= std::numeric_limits<int>::max())
      return QVariant(int(v));
    return QVariant(qlonglong(v));
  }
  case SQLITE_FLOAT:
    return QVariant(sqlite3_column_double(stmt, col));
  case SQLITE_TEXT:
    return QVariant(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, col)),
                                      sqlite3_column_bytes(stmt, col)));
  case SQLITE_BLOB: {
    const void *data = sqlite3_column_blob(stmt, col);
    return QVariant(QByteArray(static_cast<const char *>(data), sqlite3_column_bytes(stmt, col)));
  }
  default:
    return NullValue();
  }
}

QString QuoteName(const QString &name) {
  QString quoted = name;
  quoted.replace(u'"', QStringLiteral("\"\""));
  return u'"' + quoted + u'"';
}

struct TWriteResult {
  int iChanges = 0;
  std::int64_t iLastId = 0;
};

// A statement of the connection's, given back when done.
class TBorrowedStatement {
public:
  TBorrowedStatement(TAdoConnection &conn, const QString &sql) : FConn(conn), FStatement(conn.TakeStatement(sql)) {}
  ~TBorrowedStatement() { FConn.GiveBack(std::move(FStatement)); }
  TBorrowedStatement(const TBorrowedStatement &) = delete;
  TBorrowedStatement &operator=(const TBorrowedStatement &) = delete;
  sqlite3_stmt *Get() const { return FStatement->Stmt.Get(); }

private:
  TAdoConnection &FConn;
  std::unique_ptr<TAdoStatement> FStatement;
};

// Runs one changing statement with positional values.
TWriteResult RunWrite(TAdoConnection &conn, const QString &sql, const std::vector<QVariant> &values) {
  TBorrowedStatement statement(conn, sql);
  sqlite3 *db = conn.Handle();
  sqlite3_stmt *stmt = statement.Get();
  TSqliteLock lock(db);
  for (size_t i = 0; i < values.size(); ++i)
    BindValue(stmt, int(i) + 1, values[i]);
  const int rc = sqlite3_step(stmt);
  TWriteResult result;
  if (rc == SQLITE_DONE) {
    result.iChanges = sqlite3_changes(db);
    result.iLastId = sqlite3_last_insert_rowid(db);
  }
  const QString error = rc == SQLITE_DONE ? QString() : ErrorText(db);
  sqlite3_reset(stmt);
  if (rc != SQLITE_DONE)
    Raise<EAdoError>(error);
  return result;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Query

TAdoQuery::~TAdoQuery() { Release(); }

void TAdoQuery::Release() {
  if (FPrepared && FConnection)
    FConnection->GiveBack(std::move(FPrepared));
  FPrepared.reset();
}

void TAdoQuery::SetConnection(TAdoConnection *conn) {
  Close();
  Release();
  FConnection = conn;
}

// A new statement text closes the query and drops the parameter values of the old one.
void TAdoQuery::SqlClear() {
  Close();
  FParams.clear();
  FSql.clear();
}

void TAdoQuery::SqlAdd(const QString &line) {
  Close();
  FParams.clear();
  FSql << line;
}

void TAdoQuery::SetSql(const QString &text) {
  Close();
  if (FSql.size() == 1 && FSql.front() == text)
    return;  // same statement: keep its parameters and its compiled form
  FParams.clear();
  FSql = QStringList{text};
}

void TAdoQuery::SetParam(const QString &name, const QVariant &value) {
  const QStringView key = name.startsWith(u':') ? QStringView(name).mid(1) : QStringView(name);
  for (auto &param : FParams) {
    if (QStringView(param.first).compare(key, Qt::CaseInsensitive) == 0) {
      param.second = value;
      return;
    }
  }
  FParams.emplace_back(key.size() == name.size() ? name : key.toString(), value);
}

QString TAdoQuery::SqlText() const { return FSql.size() == 1 ? FSql.front() : FSql.join(u'\n'); }

void TAdoQuery::Prepare() {
  if (!FConnection || !FConnection->Connected())
    Raise<EAdoError>(QStringLiteral("Operation is not allowed when the object is closed."));
  const QString text = SqlText();
  if (FPrepared && FPrepared->iGeneration == FConnection->Generation() && FPrepared->sText == text) {
    FPrepared->Stmt.Reset();
    return;
  }
  Release();
  FPrepared = FConnection->TakeStatement(text);
  FColumns = FPrepared->Columns;
  FFieldCache.clear();
}

void TAdoQuery::Bind() {
  const std::vector<QString> &names = FPrepared->ParamNames;
  for (size_t i = 0; i < names.size(); ++i) {
    const QVariant *value = nullptr;
    for (const auto &param : FParams)
      if (param.first.compare(names[i], Qt::CaseInsensitive) == 0)
        value = &param.second;
    if (!value)
      Raise<EAdoError>(QStringLiteral("No value given for one or more required parameters."));
    BindValue(FPrepared->Stmt.Get(), int(i) + 1, *value);
  }
  for (const auto &param : FParams) {
    bool used = false;
    for (const QString &name : names)
      used = used || name.compare(param.first, Qt::CaseInsensitive) == 0;
    if (!used)
      Raise<EAdoError>(QStringLiteral("Parameter '") + param.first + QStringLiteral("' not found"));
  }
}

void TAdoQuery::Open() {
  if (Active())
    return;
  Prepare();
  Bind();
  if (FColumns.empty())
    Raise<EAdoError>(QStringLiteral("CommandText does not return a result set."));
  sqlite3 *db = FConnection->Handle();
  TSqliteLock lock(db);
  Close();
  sqlite3_stmt *stmt = FPrepared->Stmt.Get();
  const int columns = int(FColumns.size());
  int rc;
  while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    for (int c = 0; c < columns; ++c) {
      // The value object is read under the connection's lock held above, which is what
      // makes reading it without further locking safe.
      sqlite3_value *value = sqlite3_column_value(stmt, c);
      TCell &cell = FCells.emplace_back();
      cell.iType = sqlite3_value_type(value);
      switch (cell.iType) {
      case SQLITE_INTEGER:
        cell.iInt = sqlite3_value_int64(value);
        break;
      case SQLITE_FLOAT:
        cell.dReal = sqlite3_value_double(value);
        break;
      case SQLITE_TEXT:
      case SQLITE_BLOB: {
        const char *data = cell.iType == SQLITE_TEXT ? reinterpret_cast<const char *>(sqlite3_value_text(value))
                                                     : static_cast<const char *>(sqlite3_value_blob(value));
        cell.Bytes.iOffset = quint32(FBytes.size());
        cell.Bytes.iLength = quint32(sqlite3_value_bytes(value));
        FBytes.append(data, cell.Bytes.iLength);
        break;
      }
      default:
        break;
      }
    }
  }
  const QString error = rc == SQLITE_DONE ? QString() : ErrorText(db);
  // Resetting ends the read, so the file is not held locked while the rows are browsed.
  sqlite3_reset(stmt);
  if (rc != SQLITE_DONE) {
    Close();
    Raise<EAdoError>(error);
  }
  FRowCount = int(FCells.size() / size_t(columns));
  FState = TDataSetState::dsBrowse;
  FRecNo = 0;
}

int TAdoQuery::ExecSQL() {
  Close();
  Prepare();
  Bind();
  sqlite3 *db = FConnection->Handle();
  sqlite3_stmt *stmt = FPrepared->Stmt.Get();
  int rc, changes;
  QString error;
  {
    TSqliteLock lock(db);
    const int before = sqlite3_total_changes(db);
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE)
      error = ErrorText(db);
    changes = sqlite3_total_changes(db) - before;
    FLastInsertId = rc == SQLITE_DONE && changes > 0 && FPrepared->bInsert ? sqlite3_last_insert_rowid(db) : 0;
    sqlite3_reset(stmt);
  }
  if (rc != SQLITE_DONE)
    Raise<EAdoError>(error);
  // Compiled statements kept so far may name what the tables were.
  if (FPrepared->bSchema)
    FConnection->ForgetStatements();
  return changes;
}

void TAdoQuery::Close() {
  FState = TDataSetState::dsInactive;
  // A pooled query serves small results over and over: it keeps their room, so the next
  // opening allocates nothing, but gives back the room of a large result.
  constexpr size_t KeepCells = 16 * 1024;
  constexpr qsizetype KeepBytes = 256 * 1024;
  if (FCells.capacity() > KeepCells)
    std::vector<TCell>().swap(FCells);
  else
    FCells.clear();
  if (FBytes.capacity() > KeepBytes)
    FBytes = QByteArray();
  else
    FBytes.resize(0);
  FRowCount = 0;
  FBuffer.clear();
  FBufferSet.clear();
  FRecNo = 0;
}

void TAdoQuery::RequireActive() const {
  if (!Active())
    Raise<EAdoError>(QStringLiteral("Operation is not allowed when the object is closed."));
}

int TAdoQuery::RecordCount() const {
  RequireActive();
  return FRowCount;
}

bool TAdoQuery::Eof() const { return !Active() || FRecNo >= RecordCount(); }

void TAdoQuery::First() {
  RequireActive();
  if (FState != TDataSetState::dsBrowse)
    Post();
  FRecNo = 0;
}

void TAdoQuery::Next() {
  RequireActive();
  if (FState != TDataSetState::dsBrowse)
    Post();
  if (FRecNo < RecordCount())
    ++FRecNo;
}

TAdoField TAdoQuery::Fields(int index) {
  RequireActive();
  if (index < 0 || index >= FieldCount())
    Raise<EAdoError>(QStringLiteral("List index out of bounds (%1)").arg(index));
  return TAdoField(*this, index);
}

TAdoField TAdoQuery::FieldByName(const QString &name) {
  RequireActive();
  // Rows are read field by field with the same name objects: remember where each was found.
  for (const auto &found : FFieldCache)
    if (found.first.constData() == name.constData() && found.first.size() == name.size())
      return TAdoField(*this, found.second);
  for (int pass = 0; pass < 2; ++pass) {
    for (size_t i = 0; i < FColumns.size(); ++i) {
      if (pass == 0 ? FColumns[i].sName == name : FColumns[i].sName.compare(name, Qt::CaseInsensitive) == 0) {
        if (FFieldCache.size() < 8)
          FFieldCache.emplace_back(name, int(i));
        return TAdoField(*this, int(i));
      }
    }
  }
  Raise<EAdoError>(FName + QStringLiteral(": Field '") + name + QStringLiteral("' not found"));
}

const TAdoQuery::TCell *TAdoQuery::CurrentCell(int index) const {
  if (FState != TDataSetState::dsBrowse || FRecNo >= RecordCount())
    return nullptr;
  return &FCells[size_t(FRecNo) * FColumns.size() + size_t(index)];
}

QVariant TAdoQuery::StoredValue(int row, int index) const {
  const TCell &cell = FCells[size_t(row) * FColumns.size() + size_t(index)];
  switch (cell.iType) {
  case SQLITE_INTEGER:
    if (cell.iInt >= std::numeric_limits<int>::min() && cell.iInt <= std::numeric_limits<int>::max())
      return QVariant(int(cell.iInt));
    return QVariant(qlonglong(cell.iInt));
  case SQLITE_FLOAT:
    return QVariant(cell.dReal);
  case SQLITE_TEXT:
    return QVariant(QString::fromUtf8(FBytes.constData() + cell.Bytes.iOffset, cell.Bytes.iLength));
  case SQLITE_BLOB:
    return QVariant(QByteArray(FBytes.constData() + cell.Bytes.iOffset, cell.Bytes.iLength));
  default:
    return NullValue();
  }
}

QVariant TAdoQuery::CellValue(int index) const {
  if (FState == TDataSetState::dsEdit || FState == TDataSetState::dsInsert)
    return FBuffer[size_t(index)];
  if (FRecNo >= RecordCount())
    return NullValue();  // no current row: every field is empty
  return StoredValue(FRecNo, index);
}

void TAdoQuery::StoreRow(int row, const std::vector<QVariant> &values) {
  if (size_t(row) * FColumns.size() >= FCells.size()) {
    FCells.resize(FCells.size() + FColumns.size());
    FRowCount = int(FCells.size() / FColumns.size());
  }
  for (size_t i = 0; i < FColumns.size(); ++i) {
    TCell &cell = FCells[size_t(row) * FColumns.size() + i];
    const QVariant &v = values[i];
    cell = TCell();
    if (!v.isValid() || v.isNull())
      continue;
    if (v.typeId() == QMetaType::Bool || IsWholeNumber(v)) {
      cell.iType = SQLITE_INTEGER;
      cell.iInt = v.toLongLong();
      continue;
    }
    switch (v.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
      cell.iType = SQLITE_FLOAT;
      cell.dReal = v.toDouble();
      break;
    default: {
      const bool blob = v.typeId() == QMetaType::QByteArray;
      const QByteArray bytes = blob ? v.toByteArray() : v.toString().toUtf8();
      cell.iType = blob ? SQLITE_BLOB : SQLITE_TEXT;
      cell.Bytes.iOffset = quint32(FBytes.size());
      cell.Bytes.iLength = quint32(bytes.size());
      FBytes.append(bytes);
      break;
    }
    }
  }
}

void TAdoQuery::Append() {
  RequireActive();
  if (FState != TDataSetState::dsBrowse)
    Post();
  FBuffer.assign(FColumns.size(), NullValue());
  FBufferSet.assign(FColumns.size(), false);
  FState = TDataSetState::dsInsert;
}

void TAdoQuery::Edit() {
  RequireActive();
  if (FState != TDataSetState::dsBrowse)
    return;
  if (FRecNo >= RecordCount()) {
    Append();  // an empty dataset is edited by adding its first row
    return;
  }
  FBuffer.clear();
  for (int i = 0; i < FieldCount(); ++i)
    FBuffer.push_back(StoredValue(FRecNo, i));
  FBufferSet.assign(FColumns.size(), false);
  FState = TDataSetState::dsEdit;
}

void TAdoQuery::Cancel() {
  if (FState == TDataSetState::dsEdit || FState == TDataSetState::dsInsert)
    FState = TDataSetState::dsBrowse;
}

void TAdoQuery::Post() {
  if (FState == TDataSetState::dsInsert)
    PostInsert();
  else if (FState == TDataSetState::dsEdit)
    PostEdit();
  else
    Raise<EAdoError>(QStringLiteral("Dataset not in edit or insert mode"));
  FState = TDataSetState::dsBrowse;
}

// The one table the set fields belong to.
QString TAdoQuery::PostTable() const {
  QString table;
  for (size_t i = 0; i < FColumns.size(); ++i) {
    const QString &t = FColumns[i].sTable;
    if (t.isEmpty()) {
      if (FBufferSet[i])
        Raise<EAdoError>(QStringLiteral("Insufficient base table information for updating or refreshing."));
      continue;
    }
    if (!table.isEmpty() && t != table)
      Raise<EAdoError>(QStringLiteral("Insufficient base table information for updating or refreshing."));
    table = t;
  }
  if (table.isEmpty())
    Raise<EAdoError>(QStringLiteral("Insufficient base table information for updating or refreshing."));
  return table;
}

void TAdoQuery::PostInsert() {
  const QString table = PostTable();
  QStringList names, marks;
  std::vector<QVariant> values;
  for (size_t i = 0; i < FColumns.size(); ++i) {
    if (!FBufferSet[i])
      continue;
    names << QuoteName(FColumns[i].sOrigin);
    marks << QStringLiteral("?");
    values.push_back(FBuffer[i]);
  }
  const QString sql =
      names.isEmpty()
          ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(QuoteName(table))
          : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(QuoteName(table), names.join(u','), marks.join(u','));
  const TWriteResult written = RunWrite(*FConnection, sql, values);
  FLastInsertId = written.iLastId;
  // Read the stored row back, so the browsed row shows the key and defaults the file gave it.
  QStringList origins;
  std::vector<size_t> indexes;
  for (size_t i = 0; i < FColumns.size(); ++i) {
    if (FColumns[i].sTable == table) {
      origins << QuoteName(FColumns[i].sOrigin);
      indexes.push_back(i);
    }
  }
  const QString select = QStringLiteral("SELECT %1 FROM %2 WHERE rowid=?").arg(origins.join(u','), QuoteName(table));
  {
    TBorrowedStatement statement(*FConnection, select);
    sqlite3_stmt *stmt = statement.Get();
    TSqliteLock lock(FConnection->Handle());
    sqlite3_bind_int64(stmt, 1, written.iLastId);
    if (sqlite3_step(stmt) == SQLITE_ROW)
      for (size_t k = 0; k < indexes.size(); ++k)
        FBuffer[indexes[k]] = ColumnValue(stmt, int(k));
    sqlite3_reset(stmt);
  }
  StoreRow(RecordCount(), FBuffer);
  FRecNo = RecordCount() - 1;
}

void TAdoQuery::PostEdit() {
  const QString table = PostTable();
  QStringList sets, keys;
  std::vector<QVariant> values, keyValues;
  for (size_t i = 0; i < FColumns.size(); ++i) {
    if (FColumns[i].sTable != table)
      continue;
    if (FBufferSet[i]) {
      sets << QuoteName(FColumns[i].sOrigin) + QStringLiteral("=?");
      values.push_back(FBuffer[i]);
    }
    if (FColumns[i].bKey) {
      keys << QuoteName(FColumns[i].sOrigin) + QStringLiteral("=?");
      keyValues.push_back(StoredValue(FRecNo, int(i)));
    }
  }
  if (sets.isEmpty())
    return;
  if (keys.isEmpty())
    Raise<EAdoError>(QStringLiteral("Insufficient key column information for updating or refreshing."));
  values.insert(values.end(), keyValues.begin(), keyValues.end());
  const QString sql = QStringLiteral("UPDATE %1 SET %2 WHERE %3")
                          .arg(QuoteName(table), sets.join(u','), keys.join(QLatin1String(" AND ")));
  if (RunWrite(*FConnection, sql, values).iChanges == 0)
    Raise<EAdoError>(QStringLiteral(
        "Row cannot be located for updating. Some values may have been changed since it was last read."));
  StoreRow(FRecNo, FBuffer);
}
