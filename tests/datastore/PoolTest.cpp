// The query pool: loans and markers, the checker, limits, statement operations and the
// connection-string family.
#include "datastore/uDBMrg.h"
#include "tests/support/DatastoreTestUtil.h"

#include <gtest/gtest.h>

#include <QSet>

#include <chrono>
#include <thread>

namespace {

const char *const LimitMessage =
    "AdoQuery已经达到最大限制数量！缓冲池不允许再添加新对象\r请检查是否由于忘记回归ADOQUERY所导致";

class PoolTest : public ::testing::Test {
protected:
  void SetUp() override {
    FConnStr = MakeItemsFile(Folders.Root() / "pool.db");
    Pool = std::make_unique<TDBMrg>(FConnStr, 15, 5, Clock.Source());
  }
  QStringList Markers() const {
    QStringList markers;
    for (int i = 0; i < Pool->PoolCount(); ++i)
      markers << Pool->PoolMarker(i);
    return markers;
  }
  void Insert(const QVariant &info) {
    Pool->ExecAnSql(QStringLiteral("Insert Into %s(%s) values (:info)"),
                    {QStringLiteral("items"), QStringLiteral("info")}, {{QStringLiteral("info"), info}});
  }
  // Waits (bounded) until the checker thread has turned the marker of entry `index` into `marker`.
  bool WaitForMarker(int index, const QString &marker) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (Pool->PoolMarker(index) != marker) {
      if (std::chrono::steady_clock::now() > deadline)
        return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
  }

  TTestFolders Folders;
  TManualClock Clock;  // frozen unless a test moves it: the checker makes no pass on its own
  QString FConnStr;
  std::unique_ptr<TDBMrg> Pool;
};

TEST_F(PoolTest, NewPoolLendsSixQueriesForOneSecond) {
  ASSERT_EQ(Pool->PoolCount(), 6);
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(Pool->PoolQuery(i)->Name(), QStringLiteral("MyPool%1").arg(i + 1));
    EXPECT_EQ(Pool->PoolQuery(i)->Tag(), i);
    EXPECT_EQ(Pool->PoolQuery(i)->Connection(), Pool->GetConn());
  }
  EXPECT_EQ(Markers(), QStringList(6, QStringLiteral("1")));
  Pool->CheckPass();
  EXPECT_EQ(Markers(), QStringList(6, QStringLiteral("0")));
  Pool->CheckPass();
  EXPECT_EQ(Markers(), QStringList(6, QString()));
  EXPECT_EQ(Pool->PoolFreeCount(), 6);
}

TEST_F(PoolTest, UseTimeCountsDownOnePerPass) {
  Pool->CheckPass();
  Pool->CheckPass();
  TAdoQuery *first = Pool->GetAnQuery(0, QString());
  TAdoQuery *again = Pool->GetAnQuery(0, QString());
  EXPECT_EQ(first, again);  // use time 0 reserves nothing
  EXPECT_EQ(first, Pool->PoolQuery(0));
  EXPECT_EQ(Pool->PoolCount(), 6);

  TAdoQuery *timed = Pool->GetAnQuery(3, QString());
  EXPECT_EQ(timed, Pool->PoolQuery(0));
  QStringList seen{Pool->PoolMarker(0)};
  for (int pass = 0; pass < 4; ++pass) {
    Pool->CheckPass();
    seen << Pool->PoolMarker(0);
  }
  EXPECT_EQ(seen, (QStringList{"3", "2", "1", "0", ""}));
  // A lent query is not handed out again: with all six lent, a seventh is made.
  for (int i = 0; i < 6; ++i)
    Pool->GetAnQuery(1, QString());
  TAdoQuery *seventh = Pool->GetAnQuery(2, QString());
  EXPECT_EQ(seventh->Name(), QStringLiteral("MyPool7"));
  EXPECT_EQ(seventh->Tag(), 6);
  EXPECT_EQ(Pool->PoolMarker(6), QStringLiteral("2"));
}

