#define SQLITE_HAS_CODEC 1
#include "platform/ado/AdoConnection.h"
#include "platform/ado/AdoStatement.h"
#include "platform/sqlite/SqliteAside.h"

#include <sqlite3.h>

#include <QFile>
#include <QUrl>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <unistd.h>

namespace {

std::atomic<std::uint64_t> NextGeneration{1};

QString Unquote(QString value) {
  value = value.trimmed();
  if (value.size() >= 2 && value.startsWith(u'"') && value.endsWith(u'"'))
    value = value.mid(1, value.size() - 2).replace(QStringLiteral("\"\""), QStringLiteral("\""));
  return value;
}

[[noreturn]] void RaiseAdo(const QString &text) { Raise<EAdoError>(text); }

// How many compiled statements a connection keeps for reuse.
constexpr size_t KeptStatements = 32;

// Opens the file with its key and checks that the key fits by reading the schema; returns
// SQLite's result code and leaves the connection closed on failure.
int OpenKeyed(TSqliteDb &db, const QByteArray &name, const QString &password, int flags, int timeoutSeconds) {
  int rc = db.TryOpen(name, flags | SQLITE_OPEN_FULLMUTEX);
  if (rc == SQLITE_OK && !password.isEmpty())
    rc = db.TryKey(password);
  if (rc == SQLITE_OK) {
    db.SetBusyTimeout(timeoutSeconds * 1000);
    rc = db.TryExec("SELECT count(*) FROM sqlite_master");
  }
  if (rc != SQLITE_OK && db.IsOpen())
    rc = sqlite3_extended_errcode(db.Handle());  // the primary code alone does not say which file failed
  if (rc != SQLITE_OK)
    db.Close();
  return rc;
}

[[noreturn]] void RaiseOpening(const TSqliteDb &db, const QString &file) {
  Raise<EAdoError>(db.LastErrorText() + QStringLiteral(" (") + file + u')');
}

// The failures of a reader that cannot make or grow the log index beside the file.
bool NoRoomBeside(int rc) {
  return (rc & 0xFF) == SQLITE_FULL || rc == SQLITE_IOERR_SHMOPEN || rc == SQLITE_IOERR_SHMSIZE ||
         rc == SQLITE_IOERR_SHMMAP;
}

QByteArray ImmutableUri(const QByteArray &path) {
  return "file:" + QUrl::toPercentEncoding(QString::fromLocal8Bit(path), "/") + "?immutable=1";
}

// Returns false, with the connection closed, when the disk has no room for the log index: the
// caller reads the file as an unchanging one then.
bool OpenWritable(TSqliteDb &db, const TConnStrParts &parts, int timeoutSeconds) {
  const int rc =
      OpenKeyed(db, QFile::encodeName(parts.sDataSource), parts.sPassword, SQLITE_OPEN_READWRITE, timeoutSeconds);
  if (rc != SQLITE_OK && NoRoomBeside(rc))
    return false;
  if (rc != SQLITE_OK)
    RaiseOpening(db, parts.sDataSource);
  // With a write-ahead log, readers in other processes never block a writer and a commit
  // needs no flush to disk of its own; the file stays consistent. A file that cannot switch
  // (held by another process right now) keeps its mode.
  db.TryExec("PRAGMA journal_mode=WAL");
  db.TryExec("PRAGMA synchronous=NORMAL");
  return true;
}

// A file in write-ahead mode is read through an index file beside it that the first reader
// makes; where none is there and none can be made (a folder the reader may not write, read-only
// media, a full disk), no writer has the file open, and it is read as an unchanging file.
void OpenImmutable(TSqliteDb &db, const TConnStrParts &parts, int timeoutSeconds) {
  if (OpenKeyed(db, ImmutableUri(QFile::encodeName(parts.sDataSource)), parts.sPassword,
                SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, timeoutSeconds) != SQLITE_OK)
    RaiseOpening(db, parts.sDataSource);
}

void OpenReadOnly(TSqliteDb &db, const TConnStrParts &parts, int timeoutSeconds) {
  const int rc =
      OpenKeyed(db, QFile::encodeName(parts.sDataSource), parts.sPassword, SQLITE_OPEN_READONLY, timeoutSeconds);
  if ((rc & 0xFF) == SQLITE_CANTOPEN || NoRoomBeside(rc))
    OpenImmutable(db, parts, timeoutSeconds);
  else if (rc != SQLITE_OK)
    RaiseOpening(db, parts.sDataSource);
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

TAdoConnection::TAdoConnection() : FDb(RaiseAdo) {}

TAdoConnection::~TAdoConnection() { Close(); }

void TAdoConnection::SetConnectionString(const QString &connStr) {
  if (Connected())
    Raise<EAdoError>(QStringLiteral("Operation is not allowed when the object is open."));
  FConnectionString = connStr;
}

void TAdoConnection::SetConnectionTimeout(int seconds) {
  FConnectionTimeout = seconds;
  FDb.SetBusyTimeout(seconds * 1000);
}

void TAdoConnection::Open() {
  if (Connected())
    return;
  const TConnStrParts parts = ParseConnectionString(FConnectionString);
  if (parts.sDataSource.isEmpty() || !QFile::exists(parts.sDataSource))
    Raise<EAdoError>(QStringLiteral("Could not find file '") + parts.sDataSource + QStringLiteral("'."));
  FOpenMetDamage = false;
  FDiskFull = false;
  try {
    if (::faccessat(AT_FDCWD, QFile::encodeName(parts.sDataSource).constData(), W_OK, AT_EACCESS) != 0)
      OpenReadOnly(FDb, parts, FConnectionTimeout);
    else if (!OpenWritable(FDb, parts, FConnectionTimeout)) {
      OpenImmutable(FDb, parts, FConnectionTimeout);
      FDiskFull = true;
    }
  } catch (const EAdoError &) {
    FOpenMetDamage = SqliteDamaged(FDb.LastErrorCode());
    throw;
  }
  FGeneration = NextGeneration++;
}

bool TAdoConnection::Intact() {
  if (!Connected())
    Raise<EAdoError>(QStringLiteral("Operation is not allowed when the object is closed."));
  try {
    TSqliteStatement check(FDb, "PRAGMA quick_check(1)");
    return check.Step() && check.ColumnBlob(0) == "ok";
  } catch (const EAdoError &) {
    if (SqliteDamaged(FDb.LastErrorCode()))
      return false;
    throw;
  }
}

void TAdoConnection::Close() {
  ForgetStatements();
  // Statements still compiled by query objects keep the handle alive until they finalize.
  FDb.Close();
}

std::unique_ptr<TAdoStatement> TAdoConnection::TakeStatement(const QString &text) {
  if (!Connected())
    Raise<EAdoError>(QStringLiteral("Operation is not allowed when the object is closed."));
  {
    std::lock_guard<std::mutex> lock(FKeptLock);
    for (auto it = FKept.rbegin(); it != FKept.rend(); ++it) {
      if ((*it)->sText == text) {
        std::unique_ptr<TAdoStatement> found = std::move(*it);
        FKept.erase(std::next(it).base());
        return found;
      }
    }
  }
  auto compiled = std::make_unique<TAdoStatement>(CompileAdoStatement(FDb, text));
  compiled->iGeneration = FGeneration;
  return compiled;
}

void TAdoConnection::GiveBack(std::unique_ptr<TAdoStatement> statement) {
  if (!statement || !Connected() || statement->iGeneration != FGeneration || statement->bSchema)
    return;
  statement->Stmt.Reset();
  std::unique_ptr<TAdoStatement> dropped;  // finalized outside the lock
  std::lock_guard<std::mutex> lock(FKeptLock);
  if (FKept.size() >= KeptStatements) {
    dropped = std::move(FKept.front());
    FKept.erase(FKept.begin());
  }
  FKept.push_back(std::move(statement));
}

void TAdoConnection::ForgetStatements() {
  std::vector<std::unique_ptr<TAdoStatement>> dropped;
  std::lock_guard<std::mutex> lock(FKeptLock);
  dropped.swap(FKept);
}

void TAdoConnection::ExecDirect(const char *sql) {
  if (!Connected())
    Raise<EAdoError>(QStringLiteral("Operation is not allowed when the object is closed."));
  if (FDb.TryExec(sql) != SQLITE_OK)
    FDb.RaiseLast();
}

QStringList TAdoConnection::GetTableNames() {
  if (!Connected())
    Raise<EAdoError>(QStringLiteral("Operation is not allowed when the object is closed."));
  TSqliteStatement stmt(FDb, "SELECT name FROM sqlite_master WHERE type='table' "
                             "AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' ORDER BY name");
  QStringList names;
  while (stmt.Step())
    names << QString::fromUtf8(stmt.ColumnBlob(0));
  return names;
}

void TAdoConnection::BeginTrans() { ExecDirect("BEGIN IMMEDIATE"); }
void TAdoConnection::CommitTrans() { ExecDirect("COMMIT"); }
void TAdoConnection::RollbackTrans() { ExecDirect("ROLLBACK"); }

// A name beside `path` that no file has, created empty with the process's usual file mode.
static QByteArray CreateTempBeside(const QByteArray &path, const QString &source) {
  std::random_device random;
  for (;;) {
    const QByteArray temp = path + '.' + QByteArray::number(quint32(random()), 36);
    const int fd = ::open(temp.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      ::close(fd);
      return temp;
    }
    if (errno != EEXIST)
      Raise<EAdoError>(QString::fromUtf8(std::strerror(errno)) + QStringLiteral(" (") + source + u')');
  }
}

void AdoCreateDatabase(const QString &connStr) {
  const TConnStrParts parts = ParseConnectionString(connStr);
  const QByteArray path = QFile::encodeName(parts.sDataSource);
  if (QFile::exists(parts.sDataSource))
    Raise<EAdoError>(QStringLiteral("Database already exists. (") + parts.sDataSource + u')');
  // The file is made complete under a temporary name and then linked to its own name, which
  // fails if the name exists. So no process ever opens a half-made file (a keyed file read
  // before its header is written would be taken for a new one with a different salt), and of
  // two processes creating the same file only one succeeds.
  const QByteArray temp = CreateTempBeside(path, parts.sDataSource);
  try {
    TSqliteDb db(RaiseAdo);
    if (OpenKeyed(db, temp, parts.sPassword, SQLITE_OPEN_READWRITE, 15) != SQLITE_OK)
      RaiseOpening(db, parts.sDataSource);
    db.TryExec("PRAGMA journal_mode=WAL");
    // Writing the header makes the file keyed from its first byte on.
    db.Exec("PRAGMA user_version = 0");
    db.Close();
    if (::link(temp.constData(), path.constData()) != 0) {
      if (errno == EEXIST)
        Raise<EAdoError>(QStringLiteral("Database already exists. (") + parts.sDataSource + u')');
      Raise<EAdoError>(QString::fromUtf8(std::strerror(errno)) + QStringLiteral(" (") + parts.sDataSource + u')');
    }
  } catch (...) {
    ::unlink(temp.constData());
    throw;
  }
  ::unlink(temp.constData());
}
