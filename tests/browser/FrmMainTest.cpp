// The browser's main window with real pages served on 127.0.0.1: start-up, new pages, the
// reports of current and background pages, F5, the tab strip's events, the information bar
// and the settings notice from another process, also a flood of them against a broken file.
#include "browser/uAddressBox.h"
#include "browser/uBrowserRes.h"
#include "browser/uBrowserServices.h"
#include "browser/uChild.h"
#include "browser/uFrmMain.h"
#include "browser/uNagBar.h"
#include "browser/uTagsBar.h"
#include "common/uAppcf.h"
#include "common/uFrmInfos.h"
#include "common/uMsgs.h"
#include "common/uTextLog.h"
#include "common/uWebBrowser.h"
#include "platform/os/WindowDirectory.h"
#include "tests/browser/MainWindowFixture.h"
#include "tests/support/LoadReportingPage.h"
#include "tests/support/ProbeProcess.h"
#include "tests/support/QStringPrint.h"
#include "tests/support/TestFolders.h"
#include "tests/support/TestHttpServer.h"
#include "tests/support/TopLevelWindows.h"
#include "tests/support/WaitUntil.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWebEnginePage>
#include <gtest/gtest.h>

#ifndef PEMBLO_CONFIG
#error "PEMBLO_CONFIG must name the settings tool"
#endif

namespace {

QByteArray ListedWords(int count) {
  QByteArray words;
  for (int i = 0; i < count; ++i)
    words += "NSFW ";
  return words;
}

class FrmMainTest : public TMainWindowTest {
protected:
  void SetUp() override {
    server.Route("/home", PageThatReportsLoad("Home Page", "home"));
    server.Route("/a", PageThatReportsLoad("Page A", "first page"));
    server.Route("/b", PageThatReportsLoad("Page B", "second page"));
    server.Route("/bad", PageThatReportsLoad("Words", QString::fromLatin1(ListedWords(15))));
    server.Route("/closer",
                 PageThatReportsLoad("Closer", "<script>setTimeout(function () { window.close(); }, 50);</script>"));
    UseHomePage("/home");
  }

  // A control of the window, found by its design name.
  template <class T> T *Control(const char *name) const {
    T *control = frm->findChild<T *>(QLatin1StringView(name));
    EXPECT_NE(control, nullptr) << name;
    return control;
  }
  TAddressBox *AddressBox() const { return Control<TAddressBox>("adrsbxIEAddress"); }
  QLabel *StateText() const { return Control<QLabel>("lblStateText"); }
  TImageListButton *Button(const char *name) const { return Control<TImageListButton>(name); }

  int RequestCount(const QString &path) const { return int(server.Requests().count(path)); }