TEST_F(PoolTest, NamedQueriesAreKeptForGood) {
  TAdoQuery *abc = Pool->GetAnQuery(5, QStringLiteral("abc"));
  EXPECT_EQ(abc->Name(), QStringLiteral("MyPoolabc"));
  EXPECT_EQ(Pool->PoolCount(), 7);
  EXPECT_EQ(Pool->PoolMarker(6), QStringLiteral("-1"));
  for (int pass = 0; pass < 3; ++pass)
    Pool->CheckPass();
  EXPECT_EQ(Pool->PoolMarker(6), QStringLiteral("-1"));

  EXPECT_EQ(Pool->GetAnQuery(5, QStringLiteral("abc")), abc);
  EXPECT_EQ(Pool->PoolMarker(6), QStringLiteral("5"));
  EXPECT_EQ(Pool->GetAnQuery(QStringLiteral("abc")), abc);  // marker unchanged
  EXPECT_EQ(Pool->PoolMarker(6), QStringLiteral("5"));
  EXPECT_EQ(Pool->GetAnQuery(QString()), nullptr);
  EXPECT_EQ(Pool->GetAnQuery(QStringLiteral("ABC"))->Name(), QStringLiteral("MyPoolABC"));  // names compare exactly

  Pool->BackToPool(QStringLiteral("abc"));
  EXPECT_EQ(Pool->PoolMarker(6), QStringLiteral("5"));
  Pool->BackToPool(QStringLiteral("MyPoolabc"));
  EXPECT_EQ(Pool->PoolMarker(6), QString());
  // The six older entries are free after the passes; the freed named query comes next.
  for (int i = 0; i < 6; ++i)
    EXPECT_EQ(Pool->GetAnQuery(1, QString()), Pool->PoolQuery(i));
  EXPECT_EQ(Pool->GetAnQuery(1, QString()), abc);
  Pool->BackToPool(Pool->PoolQuery(2));
  EXPECT_EQ(Pool->PoolMarker(2), QString());
}

TEST_F(PoolTest, BackToPoolWithAForeignTagFails) {
  Pool->BackToPool(static_cast<TAdoQuery *>(nullptr));
  for (int tag : {-1, 6, 1000}) {
    TAdoQuery stray(Pool->GetConn());
    stray.SetTag(tag);
    try {
      Pool->BackToPool(&stray);
      FAIL() << tag;
    } catch (const std::runtime_error &e) {
      EXPECT_STREQ(e.what(), "回归Adoquery的时候异常 Tag属性被改变");
    }
  }
}

TEST_F(PoolTest, LimitAllows501QueriesThenFails) {
  EXPECT_EQ(Pool->TotCount(), 500);
  while (Pool->PoolCount() < 501)
    Pool->GetAnQuery(5, QString());
  for (const QString &name : {QString(), QStringLiteral("named")}) {
    try {
      Pool->GetAnQuery(5, name);
      FAIL() << "the 502nd query was lent";
    } catch (const std::runtime_error &e) {
      EXPECT_STREQ(e.what(), LimitMessage);
    }
  }
  EXPECT_THROW(Pool->GetAnQuery(QStringLiteral("named")), std::runtime_error);
  EXPECT_EQ(Pool->PoolCount(), 501);
}

TEST_F(PoolTest, AdoptedQueriesJoinFreeUpToTheLimit) {
  TAdoConnection elsewhere;
  Pool->SetTotCount(7);
  auto outside = std::make_unique<TAdoQuery>(&elsewhere);
  TAdoQuery *adopted = outside.get();
  Pool->AddAnOutAdo(std::move(outside));
  EXPECT_EQ(outside, nullptr);
  EXPECT_EQ(Pool->PoolCount(), 7);
  EXPECT_EQ(Pool->PoolQuery(6), adopted);
  EXPECT_EQ(adopted->Tag(), 6);
  EXPECT_EQ(adopted->Connection(), Pool->GetConn());
  EXPECT_EQ(Pool->PoolMarker(6), QString());

  auto extra = std::make_unique<TAdoQuery>(&elsewhere);
  extra->SetSql(QStringLiteral("Select 1 as a"));
  try {
    Pool->AddAnOutAdo(std::move(extra));
    FAIL() << "adopted beyond the limit";
  } catch (const std::runtime_error &e) {
    EXPECT_STREQ(e.what(), "已经达到最大限度不允许在添加新的QUERY");
  }
  ASSERT_NE(extra, nullptr);  // still the caller's, closed and bound to the pool's connection
  EXPECT_EQ(extra->Connection(), Pool->GetConn());
  EXPECT_EQ(Pool->PoolCount(), 7);
}

TEST_F(PoolTest, CheckerPassesOnceASecondAcrossTheTickWrap) {
  // A pool whose clock sits just before the 32-bit wrap.
  Pool.reset();
  Clock.Now = 0xFFFFFF00u;
  Pool = std::make_unique<TDBMrg>(FConnStr, 15, 5, Clock.Source());
  Clock.Now += 999;
  std::this_thread::sleep_for(std::chrono::milliseconds(250));
  EXPECT_EQ(Pool->PoolMarker(0), QStringLiteral("1"));  // not a second yet
  Clock.Now += 1;                                       // wraps past zero
  ASSERT_TRUE(WaitForMarker(0, QStringLiteral("0")));
  Clock.Now += 1000;
  ASSERT_TRUE(WaitForMarker(0, QString()));
  EXPECT_EQ(Markers(), QStringList(6, QString()));
}

