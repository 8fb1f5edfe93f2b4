// The viewer's window in this process, with real pages served on 127.0.0.1 and a stand-in of
// the host's main window on the session bus: the loading state, the context menu, Ctrl+N,
// refused new-window addresses and the screening of the page.
#include "viewer/uFrmExternal.h"

#include "common/uAppcf.h"
#include "common/uFrmInfos.h"
#include "common/uScreenServices.h"
#include "common/uTextLog.h"
#include "common/uWebBrowser.h"
#include "datastore/uDBMrgFactory.h"
#include "datastore/uWebBlackList.h"
#include "datastore/uWebsDao.h"
#include "platform/pictures/GifPlayer.h"
#include "tests/support/QStringPrint.h"
#include "tests/support/TestFolders.h"
#include "tests/support/TestHttpServer.h"
#include "tests/support/WaitUntil.h"

#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QMessageBox>
#include <QTcpServer>
#include <QTest>
#include <QTimer>
#include <QWebEngineView>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace {

constexpr int LoadTimeout = 30000;

class FrmExternalTest : public ::testing::Test {
protected:
  void SetUp() override {
    // The services the program makes at its start; the card database of the black list lies in
    // this test's folders.
    TDBMrgFactory::ReleaseAll();
    services = std::make_unique<TScreenServices>();
    // The viewer closes itself without the host's main window.
    host = std::make_unique<QWidget>();
    ApplyFrmInfo(host.get(), FrmInfos[fiMainWindow]);
    host->show();
  }

  void TearDown() override {
    frm.reset();
    host.reset();
    services.reset();
    TDBMrgFactory::ReleaseAll();
    qunsetenv("PEMBLO_EXTERNAL_PAGE");
  }

  void Start(const QString &address) {
    qputenv("PEMBLO_EXTERNAL_PAGE", address.toUtf8());
    frm = std::make_unique<TFrmExternal>();
    frm->show();
  }

  bool Loaded() const { return !frm->LoadingPicture()->isVisible(); }

  // Starts the viewer on a page served now and waits until it has loaded.
  // Serves a calm page at /calm and another at /listed; returns the address of /listed under
  // the host name its black-list rows name, listed.localhost.
  QUrl ServeCalmAndListedPages() {
    server.Route("/calm", "<html><body>calm learning news</body></html>");
    server.Route("/listed", "<html><body>listed learning news</body></html>");
    QUrl listed = server.Url("/listed");
    listed.setHost("listed.localhost");
    return listed;
  }

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

  // Runs a script in the shown document and returns its answer.
  QVariant Eval(const QString &script) {
    QVariant result;
    bool done = false;
    frm->WebBrowser()->Page()->runJavaScript(script, [&](const QVariant &v) {
      result = v;
      done = true;
    });
    EXPECT_TRUE(WaitUntil([&] { return done; }, LoadTimeout)) << "no answer to " << script.toStdString();
    return result;
  }

  static QStringList BlockLogLines() {
    QFile file(TScreenServices::BlockLog()->FileName());
    if (!file.open(QIODevice::ReadOnly))
      return {};
    return QString::fromUtf8(file.readAll()).split("\r\n", Qt::SkipEmptyParts);
  }

  TTestFolders folders;
  TTestHttpServer server;
  std::unique_ptr<TScreenServices> services;
  std::unique_ptr<QWidget> host;
  std::unique_ptr<TFrmExternal> frm;
};

// A row of the black list in force today and tomorrow (a test running over midnight still finds
// it in force), added to the card database; its key.
int AddRow(const QString &url) {
  const QString day = QStringLiteral("iweek:%1;tstart:00:00;tend:23:59,");
  TWebsModel row;
  row.sUrl = url;
  row.sDt = day.arg(QDate::currentDate().dayOfWeek() - 1) + day.arg(QDate::currentDate().addDays(1).dayOfWeek() - 1);
  return TWebsDao().Insert(&row);
}

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

