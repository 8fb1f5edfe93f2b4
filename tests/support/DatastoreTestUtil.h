#pragma once
// Shared helpers of the data-store tests: a keyed database file in a test folder.
#include "datastore/uDBMrg.h"
#include "tests/support/TestFolders.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <filesystem>

inline QString ToQString(const std::filesystem::path &path) { return QString::fromStdString(path.string()); }

// Makes a new database file (keyed with password, none when empty) and opens conn on it.
inline void CreateAndOpen(const QString &file, const QString &password, TAdoConnection &conn) {
  TDBMrg::CreateAccessFile(file, password);
  conn.SetConnectionString(TDBMrg::GetAccessConnStr(file, password));
  conn.Open();
}

// A new keyed file with one table `items` (key `id`, text `info`) and its connection string.
inline QString MakeItemsFile(const std::filesystem::path &file, const QString &password = QStringLiteral("pw")) {
  TAdoConnection conn;
  CreateAndOpen(ToQString(file), password, conn);
  TAdoQuery query(&conn);
  query.SetSql(QStringLiteral("Create Table items ( id Counter Primary Key, info memo )"));
  query.ExecSQL();
  return conn.ConnectionString();
}

// A tick count that only moves when the test moves it.
struct TManualClock {
  std::atomic<std::uint32_t> Now{0};
  TTickSource Source() {
    return [this] { return Now.load(); };
  }
};