  QStringList TabNames() const {
    QStringList names;
    for (int i = 0; i < TagsBar()->TabCount(); ++i)
      names.append(TagsBar()->GetTabName(i));
    return names;
  }
};

TEST_F(FrmMainTest, ControlsCarryTheirDesignNames) {
  frm = std::make_unique<TFrmMain>(QStringList{});
  const struct {
    const char *name;
    const char *className;
  } controls[] = {
      {"xypnlTitleBar", "TPaintPanel"},
      {"tlbSysCtl", "QWidget"},
      {"btnMinimize", "TImageListButton"},
      {"btnMax", "TImageListButton"},
      {"btnClose", "TImageListButton"},
      {"xypnlToolBar", "TPaintPanel"},
      {"tlbBrowserCtl", "QWidget"},
      {"btnGoBack", "TImageListButton"},
      {"btnGoForward", "TImageListButton"},
      {"btnRefresh", "TImageListButton"},
      {"btnHome", "TImageListButton"},
      {"btnFav", "TImageListButton"},
      {"btnAddFav", "TImageListButton"},
      {"adrsbxIEAddress", "TAddressBox"},
      {"imgGo", "TCtrBtn"},
      {"ngbrNagBar", "TNagBar"},
      {"tgsbrBrowser", "TTagsBar"},
      {"pnlMain", "QWidget"},
      {"xypnlStateBar", "TPaintPanel"},
      {"lblStateText", "QLabel"},
      {"imgAppICO", "QLabel"},
      {"imgLogo", "QLabel"},
  };
  for (const auto &c : controls) {
    const auto found = frm->findChildren<QWidget *>(QLatin1StringView(c.name));
    ASSERT_EQ(found.size(), 1) << c.name;
    EXPECT_TRUE(found.front()->inherits(c.className)) << c.name << " is a " << found.front()->metaObject()->className();
  }
}

TEST_F(FrmMainTest, StartUpOpensTheHomePageAndOneCommandLineAddress) {
  struct {
    QStringList arguments;
    QStringList expectedTabs;  // after the titles have arrived
    int expectedCurrent;
  } cases[] = {
      {{}, {"home page"}, 0},
      {{Address("/a")}, {"home page", "page a"}, 1},
      {{Address("/a"), Address("/b")}, {"home page"}, 0},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.arguments.join(' ').toStdString());
    Start(c.arguments);
    ASSERT_TRUE(WaitLoaded(0, "/home"));
    if (c.expectedTabs.size() == 2) {
      ASSERT_TRUE(WaitLoaded(1, "/a"));
    }
    ASSERT_TRUE(WaitUntil([&] { return TabNames() == c.expectedTabs; }, LoadTimeout))
        << TabNames().join(',').toStdString();
    EXPECT_EQ(frm->Subject()->Count(), c.expectedTabs.size());
    EXPECT_EQ(TagsBar()->TabIndex(), c.expectedCurrent);
    EXPECT_EQ(frm->windowTitle(), c.expectedTabs[c.expectedCurrent]);
    EXPECT_EQ(AddressBox()->currentText(), Address(c.expectedCurrent ? "/a" : "/home"));
    frm.reset();
  }
  // Every opened address is in the browse log.
  QFile log(services->TextLog()->FileName());
  ASSERT_TRUE(log.open(QIODevice::ReadOnly));
  EXPECT_EQ(log.readAll().count(Address("/a").toUtf8() + "\r\n"), 1);
}

TEST_F(FrmMainTest, ABlankCurrentTabTakesTheNextAddress) {
  Start({});
  ASSERT_TRUE(WaitLoaded(0, "/home"));
  QTest::mouseClick(TagsBar()->AddTabButton(), Qt::LeftButton);
  ASSERT_EQ(TagsBar()->TabCount(), 2);
  ASSERT_EQ(TagsBar()->TabIndex(), 1);
  // The blank page reports "about:blank" as its caption: the tab keeps the blank tab's name.
  ASSERT_TRUE(WaitUntil([&] { return Page(1) && Page(1)->WBState() == wbsComplete; }, LoadTimeout));
  EXPECT_EQ(TagsBar()->GetTabName(1), "新建选项卡");
  frm->ISetTabCaption(1, "about:blank");
  EXPECT_EQ(TagsBar()->GetTabName(1), "新建选项卡");
  EXPECT_EQ(frm->windowTitle(), "新建选项卡");

  EXPECT_EQ(frm->INewPage("", true), -1);
  EXPECT_EQ(TagsBar()->TabCount(), 2);

  EXPECT_EQ(frm->INewPage(Address("/a"), true), -1);
  EXPECT_EQ(TagsBar()->TabCount(), 2);
  ASSERT_TRUE(WaitLoaded(1, "/a"));
  ASSERT_TRUE(WaitUntil([&] { return TagsBar()->GetTabName(1) == "page a"; }, LoadTimeout));

  // The tab is used now: the next address gets a tab of its own.
  EXPECT_EQ(frm->INewPage(Address("/b"), false), 2);
  EXPECT_EQ(TagsBar()->TabIndex(), 1);
  ASSERT_TRUE(WaitLoaded(2, "/b"));
}

