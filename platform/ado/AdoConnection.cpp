#define SQLITE_HAS_CODEC 1
#include "platform/ado/AdoConnection.h"

#include <sqlite3.h>

#include <QFile>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace {

std::atomic<std::uint64_t> NextGeneration{1};

QString Unquote(QString value) {
  value = value.trimmed();
  if (value.size() >= 2 && value.startsWith(u'"') && value.endsWith(u'"'))
    value = value.mid(1, value.size() - 2).replace(QStringLiteral("\"\""), QStringLiteral("\""));
  return value;
}

QString ErrorText(sqlite3 *db) { return QString::fromUtf8(sqlite3_errmsg(db)); }

// Opens the file with its key and checks that the key fits by reading the schema.
sqlite3 *OpenKeyed(const TConnStrParts &parts, int flags, int timeoutSeconds) {
  sqlite3 *db = nullptr;
  const QByteArray path = QFile::encodeName(parts.sDataSource);
  int rc = sqlite3_open_v2(path.constData(), &db, flags | SQLITE_OPEN_FULLMUTEX, nullptr);
  if (rc == SQLITE_OK && !parts.sPassword.isEmpty()) {
    const QByteArray key = parts.sPassword.toUtf8();
    rc = sqlite3_key(db, key.constData(), int(key.size()));
  }
  if (rc == SQLITE_OK)
    rc = sqlite3_busy_timeout(db, timeoutSeconds * 1000);
  if (rc == SQLITE_OK)
    rc = sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) {
    const QString text = db ? ErrorText(db) : QStringLiteral("out of memory");
    sqlite3_close_v2(db);
    Raise<EAdoError>(text + QStringLiteral(" (") + parts.sDataSource + u')');
  }
  // With a write-ahead log, readers in other processes never block a writer and a commit
  // needs no flush to disk of its own; the file stays consistent. A file that cannot switch
  // (read-only, or held by another process right now) keeps its mode.
  sqlite3_exec(db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
  sqlite3_exec(db, "PRAGMA synchronous=NORMAL", nullptr, nullptr, nullptr);
  return db;
}

}  // namespace

TConnStrParts ParseConnectionString(const QString &connStr) {
  TConnStrParts parts;
  QString password, dbPassword;
  // Split at semicolons that are not inside double quotes.
  QStringList items;
  QString current;
  bool quoted = false;
  for (QChar c : connStr) {
    if (c == u'"')
      quoted = !quoted;
    if (c == u';' && !quoted) {
      items << current;
      current.clear();
    } else {
      current += c;
    }
  }
  items << current;
  for (const QString &item : items) {
    const qsizetype eq = item.indexOf(u'=');
    if (eq < 0)
      continue;
    const QString key = item.left(eq).trimmed();
    const QString value = Unquote(item.mid(eq + 1));
    if (key.compare(QLatin1String("Data Source"), Qt::CaseInsensitive) == 0)
      parts.sDataSource = value;
    else if (key.compare(QLatin1String("Jet OLEDB:Database Password"), Qt::CaseInsensitive) == 0)
      dbPassword = value;
    else if (key.compare(QLatin1String("Password"), Qt::CaseInsensitive) == 0)
      password = value;
  }
  parts.sPassword = dbPassword.isEmpty() ? password : dbPassword;
  return parts;
}

TAdoConnection::~TAdoConnection() { Close(); }

void TAdoConnection::SetConnectionString(const QString &connStr) {
  if (Connected())
    Raise<EAdoError>(QStringLiteral("Operation is not allowed when the object is open."));
  FConnectionString = connStr;
}

void TAdoConnection::SetConnectionTimeout(int seconds) {
  FConnectionTimeout = seconds;
  if (FDb)
    sqlite3_busy_timeout(FDb, seconds * 1000);
}

