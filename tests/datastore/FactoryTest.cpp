// The database factory (card database, catalogue) and the data-access patterns on top of it.
#include "common/uPathFunc.h"
#include "datastore/uDBMrgFactory.h"
#include "datastore/uMiniAppdataDaobase.h"
#include "datastore/uMiniCarddataDaobase.h"
#include "tests/support/DatastoreTestUtil.h"
#include "tests/support/QStringPrint.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTextStream>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>

#include <pwd.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

const QString CardPassword = QStringLiteral("907812Kq");

class FactoryTest : public ::testing::Test {
protected:
  void SetUp() override { TDBMrgFactory::ReleaseAll(); }
  void TearDown() override {
    TDBMrgFactory::ReleaseAll();
    QFile::remove(DeliveredCatalogue());
  }
  QString DataFolder() const { return ToQString(Folders.CommonAppData()) + QStringLiteral("/Pemblo/"); }
  static QString DeliveredCatalogue() { return GetExePath() + QStringLiteral("MiniAppdata.mdb"); }
  // A catalogue file without password, as delivered beside the program, with one category.
  static void MakeCatalogue(const QString &path, const QString &info) {
    QFile::remove(path);
    TAdoConnection conn;
    CreateAndOpen(path, QString(), conn);
    TAdoQuery query(&conn);
    query.SetSql(QStringLiteral("Create Table categoryinfos ( cid Counter Primary Key, info memo )"));
    query.ExecSQL();
    query.SetSql(QStringLiteral("Create Table appinfos ( aid Counter Primary Key, cid integer, info memo )"));
    query.ExecSQL();
    query.SetSql(QStringLiteral("Insert Into categoryinfos(info) values (:info)"));
    query.SetParam(QStringLiteral("info"), info);
    query.ExecSQL();
  }
  static QStringList Columns(TAdoConnection &conn, const QString &table) {
    TAdoQuery query(&conn);
    query.SetSql(QStringLiteral("Select * from ") + table);
    query.Open();
    QStringList names;
    for (int i = 0; i < query.FieldCount(); ++i)
      names << query.Fields(i).FieldName();
    EXPECT_EQ(query.RecordCount(), 0) << table.toStdString();
    return names;
  }

  TTestFolders Folders;
};

TEST_F(FactoryTest, CardDatabaseIsCreatedKeyedWithFourEmptyTables) {
  TDBMrg *pool = TDBMrgFactory::GetDBMrg(TDBMrgID::MiniCarddata);
  EXPECT_EQ(TDBMrgFactory::GetDBMrg(TDBMrgID::MiniCarddata), pool);
  // Six queries made ready, all lent, so creating the tables took a seventh.
  EXPECT_EQ(pool->PoolCount(), 7);
  const QString path = DataFolder() + QStringLiteral("MiniCarddata.mdb");
  ASSERT_TRUE(QFile::exists(path));
  TDBMrgFactory::ReleaseAll();
  // Nothing of the creation is left beside the file once it is closed.
  EXPECT_EQ(QDir(DataFolder()).entryList(QDir::Files), QStringList{QStringLiteral("MiniCarddata.mdb")});

  TAdoConnection conn;
  conn.SetConnectionString(TDBMrg::GetAccessConnStr(path, CardPassword));
  conn.Open();
  EXPECT_EQ(conn.GetTableNames(), (QStringList{"apps", "cancelrecords", "historyrecords", "webs"}));
  EXPECT_EQ(Columns(conn, QStringLiteral("cancelrecords")), (QStringList{"cid", "info"}));
  EXPECT_EQ(Columns(conn, QStringLiteral("historyrecords")), (QStringList{"hid", "info"}));
  EXPECT_EQ(Columns(conn, QStringLiteral("webs")), (QStringList{"wid", "url", "dt"}));
  EXPECT_EQ(Columns(conn, QStringLiteral("apps")), (QStringList{"aid", "app", "dt"}));

  TAdoConnection withoutKey;
  withoutKey.SetConnectionString(TDBMrg::GetAccessConnStr(path, QString()));
  EXPECT_THROW(withoutKey.Open(), EAdoError);
}

