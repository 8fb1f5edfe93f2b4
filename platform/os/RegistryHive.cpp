#include "platform/os/RegistryHive.h"
#include "platform/errors/Errors.h"

#include "platform/os/SpecialFolders.h"

#include "platform/sqlite/SqliteAside.h"
#include "platform/sqlite/SqliteDb.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <optional>
#include <sqlite3.h>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

namespace {

// Bounds on the waits for other writers: in the queue, then on SQLite's own lock. A write that
// cannot begin within them fails like any write the hive refuses.
const int kQueueWaitMs = 2000;
const int kBusyTimeoutMs = 5000;

const char kSchema[] = "CREATE TABLE IF NOT EXISTS keys(path TEXT PRIMARY KEY, name TEXT NOT NULL);"
                       "CREATE TABLE IF NOT EXISTS vals(key TEXT NOT NULL, name TEXT NOT NULL, shown TEXT NOT NULL,"
                       " type INTEGER NOT NULL, data BLOB NOT NULL, PRIMARY KEY(key, name));";

[[noreturn]] void RaiseRegistry(const QString &text) {
  Raise<ERegistryError>(QStringLiteral("Registry error: ") + text);
}

// The parts of a key path; empty parts (a leading, doubled or trailing "\") are dropped.
QStringList Parts(const QString &key) { return key.split('\\', Qt::SkipEmptyParts); }

// The form in which keys and names are compared.
QString Fold(const QString &s) { return s.toCaseFolded(); }
QString FoldedPath(const QStringList &parts) { return Fold(parts.join('\\')); }

// A full disk counts as well, and a hive another program keeps locked past the waits: the
// write did not happen, and the hive is whole.
bool Unwritable(int rc) {
  const int primary = rc & 0xFF;
  return primary == SQLITE_BUSY || primary == SQLITE_READONLY || primary == SQLITE_CANTOPEN || primary == SQLITE_PERM ||
         primary == SQLITE_AUTH || primary == SQLITE_FULL;
}

// The writers of a hive queue on an flock of "<hive>.lock": the kernel hands the lock to a
// waiting writer as soon as it is free, where SQLite's own busy wait sleeps and lets the writer
// that just finished take the file again and again. The queue only orders writers; SQLite's own
// lock keeps each write whole. So a writer waits in the queue for a bounded time only, then
// goes on without it: a lock file held by another program (or a writer that hangs) slows
// writes down but stops none. A lock file that cannot be made (a folder that cannot be
// written) leaves the queueing to SQLite.
class THiveLock {
public:
  explicit THiveLock(const QString &hive) {
    const QByteArray name = QFile::encodeName(hive + QStringLiteral(".lock"));
    FFd = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (FFd < 0)
      FFd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
    if (FFd >= 0 && ::flock(FFd, LOCK_EX | LOCK_NB) != 0)
      WaitInQueue();
  }
  ~THiveLock() {
    if (FFd >= 0)
      ::close(FFd);  // releases the lock
  }
  THiveLock(const THiveLock &) = delete;
  THiveLock &operator=(const THiveLock &) = delete;

private:
  struct TWait {
    std::mutex Lock;
    std::condition_variable Changed;
    bool Granted = false;
    bool Abandoned = false;
  };

  // Waits in the kernel's queue (a loop of tries would lose its order) on a thread of its own,
  // through a second descriptor of the same open file, whose lock is this one's. A wait that
  // outlasts the bound is abandoned: the lock, once granted, is given straight back.
  void WaitInQueue() {
    const int queued = ::fcntl(FFd, F_DUPFD_CLOEXEC, 0);
    if (queued < 0)
      return;
    auto wait = std::make_shared<TWait>();
    std::thread([wait, queued] {
      while (::flock(queued, LOCK_EX) != 0 && errno == EINTR) {
      }
      {
        const std::lock_guard<std::mutex> hold(wait->Lock);
        if (wait->Abandoned)
          ::flock(queued, LOCK_UN);
        else
          wait->Granted = true;
      }
      wait->Changed.notify_all();
      ::close(queued);  // the lock stays with the owner's descriptor
    }).detach();
    std::unique_lock<std::mutex> hold(wait->Lock);
    if (!wait->Changed.wait_for(hold, std::chrono::milliseconds(kQueueWaitMs), [&] { return wait->Granted; }))
      wait->Abandoned = true;
  }

