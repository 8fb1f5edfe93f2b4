// The guard as a machine meets it: pemblo-guard run as root on a private system bus with its
// policy file and a state folder of the test, the child a throwaway account that runs the suite's
// own data layer (the test client) and pemblo-config, the parent the child's account knowing the
// password or an account of the parents' group.
#include "common/uGuardLink.h"
#include "common/uWeekReport.h"
#include "tests/support/GuardSystem.h"
#include "tests/support/QStringPrint.h"
#include "tests/support/WaitUntil.h"

#include <QBuffer>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <csignal>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>

namespace {

const QString Password = QStringLiteral("secret1");
const QString NeedParent = QStringLiteral("error 这项修改需要家长密码。");
const QString GuardOnly = QStringLiteral("error 这个值只能由家长规则服务修改。");
const QString NotAnswering = QStringLiteral("error 家长规则服务没有响应，请稍后再试。");

// What root reads through the guard: everything a change could touch.
const QStringList StateReads = {
    QStringLiteral("settings"),
    QStringLiteral("limits"),
    QStringLiteral("blacklist"),
    QStringLiteral("cards"),
    QStringLiteral("violations"),
    QStringLiteral("cancels"),
    QStringLiteral("regread \\SOFTWARE\\Pemblo PembloLock"),
};

// The guard's signals as a window following them receives them: "<member> <arguments after the origin>".
class TSignalLog : public QObject {
  Q_OBJECT
public slots:
  void Seen(const QDBusMessage &message) {
    QStringList words{message.member()};
    for (const QVariant &arg : message.arguments().mid(1))
      words << arg.toString();
    Lines << words.join(QLatin1Char(' '));
  }

public:
  QStringList Lines;
};

// A client that keeps running: each step written to its input is answered by one line.
class TRunningClient {
public:
  explicit TRunningClient(std::unique_ptr<QProcess> process) : FProcess(std::move(process)) {}
  ~TRunningClient() {
    FProcess->closeWriteChannel();
    FProcess->waitForFinished(5000);
  }
  void Write(const QStringList &steps) { FProcess->write((steps.join(QLatin1Char('\n')) + "\n").toUtf8()); }
  // Waits until `count` answers in all have come; false at the time limit.
  bool WaitForAnswers(qsizetype count, int timeoutMs = 20000) {
    return WaitUntil(
        [&] {
          while (FProcess->canReadLine())
            FAnswers << QString::fromUtf8(FProcess->readLine()).chopped(1);
          return FAnswers.size() >= count;
        },
        timeoutMs);
  }
  QString Ask(const QString &step) {
    Write({step});
    return WaitForAnswers(FAnswers.size() + 1) ? FAnswers.last() : QStringLiteral("no answer");
  }
  const QStringList &Answers() const { return FAnswers; }
  QProcess &Process() { return *FProcess; }

private:
  std::unique_ptr<QProcess> FProcess;
  QStringList FAnswers;
};

}  // namespace

class GuardServiceTest : public ::testing::Test {
protected:
  void SetUp() override {
    QString why;
    if (!CanRunAccounts(&why))
      GTEST_SKIP() << why.toStdString();
    Bus = std::make_unique<TPrivateSystemBus>(
        QStringList{GuardPolicyFile(), QStringLiteral(PEMBLO_SOURCE_DIR "/tests/guard/login1-test.conf")});
    ASSERT_TRUE(Folder.isValid());
    State = Folder.path() + QStringLiteral("/state");
    Child = std::make_unique<TTestAccount>();
    const QFileInfo client(QStringLiteral(PEMBLO_GUARD_CLIENT));
    Client = ReachableCopy(client.absolutePath()) + QLatin1Char('/') + client.fileName();
    Config = ReachableCopy(QStringLiteral(PEMBLO_OUT_DIR)) + QStringLiteral("/Pemblo/pemblo-config");
    Root = QDBusConnection::connectToBus(Bus->Address(), QStringLiteral("guardservice-root"));
    ASSERT_TRUE(Root.isConnected());
  }

  void TearDown() override {
    if (Guard) {
      Guard->kill();
      Guard->waitForFinished();
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("guardservice-root"));
  }

  QProcessEnvironment BusEnvironment() const {
    QProcessEnvironment env;
    env.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), Bus->Address());
    return env;
  }

  void SetFirstPassword() {
    const TRunResult set =
        RunAs(nullptr, QStringLiteral(PEMBLO_GUARD),
              {QStringLiteral("--set-password"), QStringLiteral("--state-dir"), State}, {}, (Password + "\n").toUtf8());
    ASSERT_EQ(set.iExitCode, 0) << set.sErr.toStdString();
  }

  void StartGuard(const QStringList &options = {}) {
    Guard = StartAs(
        nullptr, QStringLiteral(PEMBLO_GUARD),
        QStringList{QStringLiteral("--bus"), Bus->Address(), QStringLiteral("--state-dir"), State} + options, {});
    ASSERT_TRUE(Guard->waitForStarted());
    ASSERT_TRUE(WaitUntil([&] { return Root.interface()->isServiceRegistered(GuardBus::Service).value(); }, 10000))
        << Guard->readAllStandardError().toStdString();
  }

  void KillGuard() {
    ::kill(pid_t(Guard->processId()), SIGKILL);
    ASSERT_TRUE(Guard->waitForFinished());
    ASSERT_TRUE(WaitUntil([&] { return !Root.interface()->isServiceRegistered(GuardBus::Service).value(); }, 5000));
  }

  // The answers of one run of the client as the account (null: root), one per step.
  QStringList Steps(const TTestAccount *account, const QStringList &steps) const {
    const TRunResult run = RunAs(account, Client, steps, BusEnvironment());
    EXPECT_EQ(run.iExitCode, 0) << run.sErr.toStdString();
    return run.sOut.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  }
  QString Step(const TTestAccount *account, const QString &step) const { return Steps(account, {step}).value(0); }

  std::unique_ptr<TRunningClient> StartClient(const TTestAccount *account) const {
    auto process = StartAs(account, Client, {}, BusEnvironment());
    EXPECT_TRUE(process->waitForStarted());
    return std::make_unique<TRunningClient>(std::move(process));
  }

  // The parent's rules as root sets them up: the filter on, one of each row, two cards, the lock
  // program.
  void SeedRules() {
    EXPECT_EQ(Steps(nullptr, {QStringLiteral("set OffOn 1"), QStringLiteral("addlimit /usr/bin/game 1-7,00:00-23:59"),
                              QStringLiteral("addweb games.example 1-7,00:00-23:59"), QStringLiteral("inc 2"),
                              QStringLiteral("addviolation 2026-12-01_10:00 game"),
                              QStringLiteral("addcancel 2026-12-01 homework"),
                              QStringLiteral("regwrite \\SOFTWARE\\Pemblo PembloLock /opt/pemblo/lock")}),
              (QStringList{"ok OffOn=1 TextTime=5 PsDistance=5 ImgTime=5 ImgSize=50", "ok 1", "ok 1", "ok 2", "ok 1",
                           "ok 1", "ok 1"}));
  }

  std::unique_ptr<TPrivateSystemBus> Bus;
  QTemporaryDir Folder;
  QString State;
  std::unique_ptr<TTestAccount> Child;
  QString Client;
  QString Config;
  QDBusConnection Root{QString()};
  std::unique_ptr<QProcess> Guard;
};

