// What a program limit will end: a name becomes its path on PATH, a launcher script names the
// program it hands itself over to (through variables, env, further launchers and interpreters),
// a desktop launcher its Exec program (an interpreter's script found after its options), and what
// is no program, or runs many (an interpreter, the loader, a multi-call program), is refused with a
// reason.
#include "common/uLimitTarget.h"
#include "tests/support/TestFolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

class LimitTargetTest : public ::testing::Test {
protected:
  void SetUp() override {
    bin = QString::fromStdString((folders.Root() / "bin").string());
    lib = QString::fromStdString((folders.Root() / "lib").string());
    QDir().mkpath(bin);
    QDir().mkpath(lib + "/game");
    ASSERT_TRUE(QFile::copy(QStringLiteral("/bin/sleep"), lib + "/game/game-real"));
    oldPath = qgetenv("PATH");
    qputenv("PATH", (bin + ":/usr/bin:/bin").toLocal8Bit());
  }
  void TearDown() override { qputenv("PATH", oldPath); }

  QString Write(const QString &path, const QByteArray &text, bool executable = true) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(text);
    file.close();
    if (executable)
      file.setPermissions(file.permissions() | QFile::ExeOwner);
    return QFileInfo(path).canonicalFilePath();
  }

  TTestFolders folders;
  QString bin, lib;
  QByteArray oldPath;
};

}  // namespace

