// How a page handles its control's events and its commands: new windows, the script close
// request, the browse log and the favorites.
#include "browser/uFrmAddFav.h"
#include "tests/browser/PageFixture.h"
#include "tests/support/WaitUntil.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWebEngineView>

namespace {

const QByteArray OpenerPage = "<html><body style='margin:0'>"
                              "<a id='link' href='/target.html' style='display:block;width:400px;height:200px'"
                              " onclick=\"window.open('/popup.html'); return false;\">a link</a>"
                              "</body></html>";

// The widget of the control that receives mouse input.
QWidget *InputWidget(TfrmChild *page) {
  auto *view = page->WebBrowser()->findChild<QWebEngineView *>();
  return view->focusProxy() ? view->focusProxy() : view;
}

}  // namespace

TEST_F(PageTest, NewWindowWithoutLinkUnderMouseIsLeftToEngine) {
  Server.Route("/opener.html", OpenerPage);
  Server.Route("/popup.html", "<html><body>popup</body></html>");
  Server.Route("/marker.png", "", "image/png");
  TfrmChild *page = Main->AddPage("about:blank");
  Open(page, 0, "/opener.html");
  Eval(page, "window.open('/popup.html'); new Image().src = '/marker.png'; 1");
  ASSERT_TRUE(WaitUntil([&] { return Server.Requests().contains("/marker.png"); }, 20000));
  QTest::qWait(300);  // a new page would have been asked for by now
  EXPECT_TRUE(Main->NewPages.isEmpty());
  EXPECT_EQ(Subject->Count(), 1);
  EXPECT_FALSE(Server.Requests().contains("/popup.html"));
}

// Points the mouse at the link of OpenerPage until its address is the status text.
static void HoverLink(TRecordingMain &main, TfrmChild *page) {
  QWidget *input = InputWidget(page);
  int step = 0;
  ASSERT_TRUE(WaitUntil(
      [&] {
        // The point changes each time: a move to where the cursor already is reaches nobody.
        QTest::mouseMove(input, QPoint(100 + step % 2 * 10, 50));
        ++step;
        QTest::qWait(50);
        return main.Of("ISimpleText").size() > 0 && !main.Of("ISimpleText").back().text.isEmpty();
      },
      20000));
}

TEST_F(PageTest, NewWindowUnderLinkOpensItsOwnAddressAfreshInANewPage) {
  Server.Route("/opener.html", OpenerPage);
  Server.Route("/target.html", "<html><head><title>target</title></head><body>target</body></html>");
  Server.Route("/popup.html", "<html><head><title>popup</title></head><body>popup</body></html>");
  TfrmChild *page = Main->AddPage("about:blank");
  Open(page, 0, "/opener.html");
  HoverLink(*Main, page);
  EXPECT_EQ(Main->Of("ISimpleText").back(), (TReport{"ISimpleText", 0, Server.Url("/target.html").toString()}));
  // The link's script opens a window: its address becomes a new tab, loaded as a navigation of
  // its own, with no opener that could reach into it.
  QTest::mouseClick(InputWidget(page), Qt::LeftButton, {}, QPoint(100, 50));
  ASSERT_TRUE(WaitUntil([&] { return Subject->Count() == 2; }, 20000));
  const QString popup = Server.Url("/popup.html").toString();
  EXPECT_EQ(Main->NewPages, QStringList{popup});
  auto *newPage = static_cast<TfrmChild *>(Subject->Items(1));
  ASSERT_TRUE(WaitUntil([&] { return newPage->WBState() == wbsComplete && newPage->Url() == popup; }, 20000));
  EXPECT_TRUE(Eval(newPage, "window.opener === null").toBool());
  EXPECT_EQ(Eval(newPage, "document.body.innerText").toString(), "popup");
  EXPECT_EQ(LogLines().back(), popup);
}

