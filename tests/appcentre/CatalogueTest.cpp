// The catalogue's data access: reading the info texts of both tables (macros, separator repair,
// keys found by position, unreadable rows left out alone) and writing one back in a form that
// reads back, whatever its values hold.
#include "appcentre/uAppInfosDao.h"
#include "appcentre/uCategoryInfosDao.h"
#include "common/uPathFunc.h"
#include "platform/errors/Errors.h"
#include "tests/appcentre/CatalogueFixture.h"
#include "tests/support/QStringPrint.h"
#include "tests/support/TestFolders.h"

#include <gtest/gtest.h>

namespace {

class CatalogueTest : public ::testing::Test {
protected:
  void TearDown() override { TDBMrgFactory::ReleaseAll(); }
  TTestFolders folders;
  const QString app = GetExePath();  // what both macros stand for, with its trailing "/"
};

struct TParseCase {
  const char *what;
  QString info;
  bool listed;  // false: the row is left out
  QString name;
  int rank;
  QString logo;
  int type;
  QString durl;
  QString categoryExe;  // program path as a category reads it
  QString appExe;       // ... and as an application of a group does
};

TEST_F(CatalogueTest, InfoTextsOfBothTables) {
  const TParseCase cases[] = {
      {"macros, and the doubled separator repaired in a category's program path",
       "name:Paint,rank:3,logo:{app}icons/p.png,type:1,durl:,exe_path:{app}/tools/p", true, "Paint", 3,
       app + "icons/p.png", 1, "", app + "tools/p", "{app}/tools/p"},
      {"{commonappdata} is the executable folder too",
       "name:画图,rank:0,logo:{commonappdata}p.png,type:0,durl:http://a.b/,exe_path:{commonappdata}x", true, "画图", 0,
       app + "p.png", 0, "http://a.b/", app + "x", "{commonappdata}x"},
      {"macros are case-sensitive", "name:A,rank:1,logo:{APP}p.png,type:2,durl:,exe_path:{APP}x", true, "A", 1,
       "{APP}p.png", 2, "", "{APP}x", "{APP}x"},
      {"fields by position: the text behind the key's first occurrence",
       "xname:abc,rank:5,logo:l,type:3,durl:,exe_path:", true, "abc", 5, "l", 3, "", "", ""},
      {"... also when the key occurs again", "name:name:x,rank: 6,logo:l,type:3,durl:rank:7,exe_path:", true, "name:x",
       6, "l", 3, "rank:7", "", ""},
      {"quotes are kept", "name:小明's \"站\",rank:1,logo:l,type:0,durl:http://x/'q',exe_path:", true, "小明's \"站\"",
       1, "l", 0, "http://x/'q'", "", ""},
      {"empty rank: left out", "name:A,rank:,logo:l,type:0,durl:,exe_path:", false, "", 0, "", -1, "", "", ""},
      {"type no number: left out", "name:A,rank:1,logo:l,type:x1,durl:,exe_path:", false, "", 0, "", -1, "", "", ""},
      {"a seventh field: left out", "name:A,rank:1,logo:l,type:0,durl:,exe_path:,", false, "", 0, "", -1, "", "", ""},
      {"a comma inside a value: left out", "name:A,B,rank:1,logo:l,type:0,durl:,exe_path:", false, "", 0, "", -1, "",
       "", ""},
      {"an address's comma written as %2C is read as it stands",
       "name:A,rank:1,logo:l,type:3,durl:http://x/?a=1%2C2,exe_path:", true, "A", 1, "l", 3, "http://x/?a=1%2C2", "",
       ""},
      {"empty text: left out", "", false, "", 0, "", -1, "", "", ""},
      {"a NUL ends the text: left out",
       QStringLiteral("name:A,rank:1,logo:l") + QChar(0) + ",type:0,durl:,exe_path:", false, "", 0, "", -1, "", "", ""},
      {"five fields: left out", "name:A,rank:1,logo:l,type:0,durl:", false, "", 0, "", -1, "", "", ""},
      {"a good row after the bad ones is read", "name:后,rank:2,logo:l,type:0,durl:http://after/,exe_path:", true, "后",
       2, "l", 0, "http://after/", "", ""},
  };
  std::vector<QString> categories;
  std::vector<TAppRow> apps;
  for (const TParseCase &c : cases) {
    categories.push_back(c.info);
    apps.push_back({7, c.info});
  }
  apps.push_back({8, cases[0].info});  // another group
  WriteCatalogue(categories, apps);

  const auto read = TCategoryInfosDao().QueryAll();
  const auto group = TAppInfosDao().QueryAllFromCID(7);
  size_t row = 0;
  for (size_t i = 0; i < std::size(cases); ++i) {
    const TParseCase &c = cases[i];
    SCOPED_TRACE(c.what);
    if (!c.listed) {
      EXPECT_TRUE(row >= read.size() || read[row]->icid != int(i + 1));
      continue;
    }
    ASSERT_LT(row, read.size());
    ASSERT_LT(row, group.size());
    const TCategoryInfosModel &cat = *read[row];
    const TAppInfosMode &a = *group[row];
    ++row;
    EXPECT_EQ(cat.icid, int(i + 1));
    EXPECT_EQ(a.icid, 7);
    EXPECT_EQ(a.iaid, int(i + 1));
    for (const TInfoFields *f : {static_cast<const TInfoFields *>(&cat), static_cast<const TInfoFields *>(&a)}) {
      EXPECT_EQ(f->sname, c.name);
      EXPECT_EQ(f->irank, c.rank);
      EXPECT_EQ(f->slogo, c.logo);
      EXPECT_EQ(f->itype, c.type);
      EXPECT_EQ(f->sdurl, c.durl);
    }
    EXPECT_EQ(cat.sexe_path, c.categoryExe);
    EXPECT_EQ(a.sexe_path, c.appExe);
  }
  EXPECT_EQ(read.size(), row);
  EXPECT_EQ(group.size(), row) << "only the rows of the group asked for";
  EXPECT_TRUE(TAppInfosDao().QueryAllFromCID(0).empty());
  EXPECT_TRUE(TAppInfosDao().QueryAllFromCID(-8).empty());
}

TEST_F(CatalogueTest, UpdateWritesTheTextBackWithTheLogoFoldedIntoTheMacro) {
  WriteCatalogue({"name:我的网址,rank:4,logo:{app}icons/w.png,type:3,durl:,exe_path:{app}/bin/x"});
  auto read = TCategoryInfosDao().QueryAll();
  ASSERT_EQ(read.size(), 1u);
  TCategoryInfosModel &entry = *read[0];
  entry.sdurl = "http://example.org/a'b\"c?q=%1";
  entry.sname = "小明's";

  EXPECT_EQ(TCategoryInfosDao().UpdateFromCID(&entry), 1);
  EXPECT_EQ(entry.slogo, "{app}icons/w.png") << "the record is folded as well";
  EXPECT_EQ(entry.sexe_path, app + "bin/x") << "the record keeps the program path it runs";
  EXPECT_EQ(StoredCategoryInfo(1),
            "name:小明's,rank:4,logo:{app}icons/w.png,type:3,durl:http://example.org/a'b\"c?q=%1,exe_path:{app}bin/x")
      << "quotes and percent signs stored as typed; the program path folded like the logo";
  auto again = TCategoryInfosDao().QueryAll();
  ASSERT_EQ(again.size(), 1u);
  EXPECT_EQ(again[0]->sdurl, entry.sdurl);
  EXPECT_EQ(again[0]->slogo, app + "icons/w.png");
  EXPECT_EQ(again[0]->sexe_path, app + "bin/x");

  entry.icid = 99;
  EXPECT_EQ(TCategoryInfosDao().UpdateFromCID(&entry), 0) << "a cid that no longer exists";
  EXPECT_EQ(TCategoryInfosDao().UpdateFromCID(nullptr), 0);
}

// Values as a record may hold them, written into the middle row of three and read back from the
// database file by a new pool, as after a restart: what reads back, or the refusal of a value
// that no form of the text holds. The rows around it stay whole either way.
TEST_F(CatalogueTest, AnyValueWrittenBackReadsBackWithTheRowsAroundIt) {
  const QString nul(QChar(0));
  const struct {
    const char *sWhat;
    TInfoFields written;
    TInfoFields read;  // irank and itype as written
    QString sError;    // the path the update's refusal names; empty when it writes
  } cases[] = {
      {"an address's commas as %2C",
       {"链接", 1, "{app}l.png", 3, "127.0.0.1:18765/good.html?a=1,2", ""},
       {"链接", 1, app + "l.png", 3, "127.0.0.1:18765/good.html?a=1%2C2", ""}},
      {"keys inside the address",
       {"链接", 1, "{app}l.png", 3, "http://x/?q=,durl:,exe_path:/bin/sh,", ""},
       {"链接", 1, app + "l.png", 3, "http://x/?q=%2Cdurl:%2Cexe_path:/bin/sh%2C", ""}},
      {"colons, quotes and percent signs in every field",
       {"a:b'c\"d%2C", -5, "{app}i:c'o\"n.png", 3, "http://u:p@x:80/'q'\"r\"?a=%2C", "/bin/ru:n'x\"y"},
       {"a:b'c\"d%2C", -5, app + "i:c'o\"n.png", 3, "http://u:p@x:80/'q'\"r\"?a=%2C", "/bin/ru:n'x\"y"}},
      {"a NUL in the address and the name",
       {"a" + nul + "b", 1, "{app}l.png", 3, "http://x/a" + nul + "b", ""},
       {"ab", 1, app + "l.png", 3, "http://x/a%00b", ""}},
      {"commas and keys in the name, shown as full-width commas",
       {"一,二,rank:9,logo:x", 7, "{app}l.png", 3, "http://x/", ""},
       {"一，二，rank:9，logo:x", 7, app + "l.png", 3, "http://x/", ""}},
      {"paths below the executable folder, stored with the macro",
       {"n", 1, app + "icons/a.png", 1, "", app + "tools/run"},
       {"n", 1, app + "icons/a.png", 1, "", app + "tools/run"}},
      {"a comma in the logo path", {"n", 1, "/pics/a,b.png", 3, "http://x/", ""}, {}, "/pics/a,b.png"},
      {"a comma in the program path", {"n", 1, "{app}l.png", 1, "", "/bin/a,b"}, {}, "/bin/a,b"},
      {"a NUL in the program path (a message ends at it)",
       {"n", 1, "{app}l.png", 1, "", "/bin/a" + nul + "b"},
       {},
       "/bin/a"},
  };
  const QString before = "name:前,rank:1,logo:{app}l.png,type:0,durl:http://before/,exe_path:";
  const QString middle = "name:我的链接,rank:2,logo:{app}l.png,type:3,durl:,exe_path:";
  const QString after = "name:后,rank:3,logo:{app}l.png,type:0,durl:http://after/,exe_path:";
  for (const auto &c : cases) {
    SCOPED_TRACE(c.sWhat);
    WriteCatalogue({before, middle, after});
    TCategoryInfosModel entry;
    static_cast<TInfoFields &>(entry) = c.written;
    entry.icid = 2;
    if (c.sError.isEmpty()) {
      ASSERT_EQ(TCategoryInfosDao().UpdateFromCID(&entry), 1);
    } else {
      try {
        TCategoryInfosDao().UpdateFromCID(&entry);
        ADD_FAILURE() << "written";
      } catch (const EPembloError &e) {
        EXPECT_EQ(e.Text(), "路径含有无法保存的字符:" + c.sError);
      }
      EXPECT_EQ(StoredCategoryInfo(2), middle) << "the row as it was";
    }
    TDBMrgFactory::ReleaseAll();
    const auto read = TCategoryInfosDao().QueryAll();
    ASSERT_EQ(read.size(), 3u) << StoredCategoryInfo(2).toStdString();
    EXPECT_EQ(read[0]->sname, "前");
    EXPECT_EQ(read[2]->sname, "后");
    EXPECT_EQ(read[2]->sdurl, "http://after/");
    if (!c.sError.isEmpty())
      continue;
    const TCategoryInfosModel &got = *read[1];
    EXPECT_EQ(got.icid, 2);
    EXPECT_EQ(got.sname, c.read.sname);
    EXPECT_EQ(got.irank, c.written.irank);
    EXPECT_EQ(got.slogo, c.read.slogo);
    EXPECT_EQ(got.itype, c.written.itype);
    EXPECT_EQ(got.sdurl, c.read.sdurl);
    EXPECT_EQ(got.sexe_path, c.read.sexe_path);
  }
}

}  // namespace