TEST_F(FactoryTest, CardDatabaseIsCreatedWithTheProcessFileMode) {
  const QString path = DataFolder() + QStringLiteral("MiniCarddata.mdb");
  const struct {
    mode_t umask;
    mode_t mode;
  } cases[] = {{022, 0644}, {002, 0664}, {077, 0600}};
  for (const auto &c : cases) {
    const mode_t before = umask(c.umask);
    TDBMrgFactory::GetDBMrg(TDBMrgID::MiniCarddata);
    umask(before);
    struct stat st {};
    ASSERT_EQ(stat(QFile::encodeName(path).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, c.mode) << "umask " << std::oct << c.umask;
    TDBMrgFactory::ReleaseAll();
    QFile::remove(path);
  }
}

TEST_F(FactoryTest, CardDatabaseMissingTablesAreCreatedOnOpening) {
  // A file left by a creation that stopped after its first table.
  const QString path = DataFolder() + QStringLiteral("MiniCarddata.mdb");
  GetDataPath();
  TDBMrg::CreateAccessFile(path, CardPassword);
  {
    TAdoConnection conn;
    conn.SetConnectionString(TDBMrg::GetAccessConnStr(path, CardPassword));
    conn.Open();
    TAdoQuery query(&conn);
    query.SetSql(QStringLiteral("Create Table cancelrecords ( cid Counter Primary Key, info memo )"));
    query.ExecSQL();
    query.SetSql(QStringLiteral("Insert Into cancelrecords(info) values ('kept')"));
    query.ExecSQL();
  }
  TDBMrg *pool = TDBMrgFactory::GetDBMrg(TDBMrgID::MiniCarddata);
  EXPECT_EQ(pool->GetConn()->GetTableNames(), (QStringList{"apps", "cancelrecords", "historyrecords", "webs"}));
  EXPECT_EQ(pool->GetCount(QStringLiteral("cancelrecords")), 1);
}

// A card database with `rows` rows in `apps`, several pages long.
void MakeCardFile(const QString &path, int rows) {
  TAdoConnection conn;
  CreateAndOpen(path, CardPassword, conn);
  TAdoQuery query(&conn);
  query.SetSql(QStringLiteral("Create Table apps ( aid Counter Primary Key, app memo, dt memo )"));
  query.ExecSQL();
  query.SetSql(QStringLiteral("Insert Into apps(app, dt) values (:app, 'd')"));
  for (int i = 0; i < rows; ++i) {
    query.SetParam(QStringLiteral("app"), QStringLiteral("/usr/bin/program-%1-").arg(i) + QString(400, u'x'));
    query.ExecSQL();
  }
}

QByteArray ReadWhole(const QString &path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(not a file)");
}

// A damaged card database is moved aside as it is and a new one takes its name; the opening
// says so once. Before, each of these stopped every opening until someone deleted the file.
TEST_F(FactoryTest, DamagedCardDatabaseIsMovedAsideAndStartedAgain) {
  const QString path = DataFolder() + QStringLiteral("MiniCarddata.mdb");
  GetDataPath();
  const struct {
    const char *sKind;
    std::function<void()> Damage;
  } cases[] = {
      {"truncated",
       [&] {
         MakeCardFile(path, 300);
         ASSERT_TRUE(QFile::resize(path, QFileInfo(path).size() / 2));
       }},
      {"garbage",
       [&] {
         QFile file(path);
         ASSERT_TRUE(file.open(QIODevice::WriteOnly));
         for (int i = 0; i < 4096; ++i)
           file.write(QByteArray::number(i * 7919, 16));
       }},
      {"another key", [&] { TDBMrg::CreateAccessFile(path, QStringLiteral("other")); }},
      {"unencrypted",
       [&] {
         TAdoConnection conn;
         CreateAndOpen(path, QString(), conn);
         TAdoQuery query(&conn);
         query.SetSql(QStringLiteral("Create Table apps ( aid Counter Primary Key, app memo, dt memo )"));
         query.ExecSQL();
       }},
      {"a folder", [&] { ASSERT_TRUE(QDir().mkpath(path + QStringLiteral("/inside"))); }},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.sKind);
    c.Damage();
    const QByteArray damaged = ReadWhole(path);

    TDBMrg *pool = TDBMrgFactory::GetDBMrg(TDBMrgID::MiniCarddata);
    EXPECT_EQ(pool->GetConn()->GetTableNames(), (QStringList{"apps", "cancelrecords", "historyrecords", "webs"}));
    EXPECT_EQ(pool->GetCount(QStringLiteral("apps")), 0);
    const QStringList aside =
        QDir(DataFolder())
            .entryList({QStringLiteral("MiniCarddata.mdb.broken-*")}, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
    ASSERT_EQ(aside.size(), 1) << aside.join(u' ').toStdString();
    EXPECT_EQ(ReadWhole(DataFolder() + aside.front()), damaged);
    const QStringList notes = TDBMrgFactory::TakeNotes();
    ASSERT_EQ(notes.size(), 1) << notes.join(u' ').toStdString();
    EXPECT_TRUE(notes.front().contains(aside.front())) << notes.front().toStdString();

    // The new file is good: the next opening says nothing.
    TDBMrgFactory::ReleaseAll();
    TDBMrgFactory::GetDBMrg(TDBMrgID::MiniCarddata);
    EXPECT_EQ(TDBMrgFactory::TakeNotes(), QStringList());
    TDBMrgFactory::ReleaseAll();
    ASSERT_TRUE(QDir(DataFolder()).removeRecursively());
    GetDataPath();
  }
}

TEST_F(FactoryTest, CatalogueIsCopiedOnceFromTheProgramFolder) {
  const QString expected = QStringLiteral("文件:") + DataFolder() + QStringLiteral("MiniAppdata.mdb不存在!");
  try {
    TDBMrgFactory::GetDBMrg(TDBMrgID::MiniAppdata);
    FAIL() << "opened a catalogue that is nowhere";
  } catch (const std::runtime_error &e) {
    EXPECT_EQ(QString::fromUtf8(e.what()), expected);
  }
  MakeCatalogue(DeliveredCatalogue(), QStringLiteral("first"));
  TDBMrg *pool = TDBMrgFactory::GetDBMrg(TDBMrgID::MiniAppdata);  // the failed opening is tried again
  EXPECT_EQ(TDBMrgFactory::GetDBMrg(TDBMrgID::MiniAppdata), pool);
  EXPECT_NE(TDBMrgFactory::GetDBMrg(TDBMrgID::MiniCarddata), pool);
  EXPECT_TRUE(QFile::exists(DataFolder() + QStringLiteral("MiniAppdata.mdb")));
  EXPECT_EQ(
      pool->GetSomeThing(QStringLiteral("categoryinfos"), QStringLiteral("info"), QStringLiteral("cid"), 1).toString(),
      QStringLiteral("first"));

  // A newer file beside the program does not replace the copy.
  TDBMrgFactory::ReleaseAll();
  MakeCatalogue(DeliveredCatalogue(), QStringLiteral("second"));
  pool = TDBMrgFactory::GetDBMrg(TDBMrgID::MiniAppdata);
  EXPECT_EQ(
      pool->GetSomeThing(QStringLiteral("categoryinfos"), QStringLiteral("info"), QStringLiteral("cid"), 1).toString(),
      QStringLiteral("first"));
}

// A damaged copy of the catalogue left the centre empty for good: now it is moved aside and
// copied again from the program folder, and the opening says so.
TEST_F(FactoryTest, DamagedCatalogueCopyIsCopiedAgain) {
  MakeCatalogue(DeliveredCatalogue(), QStringLiteral("first"));
  QFile copy(GetDataPath() + QStringLiteral("MiniAppdata.mdb"));
  ASSERT_TRUE(copy.open(QIODevice::WriteOnly));
  copy.write(QByteArray(5000, 'c'));
  copy.close();
  TDBMrg *pool = TDBMrgFactory::GetDBMrg(TDBMrgID::MiniAppdata);
  EXPECT_EQ(
      pool->GetSomeThing(QStringLiteral("categoryinfos"), QStringLiteral("info"), QStringLiteral("cid"), 1).toString(),
      QStringLiteral("first"));
  EXPECT_EQ(QDir(DataFolder()).entryList({QStringLiteral("MiniAppdata.mdb.broken-*")}, QDir::Files).size(), 1);
  const QStringList notes = TDBMrgFactory::TakeNotes();
  ASSERT_EQ(notes.size(), 1);
  EXPECT_TRUE(notes.front().startsWith(QStringLiteral("数据文件MiniAppdata.mdb已损坏"))) << notes.front().toStdString();
}

TEST_F(FactoryTest, DataFolderThatCannotBeMadeIsReported) {
  QFile blocker(ToQString(Folders.Root() / "file"));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  setenv("PEMBLO_COMMON_APPDATA", (Folders.Root() / "file").c_str(), 1);
  for (TDBMrgID id : {TDBMrgID::MiniCarddata, TDBMrgID::MiniAppdata}) {
    try {
      TDBMrgFactory::GetDBMrg(id);
      FAIL() << int(id);
    } catch (const std::runtime_error &e) {
      EXPECT_TRUE(QString::fromUtf8(e.what()).startsWith(QStringLiteral("无法创建目录:"))) << e.what();
    }
  }
}

TEST_F(FactoryTest, FirstRequestsFromManyThreadsShareOnePool) {
  std::vector<TDBMrg *> pools(6, nullptr);
  std::vector<std::thread> threads;
  for (size_t i = 0; i < pools.size(); ++i)
    threads.emplace_back([&, i] { pools[i] = TDBMrgFactory::GetDBMrg(TDBMrgID::MiniCarddata); });
  for (auto &t : threads)
    t.join();
  for (TDBMrg *pool : pools)
    EXPECT_EQ(pool, pools.front());
  EXPECT_EQ(pools.front()->GetConn()->GetTableNames().size(), 4);
}

// ---------------------------------------------------------------------------------------------
// Data-access patterns, through a table class of the test's own over `webs`.

struct TTableStruct {
  QString sTableName = QStringLiteral("webs");
  QString sWid = QStringLiteral("wid");
  QString sUrl = QStringLiteral("url");
  QString sDt = QStringLiteral("dt");
};
const TTableStruct WebsTable;

struct TWebsModel {
  int iWid = 0;
  QString sUrl;
  QString sDt;
};

class TWebsTestDao : public TMiniCarddataDaobase {
public:
  static void ReadRow(TAdoQuery &query, TWebsModel &model) {
    model.iWid = query.FieldByName(WebsTable.sWid).AsInteger();
    model.sUrl = query.FieldByName(WebsTable.sUrl).AsString();
    model.sDt = query.FieldByName(WebsTable.sDt).AsString();
  }
  TModelList<TWebsModel> QueryAll() { return ReadAll<TWebsModel>(WebsTable.sTableName, ReadRow); }
  TModelList<TWebsModel> QueryByDt(const QString &dt) {
    return ReadAllWhere<TWebsModel>(WebsTable.sTableName, WebsTable.sDt, dt, ReadRow);
  }
  // Rows whose address is a number; the others cannot be read this way.
  TModelList<TWebsModel> QueryNumbered() {
    return ReadAll<TWebsModel>(WebsTable.sTableName, [](TAdoQuery &query, TWebsModel &model) {
      model.iWid = query.FieldByName(WebsTable.sUrl).AsInteger();
    });
  }
  std::unique_ptr<TWebsModel> QueryOne(int wid) {
    return ReadOne<TWebsModel>(WebsTable.sTableName, WebsTable.sWid, wid, ReadRow);
  }
  int Insert(const TWebsModel *model) {
    if (!model)
      return -1;
    return InsertRow(WebsTable.sTableName, {{WebsTable.sUrl, model->sUrl}, {WebsTable.sDt, model->sDt}});
  }
  int Delete(int wid) { return DeleteByKey(WebsTable.sTableName, WebsTable.sWid, wid); }
  TDBMrg *Pool() const { return DBMrg(); }
};

TEST_F(FactoryTest, TableClassPatterns) {
  TWebsTestDao dao;
  EXPECT_EQ(dao.Pool(), TDBMrgFactory::GetDBMrg(TDBMrgID::MiniCarddata));
  EXPECT_TRUE(dao.QueryAll().empty());
  EXPECT_EQ(dao.QueryOne(1), nullptr);
  EXPECT_EQ(dao.Delete(1), 0);
  EXPECT_EQ(dao.Insert(nullptr), -1);

  const TWebsModel rows[] = {
      {0, QStringLiteral("http://o'reilly.example/?q='x'"), QStringLiteral("iweek:1;tstart:08:00;tend:09:00,")},
      {0, QStringLiteral("12"), QStringLiteral("a")},
      {0, QStringLiteral("7"), QStringLiteral("a")},
      {0, QStringLiteral("'); Delete from webs; --"), QStringLiteral("中文")},
  };
  int expectedKey = 1;
  for (const auto &row : rows)
    EXPECT_EQ(dao.Insert(&row), expectedKey++);

  const auto all = dao.QueryAll();
  ASSERT_EQ(all.size(), 4u);
  for (size_t i = 0; i < all.size(); ++i) {
    EXPECT_EQ(all[i]->iWid, int(i) + 1);
    EXPECT_EQ(all[i]->sUrl, rows[i].sUrl);
    EXPECT_EQ(all[i]->sDt, rows[i].sDt);
  }
  const auto one = dao.QueryOne(1);
  ASSERT_NE(one, nullptr);
  EXPECT_EQ(one->sUrl, rows[0].sUrl);

  const auto numbered = dao.QueryNumbered();  // unreadable rows are left out, order kept
  ASSERT_EQ(numbered.size(), 2u);
  EXPECT_EQ(numbered[0]->iWid, 12);
  EXPECT_EQ(numbered[1]->iWid, 7);
  const auto byDt = dao.QueryByDt(QStringLiteral("a"));
  ASSERT_EQ(byDt.size(), 2u);
  EXPECT_EQ(byDt[1]->iWid, 3);

  EXPECT_EQ(dao.Delete(2), 1);
  EXPECT_EQ(dao.QueryOne(2), nullptr);
  EXPECT_EQ(dao.QueryAll().size(), 3u);
  // Keys keep growing after a delete.
  EXPECT_EQ(dao.Insert(&rows[1]), 5);
}

TEST_F(FactoryTest, CatalogueBaseBindsToTheCataloguePool) {
  MakeCatalogue(DeliveredCatalogue(), QStringLiteral("name:Paint,rank:3"));
  struct TCatalogueDao : TMiniAppdataDaobase {
    TDBMrg *Pool() const { return DBMrg(); }
  } dao;
  EXPECT_EQ(dao.Pool(), TDBMrgFactory::GetDBMrg(TDBMrgID::MiniAppdata));
  EXPECT_EQ(dao.Pool()->GetCount(QStringLiteral("categoryinfos")), 1);
}

TEST_F(FactoryTest, CardBaseReportsTheOpeningError) {
  setenv("PEMBLO_COMMON_APPDATA", "/proc/no-such-folder", 1);
  // The database opens at the first statement, so a table class made in guarded mode never
  // touches the local file.
  TWebsTestDao dao;
  EXPECT_THROW(dao.QueryAll(), std::runtime_error);
}

// A card database its reader may not write (another user's, or on read-only media): rows are
// read, a write fails with SQLite's read-only error. Root may write anything, so as root the
// reader is a child running as "nobody".
TEST_F(FactoryTest, CardDatabaseThatCannotBeWrittenIsReadOnly) {
  {
    TWebsTestDao owner;
    const TWebsModel row{0, QStringLiteral("http://kept.example/"), QStringLiteral("d")};
    ASSERT_EQ(owner.Insert(&row), 1);
  }
  TDBMrgFactory::ReleaseAll();
  const QString path = DataFolder() + QStringLiteral("MiniCarddata.mdb");
  const struct passwd *nobody = getpwnam("nobody");
  if (geteuid() == 0 && !nobody)
    GTEST_SKIP() << "no user to read as";
  // Readable by all, writable by none: the file and the folder it is in.
  std::filesystem::permissions(Folders.Root(), std::filesystem::perms(0755));
  std::filesystem::permissions(Folders.CommonAppData(), std::filesystem::perms(0755));
  ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
  ASSERT_TRUE(QFile::setPermissions(DataFolder(), QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup |
                                                      QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther));
  int report[2];
  ASSERT_EQ(pipe(report), 0);
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    close(report[0]);
    QString result;
    if (geteuid() == 0 && (setgid(nobody->pw_gid) != 0 || setuid(nobody->pw_uid) != 0))
      result = QStringLiteral("cannot become nobody");
    else {
      try {
        TWebsTestDao reader;
        const auto rows = reader.QueryAll();
        result = QStringLiteral("rows %1").arg(rows.size());
        if (rows.size() == 1)
          result += u' ' + rows.front()->sUrl;
        const TWebsModel row{0, QStringLiteral("http://new.example/"), QStringLiteral("d")};
        reader.Insert(&row);
        result += QStringLiteral("; written");
      } catch (const std::exception &e) {
        result += QStringLiteral("; ") + QString::fromUtf8(e.what());
      }
    }
    const QByteArray bytes = result.toUtf8();
    [[maybe_unused]] const ssize_t written = write(report[1], bytes.constData(), size_t(bytes.size()));
    _exit(0);
  }
  close(report[1]);
  QByteArray bytes;
  char buffer[512];
  for (ssize_t n; (n = read(report[0], buffer, sizeof buffer)) > 0;)
    bytes.append(buffer, n);
  close(report[0]);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  QFile::setPermissions(DataFolder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  EXPECT_EQ(QString::fromUtf8(bytes),
            QStringLiteral("rows 1 http://kept.example/; attempt to write a readonly database"));
}

// On a full data disk that no process holds open, the index file a reader makes beside the
// file cannot be made: the file is read as it is, writes fail, and the opening says so. The
// disk is a small tmpfs mounted over the data folder (as root), filled up by a file.
TEST_F(FactoryTest, CardDatabaseOnAFullDiskIsReadAsItIs) {
  const QByteArray disk = QFile::encodeName(ToQString(Folders.CommonAppData()));
  if (mount("tmpfs", disk.constData(), "tmpfs", 0, "size=1m") != 0)
    GTEST_SKIP() << "cannot mount a tmpfs here: " << strerror(errno);
  struct TUnmount {
    QByteArray sPath;
    ~TUnmount() {
      TDBMrgFactory::ReleaseAll();
      umount(sPath.constData());
    }
  } unmount{disk};
  {
    TWebsTestDao dao;
    const TWebsModel row{0, QStringLiteral("http://kept.example/"), QStringLiteral("d")};
    ASSERT_EQ(dao.Insert(&row), 1);
  }
  TDBMrgFactory::ReleaseAll();
  EXPECT_EQ(TDBMrgFactory::TakeNotes(), QStringList());
  QFile fill(DataFolder() + QStringLiteral("fill"));
  ASSERT_TRUE(fill.open(QIODevice::WriteOnly));
  const QByteArray block(4096, 'f');
  while (fill.write(block) == block.size() && fill.flush()) {
  }
  fill.close();

  TWebsTestDao dao;
  const auto rows = dao.QueryAll();
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows.front()->sUrl, QStringLiteral("http://kept.example/"));
  const QStringList notes = TDBMrgFactory::TakeNotes();
  ASSERT_EQ(notes.size(), 1) << notes.join(u' ').toStdString();
  EXPECT_TRUE(notes.front().contains(QStringLiteral("磁盘已满"))) << notes.front().toStdString();
  const TWebsModel row{0, QStringLiteral("http://new.example/"), QStringLiteral("d")};
  EXPECT_THROW(dao.Insert(&row), EAdoError);
  EXPECT_TRUE(QDir(DataFolder()).entryList({QStringLiteral("*.broken-*")}, QDir::AllEntries).isEmpty());
}

