// The guard's denial of limited files as the child meets it: real files in a folder every account
// may reach, a throwaway child account and a second account, both in a group that may run the
// files, trying every way to start or read a file while it is denied; the files' ACLs and modes
// read back with getfacl after they are given back, also by a new process after the denier was
// killed.
#include "guard/uFileDenial.h"
#include "tests/support/GuardSystem.h"
#include "tests/support/QStringPrint.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <csignal>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString Ran = QStringLiteral("ran-ok");

// Every way the child might start or read a program or a script; each prints Ran when it works.
// %prog: a copy of echo, %link: a link to it, %script: a bash script echoing Ran.
const struct {
  const char *sWay;
  const char *sCommand;
} Ways[] = {
    {"start the program", "%prog ran-ok"},
    {"start it by its link", "%link ran-ok"},
    {"start it through the dynamic loader", "/lib64/ld-linux-x86-64.so.2 %prog ran-ok"},
    {"copy it now and start the copy", "rm -f ~/copy; cp %prog ~/copy && ~/copy ran-ok"},
    {"start the script", "%script"},
    {"feed the script to bash through a pipe", "bash < %script"},
    {"name the script to bash", "bash %script"},
    {"read the script", "cat %script"},
};

}  // namespace

class FileDenialTest : public ::testing::Test {
protected:
  void SetUp() override {
    QString why;
    if (!CanRunAccounts(&why))
      GTEST_SKIP() << why.toStdString();
    ASSERT_TRUE(Folder.isValid());
    ASSERT_EQ(::chmod(QFile::encodeName(Folder.path()).constData(), 0755), 0);
    ASSERT_TRUE(QDir().mkpath(Folder.filePath(QStringLiteral("state"))));
    Record = Folder.filePath(QStringLiteral("state/denials.json"));
    // Both accounts reach the script through the group alone.
    Shared = QStringLiteral("pdeny%1").arg(::getpid());
    Child = std::make_unique<TTestAccount>(QStringList{Shared});
    Other = std::make_unique<TTestAccount>(QStringList{Shared});
    Program = Folder.filePath(QStringLiteral("prog"));
    ASSERT_TRUE(QFile::copy(QStringLiteral("/bin/echo"), Program));
    ASSERT_EQ(::chmod(QFile::encodeName(Program).constData(), 0755), 0);
    Link = Folder.filePath(QStringLiteral("prog-link"));
    ASSERT_TRUE(QFile::link(Program, Link));
    Script = MakeFile(QStringLiteral("script"), "#!/bin/bash\necho ran-ok\n", 0750, Shared);
  }

  QString MakeFile(const QString &name, const QByteArray &content, mode_t mode, const QString &group = {}) {
    const QString path = Folder.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();
    if (!group.isEmpty()) {
      EXPECT_EQ(Root({QStringLiteral("chgrp"), group, path}), QString());
    }
    EXPECT_EQ(::chmod(QFile::encodeName(path).constData(), mode), 0);
    return path;
  }

  // A tool run as root; its error output, empty when it worked.
  static QString Root(const QStringList &command) {
    const TRunResult run = RunAs(nullptr, command.first(), command.mid(1), {});
    return run.iExitCode == 0 ? QString() : QStringLiteral("%1 failed: %2").arg(command.join(' '), run.sErr);
  }

  // Owner, group, flags (setuid, setgid, sticky) and every entry of the access ACL.
  static QString Permissions(const QString &path) {
    return RunAs(nullptr, QStringLiteral("getfacl"), {QStringLiteral("-n"), QStringLiteral("-p"), path}, {}).sOut;
  }

  // Whether the account reached the file the given way.
  bool Reaches(const TTestAccount *account, const char *command) const {
    QString line = QString::fromLatin1(command);
    line.replace(QStringLiteral("%prog"), Program).replace(QStringLiteral("%link"), Link);
    line.replace(QStringLiteral("%script"), Script);
    return RunAs(account, QStringLiteral("/bin/bash"), {QStringLiteral("-c"), line}, {}).sOut.contains(Ran);
  }

  bool Reads(const TTestAccount *account, const QString &path) const {
    return Reaches(account, qPrintable(QStringLiteral("cat %1 > /dev/null && echo ran-ok").arg(path)));
  }

