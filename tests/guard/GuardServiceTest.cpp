// The guard as a machine meets it: pemblo-guard run as root on a private system bus with its
// policy file and a state folder of the test, the child a throwaway account that runs the suite's
// own data layer (the test client) and pemblo-config, the parent the child's account knowing the
// password or an account of the parents' group.
#include "common/uGuardLink.h"
#include "tests/support/GuardSystem.h"
#include "tests/support/QStringPrint.h"
#include "tests/support/WaitUntil.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QObject>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <csignal>
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
        QStringList{QStringLiteral(PEMBLO_SOURCE_DIR "/guard/org.pemblo.Guard.conf"),
                    QStringLiteral(PEMBLO_SOURCE_DIR "/tests/guard/login1-test.conf")});
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

#include "GuardServiceTest.moc"

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
