// The program limits in force, on real processes: a limited program started inside its window
// is ended within 2 s (killed when it ignores the request), outside its window it runs, a
// program of the same name in another folder runs, a deleted row stops the limit, scripts and
// desktop launchers count as the program they run, and each ended start is one violation.
#include "common/uPathFunc.h"
#include "datastore/uDBMrgFactory.h"
#include "host/uAppLimiter.h"
#include "manage/uAppsDao.h"
#include "tests/support/TestFolders.h"
#include "tests/support/WaitUntil.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

// 2024-01-01 is a Monday; the rules below allow nothing on Monday 08:00-09:59.
const QDateTime kInside(QDate(2024, 1, 1), QTime(8, 30));
const QDateTime kOutside(QDate(2024, 1, 1), QTime(10, 0));
const QString kMondayMorning = QStringLiteral("iweek:0;tstart:08:00;tend:09:59,");

class AppLimiterTest : public ::testing::Test {
protected:
  void SetUp() override {
    // The pools of the process follow this test's data folder.
    TDBMrgFactory::ReleaseAll();
    games = QString::fromStdString((folders.Root() / "games").string());
    other = QString::fromStdString((folders.Root() / "other").string());
    QDir().mkpath(games);
    QDir().mkpath(other);
    ASSERT_TRUE(QFile::copy(QStringLiteral("/bin/sleep"), games + "/game"));
    ASSERT_TRUE(QFile::copy(QStringLiteral("/bin/sleep"), other + "/game"));
    limiter = std::make_unique<TAppLimiter>([this] { return now; });
    limiter->SetOnViolation([this](const TLimitRule &rule, pid_t) { violations << rule.sName; });
  }
  void TearDown() override {
    for (auto &p : processes) {
      p->kill();
      p->waitForFinished(2000);
    }
  }

  int AddRow(const QString &path, const QString &dt = kMondayMorning) {
    TAppsModel row;
    row.sApp = path;
    row.sDt = dt;
    const int key = TAppsDao().Insert(&row);
    limiter->Reload();
    return key;
  }

  QProcess *Start(const QString &program, const QStringList &args = {QStringLiteral("30")}) {
    processes.push_back(std::make_unique<QProcess>());
    QProcess *p = processes.back().get();
    p->start(program, args);
    EXPECT_TRUE(p->waitForStarted(5000)) << program.toStdString();
    return p;
  }

  static bool Ended(QProcess *p, int ms) {
    return WaitUntil([p] { return p->state() == QProcess::NotRunning; }, ms);
  }

  TTestFolders folders;
  QString games, other;
  QDateTime now = kInside;
  std::unique_ptr<TAppLimiter> limiter;
  QStringList violations;
  std::vector<std::unique_ptr<QProcess>> processes;
};

}  // namespace

TEST_F(AppLimiterTest, EndsTheLimitedProgramInsideItsWindowOnly) {
  AddRow(games + "/game");
  QProcess *limited = Start(games + "/game");
  QProcess *sameName = Start(other + "/game");
  limiter->Start(1000);
  EXPECT_TRUE(Ended(limited, 2500)) << "noticed and ended within 2 s";
  EXPECT_EQ(violations, QStringList{"game"}) << "one violation per ended start";
  EXPECT_FALSE(Ended(sameName, 1500)) << "the same name in another folder runs on";

  now = kOutside;
  QProcess *outside = Start(games + "/game");
  EXPECT_FALSE(Ended(outside, 2500)) << "outside its window the program runs";
  EXPECT_EQ(violations.size(), 1);
}

TEST_F(AppLimiterTest, ADeletedRowStopsTheLimitAtOnce) {
  const int key = AddRow(games + "/game");
  TAppsDao().DeleteFromAID(key);
  limiter->Reload();
  QProcess *p = Start(games + "/game");
  limiter->Start(200);
  EXPECT_FALSE(Ended(p, 1500));
  EXPECT_TRUE(violations.isEmpty());
}

TEST_F(AppLimiterTest, AProgramThatIgnoresTheRequestIsKilledAfterThreeSeconds) {
  // A script counts as the program it is: here it refuses SIGTERM.
  const QString script = games + "/stubborn.sh";
  QFile file(script);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  const QString ready = games + "/ready";
  file.write(("trap '' TERM\ntouch '" + ready + "'\nwhile true; do sleep 0.1; done\n").toUtf8());
  file.close();
  AddRow(script);
  QProcess *p = Start(QStringLiteral("/bin/sh"), {script});
  // Only once the script refuses SIGTERM does the limiter look.
  ASSERT_TRUE(WaitUntil([&] { return QFile::exists(ready); }, 5000));
  limiter->Start(500);
  EXPECT_FALSE(Ended(p, 2000)) << "it ignores the polite request";
  EXPECT_TRUE(Ended(p, 4000)) << "and is killed";
  EXPECT_EQ(violations.size(), 1) << "one start, one violation";
}

TEST_F(AppLimiterTest, ADesktopLauncherStandsForTheProgramOfItsExecLine) {
  const QString launcher = games + "/game.desktop";
  QFile file(launcher);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(("[Desktop Entry]\nType=Application\nName=Game\nExec=env LANG=C \"" + games + "/game\" %u\n").toUtf8());
  file.close();
  AddRow(launcher);
  QProcess *p = Start(games + "/game");
  limiter->Start(500);
  EXPECT_TRUE(Ended(p, 2500));
}

