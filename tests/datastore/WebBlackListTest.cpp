// The web black list: which addresses a row blocks, and when (a schedule that cannot be read
// blocks always); rows read from the real table.
#include "datastore/uDBMrgFactory.h"
#include "datastore/uWebBlackList.h"
#include "datastore/uWebsDao.h"
#include "tests/support/TestFolders.h"

#include <gtest/gtest.h>

namespace {

// 2024-01-06 is a Saturday; the rows below block on Saturday 20:00-21:59.
const QString kSaturdayEvening = QStringLiteral("iweek:5;tstart:20:00;tend:21:59,");
const QDateTime kInside(QDate(2024, 1, 6), QTime(20, 30));
const QDateTime kOutside(QDate(2024, 1, 6), QTime(22, 0));

}  // namespace

TEST(WebBlackList, WhichAddressesARowBlocks) {
  TWebBlackList list;
  list.SetRows({{1, "game.example", kSaturdayEvening},
                {2, "http://site.test/kids", kSaturdayEvening},
                {3, "http://", kSaturdayEvening},
                {4, "not an address at all", kSaturdayEvening},
                {5, "HTTPS://Shop.Example/", kSaturdayEvening},
                {6, "broken.example", "iweek:5;tstart:20:00;tend:21:59"}});
  struct TCase {
    const char *address;
    int blockedBy;  // 0: passes
  };
  for (const TCase &c :
       {TCase{"http://game.example/", 1}, TCase{"https://www.game.example/x", 1}, TCase{"http://GAME.example./", 1},
        TCase{"http://notgame.example/", 0}, TCase{"http://game.example.evil.test/", 0},
        TCase{"http://site.test/kids/a", 2}, TCase{"http://site.test/kids", 2}, TCase{"http://site.test/kidsfun", 0},
        TCase{"http://site.test/adult", 0}, TCase{"http://site.test/", 0}, TCase{"http://shop.example/basket", 5},
        TCase{"http://broken.example/", 6}, TCase{"about:blank", 0}}) {
    const auto match = list.Check(QUrl(QString::fromLatin1(c.address)), kInside);
    EXPECT_EQ(match ? match->iWid : 0, c.blockedBy) << c.address;
  }
  EXPECT_EQ(list.Size(), 4u) << "rows that are no address are left out";
}

// One address has many spellings; a row written one way blocks the address written any other
// way, and nothing beside it.
TEST(WebBlackList, EverySpellingOfAListedAddressIsBlocked) {
  TWebBlackList list;
  list.SetRows({{1, "blocked.test.", kSaturdayEvening},
                {2, "http://site.test/kids", kSaturdayEvening},
                {3, "127.0.0.1", kSaturdayEvening},
                {4, "http://0x7f.0.0.2/", kSaturdayEvening},
                {5, "例子.测试", kSaturdayEvening},
                {6, "http://other.test//Games;v=2/", kSaturdayEvening},
                {7, "[::1]", kSaturdayEvening},
                {8, "ｆｕｌｌ.test/%6Bids", kSaturdayEvening}});
  const struct {
    const char *address;
    int blockedBy;  // 0: passes
  } cases[] = {
      {"http://blocked.test/", 1},
      {"https://www.blocked.test./x", 1},
      {"http://notblocked.test/", 0},
      {"http://site.test/Kids", 2},
      {"http://site.test/KIDS/a", 2},
      {"http://site.test//kids", 2},
      {"http://site.test/a/../kids", 2},
      {"http://site.test/kids;x=1", 2},
      {"http://site.test/kids;x=1/a", 2},
      {"http://site.test/%6bids", 2},
      {"http://site.test/%6B%69ds/a", 2},
      {"http://site.test/%2E/kids", 2},
      {"http://site.test/kids%2Fa", 2},
      {"http://site.test/kidsfoo", 0},
      {"http://site.test/kids%3Bx", 0},
      {"http://site.test/adult/kids", 0},
      {"http://[::ffff:127.0.0.1]/", 3},
      {"http://[::ffff:7f00:1]:8080/x", 3},
      {"http://[0:0:0:0:0:ffff:127.0.0.1]/", 3},
      {"http://2130706433/", 3},
      {"http://0177.0.0.1/", 3},
      {"http://127.0.0.2/", 4},
      {"http://0.0.1/", 0},
      {"http://127.0.0.10/", 0},
      {"http://xn--fsqu00a.xn--0zwm56d/", 5},
      {"http://www.例子.测试/", 5},
      {"http://OTHER.test/games/x", 6},
      {"http://other.test/games", 6},
      {"http://other.test/", 0},
      {"http://[0:0::1]/", 7},
      {"http://[::2]/", 0},
      {"http://full.test/KIDS", 8},
      {"http://full.test/", 0},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.address);
    const auto match = list.Check(QUrl(QString::fromUtf8(c.address)), kInside);
    EXPECT_EQ(match ? match->iWid : 0, c.blockedBy);
  }
  EXPECT_EQ(list.Size(), 8u);
}

