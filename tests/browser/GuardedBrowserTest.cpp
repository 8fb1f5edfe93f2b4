// The browser in guarded mode with no host in its session: pemblo-guard run as root on a private
// system bus with a state folder of the test, the parent's changes made by the guard's test
// client from another connection, the browser's pages served on 127.0.0.1 under a loopback host
// name. What the browser makes of a change can only come from the guard's own signals.
#include "common/uGuardLink.h"
#include "tests/support/GuardSystem.h"
#include "tests/support/TestHttpServer.h"
#include "tests/support/WaitUntil.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <algorithm>
#include <gtest/gtest.h>
#include <memory>

#ifndef PEMBLO_BROWSER
#error "PEMBLO_BROWSER must name the browser program"
#endif

namespace {

constexpr int StartTimeout = 60000;

class GuardedBrowserTest : public ::testing::Test {
protected:
  void SetUp() override {
    QString why;
    if (!CanRunAccounts(&why))
      GTEST_SKIP() << why.toStdString();
    Bus = std::make_unique<TPrivateSystemBus>(QStringList{GuardPolicyFile()});
    ASSERT_TRUE(Folder.isValid());
    State = Folder.path() + QStringLiteral("/state");
    Root = QDBusConnection::connectToBus(Bus->Address(), QStringLiteral("guardedbrowser-root"));
    ASSERT_TRUE(Root.isConnected());
    const TRunResult set =
        RunAs(nullptr, QStringLiteral(PEMBLO_GUARD),
              {QStringLiteral("--set-password"), QStringLiteral("--state-dir"), State}, {}, "secret1\n");
    ASSERT_EQ(set.iExitCode, 0) << set.sErr.toStdString();
    Guard = StartAs(nullptr, QStringLiteral(PEMBLO_GUARD),
                    {QStringLiteral("--bus"), Bus->Address(), QStringLiteral("--state-dir"), State}, {});
    ASSERT_TRUE(Guard->waitForStarted());
    ASSERT_TRUE(WaitUntil([&] { return Root.interface()->isServiceRegistered(GuardBus::Service).value(); }, 10000))
        << Guard->readAllStandardError().toStdString();
  }

  void TearDown() override {
    for (std::unique_ptr<QProcess> *p : {&Browser, &Guard})
      if (*p) {
        (*p)->kill();
        (*p)->waitForFinished();
      }
    QDBusConnection::disconnectFromBus(QStringLiteral("guardedbrowser-root"));
  }

  // A parent's change as the guard's test client run as root makes it: its one answer line.
  QString Parent(const QString &step) const {
    QProcessEnvironment env;
    env.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), Bus->Address());
    const TRunResult run = RunAs(nullptr, QStringLiteral(PEMBLO_GUARD_CLIENT), {step}, env);
    return run.sOut.trimmed();
  }

  // The lines of the logs the guard keeps in its state folder.
  QStringList LogLines() const {
    QStringList lines;
    for (QDirIterator it(State, {QStringLiteral("*.txt")}, QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
      QFile file(it.next());
      if (file.open(QIODevice::ReadOnly))
        lines << QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    }
    return lines;
  }

  // The browser as root with the test's folders and session, on the guard's bus, opening address.
  void StartBrowser(const QString &address) {
    Server.Route("/home", "<html><body>home</body></html>");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), Bus->Address());
    env.insert(QStringLiteral("PEMBLO_HOME_PAGE"), Address(QStringLiteral("home.localhost"), QStringLiteral("/home")));
    Browser = StartAs(nullptr, QStringLiteral(PEMBLO_BROWSER), {address}, env);
    ASSERT_TRUE(Browser->waitForStarted());
  }

  // An address of the test's server under a loopback host name of its own.
  QString Address(const QString &host, const QString &path) const {
    QUrl url = Server.Url(path);
    url.setHost(host);
    return url.toString();
  }

  std::unique_ptr<TPrivateSystemBus> Bus;
  QTemporaryDir Folder;
  QString State;
  QDBusConnection Root{QString()};
  std::unique_ptr<QProcess> Guard;
  std::unique_ptr<QProcess> Browser;
  TTestHttpServer Server;
};

}  // namespace

// The parent puts an open page's site on the black list from elsewhere; the page is refused at
// once (the guard keeps the line of the refusal), though no host passes the change on.
TEST_F(GuardedBrowserTest, ARowAddedElsewhereRefusesAnOpenPageOfItsSite) {
  Server.Route("/game", "<html><body>a game</body></html>");
  const QString game = Address(QStringLiteral("game.localhost"), QStringLiteral("/game"));
  StartBrowser(game);
  ASSERT_TRUE(WaitUntil([&] { return Server.Requests().contains(QStringLiteral("/game")); }, StartTimeout))
      << "the page was shown";
  // The lines of the open page's refusals; its visit is in the browse log.
  const auto refusals = [&] {
    QStringList found;
    for (const QString &line : LogLines())
      if (line.contains(game) && line.contains(QStringLiteral("  black list ")))
        found << line;
    return found;
  };
  QTest::qWait(2000);  // the page is done and has been checked against the empty list
  ASSERT_EQ(refusals(), QStringList());

  const QString added = Parent(QStringLiteral("addweb game.localhost 1-7,00:00-23:59"));
  ASSERT_TRUE(added.startsWith(QStringLiteral("ok "))) << added.toStdString();
  ASSERT_TRUE(WaitUntil([&] { return !refusals().isEmpty(); }, 10000))
      << LogLines().join(QStringLiteral(" | ")).toStdString();
  EXPECT_TRUE(refusals().first().endsWith(QStringLiteral("black list ") + added.mid(3)))
      << refusals().first().toStdString();
  EXPECT_EQ(Browser->state(), QProcess::Running);
}

// The parent turns the filter on from elsewhere while a page is open; the next page the browser
// loads is screened, though no host passes the change on.
TEST_F(GuardedBrowserTest, TheFilterTurnedOnElsewhereScreensTheNextPage) {
  ASSERT_TRUE(Parent(QStringLiteral("set OffOn 0")).startsWith(QStringLiteral("ok OffOn=0")));
  // The first page moves on by itself after a while, as a child follows a link.
  Server.Route("/start", "<html><head><meta http-equiv='refresh' content='5;url=/bad'></head><body>calm</body></html>");
  QByteArray bad = "<html><body>";
  for (int i = 0; i < 20; ++i)
    bad += "CASINO ";
  Server.Route("/bad", bad + "</body></html>");
  const QString start = Server.Url(QStringLiteral("/start")).toString();
  StartBrowser(start);
  ASSERT_TRUE(WaitUntil([&] { return Server.Requests().contains(QStringLiteral("/start")); }, StartTimeout))
      << "the page was shown";

  ASSERT_TRUE(Parent(QStringLiteral("set OffOn 1")).startsWith(QStringLiteral("ok OffOn=1")));
  ASSERT_FALSE(Server.Requests().contains(QStringLiteral("/bad"))) << "the change came before the next page";
  const QString blocked = Server.Url(QStringLiteral("/bad")).toString() + QStringLiteral("  20 hits");
  ASSERT_TRUE(WaitUntil(
      [&] {
        const QStringList lines = LogLines();
        return std::any_of(lines.begin(), lines.end(), [&](const QString &line) { return line.contains(blocked); });
      },
      20000))
      << LogLines().join(QStringLiteral(" | ")).toStdString();
  EXPECT_EQ(Browser->state(), QProcess::Running);
}