TEST_F(GuardServiceTest, TheChildReadsEveryRuleButChangesNoneWithoutTheParentsPassword) {
  SetFirstPassword();
  StartGuard();
  SeedRules();
  const QStringList before = Steps(nullptr, StateReads);
  ASSERT_EQ(before.size(), StateReads.size());
  EXPECT_EQ(Steps(Child.get(), StateReads), before);

  const struct {
    const char *sStep;
    QString sAnswer;
  } cases[] = {
      {"set OffOn 0", NeedParent},
      {"addlimit /usr/bin/shell 1-7,00:00-23:59", NeedParent},
      {"dellimit 1", NeedParent},
      {"addweb other.example 1-7,00:00-23:59", NeedParent},
      {"delweb 1", NeedParent},
      {"dec 2", NeedParent},
      {"addcancel 2026-12-02 mine", NeedParent},
      {"delviolation 1", NeedParent},
      {"setpw mine", NeedParent},
      // Nothing written, as for a hive that cannot be written: a host registering its lock
      // program at its start goes on.
      {"regwrite \\SOFTWARE\\Pemblo PembloLock /bin/true", QStringLiteral("ok 0")},
      {"regwrite \\SOFTWARE\\Pemblo PembloLock -", QStringLiteral("ok 0")},
      {"regwrite \\Software\\\\pemblo\\ PembloLock /bin/true", QStringLiteral("ok 0")},
      {"regwrite \\SOFTWARE\\Pemblo ParentPassword -", GuardOnly},
      {"regwrite \\software\\PEMBLO\\ parentpassword pbkdf2-sha256$1$00$00", GuardOnly},
      {"regwrite \\SOFTWARE\\Pemblo PasswordTries -", GuardOnly},
      {"regwrite \\SOFTWARE\\Pemblo YCount -", GuardOnly},
      {"regread \\SOFTWARE\\Pemblo ParentPassword", QStringLiteral("error 家长密码只有家长规则服务能读。")},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.sStep);
    EXPECT_EQ(Step(Child.get(), QString::fromUtf8(c.sStep)), c.sAnswer);
  }
  // pemblo-config without the password, or with a wrong one.
  for (const QByteArray &typed : {QByteArray(), QByteArray("wrong\n")}) {
    SCOPED_TRACE(typed.constData());
    const TRunResult config = RunAs(Child.get(), Config, {QStringLiteral("OffOn=0")}, BusEnvironment(), typed);
    EXPECT_EQ(config.iExitCode, 1) << config.sOut.toStdString();
  }

  EXPECT_EQ(Steps(nullptr, StateReads), before);
  EXPECT_EQ(Step(nullptr, QStringLiteral("check ") + Password), QStringLiteral("ok right"));

  // The same change with the parent's password.
  const TRunResult config =
      RunAs(Child.get(), Config, {QStringLiteral("OffOn=0")}, BusEnvironment(), (Password + "\n").toUtf8());
  EXPECT_EQ(config.iExitCode, 0) << config.sErr.toStdString();
  EXPECT_EQ(Step(nullptr, QStringLiteral("settings")),
            QStringLiteral("ok OffOn=0 TextTime=5 PsDistance=5 ImgTime=5 ImgSize=50"));
}

TEST_F(GuardServiceTest, TheStateFilesAndTheGuardsNameAreRootsAlone) {
  SetFirstPassword();
  StartGuard();
  SeedRules();
  ASSERT_EQ(Step(nullptr, QStringLiteral("visit http://games.example/")), QStringLiteral("ok "));
  // Every file the guard keeps, the settings, the card database, the hive and the logs among them.
  QStringList files;
  for (QDirIterator it(State, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories); it.hasNext();)
    files << it.next();
  for (const QString name :
       {QStringLiteral("appdata.dat"), QStringLiteral("MiniCarddata.mdb"), QStringLiteral(".txt")}) {
    SCOPED_TRACE(name.toStdString());
    EXPECT_TRUE(std::any_of(files.begin(), files.end(), [&](const QString &file) { return file.endsWith(name); }))
        << files.join(QLatin1Char(' ')).toStdString();
  }
  EXPECT_TRUE(std::any_of(files.begin(), files.end(), [](const QString &f) { return f.contains("/registry/"); }));
  for (const QString &file : files) {
    SCOPED_TRACE(file.toStdString());
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(file).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0077, 0u);
    const TRunResult read = RunAs(Child.get(), QStringLiteral("cat"), {file}, {});
    EXPECT_NE(read.iExitCode, 0);
    EXPECT_TRUE(read.sErr.contains(QStringLiteral("Permission denied"))) << read.sErr.toStdString();
    EXPECT_TRUE(read.sOut.isEmpty());
  }

  // The child cannot take the name to answer in the guard's place.
  const TRunResult taken =
      RunAs(Child.get(), QStringLiteral("dbus-send"),
            {QStringLiteral("--system"), QStringLiteral("--print-reply"), QStringLiteral("--dest=org.freedesktop.DBus"),
             QStringLiteral("/org/freedesktop/DBus"), QStringLiteral("org.freedesktop.DBus.RequestName"),
             QStringLiteral("string:org.pemblo.Guard"), QStringLiteral("uint32:2")},
            BusEnvironment());
  EXPECT_NE(taken.iExitCode, 0);
  EXPECT_TRUE(taken.sErr.contains(QStringLiteral("AccessDenied"))) << taken.sErr.toStdString();
}

TEST_F(GuardServiceTest, TheFirstPasswordIsSetByAParentNeverByTheChild) {
  StartGuard();
  TTestAccount parent({QStringLiteral("pemblo-parents")});
  EXPECT_EQ(Step(Child.get(), QStringLiteral("setpw mine")),
            QStringLiteral("error 只有家长能设置家长密码：请家长以root运行 pemblo-guard --set-password。"));
  EXPECT_EQ(Step(Child.get(), QStringLiteral("check mine")), QStringLiteral("ok wrong"));
  EXPECT_EQ(Step(&parent, QStringLiteral("setpw ") + Password), QStringLiteral("ok "));
  // Now set, the password is changed only inside a parent session, the parent's too.
  EXPECT_EQ(Step(Child.get(), QStringLiteral("setpw mine")), NeedParent);
  EXPECT_EQ(Step(&parent, QStringLiteral("setpw other")), NeedParent);
  EXPECT_EQ(Steps(Child.get(), {QStringLiteral("check ") + Password, QStringLiteral("setpw mine")}),
            (QStringList{"ok right", "ok "}));
  EXPECT_EQ(Step(nullptr, QStringLiteral("check mine")), QStringLiteral("ok right"));
}

TEST_F(GuardServiceTest, ARightPasswordOpensASessionForItsConnectionAloneAndWindowsHearTheChanges) {
  SetFirstPassword();
  StartGuard({QStringLiteral("--session-idle-seconds"), QStringLiteral("4")});
  SeedRules();
  TSignalLog heard;
  for (const char *signal : {"SettingsChanged", "LimitsChanged", "BlackListChanged", "CardCountChanged"})
    ASSERT_TRUE(Root.connect(GuardBus::Service, GuardBus::Path, GuardBus::Interface, QString::fromLatin1(signal),
                             &heard, SLOT(Seen(QDBusMessage))));

  // One process: the password, then its changes.
  auto parent = StartClient(Child.get());
  EXPECT_EQ(parent->Ask(QStringLiteral("check ") + Password), QStringLiteral("ok right"));
  // Another process of the same account, meanwhile.
  EXPECT_EQ(Step(Child.get(), QStringLiteral("addlimit /usr/bin/other 1-7,00:00-23:59")), NeedParent);
  const struct {
    const char *sStep;
    const char *sAnswer;
    const char *sHeard;
  } cases[] = {
      {"set OffOn 0", "ok OffOn=0 TextTime=5 PsDistance=5 ImgTime=5 ImgSize=50", "SettingsChanged"},
      {"addlimit /usr/bin/shell 1-7,00:00-23:59", "ok 2", "LimitsChanged 1 2"},
      {"dellimit 1", "ok 1", "LimitsChanged -1 1"},
      {"addweb other.example 1-7,00:00-23:59", "ok 2", "BlackListChanged 1 2"},
      {"delweb 1", "ok 1", "BlackListChanged -1 1"},
      {"dec 1", "ok 1", "CardCountChanged 1"},
      {"regwrite \\SOFTWARE\\Pemblo PembloLock /opt/pemblo/other", "ok 1", nullptr},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.sStep);
    heard.Lines.clear();
    EXPECT_EQ(parent->Ask(QString::fromUtf8(c.sStep)), QString::fromUtf8(c.sAnswer));
    if (c.sHeard)
      EXPECT_TRUE(WaitUntil([&] { return heard.Lines.contains(QString::fromUtf8(c.sHeard)); }, 5000))
          << heard.Lines.join(QLatin1Char('|')).toStdString();
  }
  EXPECT_EQ(Steps(nullptr, StateReads),
            (QStringList{"ok OffOn=0 TextTime=5 PsDistance=5 ImgTime=5 ImgSize=50", "ok 2:/usr/bin/shell",
                         "ok 2:other.example", "ok 1", "ok 1:game", "ok 1:homework", "ok /opt/pemblo/other"}));

  // The session lives while the parent acts, and ends after the idle time or with the process.
  EXPECT_EQ(parent->Ask(QStringLiteral("check ") + Password), QStringLiteral("ok right"));
  QThread::msleep(1000);
  EXPECT_EQ(parent->Ask(QStringLiteral("dellimit 2")), QStringLiteral("ok 1"));
  QThread::msleep(4500);
  EXPECT_EQ(parent->Ask(QStringLiteral("addlimit /usr/bin/late 1-7,00:00-23:59")), NeedParent);
  EXPECT_EQ(parent->Ask(QStringLiteral("check ") + Password), QStringLiteral("ok right"));
  parent.reset();
  EXPECT_EQ(Step(Child.get(), QStringLiteral("addlimit /usr/bin/later 1-7,00:00-23:59")), NeedParent);
  EXPECT_EQ(Step(nullptr, QStringLiteral("limits")), QStringLiteral("ok "));
}