TEST(WebBlackList, OutsideTheWindowEverythingPassesAndInsideTheEndIsKnown) {
  TWebBlackList list;
  list.SetRows({{1, "game.example", kSaturdayEvening}});
  EXPECT_FALSE(list.Check(QUrl("http://game.example/"), kOutside));
  const auto match = list.Check(QUrl("http://game.example/"), kInside);
  ASSERT_TRUE(match);
  EXPECT_EQ(match->tEnd, QDateTime(QDate(2024, 1, 6), QTime(22, 0)));
}

TEST(WebBlackList, TheNextWindowStartIsTheEarliestOfEveryRow) {
  TWebBlackList list;
  EXPECT_FALSE(list.NextWindowStart(kInside));
  // Saturday 20:00-21:59 and Monday 08:00-08:59.
  list.SetRows({{1, "game.example", kSaturdayEvening}, {2, "shop.example", "iweek:0;tstart:08:00;tend:08:59,"}});
  const struct {
    QDateTime now;
    QDateTime next;
  } cases[] = {
      {QDateTime(QDate(2024, 1, 6), QTime(19, 59, 59)), QDateTime(QDate(2024, 1, 6), QTime(20, 0))},
      {kInside, QDateTime(QDate(2024, 1, 8), QTime(8, 0))},
      {QDateTime(QDate(2024, 1, 8), QTime(8, 0)), QDateTime(QDate(2024, 1, 13), QTime(20, 0))},
      {QDateTime(QDate(2024, 1, 8), QTime(9, 0)), QDateTime(QDate(2024, 1, 13), QTime(20, 0))},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.now.toString().toStdString());
    EXPECT_EQ(list.NextWindowStart(c.now), c.next);
  }
}

TEST(WebBlackList, ARowWhoseScheduleCannotBeReadBlocksAtEveryMoment) {
  TTestFolders folders;
  TDBMrgFactory::ReleaseAll();
  const struct {
    const char *name;
    const char *dt;
  } cases[] = {
      {"final comma missing", "iweek:5;tstart:20:00;tend:21:59"},
      {"no day of the week", "iweek:9;tstart:20:00;tend:21:59,"},
      {"garbage", "\x01zz"},
      {"empty, as the host reads an empty program schedule", ""},
  };
  for (const auto &c : cases) {
    TWebsModel row;
    row.sUrl = QStringLiteral("%1.example").arg(&c - cases);
    row.sDt = QString::fromLatin1(c.dt);
    TWebsDao().Insert(&row);
  }
  // Read as the browser reads the list: from the stored table.
  TWebBlackList list;
  list.Load();
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    for (const QDateTime &moment : {kInside, kOutside, QDateTime(QDate(2024, 1, 1), QTime(0, 0)),
                                    QDateTime(QDate(2024, 1, 3), QTime(23, 59, 59))}) {
      const auto match = list.Check(QUrl(QStringLiteral("http://%1.example/").arg(&c - cases)), moment);
      EXPECT_TRUE(match) << moment.toString().toStdString();
    }
  }
  TDBMrgFactory::ReleaseAll();
}

TEST(WebBlackList, ReadsTheRowsTheManagementWindowStores) {
  TTestFolders folders;
  TDBMrgFactory::ReleaseAll();
  TWebsModel row;
  row.sUrl = QStringLiteral("game.example");
  row.sDt = kSaturdayEvening;
  const int key = TWebsDao().Insert(&row);
  TWebBlackList list;
  list.Load();
  const auto match = list.Check(QUrl("https://game.example/"), kInside);
  ASSERT_TRUE(match);
  EXPECT_EQ(match->iWid, key);
  TDBMrgFactory::ReleaseAll();
}
