// Launching (shell open, RunFile, OpenUrl with and without the browser), the named mutex and
// the worker thread.
#include "common/uInstFunc.h"
#include "common/uThreadHelper.h"
#include "platform/os/NamedMutex.h"
#include "platform/os/ShellOpen.h"
#include "tests/support/ProbeProcess.h"
#include "tests/support/TestFolders.h"
#include "tests/support/WaitUntil.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPointer>
#include <QThread>
#include <atomic>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

QString Q(const std::filesystem::path &p) { return QString::fromStdString(p.string()); }

void WriteScript(const QString &name, const QByteArray &body) {
  QDir().mkpath(QFileInfo(name).path());
  QFile f(name);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("#!/bin/sh\n" + body);
  f.close();
  f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// A script that writes its argument count and arguments, one a line, to <out>.
QByteArray Recorder(const QString &out) {
  return "printf '%s\\n' \"$#\" \"$@\" > '" + out.toUtf8() + ".tmp' && mv '" + out.toUtf8() + ".tmp' '" + out.toUtf8() +
         "'\n";
}

// The lines a started program recorded, once it has run.
QStringList Recorded(const QString &out) {
  QElapsedTimer timer;
  timer.start();
  while (!QFile::exists(out) && timer.elapsed() < 15000)
    QThread::msleep(20);
  QFile f(out);
  if (!f.open(QIODevice::ReadOnly))
    return {"not started"};
  return QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
}

// An installation: <root>/Pemblo/common_probe beside (maybe) <root>/PembloBrowser/PembloBrowser,
// and an xdg-open of our own first on the path.
class TInstall {
public:
  explicit TInstall(bool withBrowser) {
    const QString root = Q(FFolders.Root());
    FProbe = root + "/Pemblo/common_probe";
    QDir().mkpath(root + "/Pemblo");
    QFile::copy(PEMBLO_PROBE, FProbe);
    FBrowserOut = root + "/browser.txt";
    FHandlerOut = root + "/handler.txt";
    if (withBrowser)
      WriteScript(root + "/PembloBrowser/PembloBrowser", Recorder(FBrowserOut));
    WriteScript(root + "/bin/xdg-open", Recorder(FHandlerOut));
    FEnv = QProcessEnvironment::systemEnvironment();
    FEnv.insert("PATH", root + "/bin:" + FEnv.value("PATH"));
  }
  // Runs the probe of the installation; returns its report line.
  QString Run(const QStringList &args) {
    QProcess p;
    p.setProcessEnvironment(FEnv);
    p.start(FProbe, args);
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
  }
  TTestFolders FFolders;
  QString FProbe, FBrowserOut, FHandlerOut;
  QProcessEnvironment FEnv;
};

TEST(OpenUrl, StartsTheBrowserWithTheQuotedAddress) {
  TInstall install(true);
  const QString root = Q(install.FFolders.Root());
  EXPECT_EQ(install.Run({"browserpath"}), "path " + root + "/PembloBrowser/PembloBrowser");
  EXPECT_EQ(install.Run({"openurl", "http://learn.example/news?id=1 2&x=y"}), "result 42");
  EXPECT_EQ(Recorded(install.FBrowserOut), (QStringList{"1", "http://learn.example/news?id=1 2&x=y"}))
      << "the quotes make the whole address one argument";
  EXPECT_FALSE(QFile::exists(install.FHandlerOut));
}

TEST(OpenUrl, WithoutTheBrowserTheDefaultHandlerOpensIt) {
  TInstall install(false);
  const QString root = Q(install.FFolders.Root());
  EXPECT_EQ(install.Run({"browserpath"}), "error 文件：" + root + "/PembloBrowser/PembloBrowser不存在！");
  EXPECT_EQ(install.Run({"openurl", "http://a.b/"}), "result 42") << "no message";
  EXPECT_EQ(Recorded(install.FHandlerOut), (QStringList{"1", "http://a.b/"}));
}

TEST(OpenUrl, AFolderWhereTheBrowserBelongsIsNoBrowser) {
  TInstall install(false);
  const QString root = Q(install.FFolders.Root());
  ASSERT_TRUE(QDir().mkpath(root + "/PembloBrowser/PembloBrowser"));
  EXPECT_EQ(install.Run({"browserpath"}), "error 文件：" + root + "/PembloBrowser/PembloBrowser不存在！");
  EXPECT_EQ(install.Run({"openurl", "http://a.b/"}), "result 42");
  EXPECT_EQ(Recorded(install.FHandlerOut), (QStringList{"1", "http://a.b/"})) << "the address, not the folder";
}

TEST(OpenUrl, AddressesOfSevenCharactersOrFewerAreRefused) {
  TInstall install(false);
  for (const char *url : {"", "http://", "a.b.cd"})
    EXPECT_EQ(install.Run({"openurl", url}), "error Url地址长度不对！") << url;
  EXPECT_EQ(install.Run({"openurl", "http://x"}), "result 42");
  EXPECT_EQ(Recorded(install.FHandlerOut), (QStringList{"1", "http://x"}));
}

TEST(RunFile, StartsProgramsWithParametersAndDocumentsThroughTheHandler) {
  TTestFolders folders;
  const QString root = Q(folders.Root());
  qputenv("PATH", (root + "/bin:" + qEnvironmentVariable("PATH")).toUtf8());
  WriteScript(root + "/bin/xdg-open", Recorder(root + "/handler.txt"));
  WriteScript(root + "/apps/画图", Recorder(root + "/program.txt"));

  EXPECT_GT(RunFile(root + "/apps/画图", "-a \"two words\"  last"), 32);
  EXPECT_EQ(Recorded(root + "/program.txt"), (QStringList{"3", "-a", "two words", "last"}));

  QFile doc(root + "/说明.txt");
  ASSERT_TRUE(doc.open(QIODevice::WriteOnly));
  doc.close();
  EXPECT_GT(RunFile(root + "/说明.txt", ""), 32);
  EXPECT_EQ(Recorded(root + "/handler.txt"), (QStringList{"1", root + "/说明.txt"}));

  // A folder of the name is no file either: reported, not handed to the handler.
  for (const QString &missing : {root + "/apps/missing", root + "/apps"}) {
    try {
      RunFile(missing, "");
      ADD_FAILURE() << "no error for " << missing.toStdString();
    } catch (const std::runtime_error &e) {
      EXPECT_EQ(QString::fromUtf8(e.what()), "文件:" + missing + "不存在！");
    }
  }
  EXPECT_EQ(ShellOpen(root + "/apps/missing", ""), SE_ERR_FNF);
}

TEST(ShellOpen, SplitParameters) {
  const struct {
    QString text;
    QStringList args;
  } cases[] = {
      {"", {}},
      {"   ", {}},
      {"a b", {"a", "b"}},
      {"\"http://x/a b\"", {"http://x/a b"}},
      {"\"\"", {""}},
      {"-p \"C:/Program Files\"x  y", {"-p", "C:/Program Filesx", "y"}},
      {"\t a\tb ", {"a", "b"}},
  };
  for (const auto &c : cases)
    EXPECT_EQ(SplitParameters(c.text), c.args) << c.text.toStdString();
}

TEST(NamedMutex, OneHolderPerName) {
  TTestFolders folders;
  auto first = std::make_unique<TNamedMutex>("PembloExternal");
  EXPECT_FALSE(first->AlreadyExists());
  EXPECT_TRUE(TNamedMutex("PembloExternal").AlreadyExists());
  EXPECT_FALSE(TNamedMutex("Other/Name").AlreadyExists());
  first.reset();
  EXPECT_FALSE(TNamedMutex("PembloExternal").AlreadyExists()) << "released with its holder";
}

TEST(ThreadHelper, RunsItsWorkOnItsOwnThreadAndFreesItself) {
  QObject param;
  std::atomic<QObject *> got{nullptr};
  std::atomic<bool> otherThread{false};
  QThread *const ui = QThread::currentThread();
  QPointer<TThreadHelper> withParam = new TThreadHelper(
      [&](QObject *sender) {
        got = sender;
        otherThread = QThread::currentThread() != ui;
      },
      &param);
  withParam->start();
  EXPECT_TRUE(WaitUntil([&] { return withParam.isNull(); }, 10000)) << "freed when its work ended";
  EXPECT_EQ(got.load(), &param);
  EXPECT_TRUE(otherThread);

  TThreadHelper *self = new TThreadHelper([&](QObject *sender) { got = sender; });
  QPointer<TThreadHelper> selfWatch = self;
  self->start();
  EXPECT_TRUE(WaitUntil([&] { return selfWatch.isNull(); }, 10000));
  EXPECT_EQ(got.load(), self) << "without a parameter the thread itself is passed";

  QPointer<TThreadHelper> idle = new TThreadHelper();
  idle->start();
  EXPECT_TRUE(WaitUntil([&] { return idle.isNull(); }, 10000));

  QPointer<TThreadHelper> failing = new TThreadHelper([](QObject *) { throw std::runtime_error("lost"); });
  failing->start();
  EXPECT_TRUE(WaitUntil([&] { return failing.isNull(); }, 10000)) << "an error ends the thread silently";
}

}  // namespace
