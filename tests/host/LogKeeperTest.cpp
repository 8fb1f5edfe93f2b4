// The log values in force: browse logs older than TextTime days go, capture days older than
// ImgTime days go, and the oldest pictures go while the capture folder is too large; settings
// that did not change leave the capture timer running.
#include "common/uAppcf.h"
#include "common/uPathFunc.h"
#include "host/uLogKeeper.h"
#include "tests/support/TestFolders.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

const QDateTime kNow(QDate(2026, 12, 10), QTime(12, 0));

void Write(const QString &path, qint64 bytes) {
  QDir().mkpath(QFileInfo(path).path());
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(QByteArray(bytes, 'x'));
}

QString Day(int daysAgo) { return kNow.date().addDays(-daysAgo).toString(QStringLiteral("yyyy-MM-dd")); }

}  // namespace

TEST(LogKeeper, DeletesBrowseLogsOlderThanTextTimeDays) {
  TTestFolders folders;
  const QString logs = GetBrowseLogPath();
  for (int age : {0, 4, 5, 6, 30})
    Write(logs + Day(age) + ".txt", 10);
  Write(logs + "notes.txt", 10);
  TAppCf cf;
  cf.SetTextTime(5);
  TLogKeeper keeper([] { return kNow; });
  keeper.Apply(cf);
  for (int age : {0, 4, 5})
    EXPECT_TRUE(QFile::exists(logs + Day(age) + ".txt")) << age << " days old is kept";
  for (int age : {6, 30})
    EXPECT_FALSE(QFile::exists(logs + Day(age) + ".txt")) << age << " days old is deleted";
  EXPECT_TRUE(QFile::exists(logs + "notes.txt")) << "a file that is no day's log is left alone";
}

TEST(LogKeeper, TrimsTheCaptureFolderByAgeThenBySize) {
  TTestFolders folders;
  const QString captures = TLogKeeper::CapturePath();
  Write(captures + Day(9) + "/08-00-00.jpg", 1000);
  Write(captures + Day(2) + "/08-00-00.jpg", 600 * 1024);
  Write(captures + Day(1) + "/08-00-00.jpg", 600 * 1024);
  Write(captures + Day(0) + "/08-00-00.jpg", 600 * 1024);
  TAppCf cf;
  cf.SetImgTime(5);
  cf.SetImgSize(1);  // one megabyte: two of the three recent pictures must go, the oldest first
  TLogKeeper keeper([] { return kNow; });
  keeper.Apply(cf);
  EXPECT_FALSE(QDir(captures + Day(9)).exists()) << "older than ImgTime days";
  EXPECT_FALSE(QFile::exists(captures + Day(2) + "/08-00-00.jpg"));
  EXPECT_FALSE(QFile::exists(captures + Day(1) + "/08-00-00.jpg"));
  EXPECT_TRUE(QFile::exists(captures + Day(0) + "/08-00-00.jpg")) << "the newest stays";
}

TEST(LogKeeper, SaysOnceWhereTheScreenCannotBeTaken) {
  TTestFolders folders;
  QStringList notices;
  TLogKeeper keeper([] { return kNow; });
  keeper.SetOnNotice([&](const QString &text) { notices << text; });
  // The tests run on the offscreen platform, which hands out no picture of the screen.
  EXPECT_FALSE(keeper.Capture());
  EXPECT_FALSE(keeper.Capture());
  EXPECT_EQ(notices.size(), 1);
}

TEST(LogKeeper, TheSameValuesAgainStartTheCaptureTimerNotAgain) {
  TTestFolders folders;
  TAppCf cf;
  cf.SetPsDistance(1);
  TLogKeeper keeper([] { return kNow; });
  keeper.Apply(cf);
  auto *timer = keeper.findChild<QTimer *>(QStringLiteral("tmrCapture"));
  ASSERT_TRUE(timer);
  // A settings notice that changes nothing (sent every 40 s, the picture never came).
  QTest::qWait(2500);
  keeper.Apply(cf);
  EXPECT_TRUE(timer->isActive());
  // A timer of a minute keeps time to the second: half a second either way.
  EXPECT_LE(timer->remainingTime(), 60000 - 1500) << "the time already waited still counts";
  // A new period starts the timer with it.
  cf.SetPsDistance(2);
  keeper.Apply(cf);
  EXPECT_GT(timer->remainingTime(), 60000);
}
