// The viewer's window in this process, with real pages served on 127.0.0.1 and a stand-in of
// the host's main window on the session bus: the loading state, the context menu, Ctrl+N and
// refused new-window addresses.
#include "viewer/uFrmExternal.h"

#include "common/uFrmInfos.h"
#include "common/uWebBrowser.h"
#include "platform/pictures/GifPlayer.h"
#include "tests/support/QStringPrint.h"
#include "tests/support/TestFolders.h"
#include "tests/support/TestHttpServer.h"
#include "tests/support/WaitUntil.h"

#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QTcpServer>
#include <QTest>
#include <QTimer>
#include <QWebEngineView>
#include <gtest/gtest.h>
#include <memory>

namespace {

constexpr int LoadTimeout = 30000;

class FrmExternalTest : public ::testing::Test {
protected:
  void SetUp() override {
    // The viewer closes itself without the host's main window.
    host = std::make_unique<QWidget>();
    ApplyFrmInfo(host.get(), FrmInfos[fiMainWindow]);
    host->show();
  }

  void TearDown() override {
    frm.reset();
    host.reset();
    qunsetenv("PEMBLO_EXTERNAL_PAGE");
  }

  void Start(const QString &address) {
    qputenv("PEMBLO_EXTERNAL_PAGE", address.toUtf8());
    frm = std::make_unique<TFrmExternal>();
    frm->show();
  }

  bool Loaded() const { return !frm->LoadingPicture()->isVisible(); }

  // Starts the viewer on a page served now and waits until it has loaded.
  void StartLoaded(const QString &path, const QByteArray &page) {
    server.Route(path, page);
    Start(server.Url(path).toString());
    ASSERT_TRUE(WaitUntil([&] { return Loaded(); }, LoadTimeout));
  }

  // The widget of the web control that takes mouse and key input.
  QWidget *InputWidget() const {
    auto *view = frm->WebBrowser()->findChild<QWebEngineView *>();
    return view->focusProxy() ? view->focusProxy() : view;
  }

  TTestFolders folders;
  TTestHttpServer server;
  std::unique_ptr<QWidget> host;
  std::unique_ptr<TFrmExternal> frm;
};

// An address on which nobody listens.
QString UnreachableAddress() {
  QTcpServer probe;
  probe.listen(QHostAddress::LocalHost);
  const quint16 port = probe.serverPort();
  probe.close();
  return QStringLiteral("http://127.0.0.1:%1/news").arg(port);
}

TEST_F(FrmExternalTest, OnlyTheLoadingPictureShowsUntilThePageHasLoaded) {
  server.Route("/slow", "<html><body>learning news</body></html>", "text/html; charset=utf-8", 1500);
  struct TCase {
    const char *name;
    QString address;
    QString requested;  // the path the server sees while the page loads, or empty
  };
  const TCase cases[] = {
      {"slowly served page", server.Url("/slow").toString(), "/slow"},
      // The engine's own error page counts as the loaded page: no endless loading picture.
      {"unreachable page", UnreachableAddress(), ""},
  };
  for (const TCase &c : cases) {
    SCOPED_TRACE(c.name);
    Start(c.address);
    EXPECT_EQ(frm->windowTitle(), "Sunvale-学习资讯");
    EXPECT_EQ(frm->size(), QSize(530, 367));
    if (!c.requested.isEmpty()) {
      // The request is with the server, which has not answered yet.
      ASSERT_TRUE(WaitUntil([&] { return server.Requests().contains(c.requested); }, LoadTimeout));
      QTest::qWait(200);
      EXPECT_TRUE(frm->LoadingPicture()->isVisible());
      EXPECT_TRUE(frm->LoadingPicture()->IsRunning());
      EXPECT_TRUE(frm->WebBrowser()->size().isEmpty());
      EXPECT_EQ(frm->LoadingPicture()->geometry(), QRect(220, 137, 84, 49));
    }
    ASSERT_TRUE(WaitUntil([&] { return Loaded(); }, LoadTimeout));
    EXPECT_EQ(frm->WebBrowser()->geometry(), frm->LoadingPanel()->rect());
    EXPECT_EQ(frm->LoadingPanel()->geometry(), QRect(3, 40, 524, 324));
    EXPECT_FALSE(frm->LoadingPicture()->IsRunning());
    EXPECT_TRUE(frm->isVisible());
    frm.reset();
  }
}

TEST_F(FrmExternalTest, RightClickReachesThePageButShowsNoMenu) {
  StartLoaded("/menu", "<html><body style='height:300px' oncontextmenu=\"fetch('/contextmenu')\">news</body></html>");
  QWidget *input = InputWidget();
  ASSERT_TRUE(WaitUntil(
      [&] {
        QTest::mouseClick(input, Qt::RightButton, {}, QPoint(100, 100));
        return server.Requests().contains("/contextmenu");
      },
      LoadTimeout));
  QTest::qWait(300);  // a menu would be up by now
  for (QWidget *w : QApplication::topLevelWidgets())
    EXPECT_FALSE(qobject_cast<QMenu *>(w) && w->isVisible()) << "a context menu is shown";
}

TEST_F(FrmExternalTest, CtrlNReachesNeitherThePageNorTheEngine) {
  // The page reports every key it sees and would open a window on Ctrl+N itself.
  StartLoaded("/keys", "<html><body style='height:300px'><script>document.addEventListener('keydown', function (e) {"
                       " var key = (e.ctrlKey ? 'ctrl-' : '') + e.key.toLowerCase(); fetch('/key/' + key);"
                       " if (key == 'ctrl-n') window.open('/popup'); });</script>news</body></html>");
  QWidget *input = InputWidget();
  QTest::mouseClick(input, Qt::LeftButton, {}, QPoint(100, 100));
  // Keys reach the page at all: a plain key after Ctrl+N arrives.
  ASSERT_TRUE(WaitUntil(
      [&] {
        QTest::keyClick(input, Qt::Key_N, Qt::ControlModifier);
        QTest::keyClick(input, Qt::Key_A);
        return server.Requests().contains("/key/a");
      },
      LoadTimeout));
  QTest::qWait(300);
  EXPECT_FALSE(server.Requests().contains("/key/ctrl-n"));
  EXPECT_FALSE(server.Requests().contains("/popup"));
  EXPECT_TRUE(frm->isVisible());
}

TEST_F(FrmExternalTest, NewWindowWithTooShortAnAddressIsReportedAndTheViewerStays) {
  StartLoaded("/opener", "<html><body>news</body></html>");
  QStringList messages;
  QTimer closer;
  QObject::connect(&closer, &QTimer::timeout, [&] {
    if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
      messages << box->text();
      box->close();
    }
  });
  closer.start(20);
  // Addresses the engine hands over as they are: none of them reaches the browser.
  for (const char *address : {"x:y", "data:,", "x:12345"}) {
    SCOPED_TRACE(address);
    messages.clear();
    frm->WebBrowser()->Page()->runJavaScript(QStringLiteral("window.open('%1'); 1").arg(address));
    ASSERT_TRUE(WaitUntil([&] { return !messages.isEmpty(); }, LoadTimeout));
    EXPECT_EQ(messages, QStringList{"Url地址长度不对！"});
    EXPECT_TRUE(frm->isVisible());
    EXPECT_TRUE(frm->HostTimer()->isActive());
    QTest::qWait(1100);  // the viewer hands over at most one address a second
  }
}

}  // namespace
