// A violation leaves one history row in the form the history window reads and one card; the
// fourth starts the lock program.
#include "cards/uHistoryRecordsDao.h"
#include "cards/uPenalta.h"
#include "common/uRegistryHelper.h"
#include "datastore/uDBMrgFactory.h"
#include "host/uViolations.h"
#include "tests/support/TestFolders.h"
#include "tests/support/WaitUntil.h"

#include <QFile>
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
    EXPECT_EQ(TPenalta().YCount(), i);
  }
  EXPECT_FALSE(QFile::exists(marker));
  violations.Record(ProgramViolationItem("game"));
  EXPECT_EQ(TPenalta().YCount(), 3);
  EXPECT_TRUE(WaitUntil([&] { return QFile::exists(marker); }, 5000)) << "the fourth card locks";

  const auto rows = THistoryRecordsDao().QueryAll();
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0]->datetime, "2026年12月10日 08时05分");
  EXPECT_EQ(rows[0]->item, "违约使用了game");
}
