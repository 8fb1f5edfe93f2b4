#include "platform/os/RegistryHive.h"
#include "platform/errors/Errors.h"

#include "platform/os/SpecialFolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <sqlite3.h>
#include <stdexcept>

namespace {

const int kBusyTimeoutMs = 30000;

const char kSchema[] = "CREATE TABLE IF NOT EXISTS keys(path TEXT PRIMARY KEY, name TEXT NOT NULL);"
                       "CREATE TABLE IF NOT EXISTS vals(key TEXT NOT NULL, name TEXT NOT NULL, shown TEXT NOT NULL,"
                       " type INTEGER NOT NULL, data BLOB NOT NULL, PRIMARY KEY(key, name));";

sqlite3 *Db(void *p) { return static_cast<sqlite3 *>(p); }

[[noreturn]] void Fail(sqlite3 *db) {
  Raise<ERegistryError>(QStringLiteral("Registry error: ") + QString::fromUtf8(sqlite3_errmsg(db)));
}

// The parts of a key path; empty parts (a leading, doubled or trailing "\") are dropped.
QStringList Parts(const QString &key) { return key.split('\\', Qt::SkipEmptyParts); }

// The form in which keys and names are compared.
QString Fold(const QString &s) { return s.toCaseFolded(); }
QString FoldedPath(const QStringList &parts) { return Fold(parts.join('\\')); }

class TStatement {
public:
  TStatement(sqlite3 *db, const char *sql) : FDb(db) {
    if (sqlite3_prepare_v2(db, sql, -1, &FStmt, nullptr) != SQLITE_OK)
      Fail(db);
  }
  ~TStatement() { sqlite3_finalize(FStmt); }
  TStatement &Bind(int i, const QString &text) {
    const QByteArray utf8 = text.toUtf8();
    sqlite3_bind_text(FStmt, i, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    return *this;
  }
  TStatement &Bind(int i, const QByteArray &blob) {
    sqlite3_bind_blob(FStmt, i, blob.constData(), int(blob.size()), SQLITE_TRANSIENT);
    return *this;
  }
  TStatement &Bind(int i, int v) {
    sqlite3_bind_int(FStmt, i, v);
    return *this;
  }
  // True while a row is there.
  bool Step() {
    const int rc = sqlite3_step(FStmt);
    if (rc == SQLITE_ROW)
      return true;
    if (rc != SQLITE_DONE)
      Fail(FDb);
    return false;
  }
  sqlite3_stmt *Get() const { return FStmt; }

private:
  sqlite3 *FDb;
  sqlite3_stmt *FStmt = nullptr;
};

class TConnection {
public:
  ~TConnection() {
    if (FDb)
      sqlite3_close_v2(FDb);
  }
  bool Open(const QString &file, int flags) {
    const int rc = sqlite3_open_v2(QFile::encodeName(file).constData(), &FDb, flags, nullptr);
    if (rc == SQLITE_OK)
      sqlite3_busy_timeout(FDb, kBusyTimeoutMs);
    return rc == SQLITE_OK;
  }
  // Runs sql; returns the result code instead of raising, for the callers that treat a hive
  // that cannot be written as a reason to skip.
  int Exec(const char *sql) { return sqlite3_exec(FDb, sql, nullptr, nullptr, nullptr); }
  sqlite3 *Get() const { return FDb; }

private:
  sqlite3 *FDb = nullptr;
};

bool Unwritable(int rc) {
  const int primary = rc & 0xFF;
  return primary == SQLITE_READONLY || primary == SQLITE_CANTOPEN || primary == SQLITE_PERM || primary == SQLITE_AUTH;
}

}  // namespace

QString HiveFileName(THKey root) {
  const char *name = root == THKey::ClassesRoot   ? "HKEY_CLASSES_ROOT"
                     : root == THKey::CurrentUser ? "HKEY_CURRENT_USER"
                                                  : "HKEY_LOCAL_MACHINE";
  return GetRegistryFolder() + "/" + name + ".hive";
}

bool THiveAccess::KeyExists(const QString &key) const {
  const QStringList parts = Parts(key);
  if (parts.isEmpty())
    return true;
  TStatement s(Db(FDb), "SELECT 1 FROM keys WHERE path = ?");
  return s.Bind(1, FoldedPath(parts)).Step();
}

std::optional<TRegValue> THiveAccess::ReadValue(const QString &key, const QString &name) const {
  TStatement s(Db(FDb), "SELECT type, data FROM vals WHERE key = ? AND name = ?");
  if (!s.Bind(1, FoldedPath(Parts(key))).Bind(2, Fold(name)).Step())
    return std::nullopt;
  const void *blob = sqlite3_column_blob(s.Get(), 1);
  const int size = sqlite3_column_bytes(s.Get(), 1);
  return TRegValue{TRegDataType(sqlite3_column_int(s.Get(), 0)), QByteArray(static_cast<const char *>(blob), size)};
}

void THiveAccess::CreateKey(const QString &key) {
  const QStringList parts = Parts(key);
  TStatement s(Db(FDb), "INSERT OR IGNORE INTO keys(path, name) VALUES(?, ?)");
  for (qsizetype n = 1; n <= parts.size(); ++n) {
    s.Bind(1, FoldedPath(parts.mid(0, n))).Bind(2, parts[n - 1]).Step();
    sqlite3_reset(s.Get());
  }
}

void THiveAccess::WriteValue(const QString &key, const QString &name, const TRegValue &value) {
  CreateKey(key);
  TStatement s(Db(FDb), "INSERT OR REPLACE INTO vals(key, name, shown, type, data) VALUES(?, ?, ?, ?, ?)");
  s.Bind(1, FoldedPath(Parts(key)))
      .Bind(2, Fold(name))
      .Bind(3, name)
      .Bind(4, int(value.eType))
      .Bind(5, value.data)
      .Step();
}

bool UpdateHive(THKey root, const std::function<void(THiveAccess &)> &work) {
  const QString file = HiveFileName(root);
  if (!QDir().mkpath(QFileInfo(file).path()))
    return false;
  TConnection db;
  if (!db.Open(file, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX))
    return false;
  // Taking the write lock first makes the whole of work one step for the other processes.
  if (const int rc = db.Exec("BEGIN IMMEDIATE"); rc != SQLITE_OK) {
    if (Unwritable(rc))
      return false;
    Fail(db.Get());
  }
  if (const int rc = db.Exec(kSchema); rc != SQLITE_OK) {
    db.Exec("ROLLBACK");
    if (Unwritable(rc))
      return false;
    Fail(db.Get());
  }
  try {
    THiveAccess access(db.Get());
    work(access);
  } catch (...) {
    db.Exec("ROLLBACK");
    throw;
  }
  if (const int rc = db.Exec("COMMIT"); rc != SQLITE_OK) {
    db.Exec("ROLLBACK");
    if (Unwritable(rc))
      return false;
    Fail(db.Get());
  }
  return true;
}

bool ReadHive(THKey root, const std::function<void(const THiveAccess &)> &work) {
  const QString file = HiveFileName(root);
  if (!QFileInfo(file).isFile())
    return false;
  TConnection db;
  if (!db.Open(file, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX))
    return false;
  // A hive file that holds no tables yet has no keys.
  if (db.Exec("BEGIN; SELECT 1 FROM keys, vals LIMIT 0") != SQLITE_OK)
    return false;
  const THiveAccess access(db.Get());
  work(access);
  db.Exec("COMMIT");
  return true;
}