TEST_F(FrmMainTest, ReportsOfABackgroundPageChangeOnlyItsTab) {
  Start({Address("/a")});
  ASSERT_TRUE(WaitLoaded(0, "/home"));
  ASSERT_TRUE(WaitLoaded(1, "/a"));
  ASSERT_TRUE(WaitUntil([&] { return frm->windowTitle() == "page a"; }, LoadTimeout));

  // The background page goes elsewhere: only its tab shows it.
  frm->Subject()->Navigate(0, Address("/b"));
  ASSERT_TRUE(WaitLoaded(0, "/b"));
  ASSERT_TRUE(WaitUntil([&] { return TagsBar()->GetTabName(0) == "page b"; }, LoadTimeout));
  EXPECT_EQ(frm->windowTitle(), "page a");
  EXPECT_EQ(AddressBox()->currentText(), Address("/a"));
  EXPECT_FALSE(Button("btnGoBack")->isEnabled());

  // Each report of the background page is ignored by the window, each of the current page shown.
  frm->ISimpleText(0, "background status");
  frm->ISetAddressText(0, "http://background/");
  frm->ISetBackState(0, true);
  frm->ISetForwadState(0, true);
  EXPECT_EQ(StateText()->text(), "");
  EXPECT_EQ(AddressBox()->currentText(), Address("/a"));
  EXPECT_FALSE(Button("btnGoBack")->isEnabled());
  EXPECT_FALSE(Button("btnGoForward")->isEnabled());

  frm->ISimpleText(1, "current status");
  frm->ISetBackState(1, true);
  EXPECT_EQ(StateText()->text(), "current status");
  EXPECT_TRUE(Button("btnGoBack")->isEnabled());

  // Switching back brings the first page's whole state to the window.
  TagsBar()->SetTabIndex(0);
  EXPECT_EQ(frm->windowTitle(), "page b");
  EXPECT_EQ(AddressBox()->currentText(), Address("/b"));
  EXPECT_TRUE(Button("btnGoBack")->isEnabled()) << "page 0 went from the home page to /b";
}

TEST_F(FrmMainTest, F5WithTheFocusInTheAddressBoxRefreshesTheCurrentPage) {
  Start({Address("/a")});
  ASSERT_TRUE(WaitLoaded(1, "/a"));
  const int homeLoads = RequestCount("/home");
  const int loads = RequestCount("/a");
  frm->activateWindow();
  AddressBox()->setFocus();
  AddressBox()->setEditText("typed but not sent");
  QTest::keyClick(AddressBox(), Qt::Key_F5);
  ASSERT_TRUE(WaitUntil([&] { return RequestCount("/a") == loads + 1; }, LoadTimeout));
  EXPECT_EQ(RequestCount("/home"), homeLoads);
  EXPECT_EQ(AddressBox()->currentText(), "typed but not sent");
}

TEST_F(FrmMainTest, EnterInTheAddressBoxNavigatesAndRemembersTheAddress) {
  Start({});
  ASSERT_TRUE(WaitLoaded(0, "/home"));
  AddressBox()->setFocus();
  AddressBox()->setEditText(Address("/b"));
  QTest::keyClick(AddressBox(), Qt::Key_Return);
  ASSERT_TRUE(WaitLoaded(0, "/b"));
  EXPECT_EQ(ReadTypedAddresses(), QStringList{Address("/b")});

  AddressBox()->setEditText(Address("/a"));
  QTest::mouseClick(Control<TCtrBtn>("imgGo"), Qt::LeftButton);
  ASSERT_TRUE(WaitLoaded(0, "/a"));
  EXPECT_EQ(TagsBar()->TabCount(), 1);
}

