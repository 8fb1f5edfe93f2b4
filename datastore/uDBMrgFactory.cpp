#include "datastore/uDBMrgFactory.h"
#include "platform/errors/Errors.h"

#include "common/uPathFunc.h"

#include "platform/sqlite/SqliteAside.h"

#include <QFile>
#include <QFileInfo>

#include <array>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <utility>

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
  QStringList Notes;
};

TFactoryState &State() {
  static TFactoryState state;
  return state;
}

// Makes the file when it is not there.
using TMakeFile = void (*)(const QString &path);

// Whether the file is damaged: not a file at all, not a database of this key, or with pages
// that cannot be read. Any other failure to open it is left to the pool's own opening.
bool Damaged(const QString &path, const QString &password) {
  if (!QFileInfo(path).isFile())
    return true;
  TAdoConnection conn;
  conn.SetConnectionString(TDBMrg::GetAccessConnStr(path, password));
  try {
    conn.Open();
    return !conn.Intact();
  } catch (const EAdoError &) {
    return conn.OpenMetDamage();
  }
}

// The pool over the file, made by `make` when missing. A damaged file is moved aside and made
// again, once; what was done is added to the notes.
std::unique_ptr<TDBMrg> OpenRepairing(const QString &path, const QString &password, TMakeFile make,
                                      QStringList &notes) {
  const QString name = QFileInfo(path).fileName();
  const std::optional<TSqliteFileId> found = SqliteFileId(path);
  if (found && Damaged(path, password)) {
    const QString aside = MoveDamagedAside(path, found);
    if (!aside.isEmpty())
      notes << QStringLiteral("数据文件%1已损坏，已改名为%2保存，现在换用一个新文件。")
                   .arg(name, QFileInfo(aside).fileName());
  }
  if (!SqliteFileId(path))
    make(path);
  auto pool = std::make_unique<TDBMrg>(TDBMrg::GetAccessConnStr(path, password), 15, 5);
  if (pool->GetConn()->DiskFull())
    notes << QStringLiteral("数据文件%1所在的磁盘已满：只能读取已有的内容，新的记录不能保存。").arg(name);
  return pool;
}

void CopyDeliveredCatalogue(const QString &path) {
  const QString delivered = GetExePath() + AppdataFileName;
  if (QFile::exists(delivered))
    QFile::copy(delivered, path);  // never overwrites
  if (!QFile::exists(path))
    Raise(QStringLiteral("文件:") + path + QStringLiteral("不存在!"));
}

std::unique_ptr<TDBMrg> OpenMiniAppdata(QStringList &notes) {
  return OpenRepairing(GetDataPath() + AppdataFileName, QString(), CopyDeliveredCatalogue, notes);
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

void CreateCarddata(const QString &path) {
  try {
    TDBMrg::CreateAccessFile(path, CarddataPassword);
  } catch (const std::exception &) {
    if (!QFile::exists(path))  // another process may have created it a moment ago
      throw;
  }
}

std::unique_ptr<TDBMrg> OpenMiniCarddata(QStringList &notes) {
  auto pool = OpenRepairing(GetDataPath() + CarddataFileName, CarddataPassword, CreateCarddata, notes);
  if (!pool->GetConn()->DiskFull())
    CreateMissingTables(*pool);
  return pool;
}

}  // namespace

TDBMrg *TDBMrgFactory::GetDBMrg(TDBMrgID ADBMrgID) {
  TFactoryState &state = State();
  std::lock_guard<std::mutex> lock(state.Lock);
  std::unique_ptr<TDBMrg> &pool = state.Pools.at(size_t(ADBMrgID));
  if (!pool)
    pool = ADBMrgID == TDBMrgID::MiniAppdata ? OpenMiniAppdata(state.Notes) : OpenMiniCarddata(state.Notes);
  return pool.get();
}

QStringList TDBMrgFactory::TakeNotes() {
  TFactoryState &state = State();
  std::lock_guard<std::mutex> lock(state.Lock);
  return std::exchange(state.Notes, {});
}

void TDBMrgFactory::ReleaseAll() {
  TFactoryState &state = State();
  std::lock_guard<std::mutex> lock(state.Lock);
  for (auto &pool : state.Pools)
    pool.reset();
}
