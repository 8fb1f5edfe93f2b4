// The main window's start-time offer to become the default browser and its favorites panel,
// with real pages served on 127.0.0.1: the question after the start pages (or none when the
// browser is the default), the panel made on the first click of the favorites button, a
// favorite opened in a blank current tab or a new one, through the filter like every address,
// and the panel following the Favorites folder as favorites are added.
#include "browser/uBrowserServices.h"
#include "browser/uChild.h"
#include "browser/uDefaultBrowser.h"
#include "browser/uFavoritesTreeEx.h"
#include "browser/uFavs.h"
#include "browser/uFrmAddFav.h"
#include "browser/uFrmMain.h"
#include "browser/uTagsBar.h"
#include "controls/uPngButton.h"
#include "tests/browser/MainWindowFixture.h"
#include "tests/support/LoadReportingPage.h"
#include "tests/support/QStringPrint.h"
#include "tests/support/TestFolders.h"
#include "tests/support/TestHttpServer.h"
#include "tests/support/WaitUntil.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <gtest/gtest.h>

#ifndef PEMBLO_CONFIG
#error "PEMBLO_CONFIG must name the settings tool"
#endif

namespace {

QString Text(const std::filesystem::path &path) { return QString::fromStdString(path.string()); }

class OfferFavoritesTest : public TMainWindowTest {
protected:
  void SetUp() override {
    server.Route("/home", PageThatReportsLoad("Home Page", "home"));
    server.Route("/a", PageThatReportsLoad("Page A", "first page"));
    server.Route("/bad", PageThatReportsLoad("Words", QString(QStringLiteral("NSFW ")).repeated(15)));
    // Filtered, as a parent sets it.
    QProcess config;
    config.start(PEMBLO_CONFIG, {"OffOn=1"});
    ASSERT_TRUE(config.waitForFinished(LoadTimeout));
    ASSERT_EQ(config.exitCode(), 0) << config.readAllStandardError().toStdString();
    UseHomePage("/home");
  }

  QAbstractButton *FavButton() const { return frm->findChild<QAbstractButton *>("btnFav"); }
  TfrmFavs *Panel() const { return frm->findChild<TfrmFavs *>("frmFavs"); }

  void WriteFavorite(const QString &name, const QString &path) {
    QFile file(Text(folders.Favorites()) + "/" + name + ".url");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[InternetShortcut]\r\nURL=" + Address(path).toUtf8() + "\r\n");
  }

  bool Shows(const QString &name) const {
    return Panel()->isVisible() && Panel()->fvrtstrx1->findItems(name, Qt::MatchExactly).size() == 1;
  }

  void ClickFavorite(const QString &name) {
    TFavoritesTreeEx *tree = Panel()->fvrtstrx1;
    const auto found = tree->findItems(name, Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1) << name.toStdString();
    tree->scrollToItem(found.front());
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(found.front()).center());
  }
};

TEST_F(OfferFavoritesTest, StartAsksAfterTheStartPagesWhenNotDefaultAndYesRegisters) {
  std::filesystem::remove(folders.Config() / "mimeapps.list");
  ASSERT_FALSE(IsDefaultBrowser());
  QString title, text;
  QStringList tabsWhenAsked;
  QTimer answer;
  QObject::connect(&answer, &QTimer::timeout, [&] {
    auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
    if (!box)
      return;
    answer.stop();
    title = box->windowTitle();
    text = box->text();
    for (int i = 0; i < TagsBar()->TabCount(); ++i)
      tabsWhenAsked << TagsBar()->GetTabName(i);
    box->button(QMessageBox::Yes)->click();
  });
  answer.start(10);
  Start({Address("/a")}, false);
  ASSERT_TRUE(WaitUntil([&] { return !title.isEmpty(); }, LoadTimeout));
  EXPECT_EQ(title, "Sunvale绿色浏览器");
  EXPECT_EQ(text, "Sunvale绿色浏览器不是您的默认浏览器,是否将它设置成为默认浏览器？");
  EXPECT_EQ(tabsWhenAsked.size(), 2) << "asked after the home page and the command-line address";
  EXPECT_TRUE(IsDefaultBrowser());
  EXPECT_TRUE(QFile::exists(Text(folders.DataHome() / "applications" / "pemblobrowser.desktop")));
  // The window goes on after the answer.
  EXPECT_TRUE(WaitLoaded(1, "/a"));
}

TEST_F(OfferFavoritesTest, NoQuestionWhenAlreadyDefault) {
  ASSERT_TRUE(IsDefaultBrowser());
  bool asked = false;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
      asked = true;
      box->reject();
    }
  });
  watch.start(10);
  Start({}, false);
  ASSERT_TRUE(WaitLoaded(0, "/home"));
  WaitUntil([] { return false; }, 300);
  EXPECT_FALSE(asked);
}

