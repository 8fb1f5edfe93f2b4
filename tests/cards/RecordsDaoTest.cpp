// The two record tables of the card library: how their info texts read back, and storing,
// listing and deleting rows in a real card database.
#include "datastore/uCancelRecordsDao.h"
#include "datastore/uHistoryRecordsDao.h"
#include "datastore/uRecordInfo.h"
#include "tests/cards/CardsFixture.h"
#include "tests/support/QStringPrint.h"

#include <gtest/gtest.h>

#include <stdexcept>

using RecordsDaoTest = TCardsFixture;

TEST(RecordInfo, ReadingKeepsEveryPlainTextAndTheWordsOfTheParent) {
  struct TCase {
    const char *Info;
    bool Readable;
    const char *First, *Second;
  };
  const TCase cases[] = {
      {"datetime:2011年07月22日 10时09分,item:违约使用了QQ", true, "2011年07月22日 10时09分", "违约使用了QQ"},
      {"datetime:,item:", true, "", ""},
      // Texts not written in the two-key form read by fields: two parts between the first and
      // second colon, other part counts give empty texts, a part without colon is unreadable.
      {"when:x,what:y", true, "x", "y"},
      {"when:x:more,what:y", true, "x", "y"},
      {"a:1,b:2,c:3", true, "", ""},
      {"no comma at all", true, "", ""},
      {"", true, "", ""},
      {"2011年07月22日,item:QQ", false, "", ""},
      {"datetime:x,QQ", false, "", ""},
      // The parent's own commas and colons stay in the second value.
      {"datetime:x,item:y,z", true, "x", "y,z"},
      {"datetime:x,item:QQ:聊天,游戏", true, "x", "QQ:聊天,游戏"},
      {"datetime:x,item:", true, "x", ""},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.Info);
    const QString info = QString::fromUtf8(c.Info);
    if (!c.Readable) {
      EXPECT_THROW(ReadRecordInfo(info, "datetime", "item"), std::exception);
      continue;
    }
    const TRecordInfo read = ReadRecordInfo(info, "datetime", "item");
    EXPECT_EQ(read.sFirst, QString::fromUtf8(c.First));
    EXPECT_EQ(read.sSecond, QString::fromUtf8(c.Second));
  }
  // A comma-free first value with a colon of the other record kind is no two-key text.
  EXPECT_EQ(ReadRecordInfo("time:x,cause:a:b", "datetime", "item").sSecond, "a");
}

TEST_F(RecordsDaoTest, HistoryRowsAsTheHostWritesThem) {
  THistoryRecordsDao dao;
  EXPECT_TRUE(dao.QueryAll().empty());
  EXPECT_EQ(dao.Insert(nullptr), 0);
  THistoryRecords record{0, "2011年07月22日 10时09分", "违约使用了'QQ'"};
  EXPECT_EQ(dao.Insert(&record), 1);
  InsertRaw("historyrecords", "a,b,c");
  InsertRaw("historyrecords", "2011年07月22日,item:QQ");
  EXPECT_EQ(RawInfos("historyrecords").first(), "datetime:2011年07月22日 10时09分,item:违约使用了'QQ'");

  const auto rows = dao.QueryAll();
  ASSERT_EQ(rows.size(), 2u) << "the row without a colon in its first half is left out";
  EXPECT_EQ(rows[0]->hid, 1);
  EXPECT_EQ(rows[0]->datetime, "2011年07月22日 10时09分");
  EXPECT_EQ(rows[0]->item, "违约使用了'QQ'");
  EXPECT_EQ(rows[1]->hid, 2);
  EXPECT_EQ(rows[1]->datetime + rows[1]->item, "");

  EXPECT_EQ(dao.DeleteFromHID(2), 1);
  EXPECT_EQ(dao.DeleteFromHID(2), 0);
  EXPECT_EQ(RawInfos("historyrecords").size(), 2);
}

TEST_F(RecordsDaoTest, CancelRecordsKeepTheReasonAsTyped) {
  TCancelRecordsDao dao;
  EXPECT_EQ(dao.Insert(nullptr), 0);
  const QString reasons[] = {"真的蛙", "第一行\n第二行", "他说:好,就这样'吧'"};
  for (const QString &reason : reasons) {
    TCancelRecordModel record{0, "2011年07月16日", reason};
    EXPECT_EQ(dao.Insert(&record), 1);
  }
  EXPECT_EQ(RawInfos("cancelrecords")[1], "time:2011年07月16日,cause:第一行\n第二行");
  auto rows = dao.QueryAll();
  ASSERT_EQ(rows.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(rows[i]->cid, i + 1);
    EXPECT_EQ(rows[i]->time, "2011年07月16日");
    EXPECT_EQ(rows[i]->cause, reasons[i]);
  }
  EXPECT_EQ(dao.DeleteFromCID(1), 1);
  rows = dao.QueryAll();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0]->cid, 2);
}