TEST_F(LimitTargetTest, LaunchersNameTheProgramTheyStart) {
  const QString real = QFileInfo(lib + "/game/game-real").canonicalFilePath();
  const QByteArray realPath = real.toLocal8Bit();
  const QString plain = Write(bin + "/game", "#!/bin/sh\nexec " + realPath + " \"$@\"\n");
  const QString viaVariable =
      Write(bin + "/game-var", "#!/bin/bash\n# start the game\nGAMEDIR=" + lib.toLocal8Bit() +
                                   "/game\nexport GAME=\"$GAMEDIR/game-real\"\nif [ -x \"$GAME\" ]; then\n"
                                   "  exec -a game \"${GAME}\" --fullscreen \"$@\"\nfi\necho missing >&2\n");
  const QString viaEnv = Write(bin + "/game-env", "#!/usr/bin/env sh\nexec env LANG=C GAME_MODE=1 " + realPath + "\n");
  const QString nested = Write(bin + "/game-nested", "#!/bin/sh\nexec game \"$@\"\n");
  const QString python = Write(lib + "/game/game.py", "print('game')\n", false);
  const QString viaInterpreter =
      Write(bin + "/game-py", "#!/bin/sh\nexec /usr/bin/python3 -u " + python.toLocal8Bit() + " \"$@\"\n");
  const QString loopA = Write(bin + "/loop-a", "#!/bin/sh\nexec " + (bin + "/loop-b").toLocal8Bit() + "\n");
  const QString loopB = Write(bin + "/loop-b", "#!/bin/sh\nexec " + (bin + "/loop-a").toLocal8Bit() + "\n");
  const QString unknown = Write(bin + "/game-unknown", "#!/bin/sh\nexec \"$(dirname \"$0\")/game-real\"\n");
  const QString quoted = Write(bin + "/game-quoted", "#!/bin/sh\necho 'exec /bin/false'\n");
  const QString notShell = Write(bin + "/game-perl", "#!/usr/bin/perl\nexec '" + realPath + "';\n");
  const QString wrapped = Write(bin + "/game-nice", "#!/bin/sh\nexec nice -n 5 timeout 100 " + realPath + "\n");
  QByteArray doubling = "#!/bin/sh\nA=" + QByteArray(64, 'x') + "\n";
  for (int i = 0; i < 40; ++i)
    doubling += "A=$A$A\n";
  const QString doubled = Write(bin + "/game-doubling", doubling + "exec " + realPath + " \"$A\"\n");
  const QString shellCommand = Write(bin + "/game-shell", "#!/bin/sh\nexec sh -c 'cd /tmp && ./game'\n");
  const QString pythonDesktop =
      Write(lib + "/game-py.desktop", "[Desktop Entry]\nExec=python3 -u " + python.toLocal8Bit() + " %f\n", false);
  const QString desktop = Write(
      lib + "/game.desktop", "[Desktop Entry]\nType=Application\nName=Game\nExec=env LANG=C game-nested %u\n", false);
  const QString pythonOptions =
      Write(bin + "/game-pyopt", "#!/bin/sh\nexec python3 -W ignore -X dev " + python.toLocal8Bit() + " \"$@\"\n");
  const QString awkScript = Write(lib + "/game/game.awk", "BEGIN { print \"game\" }\n", false);
  const QString viaAwk = Write(bin + "/game-awk", "#!/bin/sh\nexec awk -v x=1 -f " + awkScript.toLocal8Bit() + "\n");
  const struct {
    const char *Name;
    QString Pick;
    QString Stored;
    QStringList Programs;
  } cases[] = {
      {"a program", real, real, {real}},
      {"a name on PATH", QStringLiteral("game"), plain, {plain, real}},
      {"spaces around a name", QStringLiteral("  game "), plain, {plain, real}},
      {"a variable, exec -a and an if", viaVariable, viaVariable, {viaVariable, real}},
      {"env and its settings", viaEnv, viaEnv, {viaEnv, real}},
      {"a launcher of a launcher", nested, nested, {nested, plain, real}},
      {"an interpreter's script", viaInterpreter, viaInterpreter, {viaInterpreter, python}},
      {"a loop of launchers", loopA, loopA, {loopA, loopB}},
      {"what the script cannot know without running", unknown, unknown, {unknown}},
      {"exec inside quotes is text", quoted, quoted, {quoted}},
      {"only shell scripts are read", notShell, notShell, {notShell}},
      {"a desktop launcher of a launcher", desktop, desktop, {nested, plain, real}},
      {"a script run by its interpreter", python, python, {python}},
      {"wrappers and their values", wrapped, wrapped, {wrapped, real}},
      {"a value doubled without end", doubled, doubled, {doubled, real}},
      {"a shell given a command is not what it starts", shellCommand, shellCommand, {shellCommand}},
      {"a desktop launcher of an interpreter", pythonDesktop, pythonDesktop, {python}},
      {"an interpreter's options and their values", pythonOptions, pythonOptions, {pythonOptions, python}},
      {"awk's script file", viaAwk, viaAwk, {viaAwk, awkScript}},
      {"an awk script run by awk", awkScript, awkScript, {awkScript}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.Name);
    const TLimitTarget target = ResolveLimitTarget(c.Pick);
    EXPECT_TRUE(target.sError.isEmpty()) << target.sError.toStdString();
    EXPECT_EQ(target.sPath, c.Stored);
    EXPECT_EQ(target.Programs, c.Programs);
  }
  EXPECT_EQ(DescribeLimitTarget(ResolveLimitTarget(plain)), plain + "（它启动的程序：" + real + "）");
  EXPECT_EQ(DescribeLimitTarget(ResolveLimitTarget(real)), real);
}

