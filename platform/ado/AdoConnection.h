#pragma once
// The database connection of the suite: an ADO-shaped connection over an SQLCipher file.
// It understands the Jet connection strings the data store builds: "Data Source" names the
// file, "Jet OLEDB:Database Password" (or a non-empty "Password") is the file's key. Every
// other key is read and ignored. The connection timeout is the time a statement waits for a
// file that another process holds locked, so several processes can share one file. A file this
// process may not write (another user's, read-only media) is opened read-only: reading works,
// writing raises SQLite's "attempt to write a readonly database". So is a file on a disk with no
// room for the index file every reader makes beside it (then no process has the file open).
#include "platform/errors/Errors.h"
#include "platform/sqlite/SqliteDb.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <vector>

struct sqlite3;
struct TAdoStatement;

// The values of a connection string this layer acts on.
struct TConnStrParts {
  QString sDataSource;
  QString sPassword;  // empty: the file has no key
};

// Splits "key=value;..." (keys without regard to letter case, values optionally in double
// quotes, where "" stands for one quote) and picks out the file and its password.
TConnStrParts ParseConnectionString(const QString &connStr);

class TAdoConnection {
public:
  TAdoConnection();
  ~TAdoConnection();
  TAdoConnection(const TAdoConnection &) = delete;
  TAdoConnection &operator=(const TAdoConnection &) = delete;

  QString ConnectionString() const { return FConnectionString; }
  void SetConnectionString(const QString &connStr);
  int ConnectionTimeout() const { return FConnectionTimeout; }
  void SetConnectionTimeout(int seconds);

  // Opens the file named by the connection string. A missing file, a wrong key or a damaged
  // file raise EAdoError and leave the connection closed.
  void Open();
  void Close();
  bool Connected() const { return FDb.IsOpen(); }
  // Whether the last Open that raised met a file that is no database, has another key or is
  // damaged (the file's fault, not the opener's).
  bool OpenMetDamage() const { return FOpenMetDamage; }
  // Whether the open file is read-only because its disk is full.
  bool DiskFull() const { return FDiskFull; }
  // Reads every page of the open file; false when one is damaged. Other failures raise.
  bool Intact();

  // Names of the user tables of the open file, sorted.
  QStringList GetTableNames();

  // A transaction takes the file's write lock at its start, so that a check-then-change
  // inside it cannot interleave with another process.
  void BeginTrans();
  void CommitTrans();
  void RollbackTrans();

  // For the query objects: the open handle (null when closed) and a number that changes at
  // every opening, by which a query knows that its compiled statement is stale.
  sqlite3 *Handle() const { return FDb.Handle(); }
  std::uint64_t Generation() const { return FGeneration; }

  // The compiled statement of the text: one kept from an earlier query, or a new one. Give it
  // back when done; a statement of an earlier opening is dropped then.
  std::unique_ptr<TAdoStatement> TakeStatement(const QString &text);
  void GiveBack(std::unique_ptr<TAdoStatement> statement);
  // Drops the kept statements (after a change of the tables they may refer to).
  void ForgetStatements();

  // Runs a statement without parameters or rows (used for transaction control).
  void ExecDirect(const char *sql);

private:
  QString FConnectionString;
  int FConnectionTimeout = 15;
  TSqliteDb FDb;
  std::uint64_t FGeneration = 0;
  bool FOpenMetDamage = false;
  bool FDiskFull = false;
  std::mutex FKeptLock;                               // queries on several threads share the connection
  std::vector<std::unique_ptr<TAdoStatement>> FKept;  // oldest first
};

// Creates a new, empty database file keyed with the password of the connection string (the
// catalogue object's Create). Fails when the file already exists.
void AdoCreateDatabase(const QString &connStr);