void TAdoConnection::Open() {
  if (FDb)
    return;
  const TConnStrParts parts = ParseConnectionString(FConnectionString);
  if (parts.sDataSource.isEmpty() || !QFile::exists(parts.sDataSource))
    Raise<EAdoError>(QStringLiteral("Could not find file '") + parts.sDataSource + QStringLiteral("'."));
  FDb = OpenKeyed(parts, SQLITE_OPEN_READWRITE, FConnectionTimeout);
  FGeneration = NextGeneration++;
}

void TAdoConnection::Close() {
  if (!FDb)
    return;
  // Statements still compiled by query objects keep the handle alive until they finalize.
  sqlite3_close_v2(FDb);
  FDb = nullptr;
}

void TAdoConnection::ExecDirect(const char *sql) {
  if (!FDb)
    Raise<EAdoError>(QStringLiteral("Operation is not allowed when the object is closed."));
  sqlite3_mutex *mutex = sqlite3_db_mutex(FDb);
  sqlite3_mutex_enter(mutex);
  const int rc = sqlite3_exec(FDb, sql, nullptr, nullptr, nullptr);
  const QString text = rc == SQLITE_OK ? QString() : ErrorText(FDb);
  sqlite3_mutex_leave(mutex);
  if (rc != SQLITE_OK)
    Raise<EAdoError>(text);
}

QStringList TAdoConnection::GetTableNames() {
  if (!FDb)
    Raise<EAdoError>(QStringLiteral("Operation is not allowed when the object is closed."));
  sqlite3_stmt *stmt = nullptr;
  int rc = sqlite3_prepare_v2(FDb,
                              "SELECT name FROM sqlite_master WHERE type='table' "
                              "AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' ORDER BY name",
                              -1, &stmt, nullptr);
  QStringList names;
  if (rc == SQLITE_OK)
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW)
      names << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0)));
  const QString text = rc == SQLITE_DONE ? QString() : ErrorText(FDb);
  sqlite3_finalize(stmt);
  if (rc != SQLITE_DONE)
    Raise<EAdoError>(text);
  return names;
}

void TAdoConnection::BeginTrans() { ExecDirect("BEGIN IMMEDIATE"); }
void TAdoConnection::CommitTrans() { ExecDirect("COMMIT"); }
void TAdoConnection::RollbackTrans() { ExecDirect("ROLLBACK"); }

void AdoCreateDatabase(const QString &connStr) {
  const TConnStrParts parts = ParseConnectionString(connStr);
  const QByteArray path = QFile::encodeName(parts.sDataSource);
  if (QFile::exists(parts.sDataSource))
    Raise<EAdoError>(QStringLiteral("Database already exists. (") + parts.sDataSource + u')');
  // The file is made complete under a temporary name and then linked to its own name, which
  // fails if the name exists. So no process ever opens a half-made file (a keyed file read
  // before its header is written would be taken for a new one with a different salt), and of
  // two processes creating the same file only one succeeds.
  QByteArray temp = path + ".XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0)
    Raise<EAdoError>(QString::fromUtf8(std::strerror(errno)) + QStringLiteral(" (") + parts.sDataSource + u')');
  ::close(fd);
  sqlite3 *db = nullptr;
  try {
    TConnStrParts tempParts = parts;
    tempParts.sDataSource = QFile::decodeName(temp);
    db = OpenKeyed(tempParts, SQLITE_OPEN_READWRITE, 15);
    // Writing the header makes the file keyed from its first byte on.
    if (sqlite3_exec(db, "PRAGMA user_version = 0", nullptr, nullptr, nullptr) != SQLITE_OK)
      Raise<EAdoError>(ErrorText(db));
    sqlite3_close_v2(db);
    db = nullptr;
    if (::link(temp.constData(), path.constData()) != 0) {
      if (errno == EEXIST)
        Raise<EAdoError>(QStringLiteral("Database already exists. (") + parts.sDataSource + u')');
      Raise<EAdoError>(QString::fromUtf8(std::strerror(errno)) + QStringLiteral(" (") + parts.sDataSource + u')');
    }
  } catch (...) {
    sqlite3_close_v2(db);
    ::unlink(temp.constData());
    throw;
  }
  ::unlink(temp.constData());
}