TEST_F(LimitTargetTest, WhatIsNoProgramIsRefusedWithItsReason) {
  const QString text = Write(lib + "/readme.txt", "hello\n", false);
  const QString emptyDesktop = Write(lib + "/empty.desktop", "[Desktop Entry]\nName=Nothing\n", false);
  const QString lostDesktop = Write(lib + "/lost.desktop", "[Desktop Entry]\nExec=no-such-game %u\n", false);
  const QString shellDesktop =
      Write(lib + "/shell.desktop", "[Desktop Entry]\nExec=sh -c \"cd /opt/game && ./game\"\n", false);
  const QString shellRunDesktop = Write(lib + "/shell-run.desktop", "[Desktop Entry]\nExec=sh -ec /bin/true\n", false);
  const QString pythonDesktop =
      Write(lib + "/python.desktop", "[Desktop Entry]\nExec=python3 -c \"import game\"\n", false);
  // A renamed copy of the shell is still the shell.
  const QString shellCopy = lib + "/game/mysh";
  ASSERT_TRUE(QFile::copy(QStringLiteral("/usr/bin/bash"), shellCopy));
  // One program file that is several programs by the name it is started under, as busybox is.
  ASSERT_TRUE(QFile::copy(QStringLiteral("/bin/sleep"), bin + "/toolbox"));
  for (const char *name : {"nap", "doze", "rest"})
    ASSERT_TRUE(QFile::link(bin + "/toolbox", bin + "/" + name));
  const QString appletDesktop = Write(lib + "/nap.desktop", "[Desktop Entry]\nExec=nap 30\n", false);
  const struct {
    const char *Name;
    QString Pick;
    QString Reason;
  } cases[] = {
      {"nothing", QStringLiteral("  "), QStringLiteral("请选择要限制的程序。")},
      {"a name not on PATH", QStringLiteral("no-such-game"), QStringLiteral("找不到程序“no-such-game”")},
      {"a relative path", QStringLiteral("bin/game"), QStringLiteral("不是完整的路径")},
      {"a missing file", lib + "/missing", QStringLiteral("不存在")},
      {"a folder", lib, QStringLiteral("是文件夹")},
      {"a document", text, QStringLiteral("不能执行")},
      {"a device", QStringLiteral("/dev/zero"), QStringLiteral("不是程序")},
      {"a launcher without a program", emptyDesktop, QStringLiteral("没有要启动的程序")},
      {"a launcher whose program is gone", lostDesktop, QStringLiteral("no-such-game")},
      // Limiting the shell would end every script and terminal of the child.
      {"a launcher of a shell command", shellDesktop, QStringLiteral("看不出来")},
      {"a launcher of a shell command among other options", shellRunDesktop, QStringLiteral("看不出来")},
      {"a launcher of an interpreter's command", pythonDesktop, QStringLiteral("看不出来")},
      {"a launcher of a program of a multi-call program", appletDesktop, QStringLiteral("多合一程序")},
      // Each of these runs many programs, which a row on it would all end.
      {"a shell", QStringLiteral("/usr/bin/bash"), QStringLiteral("是脚本解释器（bash）")},
      {"a shell by its name", QStringLiteral("sh"), QStringLiteral("是脚本解释器")},
      {"a renamed copy of a shell", shellCopy, QStringLiteral("是脚本解释器（bash）")},
      {"an interpreter", QStringLiteral("python3"), QStringLiteral("是脚本解释器（python3")},
      {"awk", QStringLiteral("awk"), QStringLiteral("是脚本解释器")},
      {"the dynamic loader", QStringLiteral("/lib64/ld-linux-x86-64.so.2"), QStringLiteral("是动态加载器")},
      {"a program of a multi-call program", QStringLiteral("nap"),
       QStringLiteral("是多合一程序（doze、nap、rest、toolbox都是它）")},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.Name);
    const TLimitTarget target = ResolveLimitTarget(c.Pick);
    EXPECT_TRUE(target.Programs.isEmpty());
    EXPECT_TRUE(target.sError.contains(c.Reason)) << target.sError.toStdString();
    EXPECT_TRUE(LimitRowProblem(c.Pick, target, QStringLiteral("iweek:0;tstart:08:00;tend:09:59,")).contains(c.Reason));
  }
  const QString game = lib + "/game/game-real";
  EXPECT_TRUE(
      LimitRowProblem(game, ResolveLimitTarget(game), QStringLiteral("iweek:0;tstart:08:00;tend:09:59,")).isEmpty());
  EXPECT_TRUE(LimitRowProblem(game, ResolveLimitTarget(game), QStringLiteral("iweek:9;"))
                  .contains(QStringLiteral("时间读不出")));
}