  QTemporaryDir Folder{QDir::tempPath() + QStringLiteral("/pemblo-denial-XXXXXX")};
  QString Record;
  QString Shared;
  std::unique_ptr<TTestAccount> Child;
  std::unique_ptr<TTestAccount> Other;
  QString Program;
  QString Link;
  QString Script;
};

TEST_F(FileDenialTest, WhileDeniedTheChildReachesTheFilesNoWayAndAnotherAccountStillDoes) {
  TFileDenial denial(Record);
  for (const auto &way : Ways) {
    SCOPED_TRACE(way.sWay);
    ASSERT_TRUE(Reaches(Child.get(), way.sCommand)) << "before the denial";
  }

  // The program is named by its link, as a limit may name it.
  denial.Apply({Link, Script}, {Child->Uid()});
  EXPECT_EQ(denial.Problems(), QStringList());
  for (const auto &way : Ways) {
    SCOPED_TRACE(way.sWay);
    EXPECT_FALSE(Reaches(Child.get(), way.sCommand)) << "the child, during the denial";
    EXPECT_TRUE(Reaches(Other.get(), way.sCommand)) << "another account, during the denial";
  }

  denial.Apply({}, {Child->Uid()});
  EXPECT_EQ(denial.Problems(), QStringList());
  for (const auto &way : Ways) {
    SCOPED_TRACE(way.sWay);
    EXPECT_TRUE(Reaches(Child.get(), way.sCommand)) << "the child, after the denial";
  }
}

TEST_F(FileDenialTest, GivenBackEachFileHasExactlyItsOwnPermissionsAgain) {
  const QString child = QString::number(Child->Uid()), other = QString::number(Other->Uid());
  const struct {
    const char *sFile;
    mode_t iMode;
    bool bShared;     // owned by the accounts' group, else by root's
    QString sOwnAcl;  // setfacl -m entries the file has before
  } cases[] = {
      {"plain", 0755, false, {}},
      {"setuid-of-the-group", 04750, true, {}},
      {"closed-to-all-but-root", 0700, false, {}},
      // The mask narrows the other account's named entry: a mask widened by the denial would give
      // it the right to write.
      {"own-acl-narrow-mask", 0750, false, QStringLiteral("u:%1:rwx,g:%2:r-x,m::r-x").arg(other, Shared)},
      {"own-acl-naming-the-child", 0755, false, QStringLiteral("u:%1:r-x").arg(child)},
  };
  QStringList files;
  std::map<QString, QString> before;
  for (const auto &c : cases) {
    const QString path =
        MakeFile(QString::fromLatin1(c.sFile), "#!/bin/bash\necho ran-ok\n", c.iMode, c.bShared ? Shared : QString());
    if (!c.sOwnAcl.isEmpty()) {
      ASSERT_EQ(Root({QStringLiteral("setfacl"), QStringLiteral("-m"), c.sOwnAcl, path}), QString());
    }
    files << path;
    before[path] = Permissions(path);
  }

  TFileDenial denial(Record);
  // Called at every scan: the second call must not take the denial for the files' own rights.
  denial.Apply(files, {Child->Uid()});
  denial.Apply(files, {Child->Uid()});
  EXPECT_EQ(denial.Problems(), QStringList());
  for (const auto &c : cases) {
    SCOPED_TRACE(c.sFile);
    const QString path = Folder.filePath(QString::fromLatin1(c.sFile));
    EXPECT_TRUE(Permissions(path).contains(QStringLiteral("\nuser:%1:---\n").arg(child)))
        << Permissions(path).toStdString();
    EXPECT_FALSE(Reads(Child.get(), path));
    EXPECT_FALSE(Reaches(Other.get(), qPrintable(QStringLiteral("test -w %1 && echo ran-ok").arg(path))));
  }

  denial.Apply({}, {Child->Uid()});
  EXPECT_EQ(denial.Problems(), QStringList());
  for (const auto &c : cases) {
    SCOPED_TRACE(c.sFile);
    const QString path = Folder.filePath(QString::fromLatin1(c.sFile));
    EXPECT_EQ(Permissions(path), before[path]);
  }
}