TEST(TickWrap, ElapsedAcrossWrapAround) {
  struct Case {
    std::uint32_t now, since;
    bool elapsed;
  } cases[] = {
      {1000, 0, true}, {999, 0, false}, {0x000002E7u, 0xFFFFFF00u, false}, {0x000002E8u, 0xFFFFFF00u, true},
      {5, 5, false},   {4, 5, true},  // a tick count that went backwards reads as a long time
  };
  for (const auto &c : cases)
    EXPECT_EQ(TicksElapsed(c.now, c.since, 1000), c.elapsed) << c.now << " " << c.since;
}

TEST_F(PoolTest, BorrowersOnManyThreadsNeverShareATimedQuery) {
  constexpr int Threads = 4, Loans = 100;
  std::vector<std::vector<TAdoQuery *>> lent(Threads);
  std::atomic<bool> done{false};
  std::thread checker([&] {
    while (!done)
      Pool->CheckPass();
  });
  std::vector<std::thread> borrowers;
  for (int t = 0; t < Threads; ++t)
    borrowers.emplace_back([&, t] {
      for (int i = 0; i < Loans; ++i)
        lent[size_t(t)].push_back(Pool->GetAnQuery(1000000, QString()));
    });
  for (auto &b : borrowers)
    b.join();
  done = true;
  checker.join();
  QSet<TAdoQuery *> distinct;
  for (const auto &list : lent)
    for (TAdoQuery *q : list)
      distinct.insert(q);
  // The six made at creation may have been freed by the passes and lent again; nothing else.
  EXPECT_EQ(distinct.size(), Threads * Loans);
  EXPECT_LE(Pool->PoolCount(), 6 + Threads * Loans);
  for (int i = 0; i < Pool->PoolCount(); ++i)
    EXPECT_EQ(Pool->PoolQuery(i)->Tag(), i);
}

TEST_F(PoolTest, MaxIdAndNextId) {
  EXPECT_EQ(Pool->GetMaxID(QStringLiteral("items"), QStringLiteral("id")), 0);
  EXPECT_EQ(Pool->GetId(QStringLiteral("items"), QStringLiteral("id")), 1);
  Pool->ExecAnSql(QStringLiteral("Insert Into items(id, info) values (:id, 'x')"), {{QStringLiteral("id"), 7}});
  Pool->ExecAnSql(QStringLiteral("Insert Into items(id, info) values (:id, 'x')"), {{QStringLiteral("id"), 3}});
  EXPECT_EQ(Pool->GetMaxID(QStringLiteral("items"), QStringLiteral("id")), 7);
  EXPECT_EQ(Pool->GetId(QStringLiteral("items"), QStringLiteral("id")), 8);
  EXPECT_THROW(Pool->GetMaxID(QStringLiteral("nowhere"), QStringLiteral("id")), std::runtime_error);
}

TEST_F(PoolTest, LookupsByValue) {
  Insert(QStringLiteral("C:/Program Files/it's here.exe"));
  Insert(QStringLiteral("b"));
  Insert(QStringLiteral("b"));
  const QString items = QStringLiteral("items"), id = QStringLiteral("id"), info = QStringLiteral("info");

  const QVariant found = Pool->GetSomeThing(items, info, id, 1);
  EXPECT_EQ(found.toString(), QStringLiteral("C:/Program Files/it's here.exe"));
  const QVariant missing = Pool->GetSomeThing(items, info, id, 99);
  EXPECT_FALSE(missing.isValid());
  EXPECT_EQ(Pool->GetSomeThing(items, id, info, QStringLiteral("C:/Program Files/it's here.exe")).toInt(), 1);

  EXPECT_EQ(Pool->GetCount(items, info, QStringLiteral("b")), 2);
  EXPECT_EQ(Pool->GetCount(items, info, QStringLiteral("x' or '1'='1")), 0);
  EXPECT_EQ(Pool->GetCount(QStringLiteral("nowhere"), info, QStringLiteral("b")), 0);  // failures count as 0
  EXPECT_EQ(Pool->GetCount(items), 3);
  EXPECT_THROW(Pool->GetCount(QStringLiteral("nowhere")), std::runtime_error);

  EXPECT_TRUE(Pool->IsExitThis(items, id, 2));
  EXPECT_FALSE(Pool->IsExitThis(items, id, 4));
  EXPECT_THROW(Pool->IsExitThis(items, QStringLiteral("nocolumn"), 1), std::runtime_error);

  EXPECT_EQ(Pool->DeleteSomeThing(items, info, QStringLiteral("b")), 2);
  EXPECT_EQ(Pool->DeleteSomeThing(items, id, 42), 0);
  EXPECT_EQ(Pool->GetCount(items), 1);
}

