// A violation leaves one history row in the form the history window reads and one card; the
// fourth starts the lock program. A full disk still gives the card and tells the parent.
#include "datastore/uHistoryRecordsDao.h"
#include "common/uPenalta.h"
#include "common/uPathFunc.h"
#include "common/uRegistryHelper.h"
#include "datastore/uDBMrgFactory.h"
#include "host/uViolations.h"
#include "tests/support/HeldLockFile.h"
#include "tests/support/TestDisks.h"
#include "tests/support/TestFolders.h"
#include "tests/support/WaitUntil.h"

#include <QFile>
#include <QStringList>
#include <gtest/gtest.h>

TEST(Violations, ItemsHoldNoCommaOrColon) {
  struct TCase {
    QString got, expected;
  };
  for (const TCase &c : {TCase{ProgramViolationItem("game"), "违约使用了game"},
                         TCase{ProgramViolationItem("a,b:c，d：e"), "违约使用了abcde"},
                         TCase{WebViolationItem("http://game.example:8080/x,y"), "违约访问了game.example"},
                         TCase{WebViolationItem("game.example"), "违约访问了game.example"}})
    EXPECT_EQ(c.got, c.expected);
}

TEST(Violations, RowAndCardAndTheFourthStartsTheLockProgram) {
  TTestFolders folders;
  TDBMrgFactory::ReleaseAll();
  const QString marker = QString::fromStdString((folders.Root() / "locked").string());
  const QString lock = QString::fromStdString((folders.Root() / "pemblo-lock").string());
  QFile script(lock);
  ASSERT_TRUE(script.open(QIODevice::WriteOnly));
  script.write(("#!/bin/sh\ntouch '" + marker + "'\n").toUtf8());
  script.close();
  script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  RegWriteString(HKEY_LOCAL_MACHINE, "\\SOFTWARE\\Pemblo", "PembloLock", lock);

  TViolations violations([] { return QDateTime(QDate(2026, 12, 10), QTime(8, 5)); });
  for (int i = 1; i <= 3; ++i) {
    violations.Record(ProgramViolationItem("game"));
    EXPECT_TRUE(WaitUntil([&] { return TPenalta().YCount() == i; }, 5000)) << i;
  }
  EXPECT_FALSE(QFile::exists(marker));
  violations.Record(ProgramViolationItem("game"));
  EXPECT_TRUE(WaitUntil([&] { return QFile::exists(marker); }, 5000)) << "the fourth card locks";
  EXPECT_EQ(TPenalta().YCount(), 3);

  const auto rows = THistoryRecordsDao().QueryAll();
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0]->datetime, "2026年12月10日 08时05分");
  EXPECT_EQ(rows[0]->item, "违约使用了game");
}

TEST(Violations, AFullDiskStillGivesTheCardAndTellsTheParent) {
  const struct {
    const char *what;
    bool registryFull;
    int32_t count;
    int notices;
  } cases[] = {
      {"the data disk full", false, 2, 1},
      {"the data and the registry disks full", true, 1, 2},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    TTestFolders folders;
    TDBMrgFactory::ReleaseAll();
    TSmallDisk data(GetDataPath(), "size=4m");
    TSmallDisk registry(QString::fromStdString(folders.Registry().string()));
    if (!data.Mounted() || !registry.Mounted())
      GTEST_SKIP() << data.Why() << registry.Why();
    QStringList notices;
    TViolations violations([] { return QDateTime(QDate(2026, 12, 10), QTime(8, 5)); });
    violations.SetOnNotice([&](const QString &text) { notices << text; });
    // The database and the hive are open, the disk fills up, then the violation comes.
    ASSERT_TRUE(THistoryRecordsDao().QueryAll().empty());
    RegWriteString(HKEY_LOCAL_MACHINE, TPenalta::RegKey, TPenalta::CountValue, TPenalta::EncodeCount(1));
    data.Fill();
    if (c.registryFull)
      registry.Fill();
    EXPECT_NO_THROW(violations.Record(ProgramViolationItem("game")));
    EXPECT_TRUE(WaitUntil([&] { return notices.size() >= c.notices && TPenalta().YCount() == c.count; }, 10000));
    ASSERT_EQ(notices.size(), c.notices) << notices.join('\n').toStdString();
    for (const QString &notice : notices)
      EXPECT_TRUE(notice.contains("违约使用了game")) << notice.toStdString();
    data.Free();
    registry.Free();
    EXPECT_TRUE(THistoryRecordsDao().QueryAll().empty()) << "the database stays whole";
    TDBMrgFactory::ReleaseAll();
  }
}

// Another program holding the registry's lock file froze the host at the next card, with no end,
// while the limits waited behind it. The row is written and the call returns at once; the card
// comes once the registry's wait is over, and the window's thread runs on meanwhile.
TEST(Violations, ARegistryHeldByAnotherProgramHoldsUpNothingButTheCard) {
  TTestFolders folders;
  TDBMrgFactory::ReleaseAll();
  RegWriteString(HKEY_LOCAL_MACHINE, TPenalta::RegKey, TPenalta::CountValue, TPenalta::EncodeCount(0));
  const THeldLockFile holder(HiveFileName(HKEY_LOCAL_MACHINE) + QStringLiteral(".lock"));
  ASSERT_TRUE(holder.Held());

  QStringList notices;
  {
    TViolations violations;
    violations.SetOnNotice([&](const QString &text) { notices << text; });
    violations.Record(ProgramViolationItem("game"));
    EXPECT_EQ(THistoryRecordsDao().QueryAll().size(), 1u) << "the row is there when the call returns";
    EXPECT_EQ(TPenalta().YCount(), 0) << "the card waits for the registry, the caller does not";
    violations.Record(ProgramViolationItem("game"));
  }
  EXPECT_EQ(TPenalta().YCount(), 2) << "no card is lost when the owner goes";
  EXPECT_TRUE(notices.isEmpty()) << notices.join('\n').toStdString();
}