TEST_F(OfferFavoritesTest, FavoritesButtonMakesThePanelOnceOnTheLeft) {
  std::filesystem::remove_all(folders.Favorites());  // a fresh account has none yet
  Start({}, false);
  ASSERT_TRUE(WaitLoaded(0, "/home"));
  EXPECT_EQ(Panel(), nullptr) << "made on first use";

  QTest::mouseClick(FavButton(), Qt::LeftButton);
  TfrmFavs *panel = Panel();
  ASSERT_NE(panel, nullptr);
  EXPECT_TRUE(QFileInfo(Text(folders.Favorites())).isDir());
  ASSERT_TRUE(WaitUntil([&] { return panel->isVisible() && Page(0)->x() == 193; }, 5000));
  EXPECT_EQ(panel->geometry(), QRect(0, 0, 193, panel->parentWidget()->height()));

  QTest::mouseClick(panel->btnClose, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_FALSE(panel->isVisible());
  ASSERT_TRUE(WaitUntil([&] { return Page(0)->x() == 0; }, 5000)) << "the pages take the room back";

  QTest::mouseClick(FavButton(), Qt::LeftButton);
  EXPECT_TRUE(panel->isVisible());
  EXPECT_EQ(frm->findChildren<TfrmFavs *>().size(), 1);
}

TEST_F(OfferFavoritesTest, FavoriteOpensInANewTabOrInTheBlankCurrentOneThroughTheFilter) {
  WriteFavorite("Example", "/a");
  WriteFavorite("Words", "/bad");
  Start({}, false);
  ASSERT_TRUE(WaitLoaded(0, "/home"));
  QTest::mouseClick(FavButton(), Qt::LeftButton);

  ClickFavorite("Example");
  ASSERT_EQ(TagsBar()->TabCount(), 2);
  EXPECT_EQ(TagsBar()->TabIndex(), 1);
  EXPECT_TRUE(WaitLoaded(1, "/a"));
  EXPECT_EQ(Page(0)->Url(), Address("/home")) << "the used tab keeps its page";

  QTest::mouseClick(TagsBar()->AddTabButton(), Qt::LeftButton);
  ASSERT_EQ(TagsBar()->TabCount(), 3);
  ASSERT_EQ(TagsBar()->GetTabName(2), TagsBar()->DefaultNewTabName());
  QSignalSpy decided(Page(2), &TfrmChild::FilterDecided);
  ClickFavorite("Words");
  EXPECT_EQ(TagsBar()->TabCount(), 3) << "the blank tab takes the favorite";
  ASSERT_TRUE(decided.wait(LoadTimeout));
  EXPECT_EQ(decided.front().front().toBool(), true) << "the page is blocked like every other";
}

TEST_F(OfferFavoritesTest, ThePanelShowsFavoritesAddedWhileItIsOpenOrHidden) {
  Start({}, false);
  ASSERT_TRUE(WaitLoaded(0, "/home"));
  QTest::mouseClick(FavButton(), Qt::LeftButton);
  ASSERT_TRUE(Panel()->isVisible());
  ASSERT_EQ(Panel()->fvrtstrx1->topLevelItemCount(), 0);

  // The add button's dialog, answered as a person does: a name typed over the page's title.
  QTimer answer;
  QObject::connect(&answer, &QTimer::timeout, [&] {
    auto *dialog = qobject_cast<TfrmAddFav *>(QApplication::activeModalWidget());
    if (!dialog)
      return;
    answer.stop();
    dialog->edtName->selectAll();
    QTest::keyClicks(dialog->edtName, "My page");
    QTest::mouseClick(dialog->btnAdd, Qt::LeftButton);
  });
  answer.start(10);
  QTest::mouseClick(frm->findChild<QAbstractButton *>("btnAddFav"), Qt::LeftButton);
  EXPECT_TRUE(WaitUntil([&] { return Shows("My page"); }, 5000)) << "the open panel shows the new favorite";

  // A second change, while the panel is hidden, is followed too and shows when it is opened again.
  QTest::mouseClick(Panel()->btnClose, Qt::LeftButton, {}, QPoint(5, 5));
  ASSERT_FALSE(Panel()->isVisible());
  WriteFavorite("Example", "/a");
  EXPECT_TRUE(WaitUntil([&] { return Panel()->fvrtstrx1->findItems("Example", Qt::MatchExactly).size() == 1; }, 5000));
  QTest::mouseClick(FavButton(), Qt::LeftButton);
  EXPECT_TRUE(Shows("Example"));
  // And the open panel goes on following.
  ASSERT_TRUE(QFile::remove(Text(folders.Favorites()) + "/My page.url"));
  EXPECT_TRUE(WaitUntil([&] { return Panel()->fvrtstrx1->findItems("My page", Qt::MatchExactly).isEmpty(); }, 5000));
  ClickFavorite("Example");
  EXPECT_TRUE(WaitLoaded(1, "/a"));
}

}  // namespace
