#include "platform/ado/AdoQuery.h"

#include <sqlite3.h>

#include <QRegularExpression>

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

// Holds the connection's own lock, so that a statement's error text, change count and new
// key are read before another thread's statement on the same connection replaces them.
class TDbLock {
public:
  explicit TDbLock(sqlite3 *db) : FMutex(sqlite3_db_mutex(db)) { sqlite3_mutex_enter(FMutex); }
  ~TDbLock() { sqlite3_mutex_leave(FMutex); }
  TDbLock(const TDbLock &) = delete;
  TDbLock &operator=(const TDbLock &) = delete;

private:
  sqlite3_mutex *FMutex;
};

QString ErrorText(sqlite3 *db) { return QString::fromUtf8(sqlite3_errmsg(db)); }

// The Jet column types of the table definitions become their SQLite forms: an auto-numbered
// primary key must be the row id, and memo is long text.
QString TranslateJetDdl(const QString &text) {
  static const QRegularExpression createTable(QStringLiteral("^\\s*create\\s+table\\b"),
                                              QRegularExpression::CaseInsensitiveOption);
  if (!createTable.match(text).hasMatch())
    return text;
  static const QRegularExpression counterKey(QStringLiteral("\\bcounter\\s+primary\\s+key\\b"),
                                             QRegularExpression::CaseInsensitiveOption);
  static const QRegularExpression memo(QStringLiteral("\\bmemo\\b"), QRegularExpression::CaseInsensitiveOption);
  QString out = text;
  out.replace(counterKey, QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT"));
  out.replace(memo, QStringLiteral("TEXT"));
  return out;
}

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

// Runs one changing statement with positional values.
TWriteResult RunWrite(sqlite3 *db, const QString &sql, const std::vector<QVariant> &values) {
  TDbLock lock(db);
  sqlite3_stmt *stmt = nullptr;
  const QByteArray text = sql.toUtf8();
  int rc = sqlite3_prepare_v2(db, text.constData(), int(text.size()), &stmt, nullptr);
  if (rc == SQLITE_OK) {
    for (size_t i = 0; i < values.size(); ++i)
      BindValue(stmt, int(i) + 1, values[i]);
    rc = sqlite3_step(stmt);
  }
  TWriteResult result;
  if (rc == SQLITE_DONE) {
    result.iChanges = sqlite3_changes(db);
    result.iLastId = sqlite3_last_insert_rowid(db);
  }
  const QString error = rc == SQLITE_DONE ? QString() : ErrorText(db);
  sqlite3_finalize(stmt);
  if (rc != SQLITE_DONE)
    Raise<EAdoError>(error);
  return result;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Fields

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

// ---------------------------------------------------------------------------------------------
// Query

TAdoQuery::~TAdoQuery() { Release(); }

void TAdoQuery::Release() {
  if (FStmt)
    sqlite3_finalize(FStmt);
  FStmt = nullptr;
  FStmtText.clear();
  FStmtParamNames.clear();
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
  sqlite3 *db = FConnection->Handle();
  if (FStmt && FStmtGeneration == FConnection->Generation() && FStmtText == text) {
    sqlite3_reset(FStmt);
    sqlite3_clear_bindings(FStmt);
    return;
  }
  Release();
  const QByteArray utf8 = TranslateJetDdl(text).toUtf8();
  const char *tail = nullptr;
  TDbLock lock(db);
  sqlite3_stmt *stmt = nullptr;
  if (sqlite3_prepare_v2(db, utf8.constData(), int(utf8.size()), &stmt, &tail) != SQLITE_OK)
    Raise<EAdoError>(ErrorText(db));
  if (!stmt)
    Raise<EAdoError>(QStringLiteral("Command text was not set for the command object."));
  if (!QByteArray(tail).trimmed().isEmpty() && QByteArray(tail).trimmed() != ";") {
    sqlite3_finalize(stmt);
    Raise<EAdoError>(QStringLiteral("Characters found after end of SQL statement."));
  }
  FStmt = stmt;
  FStmtText = text;
  FStmtGeneration = FConnection->Generation();
  const int params = sqlite3_bind_parameter_count(stmt);
  for (int i = 1; i <= params; ++i) {
    const char *name = sqlite3_bind_parameter_name(stmt, i);
    FStmtParamNames.push_back(name ? QString::fromUtf8(name + 1) : QString());
  }
  FColumns.clear();
  FFieldCache.clear();
  const int columns = sqlite3_column_count(stmt);
  for (int i = 0; i < columns; ++i) {
    TColumn column;
    column.sName = QString::fromUtf8(sqlite3_column_name(stmt, i));
    if (const char *table = sqlite3_column_table_name(stmt, i))
      column.sTable = QString::fromUtf8(table);
    if (const char *origin = sqlite3_column_origin_name(stmt, i))
      column.sOrigin = QString::fromUtf8(origin);
    if (!column.sTable.isEmpty()) {
      int primaryKey = 0;
      sqlite3_table_column_metadata(db, sqlite3_column_database_name(stmt, i), sqlite3_column_table_name(stmt, i),
                                    sqlite3_column_origin_name(stmt, i), nullptr, nullptr, nullptr, &primaryKey,
                                    nullptr);
      column.bKey = primaryKey != 0;
    }
    FColumns.push_back(column);
  }
}

void TAdoQuery::Bind() {
  for (size_t i = 0; i < FStmtParamNames.size(); ++i) {
    const QVariant *value = nullptr;
    for (const auto &param : FParams)
      if (param.first.compare(FStmtParamNames[i], Qt::CaseInsensitive) == 0)
        value = &param.second;
    if (!value)
      Raise<EAdoError>(QStringLiteral("No value given for one or more required parameters."));
    BindValue(FStmt, int(i) + 1, *value);
  }
  for (const auto &param : FParams) {
    bool used = false;
    for (const QString &name : FStmtParamNames)
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
  TDbLock lock(db);
  Close();
  const int columns = int(FColumns.size());
  int rc;
  while ((rc = sqlite3_step(FStmt)) == SQLITE_ROW) {
    for (int c = 0; c < columns; ++c) {
      // The value object is read under the connection's lock held above, which is what
      // makes reading it without further locking safe.
      sqlite3_value *value = sqlite3_column_value(FStmt, c);
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
  sqlite3_reset(FStmt);
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
  TDbLock lock(db);
  const int before = sqlite3_total_changes(db);
  int rc;
  while ((rc = sqlite3_step(FStmt)) == SQLITE_ROW) {
  }
  const QString error = rc == SQLITE_DONE ? QString() : ErrorText(db);
  const int changes = sqlite3_total_changes(db) - before;
  const bool inserted =
      rc == SQLITE_DONE && changes > 0 && SqlText().trimmed().startsWith(QLatin1String("insert"), Qt::CaseInsensitive);
  FLastInsertId = inserted ? sqlite3_last_insert_rowid(db) : 0;
  sqlite3_reset(FStmt);
  if (rc != SQLITE_DONE)
    Raise<EAdoError>(error);
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
  sqlite3 *db = FConnection->Handle();
  const TWriteResult written = RunWrite(db, sql, values);
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
  const QByteArray select =
      QStringLiteral("SELECT %1 FROM %2 WHERE rowid=?").arg(origins.join(u','), QuoteName(table)).toUtf8();
  {
    TDbLock lock(db);
    sqlite3_stmt *stmt = nullptr;
    if (sqlite3_prepare_v2(db, select.constData(), int(select.size()), &stmt, nullptr) == SQLITE_OK) {
      sqlite3_bind_int64(stmt, 1, written.iLastId);
      if (sqlite3_step(stmt) == SQLITE_ROW)
        for (size_t k = 0; k < indexes.size(); ++k)
          FBuffer[indexes[k]] = ColumnValue(stmt, int(k));
    }
    sqlite3_finalize(stmt);
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
  if (RunWrite(FConnection->Handle(), sql, values).iChanges == 0)
    Raise<EAdoError>(QStringLiteral(
        "Row cannot be located for updating. Some values may have been changed since it was last read."));
  StoreRow(FRecNo, FBuffer);
}
