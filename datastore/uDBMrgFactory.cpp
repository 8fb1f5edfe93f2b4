#include "datastore/uDBMrgFactory.h"
#include "platform/errors/Errors.h"

#include "common/uPathFunc.h"

#include <QFile>

#include <array>
#include <mutex>
#include <stdexcept>

namespace {

const QString AppdataFileName = QStringLiteral("MiniAppdata.mdb");
const QString CarddataFileName = QStringLiteral("MiniCarddata.mdb");
const QString CarddataPassword = QStringLiteral("907812Kq");

struct TTableLines {
  const char *sName;
  std::initializer_list<const char *> Lines;
};

// The tables of the card database, in the order they are created.
const TTableLines CarddataTables[] = {
    {"cancelrecords", {"Create Table cancelrecords ", "( ", "cid Counter Primary Key, ", "info memo ", ")"}},
    {"historyrecords", {"Create Table historyrecords ", "( ", "hid Counter Primary Key, ", "info memo ", ")"}},
    {"webs", {"Create Table webs ", "( ", "wid Counter Primary Key, ", "url memo, ", "dt memo ", ")"}},
    {"apps", {"Create Table apps ", "( ", "aid Counter Primary Key, ", "app memo, ", "dt memo ", ")"}},
};

struct TFactoryState {
  std::mutex Lock;
  std::array<std::unique_ptr<TDBMrg>, 2> Pools;
};

TFactoryState &State() {
  static TFactoryState state;
  return state;
}

std::unique_ptr<TDBMrg> OpenMiniAppdata() {
  const QString path = GetDataPath() + AppdataFileName;
  if (!QFile::exists(path)) {
    const QString delivered = GetExePath() + AppdataFileName;
    if (QFile::exists(delivered))
      QFile::copy(delivered, path);  // never overwrites
    if (!QFile::exists(path))
      Raise(QStringLiteral("文件:") + path + QStringLiteral("不存在!"));
  }
  return std::make_unique<TDBMrg>(TDBMrg::GetAccessConnStr(path, QString()), 15, 5);
}

QStringList MissingTables(TAdoConnection &conn) {
  const QStringList present = conn.GetTableNames();
  QStringList missing;
  for (const auto &table : CarddataTables)
    if (!present.contains(QString::fromLatin1(table.sName), Qt::CaseInsensitive))
      missing << QString::fromLatin1(table.sName);
  return missing;
}

// Creates the tables the file lacks: all four in a new file, the rest in a file that an
// interrupted creation left behind. The write lock of the transaction keeps two processes
// from creating the same table, and a failure leaves no half of the set behind.
void CreateMissingTables(TDBMrg &pool) {
  TAdoConnection &conn = *pool.GetConn();
  if (MissingTables(conn).isEmpty())
    return;
  TAdoQuery *query = pool.GetAnQuery(1, QString());
  query->Close();
  conn.BeginTrans();
  try {
    const QStringList missing = MissingTables(conn);
    for (const auto &table : CarddataTables) {
      if (!missing.contains(QString::fromLatin1(table.sName)))
        continue;
      query->SqlClear();
      for (const char *line : table.Lines)
        query->SqlAdd(QString::fromLatin1(line));
      query->ExecSQL();
    }
    query->Close();
    conn.CommitTrans();
  } catch (...) {
    query->Close();
    try {
      conn.RollbackTrans();
    } catch (const std::exception &) {
      // the statement's own error is the one to report
    }
    throw;
  }
}

std::unique_ptr<TDBMrg> OpenMiniCarddata() {
  const QString path = GetDataPath() + CarddataFileName;
  if (!QFile::exists(path)) {
    try {
      TDBMrg::CreateAccessFile(path, CarddataPassword);
    } catch (const std::exception &) {
      if (!QFile::exists(path))  // another process may have created it a moment ago
        throw;
    }
  }
  auto pool = std::make_unique<TDBMrg>(TDBMrg::GetAccessConnStr(path, CarddataPassword), 15, 5);
  CreateMissingTables(*pool);
  return pool;
}

}  // namespace

TDBMrg *TDBMrgFactory::GetDBMrg(TDBMrgID ADBMrgID) {
  TFactoryState &state = State();
  std::lock_guard<std::mutex> lock(state.Lock);
  std::unique_ptr<TDBMrg> &pool = state.Pools.at(size_t(ADBMrgID));
  if (!pool)
    pool = ADBMrgID == TDBMrgID::MiniAppdata ? OpenMiniAppdata() : OpenMiniCarddata();
  return pool.get();
}

void TDBMrgFactory::ReleaseAll() {
  TFactoryState &state = State();
  std::lock_guard<std::mutex> lock(state.Lock);
  for (auto &pool : state.Pools)
    pool.reset();
}