TEST_F(FileDenialTest, TheDenialFollowsTheWatchedAccounts) {
  TFileDenial denial(Record);
  const QString before = Permissions(Script);
  const struct {
    const char *sStep;
    std::vector<uid_t> aUsers;
    bool bChildReaches, bOtherReaches;
  } steps[] = {
      {"the child watched", {Child->Uid()}, false, true},
      {"an account added", {Child->Uid(), Other->Uid()}, false, false},
      {"the child no longer watched", {Other->Uid()}, true, false},
  };
  for (const auto &step : steps) {
    SCOPED_TRACE(step.sStep);
    denial.Apply({Script}, step.aUsers);
    EXPECT_EQ(denial.Problems(), QStringList());
    EXPECT_EQ(Reads(Child.get(), Script), step.bChildReaches);
    EXPECT_EQ(Reads(Other.get(), Script), step.bOtherReaches);
  }
  denial.Apply({Script}, {});
  EXPECT_EQ(Permissions(Script), before);

  // The owner's entry comes first: a watched account keeps its own file, and when it is the only
  // one left the others are given the file back.
  ASSERT_EQ(Root({QStringLiteral("chown"), Child->Name(), Script}), QString());
  denial.Apply({Script}, {Child->Uid(), Other->Uid()});
  EXPECT_EQ(denial.Problems().size(), 1);
  EXPECT_FALSE(Reads(Other.get(), Script));
  denial.Apply({Script}, {Child->Uid()});
  EXPECT_TRUE(Reads(Other.get(), Script));
}

TEST_F(FileDenialTest, ADenierKilledWhileFilesAreDeniedHasThemGivenBackByTheNextOne) {
  const QFileInfo probe(QStringLiteral(PEMBLO_DENIAL_PROBE));
  const QString withAcl = MakeFile(QStringLiteral("with-acl"), "#!/bin/bash\necho ran-ok\n", 0755);
  ASSERT_EQ(
      Root({QStringLiteral("setfacl"), QStringLiteral("-m"), QStringLiteral("u:%1:rwx").arg(Other->Uid()), withAcl}),
      QString());
  const QStringList files{Program, Script, withAcl};
  const struct {
    const char *sNextStart;
    QStringList aCalls;  // each the arguments of one run of the probe after the record
  } cases[] = {
      {"gives every file back first", {QStringLiteral("restore")}},
      {"denies the same files again, then gives them back",
       {QStringLiteral("%1").arg(Child->Uid()) + QLatin1Char(' ') + files.join(QLatin1Char(' ')),
        QStringLiteral("restore")}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.sNextStart);
    std::map<QString, QString> before;
    for (const QString &file : files)
      before[file] = Permissions(file);

    const std::unique_ptr<QProcess> denier =
        StartAs(nullptr, probe.absoluteFilePath(), QStringList{Record, QString::number(Child->Uid())} + files, {});
    ASSERT_TRUE(denier->waitForStarted());
    while (!denier->canReadLine() && denier->waitForReadyRead(10000)) {
    }
    ASSERT_EQ(denier->readAll(), QByteArray("applied\n"));
    ::kill(pid_t(denier->processId()), SIGKILL);
    denier->waitForFinished();
    for (const QString &file : files)
      EXPECT_FALSE(Reads(Child.get(), file)) << "killed while denying " << file.toStdString();

    for (const QString &call : c.aCalls) {
      const TRunResult next =
          RunAs(nullptr, probe.absoluteFilePath(), QStringList{Record} + call.split(QLatin1Char(' ')), {});
      EXPECT_EQ(next.iExitCode, 0) << next.sErr.toStdString();
      QString problems = next.sOut;
      EXPECT_EQ(problems.remove(QStringLiteral("applied\n")), QString());
    }
    for (const QString &file : files) {
      EXPECT_EQ(Permissions(file), before[file]);
      EXPECT_TRUE(Reads(Child.get(), file)) << file.toStdString();
    }
  }
}