TEST_F(GuardServiceTest, FiveWrongPasswordsMakeTriesWaitAndARestartKeepsTheWait) {
  SetFirstPassword();
  StartGuard();
  QStringList steps;
  for (int i = 0; i < 5; ++i)
    steps << QStringLiteral("check wrong%1").arg(i);
  steps << QStringLiteral("check ") + Password << QStringLiteral("set OffOn 1");
  EXPECT_EQ(Steps(Child.get(), steps),
            (QStringList{"ok wrong", "ok wrong", "ok wrong", "ok wrong", "ok wrong", "ok locked", NeedParent}));
  KillGuard();
  StartGuard();
  EXPECT_EQ(Steps(Child.get(), {QStringLiteral("check ") + Password, QStringLiteral("set OffOn 1")}),
            (QStringList{"ok locked", NeedParent}));
  // The child's guesses make the child's account wait, never the parent's own.
  TTestAccount parent({QStringLiteral("pemblo-parents")});
  EXPECT_EQ(Steps(&parent, {QStringLiteral("check ") + Password, QStringLiteral("set OffOn 1")}),
            (QStringList{"ok right", "ok OffOn=1 TextTime=5 PsDistance=5 ImgTime=5 ImgSize=50"}));
}

// What the child may hand the guard to keep is bounded: a flood of reports is refused after a
// burst, so it fills neither the disk nor the parent's time; the machine's hive is the parent's
// under every key.
TEST_F(GuardServiceTest, AChildFloodsTheGuardInVain) {
  SetFirstPassword();
  StartGuard();
  QStringList steps;
  for (int i = 0; i < 1000; ++i)
    steps << QStringLiteral("visit http://flood.example/%1").arg(i);
  // The share refills as time passes (20 a second): the bound is the burst and that refill.
  QElapsedTimer flood;
  flood.start();
  const QStringList answers = Steps(Child.get(), steps);
  const double seconds = double(flood.elapsed()) / 1000;
  ASSERT_EQ(answers.size(), 1000);
  const qsizetype taken = answers.count(QStringLiteral("ok "));
  EXPECT_GE(taken, 300);
  EXPECT_LE(taken, 300 + qsizetype(20 * seconds) + 1) << seconds << " s";
  EXPECT_EQ(answers.count(QStringLiteral("error 请求太多，请稍后再试。")), 1000 - taken);
  // Another account has its own share.
  TTestAccount other;
  EXPECT_EQ(Step(&other, QStringLiteral("visit http://other.example/")), QStringLiteral("ok "));
  // Cards and violation rows count against a child's account only, never one another account sends.
  EXPECT_EQ(Steps(&other, {QStringLiteral("inc 1"), QStringLiteral("addviolation 2026-12-01_10:00 game")}),
            (QStringList{"error 只有孩子账户的违约才记下。", "error 只有孩子账户的违约才记下。"}));
  EXPECT_EQ(Step(nullptr, QStringLiteral("cards")), QStringLiteral("ok 0"));

  EXPECT_EQ(Steps(Child.get(),
                  {QStringLiteral("regwrite \\SOFTWARE\\Junk k v"), QStringLiteral("regread \\SOFTWARE\\Junk k")}),
            (QStringList{"ok 0", "ok "}));
  EXPECT_EQ(
      Steps(nullptr, {QStringLiteral("regwrite \\SOFTWARE\\Junk k v"), QStringLiteral("regread \\SOFTWARE\\Junk k")}),
      (QStringList{"ok 1", "ok v"}));
}

