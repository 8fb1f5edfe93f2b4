// The machine the guard's tests build: a private system bus under Debian's system policy and the
// guard's policy file, a throwaway account for the child, programs run as it, and build folders
// it may reach.
#include "tests/support/GuardSystem.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <filesystem>
#include <grp.h>
#include <gtest/gtest.h>
#include <memory>
#include <pwd.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// An object root serves on the bus: Who(claimed uid) answers with the uid the bus gives for the
// caller, whatever the caller claims.
class TCallerProbe : public QDBusVirtualObject {
public:
  QString introspect(const QString &) const override { return {}; }
  bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override {
    if (message.member() != QStringLiteral("Who"))
      return false;
    Seen = connection.interface()->serviceUid(message.service()).value();
    connection.send(message.createReply(Seen));
    return true;
  }

  uint Seen = uint(-1);
};

QString Text(const QString &text) { return text.trimmed(); }

void WriteFile(const fs::path &path, const QByteArray &content, fs::perms mode) {
  QFile file(QString::fromStdString(path.string()));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(content);
  file.close();
  fs::permissions(path, mode);
}

}  // namespace

class GuardSystemTest : public ::testing::Test {
protected:
  void SetUp() override {
    QString why;
    if (!CanRunAccounts(&why))
      GTEST_SKIP() << why.toStdString();
    Bus = std::make_unique<TPrivateSystemBus>(QStringList{GuardPolicyFile()});
    Child = std::make_unique<TTestAccount>();
  }

  QProcessEnvironment BusEnvironment() const {
    QProcessEnvironment env;
    env.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), Bus->Address());
    return env;
  }

  // dbus-send on the system bus as the account (null: root), waiting for the reply.
  TRunResult Send(const TTestAccount *account, const QStringList &args) const {
    return RunAs(account, QStringLiteral("dbus-send"),
                 QStringList{QStringLiteral("--system"), QStringLiteral("--print-reply")} + args, BusEnvironment());
  }

  std::unique_ptr<TPrivateSystemBus> Bus;
  std::unique_ptr<TTestAccount> Child;
};

TEST_F(GuardSystemTest, OnlyRootOwnsTheGuardsNameAndEveryAccountCallsItUnderItsOwnUid) {
  // Each asks while nobody holds the name, so the policy alone answers.
  const struct {
    const char *sWho;
    bool bChild;
    QString sName;
    bool bGranted;
  } cases[] = {
      {"the child asks for the guard's name", true, QStringLiteral("org.pemblo.Guard"), false},
      {"root asks for the guard's name", false, QStringLiteral("org.pemblo.Guard"), true},
      {"root asks for a name no policy opens", false, QStringLiteral("org.pemblo.Other"), false},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.sWho);
    const TRunResult asked =
        Send(c.bChild ? Child.get() : nullptr,
             {QStringLiteral("--dest=org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
              QStringLiteral("org.freedesktop.DBus.RequestName"), QStringLiteral("string:") + c.sName,
              QStringLiteral("uint32:0")});
    if (c.bGranted) {
      EXPECT_EQ(asked.iExitCode, 0) << asked.sErr.toStdString();
      EXPECT_TRUE(asked.sOut.contains(QStringLiteral("uint32 1"))) << asked.sOut.toStdString();  // primary owner
    } else {
      EXPECT_NE(asked.iExitCode, 0);
      EXPECT_TRUE(asked.sErr.contains(QStringLiteral("org.freedesktop.DBus.Error.AccessDenied")))
          << asked.sErr.toStdString();
    }
  }

  TCallerProbe probe;
  QDBusConnection root = QDBusConnection::connectToBus(Bus->Address(), QStringLiteral("guardsystem-root"));
  ASSERT_TRUE(root.isConnected()) << root.lastError().message().toStdString();
  ASSERT_TRUE(root.registerVirtualObject(QStringLiteral("/probe"), &probe));
  ASSERT_TRUE(root.registerService(QStringLiteral("org.pemblo.Guard"))) << root.lastError().message().toStdString();
  // The child claims to be root (uid 0); the bus says who it is.
  const TRunResult called = Send(Child.get(), {QStringLiteral("--dest=org.pemblo.Guard"), QStringLiteral("/probe"),
                                               QStringLiteral("org.pemblo.Probe.Who"), QStringLiteral("uint32:0")});
  EXPECT_EQ(called.iExitCode, 0) << called.sErr.toStdString();
  EXPECT_EQ(probe.Seen, Child->Uid());
  EXPECT_TRUE(called.sOut.contains(QStringLiteral("uint32 %1").arg(Child->Uid()))) << called.sOut.toStdString();
  QDBusConnection::disconnectFromBus(QStringLiteral("guardsystem-root"));
}

