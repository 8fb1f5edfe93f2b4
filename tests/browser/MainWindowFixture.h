#pragma once
// What the tests of the browser's main window share: the window itself (TFrmMain) on test pages
// served on 127.0.0.1, with the process's services in private folders, and the ways to find its
// tab strip and pages and to wait for a page to load.
#include "browser/uBrowserServices.h"
#include "browser/uChild.h"
#include "browser/uFrmMain.h"
#include "browser/uTagsBar.h"
#include "common/uWebBrowser.h"
#include "tests/support/TestFolders.h"
#include "tests/support/TestHttpServer.h"
#include "tests/support/WaitUntil.h"

#include <QTest>
#include <gtest/gtest.h>
#include <memory>

inline constexpr int LoadTimeout = 30000;

class TMainWindowTest : public ::testing::Test {
protected:
  // The home page the window opens first, and the services made with it in place: from SetUp,
  // once the test's own settings are written.
  void UseHomePage(const QString &path) {
    qputenv("PEMBLO_HOME_PAGE", Address(path).toUtf8());
    services = std::make_unique<TBrowserServices>();
  }

  void TearDown() override {
    frm.reset();
    services.reset();
    qunsetenv("PEMBLO_HOME_PAGE");
  }

  // Makes and shows the window with its command-line arguments; waits until it is on the screen
  // unless told not to (a test that must first answer a question box).
  void Start(const QStringList &arguments, bool waitExposed = true) {
    frm = std::make_unique<TFrmMain>(arguments);
    frm->show();
    if (waitExposed)
      ASSERT_TRUE(QTest::qWaitForWindowExposed(frm.get()));
  }

  QString Address(const QString &path) const { return server.Url(path).toString(); }
  TTagsBar *TagsBar() const { return frm->findChild<TTagsBar *>("tgsbrBrowser"); }

  TfrmChild *Page(int index) const {
    if (index >= frm->Subject()->Count())
      return nullptr;
    return qobject_cast<TfrmChild *>(frm->Subject()->Items(index));
  }

  // Waits until the page at index has completed loading path (the page reports its load).
  bool WaitLoaded(int index, const QString &path) {
    return WaitUntil(
        [&] {
          TfrmChild *page = Page(index);
          return page && page->WBState() == wbsComplete && page->Url() == Address(path) &&
                 !page->WebBrowser()->Busy() && server.Requests().contains("/loaded" + path);
        },
        LoadTimeout);
  }

  TTestFolders folders;
  TTestHttpServer server;
  std::unique_ptr<TBrowserServices> services;
  std::unique_ptr<TFrmMain> frm;
};