TEST_F(PoolTest, OperationsCloseOrLeaveOpenTheirQuery) {
  Insert(QStringLiteral("a"));
  Pool->CheckPass();
  Pool->CheckPass();  // all six free
  const QString items = QStringLiteral("items");
  struct Case {
    const char *what;
    std::function<TAdoQuery *()> run;
    bool leftOpen;
    QString marker;
  } cases[] = {
      {"OpenTable", [&] { return Pool->OpenTable(items, 4); }, true, "4"},
      {"Ready", [&] { return Pool->Ready(items, 2); }, true, "2"},
      {"OpenDataset", [&] { return Pool->OpenDataset(QStringLiteral("Select * from items")); }, true, "1"},
      {"OpenDataset pattern", [&] { return Pool->OpenDataset(3, QStringLiteral("Select * from %s"), {items}); }, true,
       "3"},
      {"ExecAnSql",
       [&] {
         Pool->ExecAnSql(2, QStringLiteral("Update %s set info='b'"), {items});
         return Pool->PoolQuery(0);
       },
       false, ""},
      {"GetSomeThing",
       [&] {
         Pool->GetSomeThing(items, QStringLiteral("info"), QStringLiteral("id"), 1);
         return Pool->PoolQuery(0);
       },
       false, ""},
      {"GetMaxID",
       [&] {
         Pool->GetMaxID(items, QStringLiteral("id"));
         return Pool->PoolQuery(0);
       },
       true, ""},
      {"GetCount",
       [&] {
         Pool->GetCount(items, QStringLiteral("id"), 1);
         return Pool->PoolQuery(0);
       },
       true, ""},
  };
  for (const auto &c : cases) {
    TAdoQuery *query = c.run();
    EXPECT_EQ(query, Pool->PoolQuery(0)) << c.what;
    EXPECT_EQ(query->Active(), c.leftOpen) << c.what;
    EXPECT_EQ(Pool->PoolMarker(0), c.marker) << c.what;
    Pool->BackToPool(query);
    query->Close();
  }
  TAdoQuery *ready = Pool->Ready(items, 1);
  EXPECT_EQ(ready->RecordCount(), 0);
  EXPECT_EQ(ready->SqlText(), QStringLiteral("Select * from items where 1=2"));
  EXPECT_EQ(Pool->OpenTable(items, 1)->SqlText(), QStringLiteral("Select * from items "));
}

TEST_F(PoolTest, BurstOfStatementsStaysWithinThePool) {
  // With the checker frozen, 1,000 inserts each followed by a read of the largest key.
  for (int i = 1; i <= 1000; ++i) {
    Insert(QStringLiteral("row"));
    ASSERT_EQ(Pool->GetMaxID(QStringLiteral("items"), QStringLiteral("id")), i);
  }
  EXPECT_EQ(Pool->PoolCount(), 7);
  EXPECT_EQ(Pool->GetCount(QStringLiteral("items"), QStringLiteral("info"), QStringLiteral("row")), 1000);
}

TEST_F(PoolTest, NamedDatasetAndSafePost) {
  TAdoQuery *named = Pool->OpenDataset(QStringLiteral("list"), QStringLiteral("Select * from items where 1=2"));
  EXPECT_EQ(named->Name(), QStringLiteral("MyPoollist"));
  EXPECT_EQ(Pool->PoolMarker(named->Tag()), QStringLiteral("-1"));
  EXPECT_THROW(Pool->OpenDataset(QString(), QStringLiteral("Select 1")), std::runtime_error);

  EXPECT_FALSE(TDBMrg::CheckModState(named));
  EXPECT_FALSE(TDBMrg::SafePost(named));
  named->Append();
  named->FieldByName(QStringLiteral("info")).SetValue(QStringLiteral("posted"));
  EXPECT_TRUE(TDBMrg::CheckModState(named));
  EXPECT_TRUE(TDBMrg::SafePost(named));
  EXPECT_FALSE(TDBMrg::CheckModState(named));
  named->Edit();
  EXPECT_TRUE(TDBMrg::CheckModState(named));
  named->Cancel();
  EXPECT_EQ(Pool->GetSomeThing(QStringLiteral("items"), QStringLiteral("info"), QStringLiteral("id"), 1).toString(),
            QStringLiteral("posted"));
}