TEST_F(GuardSystemTest, TheAccountReadsRootsFilesOnlyWhereTheirModeLetsIt) {
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  fs::permissions(folder.path().toStdString(), fs::perms(0755));
  const struct {
    const char *sFile;
    fs::perms iMode;
    bool bRead;
  } cases[] = {
      {"state.dat", fs::perms(0600), false},
      {"open.dat", fs::perms(0644), true},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.sFile);
    const fs::path file = fs::path(folder.path().toStdString()) / c.sFile;
    WriteFile(file, "parent's rules", c.iMode);
    const TRunResult read = RunAs(Child.get(), QStringLiteral("cat"), {QString::fromStdString(file.string())}, {});
    if (c.bRead) {
      EXPECT_EQ(read.iExitCode, 0) << read.sErr.toStdString();
      EXPECT_EQ(read.sOut, QStringLiteral("parent's rules"));
    } else {
      EXPECT_NE(read.iExitCode, 0);
      EXPECT_TRUE(read.sErr.contains(QStringLiteral("Permission denied"))) << read.sErr.toStdString();
      EXPECT_TRUE(read.sOut.isEmpty());
    }
  }
}

TEST_F(GuardSystemTest, ProgramsRunAsTheAccountWithItsGroupsAndOnlyTheGivenEnvironment) {
  TTestAccount parent({QStringLiteral("users")});
  const TRunResult id = RunAs(&parent, QStringLiteral("id"), {}, {});
  EXPECT_EQ(Text(id.sOut), QStringLiteral("uid=%1(%2) gid=%3(%2) groups=%3(%2),100(users)")
                               .arg(parent.Uid())
                               .arg(parent.Name())
                               .arg(parent.Gid()));
  EXPECT_EQ(Text(RunAs(nullptr, QStringLiteral("id"), {QStringLiteral("-u")}, {}).sOut), QStringLiteral("0"));

  // What the test gives is all the program gets, and the account's own HOME wins over a given one.
  qputenv("PEMBLO_NOT_GIVEN", "1");
  QProcessEnvironment given = BusEnvironment();
  given.insert(QStringLiteral("HOME"), QStringLiteral("/root"));
  const TRunResult env = RunAs(&parent, QStringLiteral("env"), {}, given);
  qunsetenv("PEMBLO_NOT_GIVEN");
  QStringList lines = Text(env.sOut).split(QLatin1Char('\n'));
  lines.sort();
  EXPECT_EQ(lines, (QStringList{QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS=") + Bus->Address(),
                                QStringLiteral("HOME=") + parent.Home(), QStringLiteral("LOGNAME=") + parent.Name(),
                                QStringLiteral("PATH=/usr/local/bin:/usr/bin:/bin"),
                                QStringLiteral("USER=") + parent.Name()}));

  // Input arrives, the program starts in the account's home, and one that runs on is ended.
  const TRunResult typed =
      RunAs(&parent, QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("pwd; cat")}, {}, "typed\n");
  EXPECT_EQ(typed.sOut, parent.Home() + QStringLiteral("\ntyped\n"));
  EXPECT_EQ(RunAs(&parent, QStringLiteral("sleep"), {QStringLiteral("30")}, {}, {}, 300).iExitCode, -1);
}

