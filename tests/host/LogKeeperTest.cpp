// The log values in force: browse logs older than TextTime days go, capture days older than
// ImgTime days go, and the oldest pictures go while the capture folder is too large; only the
// keeper's own files go, never through a link, and pictures are stored whole or not at all;
// settings that did not change leave the capture timer running.
#include "common/uAppcf.h"
#include "common/uPathFunc.h"
#include "host/uLogKeeper.h"
#include "tests/support/TestDisks.h"
#include "tests/support/TestFolders.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QRandomGenerator>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

const QDateTime kNow(QDate(2026, 12, 10), QTime(12, 0));

// A file of the size without its blocks (sparse), so tens of megabytes cost nothing.
void Write(const QString &path, qint64 bytes) {
  QDir().mkpath(QFileInfo(path).path());
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  ASSERT_TRUE(file.resize(bytes));
}

constexpr qint64 MB = 1024 * 1024;

QString Day(int daysAgo) { return kNow.date().addDays(-daysAgo).toString(QStringLiteral("yyyy-MM-dd")); }

// Whether the path names anything, a dangling link included.
bool Exists(const QString &path) {
  struct stat st {};
  return ::lstat(QFile::encodeName(path).constData(), &st) == 0;
}

void Link(const QString &target, const QString &link) {
  QDir().mkpath(QFileInfo(link).path());
  ASSERT_TRUE(QFile::link(target, link)) << link.toStdString();
}

// The files under a folder, as paths relative to it.
QStringList FilesUnder(const QString &folder) {
  QStringList files;
  QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
  while (it.hasNext())
    files << QDir(folder).relativeFilePath(it.next());
  return files;
}

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
  Write(captures + Day(2) + "/08-00-00.jpg", 20 * MB);
  Write(captures + Day(1) + "/09-00-00.jpg", 20 * MB);
  Write(captures + Day(1) + "/10-00-00.jpg", 20 * MB);
  Write(captures + Day(0) + "/08-00-00.jpg", 20 * MB);
  TAppCf cf;
  cf.SetImgTime(5);
  cf.SetImgSize(50);  // two of the four recent pictures must go, the oldest first
  TLogKeeper keeper([] { return kNow; });
  keeper.Apply(cf);
  EXPECT_FALSE(QDir(captures + Day(9)).exists()) << "older than ImgTime days";
  EXPECT_FALSE(QFile::exists(captures + Day(2) + "/08-00-00.jpg"));
  EXPECT_FALSE(QFile::exists(captures + Day(1) + "/09-00-00.jpg"));
  EXPECT_TRUE(QFile::exists(captures + Day(1) + "/10-00-00.jpg"));
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

