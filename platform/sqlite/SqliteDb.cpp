#define SQLITE_HAS_CODEC 1
#include "platform/sqlite/SqliteDb.h"

#include <sqlite3.h>

#include <cstdlib>
#include <utility>

int TSqliteDb::TryOpen(const QByteArray &file, int flags) {
  Close();
  const int rc = sqlite3_open_v2(file.constData(), &FDb, flags, nullptr);
  if (rc != SQLITE_OK) {
    FLastCode = rc;
    FLastText = FDb ? QString::fromUtf8(sqlite3_errmsg(FDb)) : QStringLiteral("out of memory");
    Close();
  }
  return rc;
}

int TSqliteDb::TryKey(const QString &password) {
  const QByteArray key = password.toUtf8();
  return Note(sqlite3_key(FDb, key.constData(), int(key.size())));
}

void TSqliteDb::SetBusyTimeout(int milliseconds) {
  if (FDb)
    sqlite3_busy_timeout(FDb, milliseconds);
}

void TSqliteDb::Close() {
  if (FDb)
    sqlite3_close_v2(FDb);
  FDb = nullptr;
}

int TSqliteDb::Note(int rc) {
  if (rc != SQLITE_OK && rc != SQLITE_ROW && rc != SQLITE_DONE) {
    FLastCode = rc;
    FLastText = FDb ? QString::fromUtf8(sqlite3_errmsg(FDb)) : QString::fromUtf8(sqlite3_errstr(rc));
  }
  return rc;
}

int TSqliteDb::TryExec(const char *sql) {
  if (!FDb)
    return Note(SQLITE_MISUSE);
  TSqliteLock lock(FDb);
  return Note(sqlite3_exec(FDb, sql, nullptr, nullptr, nullptr));
}

void TSqliteDb::Exec(const char *sql) {
  if (TryExec(sql) != SQLITE_OK)
    RaiseLast();
}

void TSqliteDb::Fail() {
  if (FDb)
    Note(sqlite3_extended_errcode(FDb) ? sqlite3_extended_errcode(FDb) : SQLITE_ERROR);
  RaiseLast();
}

void TSqliteDb::RaiseLast() {
  FRaise(FLastText);
  std::abort();  // not reached: the raise function does not return
}

TSqliteLock::TSqliteLock(sqlite3 *db) : FMutex(sqlite3_db_mutex(db)) { sqlite3_mutex_enter(FMutex); }
TSqliteLock::~TSqliteLock() { sqlite3_mutex_leave(FMutex); }

TSqliteStatement::TSqliteStatement(TSqliteDb &db, const QByteArray &sql, const char **tail) : FDb(&db) {
  if (!db.IsOpen()) {
    db.Note(SQLITE_MISUSE);
    db.Fail();
  }
  TSqliteLock lock(db.Handle());
  if (sqlite3_prepare_v2(db.Handle(), sql.constData(), int(sql.size()), &FStmt, tail) != SQLITE_OK)
    db.Fail();
}

TSqliteStatement::~TSqliteStatement() {
  if (FStmt)
    sqlite3_finalize(FStmt);
}

TSqliteStatement::TSqliteStatement(TSqliteStatement &&other) noexcept
    : FDb(std::exchange(other.FDb, nullptr)), FStmt(std::exchange(other.FStmt, nullptr)) {}

TSqliteStatement &TSqliteStatement::operator=(TSqliteStatement &&other) noexcept {
  if (this != &other) {
    if (FStmt)
      sqlite3_finalize(FStmt);
    FDb = std::exchange(other.FDb, nullptr);
    FStmt = std::exchange(other.FStmt, nullptr);
  }
  return *this;
}

TSqliteStatement &TSqliteStatement::Bind(int index, const QString &text) {
  const QByteArray utf8 = text.toUtf8();
  sqlite3_bind_text(FStmt, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
  return *this;
}

TSqliteStatement &TSqliteStatement::Bind(int index, const QByteArray &blob) {
  sqlite3_bind_blob(FStmt, index, blob.constData(), int(blob.size()), SQLITE_TRANSIENT);
  return *this;
}

TSqliteStatement &TSqliteStatement::Bind(int index, std::int64_t value) {
  sqlite3_bind_int64(FStmt, index, value);
  return *this;
}

TSqliteStatement &TSqliteStatement::Bind(int index, double value) {
  sqlite3_bind_double(FStmt, index, value);
  return *this;
}

TSqliteStatement &TSqliteStatement::BindNull(int index) {
  sqlite3_bind_null(FStmt, index);
  return *this;
}

bool TSqliteStatement::Step() {
  TSqliteLock lock(FDb->Handle());
  const int rc = sqlite3_step(FStmt);
  if (rc == SQLITE_ROW)
    return true;
  if (rc != SQLITE_DONE)
    FDb->Fail();
  return false;
}

void TSqliteStatement::Reset() {
  sqlite3_reset(FStmt);
  sqlite3_clear_bindings(FStmt);
}

int TSqliteStatement::ColumnInt(int column) const { return sqlite3_column_int(FStmt, column); }

QByteArray TSqliteStatement::ColumnBlob(int column) const {
  const void *data = sqlite3_column_blob(FStmt, column);
  return QByteArray(static_cast<const char *>(data), sqlite3_column_bytes(FStmt, column));
}