TEST_F(FrmMainTest, TabsAndPagesStayInStep) {
  Start({Address("/a")});
  ASSERT_TRUE(WaitLoaded(1, "/a"));
  QTest::mouseClick(TagsBar()->AddTabButton(), Qt::LeftButton);
  ASSERT_EQ(frm->Subject()->Count(), 3);

  // Closing the current (last) tab closes its page and shows the tab before it.
  QTest::mouseClick(TagsBar()->CloseButton(), Qt::LeftButton);
  ASSERT_TRUE(WaitUntil([&] { return frm->Subject()->Count() == 2; }, LoadTimeout));
  EXPECT_EQ(TagsBar()->TabIndex(), 1);
  EXPECT_EQ(frm->windowTitle(), "page a");
  EXPECT_EQ(Page(1)->Url(), Address("/a"));

  // A page closed by its own script takes its tab with it.
  frm->INewPage(Address("/closer"), false);
  ASSERT_TRUE(WaitUntil([&] { return RequestCount("/closer") == 1; }, LoadTimeout));
  ASSERT_TRUE(WaitUntil([&] { return TagsBar()->TabCount() == 2 && frm->Subject()->Count() == 2; }, LoadTimeout));
  EXPECT_EQ(TagsBar()->TabIndex(), 1);
  EXPECT_EQ(Page(1)->Url(), Address("/a"));
  frm->ISetTabCaption(1, "still in step");
  EXPECT_EQ(TagsBar()->GetTabName(1), "still in step");
}

TEST_F(FrmMainTest, PagesBehindAClosedTabReportUnderTheirNewTab) {
  Start({});
  ASSERT_TRUE(WaitLoaded(0, "/home"));
  EXPECT_EQ(frm->INewPage(Address("/a"), false), 1);
  EXPECT_EQ(frm->INewPage(Address("/b"), false), 2);
  ASSERT_TRUE(WaitLoaded(1, "/a"));
  ASSERT_TRUE(WaitLoaded(2, "/b"));
  ASSERT_EQ(TagsBar()->TabIndex(), 0);

  // Closing the current first tab moves both background pages down by one.
  QTest::mouseClick(TagsBar()->CloseButton(), Qt::LeftButton);
  ASSERT_EQ(TabNames(), (QStringList{"page a", "page b"}));
  QTest::mouseClick(TagsBar()->AddTabButton(), Qt::LeftButton);
  ASSERT_EQ(TagsBar()->TabIndex(), 2);
  ASSERT_TRUE(WaitUntil([&] { return Page(2) && Page(2)->WBState() == wbsComplete; }, LoadTimeout));
  const QString blankAddress = AddressBox()->currentText();

  // The page in the background, not addressed since, renames its own tab and leaves the
  // current blank tab and the window alone.
  bool done = false;
  Page(1)->WebBrowser()->Page()->runJavaScript("document.title = 'B Renamed'; 1",
                                               [&](const QVariant &) { done = true; });
  ASSERT_TRUE(WaitUntil([&] { return done && TagsBar()->GetTabName(1) == "b renamed"; }, LoadTimeout))
      << TabNames().join(", ").toStdString();
  EXPECT_EQ(TabNames(), (QStringList{"page a", "b renamed", "新建选项卡"}));
  EXPECT_EQ(frm->windowTitle(), "新建选项卡");
  EXPECT_EQ(AddressBox()->currentText(), blankAddress);
}

TEST_F(FrmMainTest, InformationBarLinks) {
  const struct {
    const char *code;
    QString address;
  } cases[] = {
      {"SVDD", HomePageAddress()},
      {"SVAW", "http://www.sunvale.cn:8080/ask"},
      {"SVAS", "http://www.sunvale.cn:8080/sns/"},
      {"http://elsewhere.example/", "http://elsewhere.example/"},
  };
  for (const auto &c : cases)
    EXPECT_EQ(TFrmMain::LinkAddress(c.code), c.address) << c.code;

  Start({});
  ASSERT_TRUE(WaitLoaded(0, "/home"));
  ASSERT_TRUE(WaitUntil([&] { return TagsBar()->GetTabName(0) == "home page"; }, LoadTimeout));
  TNagBar *bar = Control<TNagBar>("ngbrNagBar");
  QTest::mouseClick(bar, Qt::LeftButton, {}, bar->LinkRect(0).center());
  ASSERT_EQ(TagsBar()->TabCount(), 2);
  EXPECT_EQ(TagsBar()->TabIndex(), 1);
  ASSERT_TRUE(WaitLoaded(1, "/home"));
}