// The viewer's page is a page the child reads: the black list refuses its address before it is
// requested, the filter (switched on) replaces a page of listed words by the blocking page, and
// the parent's block log says why, as for the browser's pages.
TEST_F(FrmExternalTest, ThePageIsScreenedWithTheBrowsersFilterAndBlackList) {
  const int key = AddRow("listed.localhost");
  TScreenServices::BlackList()->Load();
  TScreenServices::CfMrg()->AppCf().SetOffOn(true);

  QByteArray words = "<html><body>learning news ";
  for (int i = 0; i < 20; ++i)
    words += "casino ";
  server.Route("/words", words + "</body></html>");
  const QUrl listed = ServeCalmAndListedPages();
  struct TCase {
    const char *name;
    QString address;
    QString path;
    bool requested;
    QString shown;    // a part of the shown document's markup
    QString logLine;  // what the block log's new line says after its time; empty: no new line
  };
  const TCase cases[] = {
      {"page of listed words", server.Url("/words").toString(), "/words", true, "error.jpg",
       server.Url("/words").toString() + "  20 hits  casino 20"},
      {"black-listed address", listed.toString(), "/listed", false, "这个网址现在不能访问",
       listed.toString() + QStringLiteral("  black list %1").arg(key)},
      {"calm page", server.Url("/calm").toString(), "/calm", true, "calm learning news", ""},
  };
  for (const TCase &c : cases) {
    SCOPED_TRACE(c.name);
    const QStringList before = BlockLogLines();
    Start(c.address);
    ASSERT_TRUE(WaitUntil([&] { return Loaded(); }, LoadTimeout));
    // The screened document is shown, uncovered, in place of the loading picture.
    EXPECT_TRUE(WaitUntil(
        [&] {
          return !frm->WebBrowser()->Covered() &&
                 Eval("document.documentElement.outerHTML").toString().contains(c.shown);
        },
        LoadTimeout));
    EXPECT_EQ(frm->WebBrowser()->geometry(), frm->LoadingPanel()->rect());
    EXPECT_EQ(server.Requests().contains(c.path), c.requested);
    const QStringList after = BlockLogLines();
    if (c.logLine.isEmpty()) {
      EXPECT_EQ(after, before);
    } else {
      ASSERT_EQ(after.size(), before.size() + 1);
      EXPECT_EQ(after.last().mid(9), c.logLine);
    }
    frm.reset();
  }
}

// No message reaches the viewer: a row added while it runs is read before its page goes
// somewhere, and a page already shown is checked again within about a second.
TEST_F(FrmExternalTest, ARowAddedWhileTheViewerRunsRefusesItsAddress) {
  const QUrl listed = ServeCalmAndListedPages();
  struct TCase {
    const char *name;
    QString start;
    std::function<void()> afterRow;  // what happens once the row is in the card database
  };
  const TCase cases[] = {
      {"the page follows a link to the address", server.Url("/calm").toString(),
       [&] {
         frm->WebBrowser()->Page()->runJavaScript(QStringLiteral("location.href = '%1'").arg(listed.toString()));
       }},
      // The list in use is read again, as when a row's window begins while the page is shown.
      {"the address is shown already", listed.toString(), [] { TScreenServices::BlackList()->Load(); }},
  };
  for (const TCase &c : cases) {
    SCOPED_TRACE(c.name);
    Start(c.start);
    ASSERT_TRUE(WaitUntil([&] { return Loaded(); }, LoadTimeout));
    ASSERT_TRUE(Eval("document.body.innerText").toString().contains("learning news"));
    const int key = AddRow("listed.localhost");
    c.afterRow();
    EXPECT_TRUE(WaitUntil([&] { return Eval("document.body.innerText").toString().contains("这个网址现在不能访问"); },
                          LoadTimeout));
    const QStringList log = BlockLogLines();
    EXPECT_EQ(log.isEmpty() ? QString() : log.last().mid(9),
              listed.toString() + QStringLiteral("  black list %1").arg(key));
    frm.reset();
    TWebsDao().DeleteFromCID(key);
    TScreenServices::BlackList()->Load();
  }
}

}  // namespace