TEST(LogKeeper, DeletesOnlyItsOwnPicturesAndFollowsNoLink) {
  const struct {
    const char *what;
    std::function<void(const QString &captures, const QString &elsewhere)> place;
    QStringList kept, gone;  // relative to the root of the test folders
  } cases[] = {
      {"an expired day that is a link to another folder",
       [](const QString &captures, const QString &elsewhere) {
         Write(elsewhere + "08-00-00.jpg", 10);
         Write(elsewhere + "sub/09-00-00.jpg", 10);
         Link(elsewhere, captures + Day(30));
       },
       {"elsewhere/08-00-00.jpg", "elsewhere/sub/09-00-00.jpg", "Log/抓屏日志/" + Day(30)},
       {}},
      {"pictures that are links",
       [](const QString &captures, const QString &elsewhere) {
         Write(elsewhere + "target.jpg", 10);
         Link(elsewhere + "target.jpg", captures + Day(30) + "/08-00-00.jpg");
         Link(elsewhere + "target.jpg", captures + Day(0) + "/08-00-00.jpg");
       },
       {"elsewhere/target.jpg", "Log/抓屏日志/" + Day(30) + "/08-00-00.jpg",
        "Log/抓屏日志/" + Day(0) + "/08-00-00.jpg"},
       {}},
      {"the capture folder itself a link",
       [](const QString &captures, const QString &elsewhere) {
         Write(elsewhere + Day(30) + "/08-00-00.jpg", 10);
         QDir(captures).removeRecursively();
         Link(elsewhere, captures.chopped(1));
       },
       {"elsewhere/" + Day(30) + "/08-00-00.jpg"},
       {}},
      {"the log folder a link",
       [](const QString &captures, const QString &elsewhere) {
         Write(elsewhere + "抓屏日志/" + Day(30) + "/08-00-00.jpg", 10);
         Write(elsewhere + "浏览日志/" + Day(30) + ".txt", 10);
         const QString log = QFileInfo(captures.chopped(1)).path();
         QDir(log).removeRecursively();
         Link(elsewhere.chopped(1), log);
       },
       {"elsewhere/抓屏日志/" + Day(30) + "/08-00-00.jpg", "elsewhere/浏览日志/" + Day(30) + ".txt"},
       {}},
      {"the browse-log folder a link",
       [](const QString &, const QString &elsewhere) {
         Write(elsewhere + Day(30) + ".txt", 10);
         const QString logs = GetBrowseLogPath().chopped(1);
         QDir(logs).removeRecursively();
         Link(elsewhere.chopped(1), logs);
       },
       {"elsewhere/" + Day(30) + ".txt"},
       {}},
      {"what an expired day holds besides pictures",
       [](const QString &captures, const QString &) {
         for (const char *name :
              {"08-00-00.jpg", "notes.txt", "8-0-0.jpg", "25-00-00.jpg", "08-00-00.jpg.part", "sub/08-00-00.jpg"})
           Write(captures + Day(30) + "/" + name, 10);
       },
       {"Log/抓屏日志/" + Day(30) + "/notes.txt", "Log/抓屏日志/" + Day(30) + "/8-0-0.jpg",
        "Log/抓屏日志/" + Day(30) + "/25-00-00.jpg", "Log/抓屏日志/" + Day(30) + "/08-00-00.jpg.part",
        "Log/抓屏日志/" + Day(30) + "/sub/08-00-00.jpg"},
       {"Log/抓屏日志/" + Day(30) + "/08-00-00.jpg"}},
      {"folders not named as the keeper names a day",
       [](const QString &captures, const QString &) {
         Write(captures + "2001-1-1/08-00-00.jpg", 10);
         Write(captures + "zzz-notes/08-00-00.jpg", 10);
         Write(captures + "2001-01-01.old/08-00-00.jpg", 10);
       },
       {"Log/抓屏日志/2001-1-1/08-00-00.jpg", "Log/抓屏日志/zzz-notes/08-00-00.jpg",
        "Log/抓屏日志/2001-01-01.old/08-00-00.jpg"},
       {}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    TTestFolders folders;
    const QString root = QString::fromStdString(folders.CommonAppData().string()) + "/Pemblo/";
    ASSERT_EQ(GetDataPath(), root);
    const QString elsewhere = QString::fromStdString(folders.Root().string()) + "/elsewhere/";
    QDir().mkpath(elsewhere);
    c.place(TLogKeeper::CapturePath(), elsewhere);
    TLogKeeper keeper([] { return kNow; });
    keeper.Apply(TAppCf());
    for (const QString &path : c.kept) {
      const QString full = path.startsWith("elsewhere/") ? elsewhere + path.mid(10) : root + path;
      EXPECT_TRUE(Exists(full)) << path.toStdString() << " was deleted";
    }
    for (const QString &path : c.gone)
      EXPECT_FALSE(Exists(root + path)) << path.toStdString() << " was kept";
  }
}

TEST(LogKeeper, TheOldestDaysGoFirstOnlyItsOwnCountAndADayToComeIsKept) {
  TTestFolders folders;
  const QString captures = TLogKeeper::CapturePath();
  Write(captures + Day(-3) + "/08-00-00.jpg", 60 * MB);  // dated after today
  Write(captures + "zzz-notes/notes.bin", 60 * MB);      // the parent's own folder
  for (int age : {2, 1, 0})
    Write(captures + Day(age) + "/08-00-00.jpg", 20 * MB);
  QStringList notices;
  TLogKeeper keeper([] { return kNow; });
  keeper.SetOnNotice([&](const QString &text) { notices << text; });
  TAppCf cf;
  cf.SetImgSize(50);
  keeper.Apply(cf);
  keeper.Apply(cf);
  EXPECT_FALSE(QFile::exists(captures + Day(2) + "/08-00-00.jpg")) << "the oldest day goes";
  for (int age : {1, 0})
    EXPECT_TRUE(QFile::exists(captures + Day(age) + "/08-00-00.jpg")) << age << " days old";
  EXPECT_TRUE(QFile::exists(captures + Day(-3) + "/08-00-00.jpg")) << "a day to come is kept";
  EXPECT_TRUE(QFile::exists(captures + "zzz-notes/notes.bin"));
  ASSERT_EQ(notices.size(), 1) << notices.join('\n').toStdString();
  EXPECT_TRUE(notices[0].contains(Day(-3))) << notices[0].toStdString();
}

TEST(LogKeeper, ValuesOutsideTheirRangesReadAsTheirDefaults) {
  const struct {
    const char *what;
    std::function<void(TAppCf &)> set;
  } cases[] = {
      {"TextTime=-1", [](TAppCf &cf) { cf.SetTextTime(-1); }}, {"TextTime=0", [](TAppCf &cf) { cf.SetTextTime(0); }},
      {"ImgTime=-1", [](TAppCf &cf) { cf.SetImgTime(-1); }},   {"ImgSize=0", [](TAppCf &cf) { cf.SetImgSize(0); }},
      {"ImgSize=-1", [](TAppCf &cf) { cf.SetImgSize(-1); }},
  };
  for (const auto &c : cases)
    for (const bool throughTheFile : {true, false}) {
      SCOPED_TRACE(std::string(c.what) + (throughTheFile ? " in the settings file" : " handed over"));
      TTestFolders folders;
      const QString logs = GetBrowseLogPath(), captures = TLogKeeper::CapturePath();
      for (int age : {0, 4}) {
        Write(logs + Day(age) + ".txt", 10);
        Write(captures + Day(age) + "/08-00-00.jpg", MB);
      }
      TAppCf cf;
      c.set(cf);
      if (throughTheFile) {
        TCfMrg writer;
        writer.AppCf() = cf;
        writer.SaveToFile();
        const TCfMrg reader;
        EXPECT_EQ(reader.AppCf(), TAppCf());
        cf = reader.AppCf();
      }
      TLogKeeper keeper([] { return kNow; });
      keeper.Apply(cf);
      for (int age : {0, 4}) {
        EXPECT_TRUE(QFile::exists(logs + Day(age) + ".txt")) << age << " days old";
        EXPECT_TRUE(QFile::exists(captures + Day(age) + "/08-00-00.jpg")) << age << " days old";
      }
    }
}

TEST(LogKeeper, APictureIsStoredWholeOrNotAtAllAndAFullDiskIsNotedOnce) {
  TTestFolders folders;
  const QString captures = TLogKeeper::CapturePath();
  QDir().mkpath(captures);
  TSmallDisk disk(captures, "size=1m");
  if (!disk.Mounted())
    GTEST_SKIP() << disk.Why();
  // Noise does not compress: its picture takes a good part of the disk.
  QImage noise(300, 200, QImage::Format_RGB32);
  for (int y = 0; y < noise.height(); ++y)
    QRandomGenerator::global()->fillRange(reinterpret_cast<quint32 *>(noise.scanLine(y)), noise.width());
  QStringList notices;
  TLogKeeper keeper([] { return kNow; });
  keeper.SetOnNotice([&](const QString &text) { notices << text; });

  disk.Fill();
  EXPECT_FALSE(keeper.Store(noise));
  EXPECT_FALSE(keeper.Store(noise));
  EXPECT_EQ(FilesUnder(captures), QStringList{"filler"}) << "no part of a picture is left";
  ASSERT_EQ(notices.size(), 1) << "once while it lasts";
  EXPECT_TRUE(notices[0].contains("No space left on device")) << notices[0].toStdString();

  disk.Free();
  const QString stored = captures + Day(0) + "/12-00-00.jpg";
  EXPECT_TRUE(keeper.Store(noise));
  EXPECT_EQ(QImage(stored).size(), noise.size());
  disk.Fill();
  EXPECT_FALSE(keeper.Store(noise));
  EXPECT_EQ(notices.size(), 2) << "told again after a picture was stored";
  EXPECT_EQ(QImage(stored).size(), noise.size()) << "the picture of the same second stays whole";
}

TEST(LogKeeper, TheSameValuesAgainStartTheCaptureTimerNotAgain) {
  TTestFolders folders;
  TAppCf cf;
  cf.SetPsDistance(5);
  TLogKeeper keeper([] { return kNow; });
  keeper.Apply(cf);
  auto *timer = keeper.findChild<QTimer *>(QStringLiteral("tmrCapture"));
  ASSERT_TRUE(timer);
  // A settings notice that changes nothing (sent every 40 s, the picture never came).
  QTest::qWait(2500);
  keeper.Apply(cf);
  EXPECT_TRUE(timer->isActive());
  // A timer of minutes keeps time to the second: half a second either way.
  EXPECT_LE(timer->remainingTime(), 5 * 60000 - 1500) << "the time already waited still counts";
  // A new period starts the timer with it.
  cf.SetPsDistance(6);
  keeper.Apply(cf);
  EXPECT_GT(timer->remainingTime(), 5 * 60000);
}