// Two processes insert into one file at the same time: every row arrives and each process
// gets back the key of its own row.
TEST_F(FactoryTest, TwoProcessesInsertIntoOneFile) {
  constexpr int Processes = 2, Rows = 500;
  int go[2];
  ASSERT_EQ(pipe(go), 0);
  std::vector<pid_t> children;
  for (int p = 0; p < Processes; ++p) {
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      close(go[1]);
      char byte;
      int status = read(go[0], &byte, 1) == 1 ? 0 : 3;
      QFile out(ToQString(Folders.Root()) + QStringLiteral("/keys-%1.txt").arg(p));
      try {
        TWebsTestDao dao;
        if (!out.open(QIODevice::WriteOnly))
          status = 4;
        QTextStream stream(&out);
        for (int i = 0; i < Rows && status == 0; ++i) {
          const TWebsModel row{0, QStringLiteral("p%1-%2").arg(p).arg(i), QStringLiteral("d")};
          const int key = dao.Insert(&row);
          if (key < 1)
            status = 5;
          stream << key << ' ' << row.sUrl << '\n';
        }
      } catch (const std::exception &e) {
        fprintf(stderr, "child %d: %s\n", p, e.what());
        status = 6;
      }
      out.close();
      TDBMrgFactory::ReleaseAll();
      _exit(status);
    }
    children.push_back(pid);
  }
  close(go[0]);
  ASSERT_EQ(write(go[1], "gg", Processes), Processes);
  close(go[1]);
  for (pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
  }

  TWebsTestDao dao;
  const auto all = dao.QueryAll();
  EXPECT_EQ(all.size(), size_t(Processes * Rows));
  QHash<int, QString> stored;
  for (const auto &row : all)
    stored.insert(row->iWid, row->sUrl);
  QSet<int> keys;
  for (int p = 0; p < Processes; ++p) {
    QFile in(ToQString(Folders.Root()) + QStringLiteral("/keys-%1.txt").arg(p));
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    QTextStream stream(&in);
    int lines = 0;
    for (QString line = stream.readLine(); !line.isNull(); line = stream.readLine(), ++lines) {
      const int key = line.section(u' ', 0, 0).toInt();
      EXPECT_EQ(stored.value(key), line.section(u' ', 1)) << "key " << key;
      keys.insert(key);
    }
    EXPECT_EQ(lines, Rows);
  }
  EXPECT_EQ(keys.size(), Processes * Rows);
}

}  // namespace
