// pemblo-browser-demo: shows the browser on a sample page served on 127.0.0.1.
//   pemblo-browser-demo BROWSER SAMPLE.txt            runs the browser until it is closed
//   pemblo-browser-demo BROWSER SAMPLE.txt --shot PNG  saves a picture of its window and ends it
// The sample text becomes a page; the browser starts with a home page of this server and the
// sample page's address on its command line, so it shows two tabs. The picture is cut from the
// screen at the rectangle the browser's window reports through the window directory, so it
// needs a display (e.g. Xvfb) and a session bus.
#include "common/uFrmInfos.h"
#include "platform/os/WindowDirectory.h"
#include "tests/support/LoadReportingPage.h"
#include "tests/support/TestHttpServer.h"
#include "tests/support/WaitUntil.h"

#include <QApplication>
#include <QFile>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QTest>
#include <cstdio>

namespace {

constexpr int Timeout = 60000;

int Fail(const QString &text) {
  std::fprintf(stderr, "pemblo-browser-demo: %s\n", text.toUtf8().constData());
  return 2;
}

}  // namespace

int main(int argc, char **argv) {
  QApplication app(argc, argv);
  const QStringList args = app.arguments().mid(1);
  if (args.size() != 2 && !(args.size() == 4 && args[2] == QLatin1String("--shot")))
    return Fail("usage: pemblo-browser-demo BROWSER SAMPLE.txt [--shot PNG]");
  QFile sample(args[1]);
  if (!sample.open(QIODevice::ReadOnly))
    return Fail("cannot read " + args[1]);

  TTestHttpServer server;
  server.Route("/home",
               PageThatReportsLoad(QStringLiteral("Sunvale 首页"),
                                   QStringLiteral("<h1>Sunvale 绿色浏览器</h1><p>这是本机 127.0.0.1 上的主页。</p>")));
  const QString text = QString::fromUtf8(sample.readAll()).toHtmlEscaped();
  server.Route("/sample",
               PageThatReportsLoad(QStringLiteral("示例网页"),
                                   "<pre style=\"white-space: pre-wrap; font-size: 15px\">" + text + "</pre>"));

  QProcess browser;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("PEMBLO_HOME_PAGE", server.Url("/home").toString());
  browser.setProcessEnvironment(env);
  browser.setProcessChannelMode(QProcess::ForwardedChannels);
  browser.start(args[0], {server.Url("/sample").toString()});
  if (!browser.waitForStarted(Timeout))
    return Fail("cannot start " + args[0]);
  std::printf("browser started: home %s, page %s\n", qPrintable(server.Url("/home").toString()),
              qPrintable(server.Url("/sample").toString()));
  std::fflush(stdout);

  if (args.size() == 2) {
    // Served until the user closes the browser.
    QObject::connect(&browser, &QProcess::finished, &app, &QCoreApplication::quit);
    return app.exec();
  }

  const bool loaded = WaitUntil([&] { return server.Requests().contains("/loaded/sample"); }, Timeout);
  std::optional<QRect> rect;
  if (loaded) {
    // The window has painted once its page has; give the compositor a moment to show it.
    QTest::qWait(1000);
    if (const auto window = FindWindowByClass(FrmInfos[fiBrowserClass].sCaption))
      rect = GetWindowRect(*window);
  }
  int result = 0;
  if (!loaded) {
    result = Fail("the sample page did not complete loading");
  } else if (!rect) {
    result = Fail("the browser's window was not found by its class name");
  } else {
    const QPixmap shot =
        QGuiApplication::primaryScreen()->grabWindow(0, rect->x(), rect->y(), rect->width(), rect->height());
    if (shot.isNull() || !shot.save(args[3]))
      result = Fail("cannot save " + args[3]);
    else
      std::printf("screenshot of the browser window (%dx%d): %s\n", shot.width(), shot.height(), qPrintable(args[3]));
  }
  browser.terminate();
  if (!browser.waitForFinished(10000))
    browser.kill();
  return result;
}