TEST_F(AppLimiterTest, ANameOnPathOrALauncherScriptEndsTheProgramItStarts) {
  // Many programs are installed as a script that hands itself over to the real program.
  QFile file(games + "/game-launcher");
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(("#!/bin/sh\nGAMES='" + games + "'\nexec \"$GAMES/game\" \"$@\"\n").toUtf8());
  file.close();
  file.setPermissions(file.permissions() | QFile::ExeOwner);
  const QByteArray oldPath = qgetenv("PATH");
  qputenv("PATH", (games + ":" + oldPath).toLocal8Bit());
  const struct {
    const char *Name;
    QString Row;
  } cases[] = {{"the launcher's path", games + "/game-launcher"},
               {"a name found on PATH", QStringLiteral("game-launcher")}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.Name);
    const int key = AddRow(c.Row);
    QProcess *p = Start(games + "/game-launcher");
    limiter->Start(500);
    EXPECT_TRUE(Ended(p, 2500)) << "the program the launcher started runs on";
    TAppsDao().DeleteFromAID(key);
  }
  qputenv("PATH", oldPath);
}

TEST_F(AppLimiterTest, ARowWhoseScheduleWasDamagedLimitsAlwaysAndIsNamed) {
  QStringList notices;
  limiter->SetOnNotice([&](const QString &text) { notices << text; });
  AddRow(games + "/game", QStringLiteral("iweek:9;tstart:08:00;tend:09:59,"));
  AddRow(games + "/no-such-game");
  ASSERT_EQ(notices.size(), 2);
  EXPECT_TRUE(notices[0].contains(games + "/game"));
  EXPECT_TRUE(notices[1].contains(games + "/no-such-game") && notices[1].contains(QStringLiteral("不存在")))
      << notices[1].toStdString();
  limiter->Reload();
  EXPECT_EQ(notices.size(), 2) << "the rows are read every minute, their problems told once";
  now = kOutside;
  QProcess *p = Start(games + "/game");
  limiter->Start(500);
  EXPECT_TRUE(Ended(p, 2500)) << "a schedule changed by hand limits the program at every moment";
}

// Rows edited by hand in the card database: each either stays in force at every moment (the
// safe reading of a schedule that is not there) or is named in the host's notices; none is
// dropped without a word.
TEST_F(AppLimiterTest, HandEditedRowsStayInForceOrAreNamed) {
  const struct {
    const char *sEdit;
    const char *sSql;  // statements, ";" between them
    QString sNotice;
    bool bLimited;
  } cases[] = {
      {"a NULL schedule", "Update apps set dt=NULL", QStringLiteral("没有设置时间"), true},
      {"an empty schedule", "Update apps set dt=''", QStringLiteral("没有设置时间"), true},
      {"the program's column renamed",
       "Create Table renamed ( aid Counter Primary Key, program memo, dt memo );"
       "Insert Into renamed Select * From apps; Drop Table apps; Alter Table renamed Rename To apps",
       QStringLiteral("有1条程序限制读不出"), false},
      {"the schedule's column renamed",
       "Create Table renamed ( aid Counter Primary Key, app memo, schedule memo );"
       "Insert Into renamed Select * From apps; Drop Table apps; Alter Table renamed Rename To apps",
       QStringLiteral("有1条程序限制读不出"), false},
  };
  now = kOutside;
  for (const auto &c : cases) {
    SCOPED_TRACE(c.sEdit);
    TDBMrgFactory::ReleaseAll();
    QFile::remove(GetDataPath() + QStringLiteral("MiniCarddata.mdb"));
    QStringList notices;
    limiter = std::make_unique<TAppLimiter>([this] { return now; });
    limiter->SetOnNotice([&](const QString &text) { notices << text; });
    AddRow(games + "/game");
    ASSERT_TRUE(notices.isEmpty()) << notices.join(u' ').toStdString();
    // Old SQLite renames no column: the table is made again under its name.
    for (const QString &statement : QString::fromLatin1(c.sSql).split(u';'))
      TDBMrgFactory::GetDBMrg(TDBMrgID::MiniCarddata)->ExecAnSql(statement);
    limiter->Reload();
    ASSERT_EQ(notices.size(), 1);
    EXPECT_TRUE(notices.front().contains(c.sNotice)) << notices.front().toStdString();
    limiter->Reload();
    EXPECT_EQ(notices.size(), 1) << "told once";
    QProcess *p = Start(games + "/game");
    limiter->Start(200);
    EXPECT_EQ(Ended(p, 1500), c.bLimited);
    limiter.reset();
  }
}

TEST_F(AppLimiterTest, OneStartOfAProgramThatForksIsOneViolation) {
  // The limited program starts four more copies of itself before it can be ended.
  const QString script = games + "/family.sh";
  QFile file(script);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(("if [ \"$1\" = child ]; then sleep 30; exit; fi\n"
              "for i in 1 2 3 4; do /bin/sh '" +
              script + "' child & done\nsleep 30\n")
                 .toUtf8());
  file.close();
  AddRow(script);
  QProcess *p = Start(QStringLiteral("/bin/sh"), {script, QStringLiteral("parent")});
  QTest::qWait(300);
  limiter->Start(300);
  EXPECT_TRUE(Ended(p, 2500));
  QTest::qWait(1500);
  EXPECT_EQ(violations.size(), 1);
  // The children it left are ended as well.
  for (const TRunningProgram &program : ScanPrograms())
    EXPECT_NE(program.sProgram, QFileInfo(script).canonicalFilePath()) << program.iPid;
}