TEST_F(GuardServiceTest, AGuardKilledAmidChangesKeepsEveryAnsweredOneAndItsClientsCarryOn) {
  SetFirstPassword();
  StartGuard();
  auto parent = StartClient(Child.get());
  ASSERT_EQ(parent->Ask(QStringLiteral("check ") + Password), QStringLiteral("ok right"));
  constexpr int Rounds = 300;
  QStringList steps;
  for (int i = 0; i < Rounds; ++i)
    steps << QStringLiteral("addlimit /usr/bin/game%1 1-7,00:00-23:59").arg(i)
          << QStringLiteral("visit http://games.example/%1").arg(i);
  parent->Write(steps);
  ASSERT_TRUE(parent->WaitForAnswers(1 + 60));
  KillGuard();
  ASSERT_TRUE(parent->WaitForAnswers(1 + 2 * Rounds, 60000));
  const QStringList answers = parent->Answers().mid(1);
  EXPECT_EQ(parent->Ask(QStringLiteral("settings")), NotAnswering);
  EXPECT_EQ(parent->Process().state(), QProcess::Running);

  StartGuard();
  EXPECT_TRUE(parent->Ask(QStringLiteral("settings")).startsWith(QStringLiteral("ok OffOn="))) << "carries on";
  const QStringList limits = Step(nullptr, QStringLiteral("limits")).mid(3).split(QLatin1Char(' '));
  QByteArray log;
  for (QDirIterator it(State, {QStringLiteral("*.txt")}, QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
    QFile file(it.next());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    log += file.readAll();
  }
  int answered = 0;
  int refused = 0;
  for (int i = 0; i < Rounds; ++i) {
    SCOPED_TRACE(i);
    const QString added = answers.value(2 * i);
    const QString visited = answers.value(2 * i + 1);
    if (added.startsWith(QStringLiteral("ok "))) {
      ++answered;
      EXPECT_TRUE(limits.contains(added.mid(3) + QStringLiteral(":/usr/bin/game%1").arg(i)));
    } else {
      ++refused;
      EXPECT_EQ(added, NotAnswering);
    }
    if (visited == QStringLiteral("ok "))
      EXPECT_EQ(log.count(QStringLiteral("  http://games.example/%1\r\n").arg(i).toUtf8()), 1);
    else
      EXPECT_EQ(visited, NotAnswering);
  }
  EXPECT_GE(answered, 30);
  EXPECT_GT(refused, 0) << "the guard was killed after the stream";
}

// ---- limits: the children's accounts and the program limits the guard enforces

namespace {

// The guard's signals about the children as a session hears them: "<member> <arguments>".
class TChildSignalLog : public QObject {
  Q_OBJECT
public slots:
  void Seen(const QDBusMessage &message) {
    QStringList words{message.member()};
    for (const QVariant &arg : message.arguments())
      words << arg.toString();
    Lines << words.join(QLatin1Char(' '));
  }

public:
  QStringList Lines;
};

// Every day, every minute.
QString AlwaysSchedule() {
  QString text;
  for (int day = 0; day < 7; ++day)
    text += QStringLiteral("iweek:%1;tstart:00:00;tend:23:59,").arg(day);
  return text;
}

}  // namespace

class GuardLimitsTest : public GuardServiceTest {
protected:
  void SetUp() override {
    GuardServiceTest::SetUp();
    if (IsSkipped() || HasFatalFailure())
      return;
    // A small program of the machine under a name of its own, in a folder every account reaches.
    ASSERT_TRUE(Programs.isValid());
    ASSERT_TRUE(QFile::copy(QStringLiteral("/bin/sleep"), Programs.filePath(QStringLiteral("game"))));
    Game = ReachableCopy(Programs.path()) + QStringLiteral("/game");
    for (const char *signal : {"ProgramEnded", "LockDue", "CardCountChanged"})
      ASSERT_TRUE(Root.connect(GuardBus::Service, GuardBus::Path, GuardBus::Interface, QString::fromLatin1(signal),
                               &Heard, SLOT(Seen(QDBusMessage))));
  }

  // Starts the game as the account; the time it ran, or -1 when it still runs after waitMs.
  qint64 RunGame(const TTestAccount &account, int waitMs) {
    const std::unique_ptr<QProcess> game = StartAs(&account, Game, {QStringLiteral("60")}, {});
    EXPECT_TRUE(game->waitForStarted());
    QElapsedTimer ran;
    ran.start();
    const bool ended = WaitUntil([&] { return game->state() == QProcess::NotRunning; }, waitMs);
    const qint64 ms = ran.elapsed();
    game->kill();
    game->waitForFinished();
    return ended ? ms : -1;
  }

  // Groups of an account as the system tells them.
  static QStringList GroupsOf(const QString &name) {
    return RunAs(nullptr, QStringLiteral("id"), {QStringLiteral("-nG"), name}, {}).sOut.simplified().split(u' ');
  }

  QTemporaryDir Programs;
  QString Game;
  TChildSignalLog Heard;
};

// While a row's window is open the kernel refuses the child the limited file in every way a scan
// cannot see; when the row goes, and after a guard killed while it denied, the file is exactly as
// it was.
TEST_F(GuardLimitsTest, TheChildCannotReachALimitedFileWhileItsWindowIsOpen) {
  SetFirstPassword();
  TTestAccount kid({QStringLiteral("pemblo-children")});
  const QString script = QFileInfo(Game).absolutePath() + QStringLiteral("/game.sh");
  {
    QFile file(script);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("echo played\n");
  }
  ASSERT_EQ(::chmod(QFile::encodeName(script).constData(), 0755), 0);
  ASSERT_EQ(::chmod(QFile::encodeName(Game).constData(), 0755), 0);
  const auto permissions = [&](const QString &file) {
    return RunAs(nullptr, QStringLiteral("getfacl"), {QStringLiteral("-n"), QStringLiteral("-p"), file}, {}).sOut +
           QString::number(QFileInfo(file).permissions().toInt());
  };
  const QString gameBefore = permissions(Game), scriptBefore = permissions(script);
  const QString copy = kid.Home() + QStringLiteral("/copy");
  const struct {
    const char *sWay;
    QString sCommand;
  } ways[] = {
      {"bash < script", QStringLiteral("bash < ") + script},
      {"bash script", QStringLiteral("bash ") + script},
      {"the dynamic loader", QStringLiteral("/lib64/ld-linux-x86-64.so.2 %1 0").arg(Game)},
      {"a copy made now", QStringLiteral("cp %1 %2 && %2 0").arg(Game, copy)},
      {"reading it", QStringLiteral("cat %1 > /dev/null").arg(Game)},
  };
  const auto childCan = [&](const QString &command) {
    return RunAs(&kid, QStringLiteral("/bin/bash"), {QStringLiteral("-c"), command}, {}).iExitCode == 0;
  };
  for (const auto &way : ways)
    ASSERT_TRUE(childCan(way.sCommand)) << way.sWay << " fails before any limit";

  StartGuard();
  ASSERT_EQ(Steps(nullptr, {QStringLiteral("addlimit %1 %2").arg(Game, AlwaysSchedule()),
                            QStringLiteral("addlimit %1 %2").arg(script, AlwaysSchedule())}),
            (QStringList{"ok 1", "ok 2"}));
  ASSERT_TRUE(WaitUntil([&] { return !childCan(QStringLiteral("cat %1 > /dev/null").arg(Game)); }, 5000));
  for (const auto &way : ways) {
    SCOPED_TRACE(way.sWay);
    EXPECT_FALSE(childCan(way.sCommand));
  }
  EXPECT_TRUE(
      RunAs(Child.get(), QStringLiteral("/bin/bash"), {QStringLiteral("-c"), QStringLiteral("bash < ") + script}, {})
          .sOut.contains(QStringLiteral("played")))
      << "an account that is not a child reads the file";

  // Stopped, the guard gives the files back; started again, it denies them again.
  ::kill(pid_t(Guard->processId()), SIGTERM);
  ASSERT_TRUE(Guard->waitForFinished(10000));
  EXPECT_EQ(permissions(Game), gameBefore);
  EXPECT_EQ(permissions(script), scriptBefore);
  StartGuard();
  ASSERT_TRUE(WaitUntil([&] { return !childCan(QStringLiteral("cat %1 > /dev/null").arg(Game)); }, 5000));

  // Killed while it denies: the next guard, with the rows gone meanwhile, gives the files back.
  KillGuard();
  ASSERT_NE(permissions(Game), gameBefore);
  StartGuard();
  ASSERT_EQ(Steps(nullptr, {QStringLiteral("dellimit 1"), QStringLiteral("dellimit 2")}),
            (QStringList{"ok 1", "ok 1"}));
  EXPECT_TRUE(WaitUntil([&] { return permissions(Game) == gameBefore && permissions(script) == scriptBefore; }, 5000))
      << permissions(Game).toStdString();
  for (const auto &way : ways) {
    SCOPED_TRACE(way.sWay);
    EXPECT_TRUE(childCan(way.sCommand));
  }
}

TEST_F(GuardLimitsTest, AChildsLimitedProgramIsEndedWithNoHostAndAnotherAccountsRuns) {
  SetFirstPassword();
  TTestAccount kid({QStringLiteral("pemblo-children")});
  StartGuard();
  // Added while the guard runs: the guard reads its rows again after its own change.
  ASSERT_EQ(Step(nullptr, QStringLiteral("addlimit %1 %2").arg(Game, AlwaysSchedule())), QStringLiteral("ok 1"));

  const qint64 ran = RunGame(kid, 2000);
  EXPECT_GE(ran, 0) << "the child's game still runs after 2 s";
  EXPECT_EQ(Steps(nullptr, {QStringLiteral("violations"), QStringLiteral("cards")}),
            (QStringList{"ok 1:违约使用了game", "ok 1"}));
  EXPECT_TRUE(WaitUntil([&] { return Heard.Lines.size() >= 2; }, 5000));
  EXPECT_EQ(
      Heard.Lines,
      (QStringList{
          QStringLiteral("ProgramEnded %1 game").arg(kid.Uid()),
          QStringLiteral("CardCountChanged %1 1").arg(Root.interface()->serviceOwner(GuardBus::Service).value())}));

  // Not a child: the same program runs on.
  EXPECT_EQ(RunGame(*Child, 2500), -1) << "another account's game was ended";
  EXPECT_EQ(Step(nullptr, QStringLiteral("cards")), QStringLiteral("ok 1"));
}

TEST_F(GuardLimitsTest, AnAccountWhosePrimaryGroupIsTheChildrensIsWatched) {
  const TTestAccount keepsTheGroup({QStringLiteral("pemblo-children")});  // made for the test when missing
  TTestAccount byPrimary;
  const auto primary = [&](const QString &group) {
    return RunAs(nullptr, QStringLiteral("usermod"), {QStringLiteral("-g"), group, byPrimary.Name()}, {}).iExitCode;
  };
  ASSERT_EQ(primary(QStringLiteral("pemblo-children")), 0);
  StartGuard();
  ASSERT_EQ(Step(nullptr, QStringLiteral("addlimit %1 %2").arg(Game, AlwaysSchedule())), QStringLiteral("ok 1"));
  EXPECT_GE(RunGame(byPrimary, 2000), 0) << "its game still runs";
  // Its own group again, so that it goes with the account.
  EXPECT_EQ(primary(QString::number(byPrimary.Gid())), 0);
}

TEST_F(GuardLimitsTest, PastThreeCardsTheGuardSaysTheLockIsDue) {
  SetFirstPassword();
  TTestAccount kid({QStringLiteral("pemblo-children")});
  StartGuard();
  ASSERT_EQ(Steps(nullptr, {QStringLiteral("addlimit %1 %2").arg(Game, AlwaysSchedule()), QStringLiteral("inc 3")}),
            (QStringList{"ok 1", "ok 3"}));
  EXPECT_GE(RunGame(kid, 2000), 0);
  EXPECT_TRUE(WaitUntil([&] { return Heard.Lines.contains(QStringLiteral("LockDue %1").arg(kid.Uid())); }, 5000))
      << Heard.Lines.join(" | ").toStdString();
  EXPECT_EQ(Step(nullptr, QStringLiteral("cards")), QStringLiteral("ok 3"));
}

TEST_F(GuardLimitsTest, OnlyRootOrAParentSessionAddsAChildAndTheGuardWatchesItAtOnce) {
  SetFirstPassword();
  TTestAccount kid({QStringLiteral("pemblo-children")});
  TTestAccount second;
  TTestAccount third;
  StartGuard();
  ASSERT_EQ(Step(nullptr, QStringLiteral("addlimit %1 %2").arg(Game, AlwaysSchedule())), QStringLiteral("ok 1"));

  // The child cannot make another account a child, nor itself stop being watched that way.
  EXPECT_EQ(Step(Child.get(), QStringLiteral("addchild ") + second.Name()), NeedParent);
  EXPECT_FALSE(GroupsOf(second.Name()).contains(QStringLiteral("pemblo-children")));
  EXPECT_EQ(Steps(Child.get(), {QStringLiteral("check ") + Password, QStringLiteral("addchild ") + second.Name()}),
            (QStringList{"ok right", "ok "}));
  EXPECT_TRUE(GroupsOf(second.Name()).contains(QStringLiteral("pemblo-children")));
  // Watched from the change on, not from the next minute's reading.
  EXPECT_GE(RunGame(second, 2000), 0) << "the new child's game still runs";

  // As root from the command line.
  const TRunResult added =
      RunAs(nullptr, QStringLiteral(PEMBLO_GUARD), {QStringLiteral("--add-child"), third.Name()}, {});
  EXPECT_EQ(added.iExitCode, 0) << added.sErr.toStdString();
  EXPECT_TRUE(GroupsOf(third.Name()).contains(QStringLiteral("pemblo-children")));
  const TRunResult unknown = RunAs(nullptr, QStringLiteral(PEMBLO_GUARD),
                                   {QStringLiteral("--add-child"), QStringLiteral("nosuchaccount27")}, {});
  EXPECT_EQ(unknown.iExitCode, 1);
  EXPECT_TRUE(unknown.sErr.contains(QStringLiteral("nosuchaccount27"))) << unknown.sErr.toStdString();
}

// The parent adds a child from the page of program limits: the button, the dialog, the account
// typed with the keyboard; the guard's refusals come back as the page's error box.
TEST_F(GuardLimitsTest, TheParentAddsAChildFromTheLimitsPageAndTheGuardsRefusalsShowAsABox) {
  SetFirstPassword();
  TTestAccount second;
  StartGuard();
  const QFileInfo program(QStringLiteral(PEMBLO_GUARD_LIMIT_PAGE));
  const QString page = ReachableCopy(program.absolutePath()) + u'/' + program.fileName();
  QProcessEnvironment env = BusEnvironment();
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  env.insert(QStringLiteral("PEMBLO_COMMON_APPDATA"), Child->Home() + QStringLiteral("/data"));
  const struct {
    const char *sCase;
    QString sPassword;
    QString sAccount;
    QStringList sOut;
    bool bChild;
  } cases[] = {
      {"no parent session", QStringLiteral("-"), second.Name(),
       QStringList{"button", "box 这项修改需要家长密码。", "done"}, false},
      {"an unknown account", Password, QStringLiteral("nosuchaccount27"),
       QStringList{"button", "box 没有这个账户：nosuchaccount27", "done"}, false},
      {"the parent's session", Password, second.Name(), QStringList{"button", "done"}, true},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.sCase);
    const TRunResult run = RunAs(Child.get(), page, {c.sPassword, c.sAccount}, env);
    EXPECT_EQ(run.iExitCode, 0) << run.sErr.toStdString();
    EXPECT_EQ(run.sOut.split(u'\n', Qt::SkipEmptyParts), c.sOut) << run.sErr.toStdString();
    EXPECT_EQ(GroupsOf(second.Name()).contains(QStringLiteral("pemblo-children")), c.bChild);
  }
}