TEST_F(FileDenialTest, AFileThatCannotBeDeniedOrGivenBackIsNotedOnceAndLeftAlone) {
  const QString mine = MakeFile(QStringLiteral("childs"), "#!/bin/bash\necho ran-ok\n", 0755);
  ASSERT_EQ(Root({QStringLiteral("chown"), Child->Name(), mine}), QString());
  const QString replaced = MakeFile(QStringLiteral("replaced"), "#!/bin/bash\necho ran-ok\n", 0755);
  const QString removed = MakeFile(QStringLiteral("removed"), "#!/bin/bash\necho ran-ok\n", 0755);
  const auto replace = [&] {
    const QString fresh = MakeFile(QStringLiteral("fresh"), "#!/bin/bash\necho new\n", 0700);
    ASSERT_EQ(::rename(QFile::encodeName(fresh).constData(), QFile::encodeName(replaced).constData()), 0);
  };
  const auto remove = [&] { ASSERT_TRUE(QFile::remove(removed)); };
  const struct {
    const char *sCase;
    QString sFile;
    std::function<void()> fWhileDenied;
    const char *sNotedAtDenial;    // part of the note, or null for none
    const char *sNotedAtGiveBack;  // the same when the file leaves the set
  } cases[] = {
      {"a file that is not there", Folder.filePath(QStringLiteral("missing")), {}, "不存在", nullptr},
      {"a file system without ACLs", QStringLiteral("/proc/version"), {}, "不支持访问控制列表", nullptr},
      {"a file of the child's own", mine, {}, "属于受管理的账户", nullptr},
      {"a file replaced while denied", replaced, replace, nullptr, "另一个文件替换"},
      {"a file removed while denied", removed, remove, nullptr, "已不存在"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.sCase);
    const QString before = Permissions(c.sFile);
    TFileDenial denial(Record);
    denial.Apply({c.sFile}, {Child->Uid()});
    const QStringList atDenial = denial.Problems();
    if (c.sNotedAtDenial) {
      ASSERT_EQ(atDenial.size(), 1);
      EXPECT_TRUE(atDenial[0].contains(QString::fromUtf8(c.sNotedAtDenial))) << atDenial[0].toStdString();
      EXPECT_TRUE(atDenial[0].contains(c.sFile)) << atDenial[0].toStdString();
      EXPECT_EQ(Permissions(c.sFile), before);
      denial.Apply({c.sFile}, {Child->Uid()});
      EXPECT_EQ(denial.Problems(), QStringList()) << "told again while its cause lasts";
    } else {
      EXPECT_EQ(atDenial, QStringList());
    }
    if (c.fWhileDenied)
      c.fWhileDenied();
    const QString changed = Permissions(c.sFile);

    denial.Apply({}, {Child->Uid()});
    const QStringList atGiveBack = denial.Problems();
    if (c.sNotedAtGiveBack) {
      ASSERT_EQ(atGiveBack.size(), 1);
      EXPECT_TRUE(atGiveBack[0].contains(QString::fromUtf8(c.sNotedAtGiveBack))) << atGiveBack[0].toStdString();
    } else {
      EXPECT_EQ(atGiveBack, QStringList());
    }
    EXPECT_EQ(Permissions(c.sFile), changed) << "the file now at the path is left alone";

    // Nothing is left in the record for the next start.
    TFileDenial next(Record);
    next.RestoreFromRecord();
    EXPECT_EQ(next.Problems(), QStringList());
  }
}

TEST_F(FileDenialTest, ARecordThatCannotBeReadIsSetAsideAndNoted) {
  QFile record(Record);
  ASSERT_TRUE(record.open(QIODevice::WriteOnly));
  record.write("{\"files\": [{\"path\": \"/x\"");
  record.close();

  TFileDenial denial(Record);
  denial.RestoreFromRecord();
  const QStringList problems = denial.Problems();
  ASSERT_EQ(problems.size(), 1);
  EXPECT_TRUE(problems[0].contains(Record + QStringLiteral(".damaged"))) << problems[0].toStdString();
  EXPECT_TRUE(QFile::exists(Record + QStringLiteral(".damaged")));
  denial.Apply({Script}, {Child->Uid()});
  EXPECT_EQ(denial.Problems(), QStringList());
  EXPECT_FALSE(Reads(Child.get(), Script));
}
