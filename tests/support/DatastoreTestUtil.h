#pragma once
// Shared helpers of the data-store tests: a keyed database file in a test folder.
#include "datastore/uDBMrg.h"
#include "tests/support/TestFolders.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <filesystem>

inline QString ToQString(const std::filesystem::path &path) { return QString::fromStdString(path.string()); }

// A new keyed file with one table `items` (key `id`, text `info`) and its connection string.
inline QString MakeItemsFile(const std::filesystem::path &file, const QString &password = QStringLiteral("pw")) {
  TDBMrg::CreateAccessFile(ToQString(file), password);
  const QString connStr = TDBMrg::GetAccessConnStr(ToQString(file), password);
  TAdoConnection conn;
  conn.SetConnectionString(connStr);
  conn.Open();
  TAdoQuery query(&conn);
  query.SetSql(QStringLiteral("Create Table items ( id Counter Primary Key, info memo )"));
  query.ExecSQL();
  return connStr;
}

// A tick count that only moves when the test moves it.
struct TManualClock {
  std::atomic<std::uint32_t> Now{0};
  TTickSource Source() {
    return [this] { return Now.load(); };
  }
};