TEST_F(PageTest, APageAskingForManyWindowsAtOnceGetsAFewTabs) {
  Server.Route("/opener.html", OpenerPage);
  Server.Route("/popup.html", "<html><body>popup</body></html>");
  TfrmChild *page = Main->AddPage("about:blank");
  Open(page, 0, "/opener.html");
  HoverLink(*Main, page);
  // One click's script asks for 150 windows (before, 150 tabs and as many engine processes).
  Eval(page, "for (var i = 0; i < 150; ++i) window.open('/popup.html?' + i); 1");
  ASSERT_TRUE(WaitUntil([&] { return !Main->NewPages.isEmpty(); }, 20000));
  QTest::qWait(500);  // the rest of the requests have been answered by now
  EXPECT_LE(Main->NewPages.size(), 3) << Main->NewPages.size() << " tabs";
}

TEST_F(PageTest, OpenerWritingIntoItsBlankWindowNeitherCrashesNorReachesTheNewPage) {
  Server.Route("/opener.html", OpenerPage);
  TfrmChild *page = Main->AddPage("about:blank");
  Open(page, 0, "/opener.html");
  HoverLink(*Main, page);
  // With a link under the mouse, the page opens a blank window and writes a page into it.
  Eval(page, "var w = window.open(''); if (w) { w.document.write('<p>written</p>'); w.document.close(); } 1");
  ASSERT_TRUE(WaitUntil([&] { return Subject->Count() == 2; }, 20000));
  EXPECT_EQ(Main->NewPages, QStringList{"about:blank"});
  auto *newPage = static_cast<TfrmChild *>(Subject->Items(1));
  ASSERT_TRUE(WaitUntil([&] { return newPage->WBState() == wbsComplete; }, 20000));
  QTest::qWait(300);
  EXPECT_FALSE(Eval(newPage, "document.documentElement.innerText").toString().contains("written"));
  // The opener lives on.
  EXPECT_EQ(Eval(page, "document.getElementById('link').textContent").toString(), "a link");
}

TEST_F(PageTest, ScriptCloseRemovesTheRightPageThroughTheRegistry) {
  Server.Route("/closing.html", "<html><body>closing</body></html>");
  std::vector<QPointer<TfrmChild>> pages;
  for (int i = 0; i < 3; ++i) {
    pages.emplace_back(Main->AddPage(Server.Url("/closing.html").toString()));
    ASSERT_TRUE(WaitUntil([&] { return pages.back()->WBState() == wbsComplete; }, 20000));
  }
  // Closing the first tab leaves the last page at index 1 while it still believes it is at 2.
  Subject->Close(0);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  ASSERT_TRUE(pages[0].isNull());
  ASSERT_EQ(pages[2]->PageIndex(), 2);
  Eval(pages[2], "window.close(); 1");
  ASSERT_TRUE(WaitUntil([&] { return pages[2].isNull(); }, 20000));
  EXPECT_EQ(Subject->Count(), 1);
  ASSERT_FALSE(pages[1].isNull());
  EXPECT_EQ(Subject->Items(0), pages[1].data());
}

TEST_F(PageTest, EveryNavigateCommandIsLoggedButLinksInsideThePageAreNot) {
  Server.Route("/one.html", "<html><body style='margin:0'><a href='/two.html' "
                            "style='display:block;width:400px;height:200px'>next</a></body></html>");
  Server.Route("/two.html", "<html><body>two</body></html>");
  const QString one = Server.Url("/one.html").toString();
  TfrmChild *page = Main->AddPage(one);  // a new tab: navigated with an empty address
  ASSERT_TRUE(WaitUntil([&] { return page->WBState() == wbsComplete; }, 20000));
  // Clicked by the user, so the engine keeps the page in the history to go back to. The mouse
  // is over the link first, wherever an earlier page left the cursor.
  HoverLink(*Main, page);
  WaitLoaded(page, [&] { QTest::mouseClick(InputWidget(page), Qt::LeftButton, {}, QPoint(100, 50)); });
  ASSERT_FALSE(HasFailure());
  EXPECT_TRUE(page->Url().endsWith("/two.html"));
  WaitLoaded(page, [&] { Subject->GoBack(0); });
  EXPECT_EQ(page->Url(), one);
  WaitLoaded(page, [&] { Subject->Refresh(0); });
  const QString typed = Server.Url("/two.html?typed=中文").toString();
  WaitLoaded(page, [&] { Subject->Navigate(0, typed); });
  // A command of another registry is not the page's business.
  TSubjectChild other;
  page->INavigate(&other, Server.Url("/one.html?other").toString());
  // The empty address reloads the page's own address, which is now the typed one.
  WaitLoaded(page, [&] { Subject->Navigate(0, ""); });
  EXPECT_EQ(LogLines(), (QStringList{one, typed, page->Url()}));
  EXPECT_EQ(page->Url(), page->WebBrowser()->LocationURL());
}

