// The database layer over SQLCipher files: connection strings, keys, statements, parameters,
// fields and the edit/insert state.
#include "platform/ado/AdoConnection.h"
#include "platform/ado/AdoQuery.h"
#include "tests/support/DatastoreTestUtil.h"
#include "tests/support/QStringPrint.h"

#include <gtest/gtest.h>

#include <QFile>

namespace {

class AdoTest : public ::testing::Test {
protected:
  void SetUp() override {
    FFile = Folders.Root() / "ado.db";
    FConnStr = MakeItemsFile(FFile);
    Conn.SetConnectionString(FConnStr);
    Conn.Open();
  }
  void Exec(const QString &sql, std::initializer_list<std::pair<QString, QVariant>> params = {}) {
    TAdoQuery query(&Conn);
    query.SetSql(sql);
    for (const auto &p : params)
      query.SetParam(p.first, p.second);
    query.ExecSQL();
  }

  TTestFolders Folders;
  std::filesystem::path FFile;
  QString FConnStr;
  TAdoConnection Conn;
};

TEST(AdoConnectionString, PicksFileAndPassword) {
  struct Case {
    const char *connStr;
    const char *dataSource;
    const char *password;
  } cases[] = {
      {"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/d/a.mdb;Persist Security Info=True;Jet OLEDB:Database "
       "Password=907812Kq;",
       "/d/a.mdb", "907812Kq"},
      {"Provider=Microsoft.Jet.OLEDB.4.0;Password=\"\";Data Source=/d/b.mdb;Mode=Share Deny None; Extended "
       "Properties = \"\"",
       "/d/b.mdb", ""},
      {"provider=x; DATA SOURCE = /d/c.mdb ; jet oledb:database password=k", "/d/c.mdb", "k"},
      {"Data Source=\"/d/semi;colon.mdb\";Password=\"a\"\"b\"", "/d/semi;colon.mdb", "a\"b"},
      {"Provider=MSDASQL.1; Extended Properties=\"Driver={x};SourceDB=/e;Data Source=/wrong\";Data Source=/d/e.mdb",
       "/d/e.mdb", ""},
      {"Unknown=1;Other", "", ""},
  };
  for (const auto &c : cases) {
    const TConnStrParts parts = ParseConnectionString(QString::fromUtf8(c.connStr));
    EXPECT_EQ(parts.sDataSource, QString::fromUtf8(c.dataSource)) << c.connStr;
    EXPECT_EQ(parts.sPassword, QString::fromUtf8(c.password)) << c.connStr;
  }
}

TEST(AdoConnectionOpen, KeyedFileNeedsItsKey) {
  TTestFolders folders;
  const auto file = folders.Root() / "keyed.db";
  MakeItemsFile(file, QStringLiteral("secret"));
  struct Case {
    const char *password;
    bool opens;
  } cases[] = {{"secret", true}, {"", false}, {"Secret", false}};
  for (const auto &c : cases) {
    TAdoConnection conn;
    conn.SetConnectionString(TDBMrg::GetAccessConnStr(ToQString(file), QString::fromUtf8(c.password)));
    if (c.opens) {
      EXPECT_NO_THROW(conn.Open()) << c.password;
      EXPECT_TRUE(conn.Connected());
    } else {
      EXPECT_THROW(conn.Open(), EAdoError) << c.password;
      EXPECT_FALSE(conn.Connected());
    }
  }
  // The file on disk does not show the plain SQLite header.
  QFile raw(ToQString(file));
  ASSERT_TRUE(raw.open(QIODevice::ReadOnly));
  EXPECT_FALSE(raw.read(16).startsWith("SQLite format 3"));
}

TEST(AdoConnectionOpen, MissingFileAndExistingFileFail) {
  TTestFolders folders;
  const QString missing = ToQString(folders.Root() / "none.db");
  TAdoConnection conn;
  conn.SetConnectionString(TDBMrg::GetAccessConnStr(missing, QStringLiteral("pw")));
  try {
    conn.Open();
    FAIL() << "opened a missing file";
  } catch (const EAdoError &e) {
    EXPECT_TRUE(QString::fromUtf8(e.what()).contains(missing));
  }
  EXPECT_FALSE(QFile::exists(missing));  // opening never creates a file

  const auto file = folders.Root() / "twice.db";
  TDBMrg::CreateAccessFile(ToQString(file), QStringLiteral("pw"));
  EXPECT_THROW(TDBMrg::CreateAccessFile(ToQString(file), QStringLiteral("pw")), EAdoError);
}

TEST_F(AdoTest, JetTableDefinitionGivesAutoNumberedTextColumns) {
  Exec(QStringLiteral("Insert Into items(info) values (:i)"), {{QStringLiteral("i"), QStringLiteral("0042")}});
  Exec(QStringLiteral("Insert Into items(info) values (:i)"), {{QStringLiteral("i"), QStringLiteral("b")}});
  TAdoQuery query(&Conn);
  query.SetSql(QStringLiteral("Select * from items order by id"));
  query.Open();
  ASSERT_EQ(query.RecordCount(), 2);
  EXPECT_EQ(query.FieldByName(QStringLiteral("id")).AsInteger(), 1);
  // A memo column keeps text as text, leading zeros included.
  EXPECT_EQ(query.FieldByName(QStringLiteral("info")).AsVariant().typeId(), QMetaType::QString);
  EXPECT_EQ(query.FieldByName(QStringLiteral("info")).AsString(), QStringLiteral("0042"));
  query.Next();
  EXPECT_EQ(query.FieldByName(QStringLiteral("ID")).AsInteger(), 2);
  // Keys are not reused after the highest row is deleted.
  Exec(QStringLiteral("Delete from items where id=2"));
  Exec(QStringLiteral("Insert Into items(info) values ('c')"));
  query.Close();
  query.SetSql(QStringLiteral("Select Max(id) as m from items"));
  query.Open();
  EXPECT_EQ(query.FieldByName(QStringLiteral("m")).AsInteger(), 3);
}

TEST_F(AdoTest, JetWordsInQuotedTextsAndCommentsStayAsWritten) {
  Exec(QStringLiteral("create table notes (id counter primary key, body memo default 'a memo', "
                      "tag text default '-- counter primary key' /* memo */, \"memo\" memo default 'it''s memo')"));
  Exec(QStringLiteral("Insert Into notes default values"));
  TAdoQuery query(&Conn);
  query.SetSql(QStringLiteral("Select * from notes"));
  query.Open();
  EXPECT_EQ(query.FieldByName(QStringLiteral("id")).AsInteger(), 1);
  EXPECT_EQ(query.FieldByName(QStringLiteral("body")).AsString(), QStringLiteral("a memo"));
  EXPECT_EQ(query.FieldByName(QStringLiteral("tag")).AsString(), QStringLiteral("-- counter primary key"));
  EXPECT_EQ(query.FieldByName(QStringLiteral("memo")).AsString(), QStringLiteral("it's memo"));
}

TEST_F(AdoTest, ParametersMatchWithoutRegardToCase) {
  Exec(QStringLiteral("Insert Into items(info) values (:VarIant)"), {{QStringLiteral("variant"), QStringLiteral("x")}});
  Exec(QStringLiteral("Insert Into items(info) values (:variant)"),
       {{QStringLiteral(":VARIANT"), QStringLiteral("it's")}});
  TAdoQuery query(&Conn);
  query.SetSql(QStringLiteral("Select Count(*) as c from items where info=:VarIant or info=:Other"));
  query.SetParam(QStringLiteral("variant"), QStringLiteral("it's"));
  query.SetParam(QStringLiteral("OTHER"), QStringLiteral("x"));
  query.Open();
  EXPECT_EQ(query.FieldByName(QStringLiteral("C")).AsInteger(), 2);
}

TEST_F(AdoTest, ParameterMistakesAreErrors) {
  TAdoQuery query(&Conn);
  query.SetSql(QStringLiteral("Select * from items where id=:key"));
  EXPECT_THROW(query.Open(), EAdoError);  // no value for :key
  query.SetParam(QStringLiteral("key"), 1);
  query.SetParam(QStringLiteral("kee"), 1);
  EXPECT_THROW(query.Open(), EAdoError);  // :kee is not in the statement
  query.SetSql(QStringLiteral("Select * from items where id=:key and info=:info"));
  query.SetParam(QStringLiteral("key"), 1);
  EXPECT_THROW(query.Open(), EAdoError);  // a new text drops the old values
}

// A colon inside a text literal, a quoted name or a comment is part of the text, not a
// parameter: only :y needs a value, and the literal is compared as written.
TEST_F(AdoTest, ColonsInLiteralsNamesAndCommentsAreNoParameters) {
  Exec(QStringLiteral("Insert Into items(info) values (:i)"), {{QStringLiteral("i"), QStringLiteral("at :x")}});
  Exec(QStringLiteral("Insert Into items(info) values (:i)"), {{QStringLiteral("i"), QStringLiteral("it's :x")}});
  struct TCase {
    const char *Sql;
    int Count;
  };
  const TCase cases[] = {
      {"Select Count(*) as c from items where info='at :x' or info=:y", 1},
      {"Select Count(*) as c from items where info='it''s :x' or info=:y", 1},
      {"Select Count(*) as c from items where info=:y or info='it''s :x' or info='at :x'", 2},
      {"Select Count(*) as \":x\", Count(*) as c from items where info=:y", 0},
      {"Select Count(*) as c from items -- or info=:x\n where info=:y", 0},
      {"Select Count(*) as c /* :x */ from items where info=:y or info='at '||':x'", 1},
  };
  for (const TCase &c : cases) {
    SCOPED_TRACE(c.Sql);
    TAdoQuery query(&Conn);
    query.SetSql(QString::fromUtf8(c.Sql));
    query.SetParam(QStringLiteral("y"), QStringLiteral("none"));
    ASSERT_NO_THROW(query.Open());
    EXPECT_EQ(query.FieldByName(QStringLiteral("c")).AsInteger(), c.Count);
  }
}

TEST_F(AdoTest, ChangedTextIsCompiledAgain) {
  TAdoQuery query(&Conn);
  struct Case {
    QStringList lines;
    int expected;
  } cases[] = {
      {{QStringLiteral("Select 1 as a")}, 1},
      {{QStringLiteral("Select 1 as a")}, 1},
      {{QStringLiteral("Select "), QStringLiteral("2 as a")}, 2},
      {{QStringLiteral("Select 3"), QStringLiteral(" as A")}, 3},
  };
  for (const auto &c : cases) {
    query.SqlClear();
    for (const QString &line : c.lines)
      query.SqlAdd(line);
    query.Open();
    EXPECT_EQ(query.FieldByName(QStringLiteral("a")).AsInteger(), c.expected) << c.lines.join(u'|').toStdString();
  }
  EXPECT_EQ(query.SqlText(), QStringLiteral("Select 3\n as A"));
  // A reopened connection gets freshly compiled statements.
  Conn.Close();
  EXPECT_THROW(query.ExecSQL(), EAdoError);
  Conn.Open();
  query.Close();
  query.Open();
  EXPECT_EQ(query.FieldByName(QStringLiteral("a")).AsInteger(), 3);
}

// Queries share the connection's compiled statements: two queries of one text at once each
// keep their own rows and values, and a statement compiled before a table changed is not
// handed out after it.
TEST_F(AdoTest, QueriesOfOneTextShareNoRunningStatement) {
  Exec(QStringLiteral("Insert Into items(info) values ('a')"));
  Exec(QStringLiteral("Insert Into items(info) values ('b')"));
  const QString select = QStringLiteral("Select * from items where info=:info");
  TAdoQuery first(&Conn), second(&Conn);
  first.SetSql(select);
  first.SetParam(QStringLiteral("info"), QStringLiteral("a"));
  first.Open();
  second.SetSql(select);
  second.SetParam(QStringLiteral("info"), QStringLiteral("b"));
  second.Open();
  EXPECT_EQ(first.FieldByName(QStringLiteral("id")).AsInteger(), 1);
  EXPECT_EQ(second.FieldByName(QStringLiteral("id")).AsInteger(), 2);

  // The text goes back to the connection with the first query's switch, then a column is added.
  first.SetSql(QStringLiteral("Select 1 as one"));
  first.Open();
  Exec(QStringLiteral("Alter Table items Add Column extra integer"));
  TAdoQuery third(&Conn);
  third.SetSql(select);
  third.SetParam(QStringLiteral("info"), QStringLiteral("a"));
  third.Open();
  EXPECT_EQ(third.FieldCount(), 3);
  EXPECT_TRUE(third.FieldByName(QStringLiteral("extra")).IsNull());
}

TEST_F(AdoTest, ExecReportsRowsAffectedAndErrors) {
  TAdoQuery query(&Conn);
  query.SetSql(QStringLiteral("Insert Into items(info) values ('a')"));
  EXPECT_EQ(query.ExecSQL(), 1);
  EXPECT_EQ(query.LastInsertId(), 1);
  EXPECT_EQ(query.ExecSQL(), 1);
  EXPECT_EQ(query.LastInsertId(), 2);
  query.SetSql(QStringLiteral("Update items set info='b'"));
  EXPECT_EQ(query.ExecSQL(), 2);
  query.SetSql(QStringLiteral("Delete from items where id=99"));
  EXPECT_EQ(query.ExecSQL(), 0);
  query.SetSql(QStringLiteral("Create Table other ( oid Counter Primary Key, t memo )"));
  EXPECT_EQ(query.ExecSQL(), 0);
  EXPECT_EQ(Conn.GetTableNames(), (QStringList{QStringLiteral("items"), QStringLiteral("other")}));
  for (const char *bad : {"Select * from nowhere", "Selec 1", "Select 1; Select 2"}) {
    query.SetSql(QString::fromUtf8(bad));
    EXPECT_THROW(query.ExecSQL(), EAdoError) << bad;
  }
  query.SetSql(QStringLiteral("Delete from items"));
  EXPECT_THROW(query.Open(), EAdoError);  // returns no rows
}

TEST_F(AdoTest, FieldsReadAsIntegerTextAndVariant) {
  TAdoQuery query(&Conn);
  query.SetSql(QStringLiteral("Select 7 as i, ' 12' as t, 'x1' as bad, NULL as n, 2.6 as r, 5000000000 as big"));
  query.Open();
  EXPECT_EQ(query.FieldByName(QStringLiteral("I")).AsString(), QStringLiteral("7"));
  EXPECT_EQ(query.FieldByName(QStringLiteral("t")).AsInteger(), 12);
  EXPECT_THROW(query.FieldByName(QStringLiteral("bad")).AsInteger(), EAdoError);
  EXPECT_EQ(query.FieldByName(QStringLiteral("n")).AsInteger(), 0);
  EXPECT_EQ(query.FieldByName(QStringLiteral("n")).AsString(), QString());
  EXPECT_TRUE(query.FieldByName(QStringLiteral("n")).AsVariant().isValid());
  EXPECT_TRUE(query.FieldByName(QStringLiteral("n")).IsNull());
  EXPECT_EQ(query.FieldByName(QStringLiteral("r")).AsInteger(), 3);
  EXPECT_THROW(query.FieldByName(QStringLiteral("big")).AsInteger(), EAdoError);
  EXPECT_EQ(query.FieldByName(QStringLiteral("big")).AsVariant().toLongLong(), 5000000000LL);
  EXPECT_THROW(query.FieldByName(QStringLiteral("missing")), EAdoError);
}

TEST_F(AdoTest, CursorWalksRowsInOrder) {
  for (const char *info : {"a", "b", "c"})
    Exec(QStringLiteral("Insert Into items(info) values (:i)"), {{QStringLiteral("i"), QString::fromUtf8(info)}});
  TAdoQuery query(&Conn);
  query.SetSql(QStringLiteral("Select * from items "));
  query.Open();
  QString seen;
  for (query.First(); !query.Eof(); query.Next())
    seen += query.FieldByName(QStringLiteral("info")).AsString();
  EXPECT_EQ(seen, QStringLiteral("abc"));
  query.Next();
  EXPECT_TRUE(query.Eof());
  query.First();
  EXPECT_EQ(query.FieldByName(QStringLiteral("info")).AsString(), QStringLiteral("a"));
  query.Close();
  EXPECT_TRUE(query.Eof());
  EXPECT_THROW(query.RecordCount(), EAdoError);
}

TEST_F(AdoTest, AppendAndEditArePostedToTheTable) {
  TAdoQuery query(&Conn);
  query.SetSql(QStringLiteral("Select * from items where 1=2"));
  query.Open();
  EXPECT_EQ(query.State(), TDataSetState::dsBrowse);
  EXPECT_THROW(query.FieldByName(QStringLiteral("info")).SetValue(QStringLiteral("x")), EAdoError);
  query.Append();
  EXPECT_EQ(query.State(), TDataSetState::dsInsert);
  query.FieldByName(QStringLiteral("INFO")).SetValue(QStringLiteral("o'neil"));
  query.Post();
  EXPECT_EQ(query.State(), TDataSetState::dsBrowse);
  EXPECT_EQ(query.FieldByName(QStringLiteral("id")).AsInteger(), 1);  // the key the file gave
  query.Edit();
  EXPECT_EQ(query.State(), TDataSetState::dsEdit);
  query.FieldByName(QStringLiteral("info")).SetValue(QStringLiteral("changed"));
  query.Post();
  query.Append();
  query.FieldByName(QStringLiteral("info")).SetValue(QStringLiteral("dropped"));
  query.Cancel();

  TAdoQuery check(&Conn);
  check.SetSql(QStringLiteral("Select * from items"));
  check.Open();
  ASSERT_EQ(check.RecordCount(), 1);
  EXPECT_EQ(check.FieldByName(QStringLiteral("info")).AsString(), QStringLiteral("changed"));

  check.Close();
  check.SetSql(QStringLiteral("Select count(*) as c from items"));
  check.Open();
  check.Edit();
  check.FieldByName(QStringLiteral("c")).SetValue(5);
  EXPECT_THROW(check.Post(), EAdoError);  // a computed column belongs to no table
}

TEST_F(AdoTest, OpenResultHoldsNoLockOnTheFile) {
  Exec(QStringLiteral("Insert Into items(info) values ('a')"));
  Exec(QStringLiteral("Insert Into items(info) values ('b')"));
  TAdoQuery reader(&Conn);
  reader.SetSql(QStringLiteral("Select * from items"));
  reader.Open();
  // A second connection (another process, in effect) that will not wait at all.
  TAdoConnection other;
  other.SetConnectionTimeout(0);
  other.SetConnectionString(FConnStr);
  other.Open();
  TAdoQuery writer(&other);
  writer.SetSql(QStringLiteral("Insert Into items(info) values ('c')"));
  EXPECT_EQ(writer.ExecSQL(), 1);
  EXPECT_EQ(reader.RecordCount(), 2);
}

}  // namespace