// ---- end of limits

// A change made from another connection (the parent's terminal, another session) reaches the
// windows of the child's session as the notice a change made there sends.
TEST_F(GuardServiceTest, ChangesMadeElsewhereReachTheSessionsWindowsAsNotices) {
  SetFirstPassword();
  StartGuard();
  QProcessEnvironment env = BusEnvironment();
  env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"));
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  TRunningClient window(StartAs(nullptr, QStringLiteral(PEMBLO_GUARD_WINDOW), {}, env));
  ASSERT_TRUE(window.WaitForAnswers(1)) << window.Process().readAllStandardError().toStdString();
  ASSERT_EQ(window.Answers().first(), QStringLiteral("ready"));

  EXPECT_EQ(Steps(nullptr, {QStringLiteral("set OffOn 1"), QStringLiteral("addweb games.example 1-7,00:00-23:59")}),
            (QStringList{"ok OffOn=1 TextTime=5 PsDistance=5 ImgTime=5 ImgSize=50", "ok 1"}));
  ASSERT_TRUE(window.WaitForAnswers(3, 10000)) << window.Answers().join(" | ").toStdString();
  EXPECT_EQ(window.Answers().mid(1), (QStringList{"WM_CFGUPDATE 0 0", "WM_WEBSUPDATE 1 1"}));
}

// ---- logs: the sessions' reports of black-listed pages and their screen captures, kept by the guard.

namespace {

// The relative paths of the files under a folder, sorted.
QStringList FilesUnder(const QString &folder) {
  QStringList files;
  for (QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories); it.hasNext();)
    files << QDir(folder).relativeFilePath(it.next());
  files.sort();
  return files;
}

QString DaysAgo(int days) { return QDate::currentDate().addDays(-days).toString(QStringLiteral("yyyy-MM-dd")); }

// A file of the size without its blocks (sparse), so tens of megabytes cost nothing; dated
// `days` ago as well, as an old file would be.
void MakeOldFile(const QString &path, qint64 bytes, int days) {
  ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  ASSERT_TRUE(file.resize(bytes));
  const QDateTime old = QDateTime::currentDateTime().addDays(-days);
  ASSERT_TRUE(file.setFileTime(old, QFileDevice::FileModificationTime));
}

QByteArray Png(int width = 4, int height = 3) {
  QImage picture(width, height, QImage::Format_RGB32);
  picture.fill(Qt::darkCyan);
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  picture.save(&buffer, "PNG");
  return png;
}

// The lines of the block logs in a state folder.
QStringList BlockLogLines(const QString &state) {
  QStringList lines;
  const QString folder = state + QStringLiteral("/Pemblo/Log/拦截日志");
  for (const QString &name : FilesUnder(folder)) {
    QFile file(folder + u'/' + name);
    if (file.open(QIODevice::ReadOnly))
      lines << QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
  }
  return lines;
}

}  // namespace

class GuardLogsTest : public GuardServiceTest {
protected:
  QString Logs() const { return State + QStringLiteral("/Pemblo/Log/"); }
  QString Captures() const { return Logs() + QStringLiteral("抓屏日志/"); }

  // A file in the child's home the child may read and hand in.
  QString ChildFile(const QString &name, const QByteArray &content) const {
    const QString path = Child->Home() + u'/' + name;
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
    return path;
  }
};

TEST_F(GuardLogsTest, ABlackListedPageTheChildReportsIsOneViolationAndOneCardAMinute) {
  SetFirstPassword();
  StartGuard();
  ASSERT_EQ(Steps(nullptr, {QStringLiteral("addweb http://games.example/ 1-7,00:00-23:59"),
                            QStringLiteral("addweb chat.example 1-7,00:00-23:59")}),
            (QStringList{"ok 1", "ok 2"}));
  TSignalLog heard;
  ASSERT_TRUE(Root.connect(GuardBus::Service, GuardBus::Path, GuardBus::Interface, QStringLiteral("CardCountChanged"),
                           &heard, SLOT(Seen(QDBusMessage))));
  // Violations count against the children's accounts only.
  TTestAccount kid({QStringLiteral("pemblo-children")}), sister({QStringLiteral("pemblo-children")});
  const QStringList both{"违约访问了games.example", "违约访问了chat.example"};
  const struct {
    const TTestAccount *pAccount;
    const char *sStep;
    const char *sCards;
    QStringList sViolations;
  } cases[] = {
      {&kid, "blackvisit http://games.example/play 1", "ok 1", {"违约访问了games.example"}},
      // Within the minute, the same row of the same user again: no second card.
      {&kid, "blackvisit http://games.example/again 1", "ok 1", {"违约访问了games.example"}},
      // A key that is no row of the black list counts nothing.
      {&kid, "blackvisit http://games.example/ 9", "ok 1", {"违约访问了games.example"}},
      // Another row, and the same row reported by another child, count on their own.
      {&kid, "blackvisit http://chat.example/ 2", "ok 2", both},
      {&sister, "blackvisit http://games.example/ 1", "ok 3", both + QStringList{"违约访问了games.example"}},
      // An account that is no child's is logged, never counted.
      {Child.get(), "blackvisit http://chat.example/ 2", "ok 3", both + QStringList{"违约访问了games.example"}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.sStep);
    EXPECT_EQ(Step(c.pAccount, QString::fromUtf8(c.sStep)), QStringLiteral("ok "));
    EXPECT_EQ(Step(nullptr, QStringLiteral("cards")), QString::fromUtf8(c.sCards));
    QStringList items;
    for (const QString &row : Step(nullptr, QStringLiteral("violations")).mid(3).split(u' ', Qt::SkipEmptyParts))
      items << row.section(u':', 1);
    EXPECT_EQ(items, c.sViolations);
  }
  // Each card was announced once, and every report is in the parent's block log.
  EXPECT_TRUE(WaitUntil([&] { return heard.Lines.size() >= 3; }, 5000));
  EXPECT_EQ(heard.Lines, (QStringList{"CardCountChanged 1", "CardCountChanged 2", "CardCountChanged 3"}));
  EXPECT_EQ(BlockLogLines(State).size(), 6) << BlockLogLines(State).join(u'|').toStdString();
}

