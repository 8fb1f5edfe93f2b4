// The program PembloExternal as the host starts it: copied into a private installation folder
// beside a stand-in of the filtered browser that records its arguments, with a stand-in of the
// host's main window on a private session bus. One instance, the host watch, new windows handed
// to the browser, and the page screened with the settings and the black list of the card
// database.
#include "common/uAppcf.h"
#include "common/uFrmInfos.h"
#include "common/uPathFunc.h"
#include "datastore/uDBMrgFactory.h"
#include "datastore/uWebsDao.h"
#include "platform/os/WindowDirectory.h"
#include "tests/support/QStringPrint.h"
#include "tests/support/TestFolders.h"
#include "tests/support/TestHttpServer.h"
#include "tests/support/WaitUntil.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <QWidget>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

#ifndef PEMBLO_EXTERNAL
#error "PEMBLO_EXTERNAL must name the viewer program"
#endif

namespace {

constexpr int StartTimeout = 30000;
// The viewer looks for the host once a second; closing adds the engine's shutdown.
constexpr int CloseTimeout = 4000;

class ViewerProcessTest : public ::testing::Test {
protected:
  void SetUp() override {
    // <root>/PembloExternal/PembloExternal and <root>/PembloBrowser/PembloBrowser, as installed.
    const QString root = QString::fromStdString(folders.Root().string());
    QDir(root).mkpath("PembloExternal");
    QDir(root).mkpath("PembloBrowser");
    viewer = root + "/PembloExternal/PembloExternal";
    ASSERT_TRUE(QFile::copy(QStringLiteral(PEMBLO_EXTERNAL), viewer));
    record = root + "/browser-starts.txt";
    const QString browser = root + "/PembloBrowser/PembloBrowser";
    QFile script(browser);
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    // One line per start: the number of arguments, then each argument between < and >.
    script.write(QStringLiteral("#!/bin/sh\n{ printf '%s' \"$#\"; for a in \"$@\"; do printf ' <%s>' \"$a\"; done;"
                                " echo; } >> '%1'\n")
                     .arg(record)
                     .toUtf8());
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    server.Route("/news", "<html><body>learning news</body></html>");
    env = QProcessEnvironment::systemEnvironment();
    env.insert("PEMBLO_EXTERNAL_PAGE", server.Url("/news").toString());
  }

  void TearDown() override {
    for (auto &p : processes) {
      p->kill();
      p->waitForFinished(StartTimeout);
    }
  }

  void ShowHost() {
    host = std::make_unique<QWidget>();
    ApplyFrmInfo(host.get(), FrmInfos[fiMainWindow]);
    host->show();
  }

  QProcess *StartViewer() {
    auto &p = processes.emplace_back(std::make_unique<QProcess>());
    p->setProcessEnvironment(env);
    p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p->start(viewer, {});
    return p.get();
  }

  static bool Running(QProcess *p) { return p->state() != QProcess::NotRunning; }
  static std::optional<TWindowRef> ViewerWindow() { return FindWindowByTitle(FrmInfos[fiExternal].sCaption); }

  QStringList BrowserStarts() const {
    QFile file(record);
    if (!file.open(QIODevice::ReadOnly))
      return {};
    return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
  }

