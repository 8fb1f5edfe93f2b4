// The program limits in force, on real processes: a limited program started inside its window
// is ended within 2 s (killed when it ignores the request), outside its window it runs, a
// program of the same name in another folder runs, a deleted row stops the limit, scripts and
// desktop launchers count as the program they run, and each ended start is one violation; the
// launches that go round a program's path are ended too, and a shell command or another program of
// a multi-call program runs on.
#include "common/uAppLimiter.h"
#include "common/uPathFunc.h"
#include "datastore/uAppsDao.h"
#include "datastore/uDBMrgFactory.h"
#include "tests/support/TestFolders.h"
#include "tests/support/WaitUntil.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>
#include <unistd.h>

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
    limiter->SetOnViolation([this](const TLimitRule &rule, pid_t, uid_t) { violations << rule.sName; });
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

  QProcess *Start(const QString &program, const QStringList &args = {QStringLiteral("30")}, const QString &input = {},
                  const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment()) {
    processes.push_back(std::make_unique<QProcess>());
    QProcess *p = processes.back().get();
    if (!input.isEmpty())
      p->setStandardInputFile(input);
    p->setProcessEnvironment(environment);
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

// A program that answers the request to end by starting itself again would win a new grace
// time with each start: the starts after the first get none.
TEST_F(AppLimiterTest, AProgramThatStartsItselfAgainWhenAskedToEndIsKilled) {
  const QString script = games + "/phoenix.sh";
  QFile file(script);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  const QString ready = games + "/ready";
  file.write(("trap '/bin/sh \"$0\" & exit 0' TERM\ntouch '" + ready + "'\nwhile true; do sleep 0.1; done\n").toUtf8());
  file.close();
  AddRow(script);
  Start(QStringLiteral("/bin/sh"), {script});
  ASSERT_TRUE(WaitUntil([&] { return QFile::exists(ready); }, 5000));
  limiter->Start(200);
  const auto running = [&] {
    QProcess pgrep;
    pgrep.start(QStringLiteral("pgrep"), {QStringLiteral("-f"), script});
    pgrep.waitForFinished();
    return QString::fromUtf8(pgrep.readAllStandardOutput()).trimmed();
  };
  // Between a start's end and the start it made, no process runs for a moment: the script is
  // gone only when none runs a second later either.
  EXPECT_TRUE(WaitUntil(
      [&] {
        if (!running().isEmpty())
          return false;
        WaitUntil([] { return false; }, 1000);
        return running().isEmpty();
      },
      8000))
      << "still running: " << running().toStdString();
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

// Launches of a limited script or program that its path alone does not show: options before the
// script, the script on standard input or a descriptor, a renamed copy of the interpreter, the
// dynamic loader, awk's script file, a hard link, a process that hides its executable. And
// launches no row may end: a shell command while rows name the shell or a launcher of a shell
// command, another program of a multi-call program while a row names one of its programs.
TEST_F(AppLimiterTest, LaunchesAroundThePathAreEndedAndOthersRunOn) {
  const QString bash = QStringLiteral("/usr/bin/bash"), python = QStringLiteral("/usr/bin/python3"),
                awk = QStringLiteral("/usr/bin/awk"), loader = QStringLiteral("/lib64/ld-linux-x86-64.so.2");
  for (const QString &tool : {bash, python, awk, loader})
    ASSERT_TRUE(QFileInfo(tool).isExecutable()) << tool.toStdString() << " (tools/install-deps.sh installs it)";
  const auto write = [&](const QString &name, const QByteArray &text) {
    QFile file(games + "/" + name);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
    return QFileInfo(file).canonicalFilePath();
  };
  const QString script = write("g.sh", "while :; do sleep 0.2; done\n");
  const QString pyScript = write("g.py", "import sys\nsys.stdin.read()\n");
  const QString awkScript = write("g.awk", "BEGIN { while ((getline line) > 0) {} }\n");
  const QString shellDesktop = write("shell.desktop", "[Desktop Entry]\nExec=sh -c \"cd /opt/game && ./game\"\n");
  ASSERT_TRUE(QFile::copy(bash, games + "/mysh"));
  ASSERT_EQ(::link(QFile::encodeName(games + "/game").constData(), QFile::encodeName(games + "/game-link").constData()),
            0);
  // One program file that is several programs by the name it is started under, as busybox is.
  const QString tools = QString::fromStdString((folders.Root() / "tools").string());
  QDir().mkpath(tools);
  ASSERT_TRUE(QFile::copy(QStringLiteral("/bin/sleep"), tools + "/toolbox"));
  for (const char *name : {"nap", "doze", "rest"})
    ASSERT_TRUE(QFile::link(tools + "/toolbox", tools + "/" + name));
  const QByteArray oldPath = qgetenv("PATH");
  qputenv("PATH", (tools + ":" + oldPath).toLocal8Bit());
  for (const QString &row :
       {games + "/game", script, pyScript, awkScript, QStringLiteral("/bin/sh"), shellDesktop, tools + "/nap"})
    AddRow(row);
  // Run as root (as in a container), the test sees every executable: the hidden one bites for
  // the host's own user.
  QProcessEnvironment hiding = QProcessEnvironment::systemEnvironment();
  hiding.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(PEMBLO_NONDUMPABLE));
  const struct {
    const char *Name;
    QString Program;
    QStringList Args;
    QString Input;
    QProcessEnvironment Environment;
    bool bEnded;
  } cases[] = {
      {"bash -o posix", bash, {"-o", "posix", script}, {}, QProcessEnvironment::systemEnvironment(), true},
      {"bash's script from a file on standard input", bash, {}, script, QProcessEnvironment::systemEnvironment(), true},
      {"bash's script from /dev/fd/3",
       QStringLiteral("/bin/sh"),
       {"-c", "exec " + bash + " /dev/fd/3 3<'" + script + "'"},
       {},
       QProcessEnvironment::systemEnvironment(),
       true},
      {"python3 -W ignore", python, {"-W", "ignore", pyScript}, {}, QProcessEnvironment::systemEnvironment(), true},
      {"python3 -X dev", python, {"-X", "dev", pyScript}, {}, QProcessEnvironment::systemEnvironment(), true},
      {"awk -f", awk, {"-f", awkScript}, {}, QProcessEnvironment::systemEnvironment(), true},
      {"a renamed copy of bash",
       games + "/mysh",
       {"-o", "posix", script},
       {},
       QProcessEnvironment::systemEnvironment(),
       true},
      {"the loader with --argv0",
       loader,
       {"--argv0", "x", games + "/game", "300"},
       {},
       QProcessEnvironment::systemEnvironment(),
       true},
      {"the loader with --library-path",
       loader,
       {"--library-path", "/tmp", "--inhibit-cache", games + "/game", "300"},
       {},
       QProcessEnvironment::systemEnvironment(),
       true},
      {"the loader starting bash", loader, {bash, script}, {}, QProcessEnvironment::systemEnvironment(), true},
      {"a hard link of the program", games + "/game-link", {"300"}, {}, QProcessEnvironment::systemEnvironment(), true},
      {"a program that hides its executable", games + "/game", {"300"}, {}, hiding, true},
      {"a shell command",
       QStringLiteral("/bin/sh"),
       {"-c", "sleep 300; true"},
       {},
       QProcessEnvironment::systemEnvironment(),
       false},
      {"another program of a multi-call program",
       tools + "/doze",
       {"300"},
       {},
       QProcessEnvironment::systemEnvironment(),
       false},
  };
  std::vector<QProcess *> started;
  for (const auto &c : cases)
    started.push_back(Start(c.Program, c.Args, c.Input, c.Environment));
  QTest::qWait(300);
  limiter->Start(500);
  // Noticed within the scans of 2 s, all at once.
  WaitUntil(
      [&] {
        for (size_t i = 0; i < std::size(cases); ++i)
          if (cases[i].bEnded && started[i]->state() != QProcess::NotRunning)
            return false;
        return true;
      },
      3000);
  for (size_t i = 0; i < std::size(cases); ++i)
    if (cases[i].bEnded) {
      SCOPED_TRACE(cases[i].Name);
      EXPECT_EQ(started[i]->state(), QProcess::NotRunning);
    }
  QTest::qWait(1500);
  for (size_t i = 0; i < std::size(cases); ++i)
    if (!cases[i].bEnded) {
      SCOPED_TRACE(cases[i].Name);
      EXPECT_EQ(started[i]->state(), QProcess::Running);
    }
  qputenv("PATH", oldPath);
}