TEST_F(GuardSystemTest, AnAccountGoesWithItsHomeAndTheGroupsMadeForIt) {
  const QString madeGroup = QStringLiteral("pemblotestgrp%1").arg(getpid());
  ASSERT_EQ(getgrnam(madeGroup.toLocal8Bit().constData()), nullptr);
  QString name;
  QString home;
  {
    TTestAccount first({madeGroup, QStringLiteral("users")});
    {
      TTestAccount second({madeGroup});
      const group *made = getgrnam(madeGroup.toLocal8Bit().constData());
      ASSERT_NE(made, nullptr);
      EXPECT_EQ(Text(RunAs(&second, QStringLiteral("id"), {QStringLiteral("-Gn")}, {}).sOut),
                second.Name() + QStringLiteral(" ") + madeGroup);
    }
    EXPECT_NE(getgrnam(madeGroup.toLocal8Bit().constData()), nullptr) << "still needed by the first account";
    name = first.Name();
    home = first.Home();
    struct stat info {};
    ASSERT_EQ(stat(home.toLocal8Bit().constData(), &info), 0);
    EXPECT_EQ(info.st_uid, first.Uid());
  }
  EXPECT_EQ(getpwnam(name.toLocal8Bit().constData()), nullptr);
  EXPECT_EQ(getgrnam(name.toLocal8Bit().constData()), nullptr);
  EXPECT_FALSE(QFileInfo::exists(home));
  EXPECT_EQ(getgrnam(madeGroup.toLocal8Bit().constData()), nullptr);
  EXPECT_NE(getgrnam("users"), nullptr) << "a group the machine had stays";
}

TEST_F(GuardSystemTest, ReachableCopyOpensAClosedBuildFolderToTheAccount) {
  // A build's out folder: a program that reads a sibling product folder through a relative link.
  const struct {
    const char *sCase;
    fs::perms iAbove;
    fs::perms iProgram;
    fs::perms iData;
    bool bCopied;
  } cases[] = {
      {"a folder above is closed", fs::perms(0700), fs::perms(0755), fs::perms(0644), true},
      {"the files are the owner's alone", fs::perms(0755), fs::perms(0700), fs::perms(0600), true},
      {"everything is open", fs::perms(0755), fs::perms(0755), fs::perms(0644), false},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.sCase);
    QTemporaryDir above;
    ASSERT_TRUE(above.isValid());
    const fs::path out = fs::path(above.path().toStdString()) / "out";
    fs::create_directories(out / "Pemblo");
    fs::create_directories(out / "PembloBrowser");
    fs::create_symlink("../PembloBrowser", out / "Pemblo" / "browser");
    WriteFile(out / "Pemblo" / "run", "#!/bin/sh\ncat \"$(dirname \"$0\")/browser/data\"\n", c.iProgram);
    WriteFile(out / "PembloBrowser" / "data", "found", c.iData);
    fs::permissions(above.path().toStdString(), c.iAbove);
    const QString original = QString::fromStdString(out.string());

    EXPECT_EQ(RunAs(Child.get(), original + QStringLiteral("/Pemblo/run"), {}, {}).iExitCode == 0, !c.bCopied);
    const QString reachable = ReachableCopy(original);
    EXPECT_EQ(reachable != original, c.bCopied);
    EXPECT_EQ(ReachableCopy(original), reachable) << "one copy per process";
    EXPECT_TRUE(fs::is_symlink((reachable + QStringLiteral("/Pemblo/browser")).toStdString()));
    const TRunResult run = RunAs(Child.get(), reachable + QStringLiteral("/Pemblo/run"), {}, {});
    EXPECT_EQ(run.iExitCode, 0) << run.sErr.toStdString();
    EXPECT_EQ(run.sOut, QStringLiteral("found"));
  }
}

TEST_F(GuardSystemTest, ABusThatCannotStartSaysWhy) {
  const QString missing = QStringLiteral("/nonexistent/org.pemblo.Missing.conf");
  try {
    TPrivateSystemBus bus({missing});
    FAIL() << "a bus started without its policy file";
  } catch (const std::runtime_error &error) {
    EXPECT_TRUE(QString::fromUtf8(error.what()).contains(missing)) << error.what();
  }
}