  TTestFolders folders;
  TTestHttpServer server;
  QString viewer, record;
  QProcessEnvironment env;
  std::unique_ptr<QWidget> host;
  std::vector<std::unique_ptr<QProcess>> processes;
};

TEST_F(ViewerProcessTest, SecondStartEndsAtOnceAndTheFirstWindowStays) {
  ShowHost();
  QProcess *first = StartViewer();
  ASSERT_TRUE(WaitUntil([&] { return ViewerWindow().has_value(); }, StartTimeout));
  const TWindowRef window = *ViewerWindow();
  EXPECT_EQ(GetWindowRect(window).value_or(QRect()).size(), QSize(530, 367));

  QProcess *second = StartViewer();
  ASSERT_TRUE(WaitUntil([&] { return !Running(second); }, CloseTimeout));
  EXPECT_EQ(second->exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(second->exitCode(), 0);
  EXPECT_TRUE(second->readAllStandardOutput().isEmpty());
  QTest::qWait(1500);  // past a look for the host
  EXPECT_TRUE(Running(first));
  EXPECT_EQ(ViewerWindow(), window);
}

TEST_F(ViewerProcessTest, TenStartsAtOnceLeaveExactlyOneWindow) {
  ShowHost();
  std::vector<QProcess *> starts;
  for (int i = 0; i < 10; ++i)
    starts.push_back(StartViewer());
  auto running = [&] { return std::count_if(starts.begin(), starts.end(), Running); };
  ASSERT_TRUE(WaitUntil([&] { return running() <= 1 && ViewerWindow().has_value(); }, StartTimeout));
  QTest::qWait(1500);
  EXPECT_EQ(running(), 1);
  EXPECT_TRUE(ViewerWindow().has_value());
  for (QProcess *p : starts)
    if (!Running(p)) {
      EXPECT_EQ(p->exitStatus(), QProcess::NormalExit);
      EXPECT_EQ(p->exitCode(), 0);
    }
}

TEST_F(ViewerProcessTest, ViewerEndsAboutASecondAfterTheHostWindowIsGone) {
  // Started without the host, the viewer shows its window and ends by itself.
  QProcess *alone = StartViewer();
  ASSERT_TRUE(WaitUntil([&] { return ViewerWindow().has_value() || !Running(alone); }, StartTimeout));
  EXPECT_TRUE(WaitUntil([&] { return !Running(alone); }, CloseTimeout));
  EXPECT_EQ(alone->exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(alone->exitCode(), 0);

  // With the host it stays, until the host's window goes.
  ShowHost();
  QProcess *watched = StartViewer();
  ASSERT_TRUE(WaitUntil([&] { return ViewerWindow().has_value(); }, StartTimeout));
  QTest::qWait(2500);
  ASSERT_TRUE(Running(watched));
  host.reset();
  EXPECT_TRUE(WaitUntil([&] { return !Running(watched); }, CloseTimeout));
  EXPECT_EQ(watched->exitCode(), 0);
  EXPECT_FALSE(ViewerWindow().has_value());
}

TEST_F(ViewerProcessTest, NewWindowsOpenInTheFilteredBrowser) {
  ShowHost();
  struct TCase {
    const char *name;
    QString path;  // the page that asks for the new window
    QByteArray page;
    QString target;  // the address the new window would show
  };
  const QString target = server.Url("/target?a=1&b=\"q\"").toString();
  const TCase cases[] = {
      {"link with a new-window target", "/link",
       "<html><body><a id='a' target='_blank' href='/target?a=1&amp;b=&quot;q&quot;'>more</a>"
       "<script>document.getElementById('a').click();</script></body></html>",
       target},
      {"script", "/script", "<html><body><script>window.open('/popup.html');</script></body></html>",
       server.Url("/popup.html").toString()},
      {"twelve windows at once start one browser", "/burst",
       "<html><body><script>for (var i = 0; i < 12; ++i) window.open('/popup' + i);</script></body></html>",
       server.Url("/popup0").toString()},
  };
  for (const TCase &c : cases) {
    SCOPED_TRACE(c.name);
    QFile::remove(record);
    server.Route(c.path, c.page);
    env.insert("PEMBLO_EXTERNAL_PAGE", server.Url(c.path).toString());
    QProcess *p = StartViewer();
    ASSERT_TRUE(WaitUntil([&] { return !BrowserStarts().isEmpty(); }, StartTimeout));
    QTest::qWait(800);  // further starts would be recorded by now
    // The address in double quotes is the browser's one argument, handed over unchanged.
    EXPECT_EQ(BrowserStarts(), QStringList{"1 <" + c.target + ">"});
    // The new window was cancelled: its page was never asked for, and the viewer goes on.
    EXPECT_FALSE(server.Requests().contains(QUrl(c.target).path()));
    EXPECT_TRUE(Running(p));
    p->kill();
    p->waitForFinished(StartTimeout);
  }
}

// The program reads the parent's settings and black list at its start: a page of listed words
// is blocked and a listed address is refused, each with its line in the parent's block log.
TEST_F(ViewerProcessTest, ThePageIsScreenedWithTheParentsSettingsAndBlackList) {
  ShowHost();
  {
    TCfMrg settings;
    settings.AppCf().SetOffOn(true);
    settings.SaveToFile();
  }
  const QString day = QStringLiteral("iweek:%1;tstart:00:00;tend:23:59,");
  TWebsModel row;
  row.sUrl = "listed.localhost";
  row.sDt = day.arg(QDate::currentDate().dayOfWeek() - 1) + day.arg(QDate::currentDate().addDays(1).dayOfWeek() - 1);
  const int key = TWebsDao().Insert(&row);
  TDBMrgFactory::ReleaseAll();

  QByteArray words = "<html><body>learning news ";
  for (int i = 0; i < 20; ++i)
    words += "casino ";
  server.Route("/words", words + "</body></html>");
  QUrl listed = server.Url("/listed");
  listed.setHost("listed.localhost");
  const struct {
    const char *name;
    QString address;
    QString logLine;  // the block log's line after its time
  } cases[] = {
      {"page of listed words", server.Url("/words").toString(),
       server.Url("/words").toString() + "  20 hits  casino 20"},
      {"black-listed address", listed.toString(), listed.toString() + QStringLiteral("  black list %1").arg(key)},
  };
  const QString blockLog =
      GetLogPath() + QStringLiteral("拦截日志/") + QDate::currentDate().toString("yyyy-MM-dd") + ".txt";
  auto lastLine = [&] {
    QFile file(blockLog);
    if (!file.open(QIODevice::ReadOnly))
      return QString();
    const QStringList lines = QString::fromUtf8(file.readAll()).split("\r\n", Qt::SkipEmptyParts);
    return lines.isEmpty() ? QString() : lines.last().mid(9);
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    env.insert("PEMBLO_EXTERNAL_PAGE", c.address);
    QProcess *p = StartViewer();
    EXPECT_TRUE(WaitUntil([&] { return lastLine() == c.logLine; }, StartTimeout)) << lastLine().toStdString();
    EXPECT_FALSE(server.Requests().contains("/listed"));
    EXPECT_TRUE(Running(p));
    p->kill();
    p->waitForFinished(StartTimeout);
  }
}

}  // namespace
