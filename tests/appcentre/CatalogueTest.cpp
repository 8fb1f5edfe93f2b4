// The catalogue's data access: reading the info texts of both tables (macros, separator repair,
// keys found by position, rows left out or kept bare) and writing one back.
#include "appcentre/uAppInfosDao.h"
#include "appcentre/uCategoryInfosDao.h"
#include "common/uPathFunc.h"
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
      {"a seventh field: identifiers only", "name:A,rank:1,logo:l,type:0,durl:,exe_path:,", true, "", 0, "", -1, "", "",
       ""},
      {"a comma inside a value: identifiers only", "name:A,B,rank:1,logo:l,type:0,durl:,exe_path:", true, "", 0, "", -1,
       "", "", ""},
      {"empty text: identifiers only", "", true, "", 0, "", -1, "", "", ""},
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
  EXPECT_EQ(StoredCategoryInfo(1),
            "name:小明's,rank:4,logo:{app}icons/w.png,type:3,durl:http://example.org/a'b\"c?q=%1,"
            "exe_path:" +
                app + "bin/x")
      << "quotes and percent signs stored as typed; the program path as held in memory";
  auto again = TCategoryInfosDao().QueryAll();
  ASSERT_EQ(again.size(), 1u);
  EXPECT_EQ(again[0]->sdurl, entry.sdurl);
  EXPECT_EQ(again[0]->slogo, app + "icons/w.png");

  entry.icid = 99;
  EXPECT_EQ(TCategoryInfosDao().UpdateFromCID(&entry), 0) << "a cid that no longer exists";
  EXPECT_EQ(TCategoryInfosDao().UpdateFromCID(nullptr), 0);
}

}  // namespace