TEST(FormatStatement, FillsNamesInOrder) {
  EXPECT_EQ(FormatStatement(QStringLiteral("Select Max(%s) as myMax  from  %s"),
                            {QStringLiteral("aid"), QStringLiteral("apps")}),
            QStringLiteral("Select Max(aid) as myMax  from  apps"));
  EXPECT_EQ(
      FormatStatement(QStringLiteral("%s where %s=%d and x like '5%%'"), {QStringLiteral("t"), QStringLiteral("k"), 7}),
      QStringLiteral("t where k=7 and x like '5%'"));
  for (const char *bad : {"%s %s", "%d", "%x", "50%"})
    EXPECT_THROW(FormatStatement(QString::fromUtf8(bad), {QStringLiteral("only")}), std::runtime_error) << bad;
}

TEST(ConnectionStrings, TemplatesCharacterForCharacter) {
  const QString a = QStringLiteral("A"), b = QStringLiteral("B"), c3 = QStringLiteral("C"), d = QStringLiteral("D");
  struct Case {
    QString got;
    const char *expected;
  } cases[] = {
      {TDBMrg::GetAccessConnStr(a, b),
       "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=A;Persist Security Info=True;Jet OLEDB:Database Password=B;"},
      {TDBMrg::GetAccessConnStr(a, QString()),
       "Provider=Microsoft.Jet.OLEDB.4.0;Password=\"\";Data Source=A;Mode=Share Deny None; Extended Properties = \"\""},
      {TDBMrg::GetExcelConnStr(a),
       "Provider = Microsoft.Jet.OLEDB.4.0;Data Source = A; Extended Properties = EXCEL 8.0; Persist Security Info = "
       "False;"},
      {TDBMrg::GetMsSQLConnStr(a, b, c3, d),
       "Provider=SQLOLEDB.1;Password=C;Persist Security Info=True;User ID=B;Initial Catalog=D;Data Source=A"},
      {TDBMrg::GetOracleConnStr(a, b, c3),
       "Provider=OraOLEDB.Oracle.1;Password=C;Persist Security Info=True;User ID=B;Data Source=A"},
      {TDBMrg::GetDBFConnStr(a),
       "Provider=MSDASQL.1;Persist Security Info=False; Extended Properties=\"Driver={Microsoft Visual FoxPro "
       "Driver};UID=;SourceDB=A;SourceType=DBF;Exclusive=No;BackgroundFetch=Yes;Collate=PINYIN;Null=Yes;Deleted=no;\""},
      {TDBMrg::GetTextConnStr(a),
       "Provider=Microsoft.Jet.OLEDB.4.0;User ID=Admin;Data Source=A;Extended Properties=text"},
      {TDBMrg::GetMySqlConnStr(a, b, c3, d),
       "DRIVER={MySQL ODBC 3.51 Driver};SERVER=A;DATABASE=B;UID=C;PASSWORD=D;OPTION=3"},
      // A path with a percent sign is taken verbatim.
      {TDBMrg::GetAccessConnStr(QStringLiteral("/d/100%s.mdb"), QString()),
       "Provider=Microsoft.Jet.OLEDB.4.0;Password=\"\";Data Source=/d/100%s.mdb;Mode=Share Deny None; Extended "
       "Properties = \"\""},
  };
  for (const auto &c : cases)
    EXPECT_EQ(c.got.toStdString(), c.expected);
}

TEST(PoolCreate, FailedOpeningGivesNoPool) {
  TTestFolders folders;
  const QString missing = ToQString(folders.Root() / "missing.mdb");
  EXPECT_THROW(TDBMrg(TDBMrg::GetAccessConnStr(missing, QString()), 15, 5), EAdoError);
}

TEST(PoolCreate, OverAnOuterConnection) {
  TTestFolders folders;
  const QString connStr = MakeItemsFile(folders.Root() / "outer.db");
  TAdoConnection conn;
  conn.SetConnectionString(connStr);
  conn.Open();
  {
    TDBMrg pool(&conn, 2);
    EXPECT_EQ(pool.PoolCount(), 2);
    EXPECT_EQ(pool.GetConn(), &conn);
    EXPECT_EQ(pool.GetCount(QStringLiteral("items")), 0);
  }
  EXPECT_TRUE(conn.Connected());  // not the pool's to close
}

}  // namespace
