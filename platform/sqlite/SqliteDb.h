#pragma once
// The one wrapper of the suite over SQLite (SQLCipher): a connection and a compiled statement
// that free themselves. A failure raises the owner's kind of error (TSqliteRaise) with SQLite's
// own text, read before anything else on the connection (a rollback, say) can replace it; the
// code of the last failure stays readable for the owner's recovery. Includes no SQLite header:
// the raw handles are there for the owners' hot paths.
#include "platform/errors/Errors.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

struct sqlite3;
struct sqlite3_stmt;
struct sqlite3_mutex;

// Raises the owner's kind of error with the given text; never returns.
using TSqliteRaise = void (*)(const QString &text);

class TSqliteDb {
public:
  explicit TSqliteDb(TSqliteRaise raise) : FRaise(raise) {}
  ~TSqliteDb() { Close(); }
  TSqliteDb(const TSqliteDb &) = delete;
  TSqliteDb &operator=(const TSqliteDb &) = delete;

  // Opens the file (flags as sqlite3_open_v2) and returns SQLite's result code; on failure the
  // connection stays closed and LastErrorText() says why.
  int TryOpen(const QByteArray &file, int flags);
  // Sets the file's key (SQLCipher); returns the result code.
  int TryKey(const QString &password);
  void SetBusyTimeout(int milliseconds);
  // Closes the connection; statements not yet finalized keep it alive until they are.
  void Close();
  bool IsOpen() const { return FDb != nullptr; }
  sqlite3 *Handle() const { return FDb; }

  // Runs statements without rows; returns the result code (the error text is kept).
  int TryExec(const char *sql);
  void Exec(const char *sql);

  // The code and text of the last failure that TryOpen, TryKey, TryExec, Fail or a statement
  // met (0 and empty before any).
  int LastErrorCode() const { return FLastCode; }
  QString LastErrorText() const { return FLastText; }
  // Notes the connection's current error and raises it.
  [[noreturn]] void Fail();
  // Raises the last failure noted.
  [[noreturn]] void RaiseLast();
  // Notes the result code and the connection's error text for it, and returns the code.
  int Note(int rc);

private:
  TSqliteRaise FRaise;
  sqlite3 *FDb = nullptr;
  int FLastCode = 0;
  QString FLastText;
};

// Holds a connection's own lock, so that a statement's error text, change count and new key
// are read before another thread's statement on the same connection replaces them.
class TSqliteLock {
public:
  explicit TSqliteLock(sqlite3 *db);
  ~TSqliteLock();
  TSqliteLock(const TSqliteLock &) = delete;
  TSqliteLock &operator=(const TSqliteLock &) = delete;

private:
  sqlite3_mutex *FMutex;
};

class TSqliteStatement {
public:
  TSqliteStatement() = default;
  // Compiles the first statement of sql; `tail`, when given, receives the text behind it. A
  // text without a statement gives an empty object (Get() is null).
  TSqliteStatement(TSqliteDb &db, const QByteArray &sql, const char **tail = nullptr);
  TSqliteStatement(TSqliteDb &db, const char *sql) : TSqliteStatement(db, QByteArray(sql)) {}
  ~TSqliteStatement();
  TSqliteStatement(TSqliteStatement &&other) noexcept;
  TSqliteStatement &operator=(TSqliteStatement &&other) noexcept;

  TSqliteStatement &Bind(int index, const QString &text);
  TSqliteStatement &Bind(int index, const QByteArray &blob);
  TSqliteStatement &Bind(int index, std::int64_t value);
  TSqliteStatement &Bind(int index, int value) { return Bind(index, std::int64_t(value)); }
  TSqliteStatement &Bind(int index, double value);
  TSqliteStatement &BindNull(int index);

  // True while a row is there; an error raises.
  bool Step();
  // Ends the run and forgets the bound values, for the next run.
  void Reset();

  int ColumnInt(int column) const;
  QByteArray ColumnBlob(int column) const;

  sqlite3_stmt *Get() const { return FStmt; }
  TSqliteDb *Db() const { return FDb; }

private:
  TSqliteDb *FDb = nullptr;
  sqlite3_stmt *FStmt = nullptr;
};
