// The browser's main window shows only the current tab's page: pages behind it are hidden (their
// views draw nothing and their documents know they are hidden) across tab clicks, new tabs in
// front and behind and closed tabs, while they go on loading, being logged and being screened.
#include "browser/uBrowserServices.h"
#include "browser/uChild.h"
#include "browser/uFrmMain.h"
#include "browser/uTagsBar.h"
#include "common/uAppcf.h"
#include "common/uPageScreen.h"
#include "common/uTextLog.h"
#include "common/uWebBrowser.h"
#include "tests/browser/MainWindowFixture.h"
#include "tests/browser/PageFixture.h"
#include "tests/support/LoadReportingPage.h"
#include "tests/support/QStringPrint.h"
#include "tests/support/TestFolders.h"
#include "tests/support/TestHttpServer.h"
#include "tests/support/WaitUntil.h"

#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace {

QString ListedWords(int count) { return QStringLiteral("casino ").repeated(count); }

class BackgroundTabsTest : public TMainWindowTest {
protected:
  void SetUp() override {
    for (const char *path : {"/home", "/a", "/b", "/c"})
      server.Route(path, PageThatReportsLoad(QString::fromLatin1(path).mid(1), QStringLiteral("calm page")));
    server.Route("/closer",
                 PageThatReportsLoad("closer", "<script>setTimeout(function () { window.close(); }, 50);</script>"));
    server.Route("/bad", PageThatReportsLoad("bad", ListedWords(16)));
    // Answered late, so its tab can be chosen while the page is still on its way.
    server.Route("/slowbad", PageThatReportsLoad("slow bad", ListedWords(16)), "text/html; charset=utf-8", 1500);
    UseHomePage("/home");
  }

  // Waits until the tab strip and the registry both hold `tabs` entries with `current` current,
  // the current page being the one opened with `path`.
  bool WaitTabs(int tabs, int current, const QString &path) const {
    return WaitUntil(
        [&] {
          return TagsBar()->TabCount() == tabs && frm->Subject()->Count() == tabs && TagsBar()->TabIndex() == current &&
                 Page(current)->Url() == Address(path);
        },
        LoadTimeout);
  }

  // The page of tab `current` is shown, every other page hidden, as the widgets and as the
  // documents themselves see it.
  void ExpectOnlyShown(int current) const {
    for (int i = 0; i < frm->Subject()->Count(); ++i) {
      SCOPED_TRACE(i);
      TfrmChild *page = Page(i);
      ASSERT_NE(page, nullptr);
      EXPECT_EQ(page->isVisible(), i == current);
      const QString state = i == current ? "visible" : "hidden";
      EXPECT_TRUE(WaitUntil([&] { return Eval(page, "document.visibilityState").toString() == state; }, LoadTimeout))
          << Eval(page, "document.visibilityState").toString().toStdString();
    }
  }

  bool ShowsBlockingPage(TfrmChild *page) const {
    return Eval(page, "document.images.length ? document.images[0].getAttribute('src') : ''")
               .toString()
               .endsWith("/error.jpg") &&
           !Eval(page, "document.documentElement.innerText").toString().contains("casino");
  }
};