// Closes the next message box and hands back its text.
QString CloseNextMessageBox() {
  QString text;
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, [&] {
    for (QWidget *window : QApplication::topLevelWidgets())
      if (auto *box = qobject_cast<QMessageBox *>(window); box && box->isVisible()) {
        text = box->text();
        box->accept();
      }
  });
  timer.start(20);
  if (!WaitUntil([&] { return !text.isEmpty(); }, LoadTimeout))
    return QString();
  return text;
}

TEST_F(FrmMainTest, APageTitledLikeAWindowOfTheSuiteTakesNoNameOnTheBus) {
  const QString title = FrmInfos[fiHistory].sCaption;
  server.Route("/borrowed", PageThatReportsLoad(title, "history"));
  Start({Address("/borrowed")});
  ASSERT_TRUE(WaitLoaded(1, "/borrowed"));
  ASSERT_TRUE(WaitUntil([&] { return frm->windowTitle() == title; }, LoadTimeout));
  // The window is found by its class, never by the title its page gave it.
  EXPECT_TRUE(FindWindowByClass(FrmInfos[fiBrowserClass].sCaption).has_value());
  EXPECT_FALSE(FindWindowByTitle(title).has_value());
  TagsBar()->SetTabIndex(0);
  ASSERT_TRUE(WaitUntil([&] { return frm->windowTitle() == "home page"; }, LoadTimeout));
  EXPECT_FALSE(FindWindowByTitle("home page").has_value());
}

TEST_F(FrmMainTest, SettingsNoticeFromAnotherProcessAppliesToTheNextPage) {
  ASSERT_FALSE(services->CfMrg()->AppCf().OffOn());
  Start({Address("/bad")});
  ASSERT_TRUE(WaitLoaded(1, "/bad"));
  QSignalSpy decided(Page(1), &TfrmChild::FilterDecided);

  QProcess config;
  config.start(PEMBLO_CONFIG, {"OffOn=1"});
  ASSERT_TRUE(config.waitForFinished(LoadTimeout));
  ASSERT_EQ(config.exitCode(), 0) << config.readAllStandardError().toStdString();
  ASSERT_TRUE(WaitUntil([&] { return services->CfMrg()->AppCf().OffOn(); }, LoadTimeout));
  EXPECT_TRUE(decided.isEmpty()) << "the page already shown stays";

  QTest::mouseClick(Button("btnRefresh"), Qt::LeftButton);
  ASSERT_TRUE(decided.wait(LoadTimeout));
  EXPECT_EQ(decided.front().front().toBool(), true) << "the reloaded page is blocked";

  // A broken settings file is reported, and the settings in use stay.
  QFile file(services->CfMrg()->FileName());
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("not a settings stream");
  file.close();
  const auto browser = FindWindowByClass(FrmInfos[fiBrowserClass].sCaption);
  ASSERT_TRUE(browser.has_value());
  PostWindowMessage(*browser, WM_CFGUPDATE, 0, 0);
  EXPECT_FALSE(CloseNextMessageBox().isEmpty());
  EXPECT_TRUE(services->CfMrg()->AppCf().OffOn());
}

TEST_F(FrmMainTest, AFloodOfSettingsNoticesAgainstABrokenFileShowsOneBoxThatDoesNotWait) {
  Start({});
  const QString settings = services->CfMrg()->FileName();
  QFile::remove(settings);
  ASSERT_TRUE(QDir().mkpath(settings));
  TModalBoxWatcher boxes;
  TProbe flood({"flood", "-", FrmInfos[fiBrowserClass].sCaption, QString::number(WM_CFGUPDATE), "300"});
  ASSERT_EQ(flood.FloodAnswer(), "handled");
  EXPECT_TRUE(boxes.Texts.isEmpty()) << boxes.Texts.size()
                                     << " boxes waited, the first: " << boxes.Texts.value(0).toStdString();
  const QStringList shown = VisibleMessageBoxTexts();
  ASSERT_EQ(shown.size(), 1) << shown.join(" | ").toStdString();
  EXPECT_FALSE(shown.front().isEmpty());
}

}  // namespace