TEST_F(PageTest, AddFavoriteAsksForTheNameOnceThePageHasLoaded) {
  Server.Route("/fav.html", "<html><head><title>Fav: Page</title></head><body>x</body></html>");
  TfrmChild *page = new TfrmChild(Subject.get(), 0, Server.Url("/fav.html").toString(), Main.get(), &Panel);
  // Before the first completed load nothing happens; a dialog would be refused here.
  QTimer guard;
  bool dialogSeen = false;
  QObject::connect(&guard, &QTimer::timeout, [&] {
    if (auto *d = qobject_cast<QDialog *>(QApplication::activeModalWidget())) {
      dialogSeen = true;
      d->reject();
    }
  });
  guard.start(100);
  Subject->AddFav(0);
  guard.stop();
  EXPECT_FALSE(dialogSeen);

  WaitLoaded(page, [&] { Subject->Navigate(0, ""); });
  const QString favorites = QString::fromStdString(Folders.Favorites().string());
  // Twice the same name: the second shortcut gets a name of its own.
  for (const char *expected : {"Fav_ Page.url", "Fav_ Page (2).url"}) {
    QString preset;
    QTimer::singleShot(0, [&] {
      ASSERT_TRUE(WaitUntil([] { return QApplication::activeModalWidget() != nullptr; }, 5000));
      auto *dialog = qobject_cast<TfrmAddFav *>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      preset = dialog->edtName->text();
      dialog->btnAdd->click();
    });
    Subject->AddFav(0);
    EXPECT_EQ(preset, "Fav: Page");
    QFile file(favorites + "/" + expected);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << expected;
    EXPECT_EQ(file.readAll(), "[InternetShortcut]\r\nURL=" + Server.Url("/fav.html").toEncoded() + "\r\n");
  }
}

TEST(InternetShortcut, NameIsMadeFitForAFileAndAddressEncoded) {
  TTestFolders folders;
  const QString folder = QString::fromStdString((folders.Favorites() / "sub").string());
  const QString path = WriteInternetShortcut(folder, " a/b\\c:*?\"<>|d ", "http://example.com/中文 x");
  EXPECT_EQ(path, folder + "/a_b_c_______d.url");
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), "[InternetShortcut]\r\nURL=http://example.com/%E4%B8%AD%E6%96%87%20x\r\n");
}

TEST_F(PageTest, PageClosedByItsScriptWhileTheFavoriteDialogIsOpen) {
  Server.Route("/fav.html", "<html><head><title>Fav</title></head><body>x</body></html>");
  QPointer<TfrmChild> page = Main->AddPage(Server.Url("/fav.html").toString());
  ASSERT_TRUE(WaitUntil([&] { return page->WBState() == wbsComplete; }, 20000));
  bool dialogSeen = false;
  QTimer::singleShot(0, [&] {
    ASSERT_TRUE(WaitUntil([] { return QApplication::activeModalWidget() != nullptr; }, 5000));
    dialogSeen = true;
    // The page closes itself while the dialog waits for the name: the page and its dialog go.
    Eval(page, "window.close(); 1");
    WaitUntil([&] { return page.isNull(); }, 20000);
  });
  Subject->AddFav(0);
  EXPECT_TRUE(dialogSeen);
  EXPECT_TRUE(page.isNull());
  EXPECT_EQ(Subject->Count(), 0);
}