TEST_F(BackgroundTabsTest, OnlyTheCurrentTabsPageIsShown) {
  Start({Address("/a")});
  ASSERT_TRUE(WaitTabs(2, 1, "/a"));
  ExpectOnlyShown(1);

  const struct {
    const char *name;
    std::function<void()> action;
    bool opensCloser;  // the action opens the page that closes itself once loaded
    int tabs;          // afterwards
    int current;       // afterwards
    const char *currentPath;
  } steps[] = {
      {"a click on the first tab", [&] { TagsBar()->SetTabIndex(0); }, false, 2, 0, "/home"},
      {"a new tab behind", [&] { frm->INewPage(Address("/b"), false); }, false, 3, 0, "/home"},
      {"a new tab in front", [&] { frm->INewPage(Address("/c"), true); }, false, 4, 3, "/c"},
      {"a click on the tab that loaded behind", [&] { TagsBar()->SetTabIndex(2); }, false, 4, 2, "/b"},
      {"closing the current tab", [&] { QTest::mouseClick(TagsBar()->CloseButton(), Qt::LeftButton); }, false, 3, 2,
       "/c"},
      {"a page in front closing itself", [&] { frm->INewPage(Address("/closer"), true); }, true, 3, 2, "/c"},
      {"a page behind closing itself", [&] { frm->INewPage(Address("/closer"), false); }, true, 3, 2, "/c"},
      {"a click on the second tab", [&] { TagsBar()->SetTabIndex(1); }, false, 3, 1, "/a"},
      {"closing the current middle tab", [&] { QTest::mouseClick(TagsBar()->CloseButton(), Qt::LeftButton); }, false, 2,
       1, "/c"},
  };
  for (const auto &step : steps) {
    SCOPED_TRACE(step.name);
    const qsizetype closers = server.Requests().count("/loaded/closer");
    step.action();
    if (step.opensCloser) {
      // The page completes its load (in front or behind) before its script closes it.
      ASSERT_TRUE(WaitUntil([&] { return server.Requests().count("/loaded/closer") > closers; }, LoadTimeout));
    }
    ASSERT_TRUE(WaitTabs(step.tabs, step.current, step.currentPath))
        << TagsBar()->TabCount() << " tabs, current " << TagsBar()->TabIndex();
    ExpectOnlyShown(step.current);
  }

  // The page opened behind loaded, and was logged, while it was hidden.
  EXPECT_TRUE(server.Requests().contains("/loaded/b"));
  QFile log(services->TextLog()->FileName());
  ASSERT_TRUE(log.open(QIODevice::ReadOnly));
  EXPECT_TRUE(log.readAll().contains(Address("/b").toUtf8() + "\r\n"));
}

TEST_F(BackgroundTabsTest, APageToBeBlockedIsBlockedBehindAndNeverShownWhenChosen) {
  services->CfMrg()->AppCf().SetOffOn(true);
  Start({});
  ASSERT_TRUE(WaitTabs(1, 0, "/home"));

  // Loaded and screened entirely behind the current page.
  ASSERT_EQ(frm->INewPage(Address("/bad"), false), 1);
  TfrmChild *bad = Page(1);
  QSignalSpy decided(bad, &TfrmChild::FilterDecided);
  ASSERT_TRUE(WaitUntil([&] { return !decided.isEmpty() && decided.last().at(0).toBool(); }, LoadTimeout));
  EXPECT_FALSE(bad->isVisible());
  EXPECT_EQ(TagsBar()->TabIndex(), 0);
  TagsBar()->SetTabIndex(1);
  ExpectOnlyShown(1);
  EXPECT_FALSE(bad->WebBrowser()->Covered());
  EXPECT_TRUE(ShowsBlockingPage(bad));
  EXPECT_EQ(bad->Url(), Address("/bad")) << "the address stays the blocked one";

  // Chosen while it is still on its way: it stays covered until it is blocked, so its text is
  // never on the screen.
  ASSERT_EQ(frm->INewPage(Address("/slowbad"), false), 2);
  TfrmChild *slow = Page(2);
  QSignalSpy slowDecided(slow, &TfrmChild::FilterDecided);
  ASSERT_TRUE(WaitUntil([&] { return server.Requests().contains("/slowbad"); }, LoadTimeout));
  EXPECT_TRUE(slow->WebBrowser()->Covered()) << "covered behind as well";
  TagsBar()->SetTabIndex(2);
  ASSERT_TRUE(slow->isVisible());
  EXPECT_TRUE(slow->WebBrowser()->Covered());
  bool shownUncovered = false;
  ASSERT_TRUE(WaitUntil(
      [&] {
        if (!slowDecided.isEmpty())
          return true;
        shownUncovered |= !slow->WebBrowser()->Covered();
        return false;
      },
      LoadTimeout));
  EXPECT_FALSE(shownUncovered);
  EXPECT_TRUE(slowDecided.front().at(0).toBool());
  EXPECT_TRUE(ShowsBlockingPage(slow));
  ExpectOnlyShown(2);
}

}  // namespace
