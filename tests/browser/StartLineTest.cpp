// The programs that show pages to a child, started the way a child could start them: with Qt's
// and the web engine's switches on the start line and in the environment. None opens a
// debugging port for other programs, and a style sheet given on the start line leaves the
// filter's cover opaque.
#include "common/uFrmInfos.h"
#include "tests/support/TestFolders.h"
#include "tests/support/TestHttpServer.h"
#include "tests/support/WaitUntil.h"
#include "tests/support/XServer.h"

#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>

#ifndef PEMBLO_BROWSER
#error "PEMBLO_BROWSER must name the browser program"
#endif
#ifndef PEMBLO_CONFIG
#error "PEMBLO_CONFIG must name the settings program"
#endif
#ifndef PEMBLO_EXTERNAL
#error "PEMBLO_EXTERNAL must name the viewer program"
#endif

namespace {

constexpr int StartTimeout = 60000;

// A port nobody listens on now.
quint16 FreePort() {
  QTcpServer probe;
  probe.listen(QHostAddress::LocalHost);
  return probe.serverPort();
}

bool Listening(quint16 port) {
  QTcpSocket socket;
  socket.connectToHost(QHostAddress::LocalHost, port);
  return socket.waitForConnected(1000);
}

class StartLineTest : public ::testing::Test {
protected:
  void TearDown() override {
    for (auto &p : processes) {
      p->kill();
      p->waitForFinished(10000);
    }
  }

  QProcess *Start(const QString &program, const QStringList &arguments, const QProcessEnvironment &env) {
    auto &p = processes.emplace_back(std::make_unique<QProcess>());
    p->setProcessEnvironment(env);
    p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p->start(program, arguments);
    return p.get();
  }

  TTestFolders folders;
  TTestHttpServer server;
  std::vector<std::unique_ptr<QProcess>> processes;
};

}  // namespace

TEST_F(StartLineTest, NoSwitchOpensADebuggingPort) {
  // The viewer looks for the host's main window and closes without it.
  QWidget host;
  ApplyFrmInfo(&host, FrmInfos[fiMainWindow]);
  host.show();
  server.Route("/page", "<html><body>a calm page</body></html>");
  // "%1" stands for a free port of the test's.
  const struct {
    const char *name;
    const char *program;
    bool takesAddress;
    QStringList arguments;
    const char *variable;  // set to value when given
    const char *value;
  } cases[] = {
      {"browser, the switch on the start line", PEMBLO_BROWSER, true, {"--remote-debugging-port=%1"}, nullptr, ""},
      {"browser, the switch after the engine's separator",
       PEMBLO_BROWSER,
       true,
       {"--webEngineArgs", "--remote-debugging-port=%1"},
       nullptr,
       ""},
      {"browser, QTWEBENGINE_REMOTE_DEBUGGING", PEMBLO_BROWSER, true, {}, "QTWEBENGINE_REMOTE_DEBUGGING", "%1"},
      {"browser, QTWEBENGINE_REMOTE_DEBUGGING with an address",
       PEMBLO_BROWSER,
       true,
       {},
       "QTWEBENGINE_REMOTE_DEBUGGING",
       "127.0.0.1:%1"},
      {"browser, the switch and QTWEBENGINE_CHROMIUM_FLAGS",
       PEMBLO_BROWSER,
       true,
       {"--remote-debugging-port=%1"},
       "QTWEBENGINE_CHROMIUM_FLAGS",
       "--remote-debugging-port=%1"},
      {"viewer, the switch after the engine's separator",
       PEMBLO_EXTERNAL,
       false,
       {"--webEngineArgs", "--remote-debugging-port=%1"},
       nullptr,
       ""},
      {"viewer, QTWEBENGINE_REMOTE_DEBUGGING", PEMBLO_EXTERNAL, false, {}, "QTWEBENGINE_REMOTE_DEBUGGING", "%1"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    const QString port = QString::number(FreePort());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PEMBLO_EXTERNAL_PAGE"), server.Url("/page").toString());
    if (c.variable)
      env.insert(QString::fromLatin1(c.variable), QString::fromLatin1(c.value).arg(port));
    QStringList arguments;
    for (const QString &argument : c.arguments)
      arguments << argument.arg(port);
    if (c.takesAddress)
      arguments.prepend(server.Url("/page").toString());
    const qsizetype asked = server.Requests().size();
    QProcess *program = Start(QString::fromLatin1(c.program), arguments, env);
    ASSERT_TRUE(WaitUntil([&] { return server.Requests().size() > asked; }, StartTimeout)) << "the page was shown";
    QTest::qWait(1000);
    EXPECT_NE(program->state(), QProcess::NotRunning);
    EXPECT_FALSE(Listening(port.toUShort())) << "port " << port.toStdString();
    program->kill();
    program->waitForFinished(10000);
  }
}

// A page shown while it loads is red all over; the cover over it until its text was screened
// must hide it, whatever style sheet the start line names.
TEST_F(StartLineTest, AStyleSheetOnTheStartLineLeavesTheCoverOpaque) {
  TXServer x;
  if (!x.Running())
    GTEST_SKIP() << "no X server (Xvfb) here";
  // The page's end never comes, so it stays covered.
  server.Route("/red",
               "<html><body style=\"background:#ff0000; margin:0\"><p>red</p><script src=\"/never.js\"></script>"
               "</body></html>");
  server.Route("/never.js", "", "text/javascript", 600000);
  const QString sheet = QString::fromStdString((folders.Root() / "clear.qss").string());
  QFile file(sheet);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("QWidget { background: transparent; }\n");
  file.close();

  ASSERT_EQ(QProcess::execute(QStringLiteral(PEMBLO_CONFIG), {QStringLiteral("OffOn=1")}), 0) << "the filter is on";
  QProcess *browser = Start(QStringLiteral(PEMBLO_BROWSER),
                            {QStringLiteral("-stylesheet"), sheet, server.Url("/red").toString()}, x.Environment());
  ASSERT_TRUE(WaitUntil([&] { return server.Requests().contains(QStringLiteral("/never.js")); }, StartTimeout));
  QTest::qWait(3000);  // time enough to paint the page, were it not covered
  ASSERT_NE(browser->state(), QProcess::NotRunning);
  const QImage screen = x.Grab(x.RootGeometry());
  ASSERT_FALSE(screen.isNull());
  qint64 red = 0;
  for (int y = 0; y < screen.height(); ++y)
    for (int x0 = 0; x0 < screen.width(); ++x0)
      if (screen.pixel(x0, y) == qRgb(255, 0, 0))
        ++red;
  EXPECT_LT(red, screen.width() * screen.height() / 100) << red << " red pixels of the page show";
}