TEST_F(GuardLogsTest, ACaptureHandedInIsKeptInTheGuardsFolderAndAnythingButAPngIsRefused) {
  StartGuard();
  const QByteArray png = Png();
  QByteArray tooWide = png;
  tooWide[16] = char(0x7f);  // the header's width: over two thousand million pixels
  QByteArray jpeg;
  {
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    QImage(4, 3, QImage::Format_RGB32).save(&buffer, "JPG");
  }
  const QString refused = QStringLiteral("error 抓屏图片不是合格的PNG图片。");
  const struct {
    const char *sName;
    QByteArray sContent;
    QString sAnswer;
  } cases[] = {
      {"jpeg", jpeg, refused},        {"text", "not a picture", refused}, {"signature only", png.left(8), refused},
      {"too wide", tooWide, refused}, {"empty", QByteArray(), refused},   {"png", png, QStringLiteral("ok ")},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.sName);
    EXPECT_EQ(Step(Child.get(), QStringLiteral("capture ") + ChildFile(QStringLiteral("shot"), c.sContent)), c.sAnswer);
  }
  const QStringList kept = FilesUnder(Captures());
  ASSERT_EQ(kept.size(), 1) << kept.join(u' ').toStdString();
  EXPECT_TRUE(QRegularExpression(QStringLiteral("^%1/\\d\\d-\\d\\d-\\d\\d-%2\\.png$")
                                     .arg(QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")), Child->Name()))
                  .match(kept.first())
                  .hasMatch())
      << kept.first().toStdString();
  const QString stored = Captures() + kept.first();
  QFile file(stored);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), png);
  struct stat info {};
  ASSERT_EQ(::stat(QFile::encodeName(stored).constData(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  EXPECT_EQ(info.st_uid, 0u);
}

TEST_F(GuardLogsTest, TheWeekReportAndTheCapturesReachAParentsSessionOnly) {
  SetFirstPassword();
  StartGuard();
  const QDate today = QDate::currentDate();
  const QString day = today.toString(Qt::ISODate);
  // The child's day as the guard logs it, a damaged line among it, a capture and a violation.
  EXPECT_EQ(Steps(Child.get(), {QStringLiteral("visit http://a.example/x"), QStringLiteral("visit http://a.example/y"),
                                QStringLiteral("visit http://b.example/"),
                                QStringLiteral("capture ") + ChildFile(QStringLiteral("shot.png"), Png(200, 100))}),
            (QStringList{"ok ", "ok ", "ok ", "ok "}));
  QFile browseLog(Logs() + QStringLiteral("浏览日志/") + day + QStringLiteral(".txt"));
  ASSERT_TRUE(browseLog.open(QIODevice::Append));
  browseLog.write("damaged\r\n");
  browseLog.close();
  EXPECT_EQ(Step(nullptr, QStringLiteral("addviolation ") + today.toString(QStringLiteral("yyyy年MM月dd日_10时09分")) +
                              QStringLiteral(" 违约使用了QQ")),
            QStringLiteral("ok 1"));
  const QStringList kept = FilesUnder(Captures());
  ASSERT_EQ(kept.size(), 1);
  const QString name = QFileInfo(kept.first()).fileName();
  // A picture elsewhere in the guard's folder, and a link to it among the day's pictures.
  QFile elsewhere(Logs() + QStringLiteral("elsewhere.png"));
  ASSERT_TRUE(elsewhere.open(QIODevice::WriteOnly));
  elsewhere.write(Png(7, 5));
  elsewhere.close();
  ASSERT_TRUE(QFile::link(elsewhere.fileName(), Captures() + day + QStringLiteral("/08-00-00.jpg")));

  // The day's violation gave no card (the guard holds none): the days before cannot be told.
  const QString none = QStringLiteral("0,0,0,0,-1 ");
  const QString report = QStringLiteral("ok ") + none.repeated(ReportDays - 1) +
                         QStringLiteral("3,0,0,1,0 [a.example:2,b.example:1] [] [] 违约使用了QQ skipped:1");
  const struct {
    QString sStep, sChild, sParent;
  } cases[] = {
      {QStringLiteral("weekreport ") + day, NeedParent, report},
      {QStringLiteral("daycaptures ") + day, NeedParent,
       QStringLiteral("ok ") + name.left(8).replace(u'-', u':') + QStringLiteral(":120x60")},
      {QStringLiteral("getcapture ") + day + u' ' + name, NeedParent, QStringLiteral("ok 200x100")},
      // Only the suite's own names, and no link: nothing else of the guard's folder is opened.
      {QStringLiteral("getcapture ") + day + QStringLiteral(" ../../elsewhere.png"), NeedParent,
       QStringLiteral("error 无法打开抓屏：") + day + QStringLiteral("/../../elsewhere.png")},
      {QStringLiteral("getcapture ") + day + QStringLiteral(" 08-00-00.jpg"), NeedParent,
       QStringLiteral("error 无法打开抓屏：") + day + QStringLiteral("/08-00-00.jpg")},
  };
  auto parent = StartClient(Child.get());
  ASSERT_EQ(parent->Ask(QStringLiteral("check ") + Password), QStringLiteral("ok right"));
  for (const auto &c : cases) {
    SCOPED_TRACE(c.sStep.toStdString());
    EXPECT_EQ(Step(Child.get(), c.sStep), c.sChild);
    EXPECT_EQ(parent->Ask(c.sStep), c.sParent);
  }
}

TEST_F(GuardLogsTest, TheGuardTrimsItsLogsByTheSettingsLogValues) {
  // The logs as a guard that ran for days left them (the days are read from the names, as the
  // host's trimming reads them), before the guard starts with the default values: browse logs
  // kept 5 days, captures 5 days and 50 megabytes.
  const QString browse = Logs() + QStringLiteral("浏览日志/");
  constexpr qint64 MB = 1024 * 1024;
  for (const int days : {10, 4, 2})
    MakeOldFile(browse + DaysAgo(days) + QStringLiteral(".txt"), 10, days);
  MakeOldFile(Captures() + DaysAgo(10) + QStringLiteral("/08-00-00-kid.png"), 10, 10);
  MakeOldFile(Captures() + DaysAgo(1) + QStringLiteral("/08-00-00-kid.png"), 30 * MB, 1);
  MakeOldFile(Captures() + DaysAgo(1) + QStringLiteral("/09-00-00.jpg"), 30 * MB, 1);
  MakeOldFile(Captures() + DaysAgo(1) + QStringLiteral("/notes.png"), 10, 1);
  StartGuard();
  const QString notes = DaysAgo(1) + QStringLiteral("/notes.png");
  const QString yesterdayLate = DaysAgo(1) + QStringLiteral("/10-00-00-kid.png");
  const QString today = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd/"));

  const struct {
    const char *sWhen;
    std::function<void()> fDo;
    QStringList sBrowse;
    QStringList sCaptures;  // today's picture, whose name holds the time it came, as "today"
  } cases[] = {
      // At the start: the days past 5 go, and the oldest picture while there are more than 50 MB.
      {"start", [] {}, {DaysAgo(4) + ".txt", DaysAgo(2) + ".txt"}, {DaysAgo(1) + "/09-00-00.jpg", notes}},
      {"TextTime 3",
       [&] { EXPECT_EQ(Step(nullptr, QStringLiteral("set TextTime 3")).left(3), QStringLiteral("ok ")); },
       {DaysAgo(2) + ".txt"},
       {DaysAgo(1) + "/09-00-00.jpg", notes}},
      // A capture handed in is trimmed with the rest: the folder past 50 MB again, the oldest goes.
      {"capture",
       [&] {
         MakeOldFile(Captures() + yesterdayLate, 30 * MB, 1);
         EXPECT_EQ(Step(Child.get(), QStringLiteral("capture ") + ChildFile(QStringLiteral("shot.png"), Png())),
                   QStringLiteral("ok "));
       },
       {DaysAgo(2) + ".txt"},
       {notes, yesterdayLate, "today"}},
      // ImgTime 1 keeps yesterday; the pictures come to less than 50 MB.
      {"ImgTime 1",
       [&] { EXPECT_EQ(Step(nullptr, QStringLiteral("set ImgTime 1")).left(3), QStringLiteral("ok ")); },
       {DaysAgo(2) + ".txt"},
       {notes, yesterdayLate, "today"}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.sWhen);
    c.fDo();
    EXPECT_EQ(FilesUnder(browse), c.sBrowse);
    QStringList captures = FilesUnder(Captures());
    for (QString &name : captures)
      if (name.startsWith(today))
        name = QStringLiteral("today");
    QStringList expected = c.sCaptures;
    expected.sort();
    captures.sort();
    EXPECT_EQ(captures, expected);
  }
}

TEST_F(GuardLogsTest, AChildWhoseCapturesStopIsNotedInTheParentsLogOncePerGap) {
  StartGuard({QStringLiteral("--capture-due-seconds"), QStringLiteral("2")});
  const QString shot = ChildFile(QStringLiteral("shot.png"), Png());
  const QString noted = Child->Name() + QStringLiteral("  没有按时抓屏");
  const auto notes = [&] { return BlockLogLines(State).filter(QStringLiteral("没有按时抓屏")); };
  // A user who never sent a capture is not watched: nothing is noted for root.
  ASSERT_EQ(Step(Child.get(), QStringLiteral("capture ") + shot), QStringLiteral("ok "));
  QThread::msleep(1000);
  EXPECT_TRUE(notes().isEmpty()) << "not due yet";
  ASSERT_TRUE(WaitUntil([&] { return !notes().isEmpty(); }, 6000));
  QThread::msleep(3000);
  ASSERT_EQ(notes().size(), 1) << notes().join(u'|').toStdString();
  EXPECT_TRUE(notes().first().contains(noted)) << notes().first().toStdString();
  // A capture again ends the gap; the next gap is noted again.
  ASSERT_EQ(Step(Child.get(), QStringLiteral("capture ") + shot), QStringLiteral("ok "));
  EXPECT_TRUE(WaitUntil([&] { return notes().size() == 2; }, 6000));
  QThread::msleep(3000);
  EXPECT_EQ(notes().size(), 2);
}

TEST_F(GuardLogsTest, TheHostOfAGuardedSessionHandsItsCaptureToTheGuard) {
  StartGuard();
  const QFileInfo program(QStringLiteral(PEMBLO_GUARD_HOST_CAPTURE));
  QProcessEnvironment env = BusEnvironment();
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  const QString own = Child->Home() + QStringLiteral("/data");
  env.insert(QStringLiteral("PEMBLO_COMMON_APPDATA"), own);
  const TRunResult run = RunAs(Child.get(), ReachableCopy(program.absolutePath()) + u'/' + program.fileName(), {}, env);
  EXPECT_EQ(run.sOut, QStringLiteral("stored 1\n")) << run.sErr.toStdString();
  const QStringList kept = FilesUnder(Captures());
  ASSERT_EQ(kept.size(), 1) << kept.join(u' ').toStdString();
  EXPECT_TRUE(kept.first().endsWith(u'-' + Child->Name() + QStringLiteral(".png"))) << kept.first().toStdString();
  EXPECT_TRUE(FilesUnder(own).filter(QStringLiteral("抓屏日志")).isEmpty()) << "nothing in the child's own folder";
}

// ---- the session agent and the lock kept by the guard

// The login manager as the guard meets it: python3-dbusmock's logind on the private bus, run as
// root, with sessions the test adds and the guard's calls recorded. The child is a member of the
// children's group; the guard's waits pass 30 times faster (30 s: 1 s; 2 minutes: 4 s).
class AgentWatchTest : public GuardServiceTest {
protected:
  static constexpr int TimeScale = 30;

  void SetUp() override {
    GuardServiceTest::SetUp();
    if (IsSkipped() || HasFatalFailure())
      return;
    Child = std::make_unique<TTestAccount>(QStringList{QStringLiteral("pemblo-children")});
    Login = StartAs(nullptr, QStringLiteral("/usr/bin/python3"),
                    {QStringLiteral("-m"), QStringLiteral("dbusmock"), QStringLiteral("--system"),
                     QStringLiteral("--template"), QStringLiteral("logind")},
                    BusEnvironment());
    ASSERT_TRUE(Login->waitForStarted());
    ASSERT_TRUE(WaitUntil([&] { return Root.interface()->isServiceRegistered(LoginService).value(); }, 10000))
        << Login->readAllStandardError().toStdString();
  }

  void TearDown() override {
    if (Login) {
      Login->kill();
      Login->waitForFinished();
    }
    if (!PamService.isEmpty())
      QFile::remove(QStringLiteral("/etc/pam.d/") + PamService);
    GuardServiceTest::TearDown();
  }

  // The login's account check for the user through PAM (pamtester), with a service of this test
  // that runs the suite's check as the installed profile does, against this bus.
  bool PamAllows(const QString &user) {
    if (PamService.isEmpty()) {
      PamService = QStringLiteral("pemblo-test-%1").arg(::getpid());
      QFile service(QStringLiteral("/etc/pam.d/") + PamService);
      EXPECT_TRUE(service.open(QIODevice::WriteOnly));
      service.write(("account required pam_exec.so quiet " PEMBLO_OUT_DIR "/Pemblo/pemblo-pam-check --bus " +
                     Bus->Address() + "\naccount required pam_permit.so\n")
                        .toUtf8());
    }
    QProcess pamtester;
    pamtester.start(QStringLiteral("pamtester"), {PamService, user, QStringLiteral("acct_mgmt")});
    EXPECT_TRUE(pamtester.waitForFinished(20000));
    return pamtester.exitStatus() == QProcess::NormalExit && pamtester.exitCode() == 0;
  }

  QDBusMessage CallLogin(const QString &path, const QString &interface, const QString &method,
                         const QVariantList &args = {}) {
    QDBusMessage call = QDBusMessage::createMethodCall(LoginService, path, interface, method);
    call.setArguments(args);
    const QDBusMessage answer = Root.call(call);
    EXPECT_EQ(answer.type(), QDBusMessage::ReplyMessage) << answer.errorMessage().toStdString();
    return answer;
  }

  // A session of the account on seat0 whose type is "x11", "wayland", "tty", ...
  void AddSession(const QString &id, const TTestAccount &account, const QString &type) {
    CallLogin(LoginPath, QStringLiteral("org.freedesktop.DBus.Mock"), QStringLiteral("AddSession"),
              {id, QStringLiteral("seat0"), uint(account.Uid()), account.Name(), true});
    CallLogin(LoginPath + QStringLiteral("/session/") + id, QStringLiteral("org.freedesktop.DBus.Properties"),
              QStringLiteral("Set"),
              {QStringLiteral("org.freedesktop.login1.Session"), QStringLiteral("Type"),
               QVariant::fromValue(QDBusVariant(type))});
  }

  // The guard's calls that lock or end sessions, in their order: "LockSession c1".
  QStringList SessionCalls() {
    const QDBusMessage answer =
        CallLogin(LoginPath, QStringLiteral("org.freedesktop.DBus.Mock"), QStringLiteral("GetCalls"));
    QStringList calls;
    if (answer.arguments().isEmpty())
      return calls;
    const QDBusArgument list = answer.arguments().first().value<QDBusArgument>();
    list.beginArray();
    while (!list.atEnd()) {
      quint64 when = 0;
      QString method;
      QVariantList args;
      list.beginStructure();
      list >> when >> method >> args;
      list.endStructure();
      if (method == QStringLiteral("LockSession") || method == QStringLiteral("TerminateSession"))
        calls << method + QLatin1Char(' ') + args.value(0).toString();
    }
    list.endArray();
    return calls;
  }

  // What the guard holds against the child: its violation items and its card count.
  QStringList Violations() {
    QStringList items;
    QDBusMessage call = QDBusMessage::createMethodCall(GuardBus::Service, GuardBus::Path, GuardBus::Interface,
                                                       QStringLiteral("GetViolations"));
    const QDBusMessage answer = Root.call(call);
    if (answer.arguments().isEmpty())
      return {QStringLiteral("no answer")};
    // a(iss): key, date and time, item.
    const QDBusArgument rows = answer.arguments().first().value<QDBusArgument>();
    rows.beginArray();
    while (!rows.atEnd()) {
      int key = 0;
      QString when, item;
      rows.beginStructure();
      rows >> key >> when >> item;
      rows.endStructure();
      items << item;
    }
    rows.endArray();
    return items;
  }
  int Cards() {
    const QDBusMessage answer = Root.call(QDBusMessage::createMethodCall(
        GuardBus::Service, GuardBus::Path, GuardBus::Interface, QStringLiteral("GetCardCount")));
    return answer.arguments().value(0, -1).toInt();
  }

  // The child's host stand-in: registered as its session's agent, running until it is killed.
  std::unique_ptr<QProcess> StartAgent() {
    auto agent = StartAs(Child.get(), Client, {QStringLiteral("agent")}, BusEnvironment());
    EXPECT_TRUE(agent->waitForStarted());
    EXPECT_TRUE(WaitUntil([&] { return agent->canReadLine(); }, 10000));
    EXPECT_EQ(QString::fromUtf8(agent->readLine()).trimmed(), QStringLiteral("ok"));
    return agent;
  }

  static void Pause(int ms) {
    WaitUntil([] { return false; }, ms);
  }

  // Root's call to the guard; its first answer.
  QVariant CallGuard(const QString &method, const QVariantList &args = {}) {
    QDBusMessage call = QDBusMessage::createMethodCall(GuardBus::Service, GuardBus::Path, GuardBus::Interface, method);
    call.setArguments(args);
    const QDBusMessage answer = Root.call(call);
    EXPECT_EQ(answer.type(), QDBusMessage::ReplyMessage) << answer.errorMessage().toStdString();
    return answer.arguments().value(0);
  }
  bool ChildLocked() { return CallGuard(QStringLiteral("IsAccountLocked"), {Child->Name()}).toBool(); }

  // The lock program's stand-in, the client registered as the lock program, named as the lock
  // program in the guard's hive.
  void UseStandInLock() {
    ASSERT_TRUE(Programs.isValid());
    ASSERT_EQ(::chmod(QFile::encodeName(Programs.path()).constData(), 0755), 0);
    const QString script = Programs.filePath(QStringLiteral("lock"));
    QFile file(script);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(("#!/bin/sh\nexec '" + Client + "' lock\n").toUtf8());
    file.close();
    ASSERT_EQ(::chmod(QFile::encodeName(script).constData(), 0755), 0);
    ASSERT_EQ(Step(nullptr, QStringLiteral("regwrite \\SOFTWARE\\Pemblo PembloLock ") + script),
              QStringLiteral("ok 1"));
  }
  // The processes of the child's lock program stand-in.
  QStringList LockPrograms() const {
    QProcess pgrep;
    pgrep.start(QStringLiteral("pgrep"),
                {QStringLiteral("-u"), QString::number(Child->Uid()), QStringLiteral("-f"), Client + " lock"});
    pgrep.waitForFinished();
    return QString::fromUtf8(pgrep.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  }
  void KillLockPrograms() {
    for (const QString &pid : LockPrograms())
      ::kill(pid.toInt(), SIGKILL);
    EXPECT_TRUE(WaitUntil([&] { return LockPrograms().isEmpty(); }, 5000));
  }

  QTemporaryDir Programs;
  QString PamService;
  const QString LoginService = QStringLiteral("org.freedesktop.login1");
  const QString LoginPath = QStringLiteral("/org/freedesktop/login1");
  std::unique_ptr<QProcess> Login;
};

TEST_F(AgentWatchTest, AChildsDesktopWithoutItsHostIsWarnedThenLockedThenEnded) {
  TTestAccount other;
  StartGuard({QStringLiteral("--time-scale"), QString::number(TimeScale)});
  // Only a graphical session of a child is watched: not its text console, not another account's desktop.
  AddSession(QStringLiteral("c1"), *Child, QStringLiteral("x11"));
  AddSession(QStringLiteral("c2"), *Child, QStringLiteral("tty"));
  AddSession(QStringLiteral("o1"), other, QStringLiteral("wayland"));
  const std::unique_ptr<QProcess> agent = StartAgent();

  // With its host running the child's desktop is left alone for longer than every wait, also
  // by a guard that restarted meanwhile (the host registers again).
  KillGuard();
  StartGuard({QStringLiteral("--time-scale"), QString::number(TimeScale)});
  Pause((30 + 120) * 1000 / TimeScale + 1000);
  EXPECT_EQ(Violations(), QStringList());
  EXPECT_EQ(Cards(), 0);
  EXPECT_EQ(SessionCalls(), QStringList());

  ::kill(pid_t(agent->processId()), SIGKILL);
  QElapsedTimer sinceKill;
  sinceKill.start();
  ASSERT_TRUE(WaitUntil([&] { return !Violations().isEmpty(); }, 10000));
  EXPECT_GE(sinceKill.elapsed(), 30 * 1000 / TimeScale - 100);
  EXPECT_EQ(Violations(), QStringList{QStringLiteral("关闭了Sunvale主程序")});
  EXPECT_EQ(Cards(), 1);

  ASSERT_TRUE(WaitUntil([&] { return !SessionCalls().isEmpty(); }, 20000));
  EXPECT_GE(sinceKill.elapsed(), (30 + 120) * 1000 / TimeScale - 100);
  EXPECT_EQ(SessionCalls(), QStringList{QStringLiteral("LockSession c1")});

  ASSERT_TRUE(WaitUntil([&] { return SessionCalls().size() > 1; }, 20000));
  EXPECT_GE(sinceKill.elapsed(), (30 + 120 + 120) * 1000 / TimeScale - 100);
  EXPECT_EQ(SessionCalls(), (QStringList{QStringLiteral("LockSession c1"), QStringLiteral("TerminateSession c1")}));
  // One violation and one card for the whole time without a host.
  EXPECT_EQ(Violations(), QStringList{QStringLiteral("关闭了Sunvale主程序")});
  EXPECT_EQ(Cards(), 1);
}

TEST_F(AgentWatchTest, PastThreeCardsTheChildIsLockedAndRefusedLoginsUntilTheParentGivesTheLockBack) {
  SetFirstPassword();
  StartGuard();
  UseStandInLock();
  AddSession(QStringLiteral("c1"), *Child, QStringLiteral("x11"));
  const std::unique_ptr<QProcess> agent = StartAgent();

  EXPECT_EQ(Step(Child.get(), QStringLiteral("inc 3")), QStringLiteral("ok 3"));
  EXPECT_FALSE(ChildLocked());
  EXPECT_TRUE(PamAllows(Child->Name()));
  EXPECT_EQ(Step(Child.get(), QStringLiteral("inc 1")), QStringLiteral("ok 3"));
  EXPECT_TRUE(ChildLocked());
  // A new login of the locked account is refused; the others' are not.
  EXPECT_FALSE(PamAllows(Child->Name()));
  EXPECT_TRUE(PamAllows(QStringLiteral("root")));
  // The guard's LockDue reached the host, which started the lock program; it registered.
  ASSERT_TRUE(WaitUntil([&] { return agent->canReadLine(); }, 10000));
  EXPECT_EQ(QString::fromUtf8(agent->readLine()).trimmed(), QStringLiteral("ok"));
  EXPECT_EQ(LockPrograms().size(), 1);

  // The lock program killed: the child's desktop is ended.
  KillLockPrograms();
  ASSERT_TRUE(WaitUntil([&] { return !SessionCalls().isEmpty(); }, 10000));
  EXPECT_EQ(SessionCalls(), QStringList{QStringLiteral("TerminateSession c1")});

  // The lock outlives the guard, and a host starting in the locked account starts the lock again
  // (the ended session's host is gone).
  agent->kill();
  agent->waitForFinished();
  KillGuard();
  StartGuard();
  EXPECT_TRUE(ChildLocked());
  EXPECT_FALSE(PamAllows(Child->Name()));
  UseStandInLock();  // the guard names the real lock program beside it as it starts
  std::unique_ptr<QProcess> again = StartAgent();
  ASSERT_TRUE(WaitUntil([&] { return again->canReadLine(); }, 10000));
  EXPECT_EQ(QString::fromUtf8(again->readLine()).trimmed(), QStringLiteral("ok"));
  EXPECT_EQ(LockPrograms().size(), 1);

  // Only the parent gives it back: not the child's own call, nor a wrong password.
  EXPECT_EQ(Steps(Child.get(), {QStringLiteral("unlock wrong1"), QStringLiteral("mayopen")}),
            (QStringList{"ok wrong", "ok 0"}));
  const TRunResult release = RunAs(Child.get(), QStringLiteral("/usr/bin/dbus-send"),
                                   {QStringLiteral("--system"), QStringLiteral("--print-reply"),
                                    QStringLiteral("--dest=org.pemblo.Guard"), QStringLiteral("/org/pemblo/Guard"),
                                    QStringLiteral("org.pemblo.Guard.ReleaseLock"), "string:" + Child->Name()},
                                   BusEnvironment());
  EXPECT_NE(release.iExitCode, 0);
  EXPECT_TRUE(release.sErr.contains(QStringLiteral("NeedParent"))) << release.sErr.toStdString();
  EXPECT_TRUE(ChildLocked());

  // A lock program registered before a restart of the guard is still watched after it.
  again->kill();
  again->waitForFinished();
  KillGuard();
  StartGuard();
  Pause(1000);  // the lock program registers again
  KillLockPrograms();
  ASSERT_TRUE(WaitUntil([&] { return SessionCalls().size() > 1; }, 10000));
  EXPECT_EQ(SessionCalls(),
            (QStringList{QStringLiteral("TerminateSession c1"), QStringLiteral("TerminateSession c1")}));

  // The lock screen's password box with the right password.
  EXPECT_EQ(Steps(Child.get(), {QStringLiteral("unlock ") + Password, QStringLiteral("mayopen")}),
            (QStringList{"ok right", "ok 1"}));
  EXPECT_FALSE(ChildLocked());
  EXPECT_TRUE(PamAllows(Child->Name()));

  // A lock program that ends once the lock is given back ends nothing.
  const std::unique_ptr<QProcess> lock = StartAs(Child.get(), Client, {QStringLiteral("lock")}, BusEnvironment());
  ASSERT_TRUE(WaitUntil([&] { return lock->canReadLine(); }, 10000));
  KillLockPrograms();
  Pause(1000);
  EXPECT_EQ(SessionCalls().size(), 2);
}

TEST_F(AgentWatchTest, AMissingHostsCardPastThreeLocksTheChildAndTheParentsReleaseSparesTheSession) {
  StartGuard({QStringLiteral("--time-scale"), QString::number(TimeScale)});
  AddSession(QStringLiteral("c1"), *Child, QStringLiteral("x11"));
  // Cards past three given by an account that is no child's lock nobody.
  EXPECT_EQ(Step(nullptr, QStringLiteral("inc 4")), QStringLiteral("ok 3"));
  EXPECT_FALSE(CallGuard(QStringLiteral("IsAccountLocked"), {QStringLiteral("root")}).toBool());
  EXPECT_FALSE(ChildLocked());

  ASSERT_TRUE(WaitUntil([&] { return ChildLocked(); }, 10000));
  EXPECT_EQ(Violations(), QStringList{QStringLiteral("关闭了Sunvale主程序")});
  ASSERT_TRUE(WaitUntil([&] { return !SessionCalls().isEmpty(); }, 20000));
  EXPECT_EQ(SessionCalls(), QStringList{QStringLiteral("LockSession c1")});

  CallGuard(QStringLiteral("ReleaseLock"), {Child->Name()});
  EXPECT_FALSE(ChildLocked());
  // Past the time the session would have been ended; a host still missing starts a new count.
  Pause(120 * 1000 / TimeScale + 500);
  EXPECT_FALSE(SessionCalls().contains(QStringLiteral("TerminateSession c1")));
}

#include "GuardServiceTest.moc"
