// What the programs that show pages keep of their start line and environment: their own
// argument (the address), never a switch of Qt or of the web engine, nor a value of one.
#include "platform/os/PageProgramStart.h"

#include <QStringList>
#include <QtGlobal>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QStringList Kept(QStringList line, int addresses) {
  std::vector<QByteArray> bytes;
  for (const QString &argument : line)
    bytes.push_back(argument.toLocal8Bit());
  std::vector<char *> argv;
  for (QByteArray &argument : bytes)
    argv.push_back(argument.data());
  TPageProgramStart start(int(argv.size()), argv.data(), addresses);
  QStringList kept;
  for (int i = 0; i < start.Argc(); ++i)
    kept << QString::fromLocal8Bit(start.Argv()[i]);
  EXPECT_EQ(start.Argv()[start.Argc()], nullptr);
  return kept;
}

}  // namespace

TEST(PageProgramStart, KeepsOnlyTheProgramsOwnArguments) {
  const struct {
    const char *name;
    QStringList line;
    int addresses;
    QStringList kept;
  } cases[] = {
      {"an address", {"b", "http://a.test/"}, 1, {"b", "http://a.test/"}},
      {"a style sheet and its file", {"b", "-stylesheet", "x.qss", "http://a.test/"}, 1, {"b", "http://a.test/"}},
      {"a switch written with =", {"b", "--style=fusion", "http://a.test/"}, 1, {"b", "http://a.test/"}},
      {"switches of the X server",
       {"b", "-display", ":9", "-geometry", "1x1", "http://a.test/"},
       1,
       {"b", "http://a.test/"}},
      {"everything after the engine's switches",
       {"b", "http://a.test/", "--webEngineArgs", "--remote-debugging-port=9222", "http://b.test/"},
       1,
       {"b", "http://a.test/"}},
      {"a second address", {"b", "http://a.test/", "http://b.test/"}, 1, {"b", "http://a.test/"}},
      {"the engine's and Qt's switches without the separator",
       {"b", "--remote-debugging-port=9222", "--single-process", "-platform", "xcb", "http://a.test/"},
       1,
       {"b", "http://a.test/"}},
      {"a program that takes no address", {"v", "http://a.test/", "-reverse"}, 0, {"v"}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Kept(c.line, c.addresses), c.kept);
  }
}

TEST(PageProgramStart, DropsTheVariablesThatChangeWhatIsShown) {
  const struct {
    const char *name;
    bool kept;
  } cases[] = {
      {"QTWEBENGINE_CHROMIUM_FLAGS", false},
      {"QTWEBENGINE_REMOTE_DEBUGGING", false},
      {"QTWEBENGINEPROCESS_PATH", false},
      {"QT_STYLE_OVERRIDE", false},
      {"QT_QPA_PLATFORMTHEME", false},
      {"QT_PLUGIN_PATH", false},
      {"QTWEBENGINE_DICTIONARIES_PATH", false},
      {"QTWEBENGINE_ENABLE_LINUX_ACCESSIBILITY", false},
      {"QT_IM_MODULE", true},
      {"QT_QPA_PLATFORM", true},
  };
  QByteArray saved[std::size(cases)];
  for (size_t i = 0; i < std::size(cases); ++i) {
    saved[i] = qgetenv(cases[i].name);
    qputenv(cases[i].name, saved[i].isEmpty() ? QByteArray("1") : saved[i]);
  }
  Kept({"b"}, 1);
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(cases[i].name);
    EXPECT_EQ(qEnvironmentVariableIsSet(cases[i].name), cases[i].kept);
    if (!saved[i].isEmpty())
      qputenv(cases[i].name, saved[i]);
    else
      qunsetenv(cases[i].name);
  }
}

// The engine refuses its sandbox to root, who keeps the switch that runs it without; any other
// account that set it would run pages outside the sandbox.
TEST(PageProgramStart, KeepsTheSandboxSwitchForRootAlone) {
  if (::geteuid() != 0)
    GTEST_SKIP() << "runs a start as root and as another account";
  const struct {
    const char *name;
    uid_t uid;
    bool kept;
  } cases[] = {
      {"root", 0, true},
      {"nobody", 65534, false},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      if (::setgid(c.uid) != 0 || ::setuid(c.uid) != 0)
        ::_exit(2);
      qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
      char name[] = "b";
      char *argv[] = {name, nullptr};
      TPageProgramStart start(1, argv, 1);
      ::_exit(qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX") ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), c.kept ? 0 : 1);
  }
}