  int FFd = -1;
};

// Raises the connection's last failure. A hive that is no database, or a damaged one, is moved
// aside first (under the writers' lock, which `locked` says is held already), so the error is
// met once and the next access starts a new hive.
[[noreturn]] void FailHive(TSqliteDb &db, const QString &file, const std::optional<TSqliteFileId> &opened,
                           bool locked) {
  const QString text = db.LastErrorText();
  if (SqliteDamaged(db.LastErrorCode())) {
    db.Close();
    std::optional<THiveLock> lock;
    if (!locked)
      lock.emplace(file);
    const QString aside = MoveDamagedAside(file, opened);
    if (!aside.isEmpty())
      RaiseRegistry(text + QStringLiteral(" (the hive was moved aside to ") + aside + u')');
  }
  RaiseRegistry(text);
}

// Opens the hive; false when it cannot be opened.
bool OpenHive(TSqliteDb &db, const QString &file, int flags) {
  if (db.TryOpen(QFile::encodeName(file), flags | SQLITE_OPEN_NOMUTEX) != SQLITE_OK)
    return false;
  db.SetBusyTimeout(kBusyTimeoutMs);
  return true;
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
  TSqliteStatement s(*FDb, "SELECT 1 FROM keys WHERE path = ?");
  return s.Bind(1, FoldedPath(parts)).Step();
}

std::optional<TRegValue> THiveAccess::ReadValue(const QString &key, const QString &name) const {
  TSqliteStatement s(*FDb, "SELECT type, data FROM vals WHERE key = ? AND name = ?");
  if (!s.Bind(1, FoldedPath(Parts(key))).Bind(2, Fold(name)).Step())
    return std::nullopt;
  return TRegValue{TRegDataType(s.ColumnInt(0)), s.ColumnBlob(1)};
}

void THiveAccess::CreateKey(const QString &key) {
  const QStringList parts = Parts(key);
  TSqliteStatement s(*FDb, "INSERT OR IGNORE INTO keys(path, name) VALUES(?, ?)");
  for (qsizetype n = 1; n <= parts.size(); ++n) {
    s.Bind(1, FoldedPath(parts.mid(0, n))).Bind(2, parts[n - 1]).Step();
    s.Reset();
  }
}

void THiveAccess::WriteValue(const QString &key, const QString &name, const TRegValue &value) {
  CreateKey(key);
  TSqliteStatement s(*FDb, "INSERT OR REPLACE INTO vals(key, name, shown, type, data) VALUES(?, ?, ?, ?, ?)");
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
  const THiveLock lock(file);
  TSqliteDb db(RaiseRegistry);
  const std::optional<TSqliteFileId> opened = SqliteFileId(file);
  if (!OpenHive(db, file, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE))
    return false;
  // A failed step is answered after the rollback, with the error noted before it.
  const auto failed = [&](int rc) {
    db.TryExec("ROLLBACK");
    if (Unwritable(rc))
      return false;
    FailHive(db, file, opened, true);
  };
  // Taking the write lock first makes the whole of work one step for the other processes.
  if (const int rc = db.TryExec("BEGIN IMMEDIATE"); rc != SQLITE_OK) {
    if (Unwritable(rc))
      return false;
    FailHive(db, file, opened, true);
  }
  if (const int rc = db.TryExec(kSchema); rc != SQLITE_OK)
    return failed(rc);
  try {
    THiveAccess access(&db);
    work(access);
  } catch (const ERegistryError &) {
    db.TryExec("ROLLBACK");
    if (SqliteDamaged(db.LastErrorCode()))
      FailHive(db, file, opened, true);
    // A step that found no room (or no right) to write: nothing was written.
    if (Unwritable(db.LastErrorCode()))
      return false;
    throw;
  } catch (...) {
    db.TryExec("ROLLBACK");
    throw;
  }
  if (const int rc = db.TryExec("COMMIT"); rc != SQLITE_OK)
    return failed(rc);
  return true;
}

bool ReadHive(THKey root, const std::function<void(const THiveAccess &)> &work) {
  const QString file = HiveFileName(root);
  if (!QFileInfo(file).isFile())
    return false;
  TSqliteDb db(RaiseRegistry);
  const std::optional<TSqliteFileId> opened = SqliteFileId(file);
  if (!OpenHive(db, file, SQLITE_OPEN_READONLY))
    return false;
  // A hive file that holds no tables yet has no keys.
  if (db.TryExec("BEGIN; SELECT 1 FROM keys, vals LIMIT 0") != SQLITE_OK) {
    if (SqliteDamaged(db.LastErrorCode()))
      FailHive(db, file, opened, false);
    return false;
  }
  try {
    const THiveAccess access(&db);
    work(access);
  } catch (const ERegistryError &) {
    if (SqliteDamaged(db.LastErrorCode()))
      FailHive(db, file, opened, false);
    throw;
  }
  db.TryExec("COMMIT");
  return true;
}
