// The centre window inside a host window, the group window beside the host's main window, the
// address dialog, and what a click on each kind of entry does. The test program sits in a
// folder of its own with the delivered catalogue and icons beside it, and a stand-in browser at
// ../PembloBrowser/PembloBrowser that records the command line it was started with.
#include "appcentre/uFrmBox.h"
#include "appcentre/uFrmExpand.h"
#include "appcentre/uFrmInputDurl.h"
#include "common/uFrmInfos.h"
#include "common/uPathFunc.h"
#include "controls/uPngButton.h"
#include "tests/appcentre/CatalogueFixture.h"
#include "tests/support/QStringPrint.h"
#include "tests/support/TestFolders.h"
#include "tests/support/WaitUntil.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLibrary>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <sys/stat.h>

#ifndef PEMBLO_QUILLO
#error "PEMBLO_QUILLO must name the centre library"
#endif

namespace {

constexpr int Timeout = 15000;

class CentreTest : public ::testing::Test {
protected:
  void SetUp() override {
    TDBMrgFactory::ReleaseAll();
    host.setWindowFlags(Qt::FramelessWindowHint);
    host.resize(150, 410);
    host.show();
    recorded = QString::fromStdString((folders.Root() / "browser.txt").string());
    const QString browser = GetExePath() + "../PembloBrowser/PembloBrowser";
    QDir().mkpath(QFileInfo(browser).path());
    QFile script(browser);
    ASSERT_TRUE(script.open(QIODevice::WriteOnly | QIODevice::Truncate));
    script.write("#!/bin/sh\nprintf '%s\\n' \"$#\" \"$@\" > '" + recorded.toUtf8() + ".tmp' && mv '" +
                 recorded.toUtf8() + ".tmp' '" + recorded.toUtf8() + "'\n");
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  }
  void TearDown() override {
    for (QWidget *w : QApplication::topLevelWidgets())
      if (w != &host && w->testAttribute(Qt::WA_DeleteOnClose))
        w->close();
    WaitDone();
    TDBMrgFactory::ReleaseAll();
  }
  // Waits until every worker of the windows shown has ended.
  void WaitDone() {
    EXPECT_TRUE(WaitUntil(
        [&] {
          for (const auto &w : workers)
            if (w)
              return false;
          return true;
        },
        Timeout));
  }
  TFrmBox *Centre(QWidget &parent) {
    TFrmBox *box = ShowCentre(parent.winId());
    workers.push_back(box->Worker());
    return box;
  }
  // The centre, once its worker has listed everything.
  TFrmBox *ListedCentre() {
    TFrmBox *box = Centre(host);
    WaitDone();
    return box;
  }
  // The browser's command line, one argument a line after their count.
  QStringList Browser() {
    WaitUntil([&] { return QFile::exists(recorded); }, Timeout);
    QFile f(recorded);
    if (!f.open(QIODevice::ReadOnly))
      return {"not started"};
    return QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
  }
  // The group window a click has just opened.
  static TFrmExpand *Group() {
    for (QWidget *w : QApplication::topLevelWidgets())
      if (auto *group = qobject_cast<TFrmExpand *>(w); group && group->isVisible())
        return group;
    return nullptr;
  }
  static QStringList Shown(TImageBox *box) {
    QStringList captions;
    for (int i = 0; i < box->FlowPanel()->CellCount(); ++i)
      captions << box->FlowPanel()->Cell(i)->Caption();
    return captions;
  }
  static void ClickCell(TImageBox *box, const QString &caption) {
    for (int i = 0; i < box->FlowPanel()->CellCount(); ++i)
      if (box->FlowPanel()->Cell(i)->Caption() == caption)
        return QTest::mouseClick(box->FlowPanel()->Cell(i), Qt::LeftButton);
    ADD_FAILURE() << "no cell " << caption.toStdString();
  }
  // Clicks from inside the event loop, as a user does: a window the click closes is freed
  // when the loop gets back control.
  static void ClickInLoop(QWidget *target) {
    QTimer::singleShot(0, target, [target] { QTest::mouseClick(target, Qt::LeftButton); });
  }
  // Clicks the cell and hands back the text of the message box the click shows.
  static QString MessageOf(TImageBox *box, const QString &caption) {
    QString text;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
      if (auto *msg = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
        text = msg->text();
        msg->accept();
      }
    });
    timer.start(20);
    ClickCell(box, caption);
    return text;
  }

  TTestFolders folders;
  QWidget host;
  QString recorded;
  std::vector<QPointer<TThreadHelper>> workers;
};

TEST_F(CentreTest, TheExportPutsTheCentreIntoTheHostWindow) {
  QLibrary library(PEMBLO_QUILLO);
  ASSERT_TRUE(library.load()) << library.errorString().toStdString();
  auto PembloBox = reinterpret_cast<void (*)(uintptr_t)>(library.resolve("PembloBox"));
  ASSERT_TRUE(PembloBox);
  PembloBox(host.winId());
  QWidget *centre = nullptr;
  for (QWidget *child : host.findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
    if (child->windowTitle() == "Sunvale应用中心")
      centre = child;
  ASSERT_TRUE(centre);
  EXPECT_EQ(centre->geometry(), QRect(0, 0, 150, 410));
  EXPECT_TRUE(centre->isVisible());
  QWidget *pager = centre->findChild<QWidget *>("DlpPager");
  ASSERT_TRUE(pager);
  ASSERT_TRUE(WaitUntil([&] { return pager->isVisible(); }, Timeout)) << "the delivered catalogue has two pages";
  EXPECT_EQ(centre->findChild<QWidget *>("FlowPanelEx")->children().size(), 10u);
  // The library's own worker ends by itself; give it the time to.
  QTest::qWait(500);
}

TEST_F(CentreTest, TheDeliveredCatalogueOnTwoPagesInHostsOfAnySize) {
  QWidget other;
  other.resize(230, 500);
  other.show();
  for (QWidget *parent : {&host, &other}) {
    TFrmBox *box = Centre(*parent);
    WaitDone();
    EXPECT_EQ(box->parentWidget(), parent);
    EXPECT_EQ(box->geometry(), QRect(QPoint(0, 0), parent->frameGeometry().size())) << "the parent's outer size";
    TImageBox *grid = box->QuilloMain();
    EXPECT_EQ(grid->Count(), 14);
    EXPECT_EQ(grid->FlowPanel()->CellCount(), 10) << "ten a page whatever the size";
    EXPECT_EQ(Shown(grid).first(), "维基百科");
    EXPECT_EQ(grid->Pager()->PageMax(), 2);
  }
  TImageBox *grid = host.findChild<TFrmBox *>()->QuilloMain();
  EXPECT_EQ(grid->FlowPanel()->Cell(1)->x() - grid->FlowPanel()->Cell(0)->x(), 69) << "two columns";
  EXPECT_EQ(grid->FlowPanel()->Cell(2)->x(), grid->FlowPanel()->Cell(0)->x());
  QTest::mouseClick(grid->Pager(), Qt::LeftButton, {}, grid->Pager()->NumberRect(2).center());
  EXPECT_EQ(Shown(grid), (QStringList{"趣味科学", "我的网站", "我的链接", "少儿地理"}));
}

TEST_F(CentreTest, AGroupOfThirtyTwoBesideTheMainWindow) {
  QWidget mainWindow;
  mainWindow.setWindowFlags(Qt::FramelessWindowHint);
  ApplyFrmInfo(&mainWindow, FrmInfos[fiMainWindow]);
  mainWindow.move(400, 0);
  mainWindow.show();
  TFrmBox *box = ListedCentre();
  ClickCell(box->QuilloMain(), "学习网站");
  auto *group = Group();
  ASSERT_TRUE(group);
  workers.push_back(group->Worker());
  WaitDone();
  EXPECT_EQ(group->windowTitle(), "Sunvale扩展窗口");
  EXPECT_EQ(group->pos(), QPoint(400 - 329, (610 - 469) / 2));
  EXPECT_EQ(group->QuilloMain()->Count(), 32);
  EXPECT_EQ(group->QuilloMain()->FlowPanel()->CellCount(), 25);
  EXPECT_EQ(group->QuilloMain()->Pager()->PageMax(), 2);
  EXPECT_EQ(group->QuilloMain()->Pager()->GetNumsPerScreen(), 13);

  QPointer<TFrmExpand> watch = group;
  QTimer::singleShot(0, [&] { ClickCell(group->QuilloMain(), "Scratch"); });
  EXPECT_EQ(Browser(), (QStringList{"1", "https://scratch.mit.edu/"}));
  EXPECT_TRUE(WaitUntil([&] { return watch.isNull(); }, Timeout)) << "closed after the choice";
}

// The test screen is 800 x 800 (the offscreen platform's); the host's main window 156 x 610 and
// the group window 329 x 469, so the designed place is (x - 329, y + 70) for a main window at
// (x, y).
TEST_F(CentreTest, TheGroupWindowBesideTheMainWindowStaysOnItsScreen) {
  ASSERT_EQ(QGuiApplication::primaryScreen()->availableGeometry(), QRect(0, 0, 800, 800));
  WriteCatalogue({Info("组", 2, "{app}icons/xuexi.png")});
  QWidget mainWindow;
  mainWindow.setWindowFlags(Qt::FramelessWindowHint);
  ApplyFrmInfo(&mainWindow, FrmInfos[fiMainWindow]);
  mainWindow.show();
  TFrmBox *box = ListedCentre();
  const struct {
    const char *sWhere;
    QPoint mainWindow;
    QPoint group;
  } cases[] = {
      {"room on the left: the designed place, kept exactly", {400, 0}, {71, 70}},
      {"at the right edge, room on the left", {644, 0}, {315, 70}},
      {"at the left edge: on the right instead", {0, 0}, {156, 70}},
      {"partly beyond the left edge", {-50, 0}, {106, 70}},
      {"beyond the top edge: pushed down", {400, -200}, {71, 0}},
      {"at the bottom edge, room below", {400, 800 - 610}, {71, 800 - 610 + 70}},
      {"beyond the bottom edge: pushed up", {400, 500}, {71, 800 - 469}},
      {"beyond the left and bottom edges at once", {-20, 500}, {136, 800 - 469}},
      {"room on neither side: the roomier right, pushed inside", {320, 0}, {800 - 329, 70}},
      {"off every screen: inside the primary one", {-1000, -1000}, {0, 0}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.sWhere);
    mainWindow.move(c.mainWindow);
    ASSERT_EQ(mainWindow.frameGeometry(), QRect(c.mainWindow, QSize(156, 610)));
    ClickCell(box->QuilloMain(), "组");
    QPointer<TFrmExpand> group = Group();
    ASSERT_TRUE(group);
    workers.push_back(group->Worker());
    EXPECT_EQ(group->frameGeometry(), QRect(c.group, QSize(329, 469)));
    ClickInLoop(group->CloseTab());
    EXPECT_TRUE(WaitUntil([&] { return group.isNull(); }, Timeout));
    WaitDone();
  }
}

TEST_F(CentreTest, TheGroupWindowClosesOnItsTabAndWhenItLosesActivation) {
  WriteCatalogue({Info("组", 2, "{app}icons/xuexi.png")},
                 {{1, Info("链接", 0, "{app}icons/khan.png", "http://a.b/c")}});
  TFrmBox *box = ListedCentre();
  for (const bool byTab : {true, false}) {
    ClickCell(box->QuilloMain(), "组");
    QPointer<TFrmExpand> group = Group();
    ASSERT_TRUE(group);
    workers.push_back(group->Worker());
    WaitDone();
    EXPECT_EQ(Shown(group->QuilloMain()), QStringList{"链接"});
    if (byTab) {
      ClickInLoop(group->CloseTab());
    } else {
      host.activateWindow();
      QApplication::setActiveWindow(&host);
    }
    EXPECT_TRUE(WaitUntil([&] { return group.isNull(); }, Timeout)) << (byTab ? "close tab" : "deactivation");
  }
}

TEST_F(CentreTest, ClicksOnEntriesOfEachKind) {
  WriteCatalogue({
      Info("百科", 0, "{app}icons/baike.png", "http://example.org/wiki?a=1&b=2"),
      Info("空网址", 0, "{app}icons/baike.png"),
      Info("画图", 1, "{app}icons/huaban.png", "", "{app}/no-such-paint"),
      Info("我的网址", 3, "{app}icons/wangzhi1.png", "http://"),
      Info("未知", 7, "{app}icons/wangzhi2.png", "http://example.org/never"),
  });
  TImageBox *grid = ListedCentre()->QuilloMain();
  ASSERT_EQ(grid->Count(), 5);

  EXPECT_EQ(MessageOf(grid, "空网址"), "Url地址长度不对！");
  EXPECT_EQ(MessageOf(grid, "画图"), "文件:" + GetExePath() + "no-such-paint不存在！");
  ClickCell(grid, "未知");

  // The custom link asks first: cancelled, nothing is stored or opened.
  QTimer dialog;
  QString typed;
  QObject::connect(&dialog, &QTimer::timeout, [&] {
    if (auto *d = qobject_cast<TFrmInputDurl *>(QApplication::activeModalWidget())) {
      EXPECT_EQ(d->UrlEdit()->text(), "http://");
      d->UrlEdit()->setText(typed);
      QTest::mouseClick(typed.isEmpty() ? d->CancelButton() : d->OkButton(), Qt::LeftButton);
    }
  });
  dialog.start(20);
  ClickCell(grid, "我的网址");
  EXPECT_EQ(StoredCategoryInfo(4), Info("我的网址", 3, "{app}icons/wangzhi1.png", "http://"));
  EXPECT_FALSE(QFile::exists(recorded));

  typed = "  http://example.org/my page  ";
  ClickCell(grid, "我的网址");
  EXPECT_EQ(Browser(), (QStringList{"1", "http://example.org/my page"})) << "stored trimmed, then opened";
  EXPECT_EQ(StoredCategoryInfo(4), Info("我的网址", 3, "{app}icons/wangzhi1.png", "http://example.org/my page"));
  QFile::remove(recorded);

  typed = "http://never.example/";
  ClickCell(grid, "我的网址");
  EXPECT_EQ(Browser(), (QStringList{"1", "http://example.org/my page"})) << "asked only once";
  QFile::remove(recorded);

  ClickCell(grid, "百科");
  EXPECT_EQ(Browser(), (QStringList{"1", "http://example.org/wiki?a=1&b=2"}));
}

TEST_F(CentreTest, DamagedRowsAndMissingIconsLeaveTheOtherEntriesOnThePage) {
  const QString broken = QString::fromStdString((folders.Root() / "broken.png").string());
  QFile picture(broken);
  ASSERT_TRUE(picture.open(QIODevice::WriteOnly));
  picture.write("not a picture");
  picture.close();
  const QString good = "{app}icons/baike.png";
  WriteCatalogue({
      Info("一", 0, good, "http://a.b/1"),
      Info("逗号", 3, good, "http://x/?a=1,2"),  // as a comma was stored before
      Info("二", 0, good, "http://a.b/2"),
      Info("无图", 0, "{app}icons/none.png", "http://a.b/x"),
      "",
      Info("三", 0, good, "http://a.b/3"),
      Info("坏图", 0, broken, "http://a.b/x"),
      "name:数,rank:x,logo:" + good + ",type:0,durl:http://a.b/x,exe_path:",
      Info("四", 0, good, "http://a.b/4"),
  });
  EXPECT_EQ(Shown(ListedCentre()->QuilloMain()), (QStringList{"一", "二", "三", "四"}));
}

TEST_F(CentreTest, IconsThatAreNoPictureFileAreLeftOutUnreadAndLargeOnesKeptAtTheSizeShown) {
  const auto at = [&](const char *name) { return QString::fromStdString((folders.Root() / name).string()); };
  ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), at("zero.png")));
  ASSERT_EQ(::mkfifo(QFile::encodeName(at("pipe.png")).constData(), 0600), 0);
  QImage large(4096, 4096, QImage::Format_RGB32);
  large.fill(Qt::red);
  ASSERT_TRUE(large.save(at("large.png")));
  // A real picture with far more bytes after it than any picture has (sparse: no disk is used).
  ASSERT_TRUE(QImage(48, 48, QImage::Format_RGB32).save(at("padded.png")));
  ASSERT_TRUE(QFile(at("padded.png")).resize(200 * 1024 * 1024));
  const QString good = "{app}icons/baike.png";
  std::vector<QString> rows = {
      Info("零", 0, at("zero.png"), "http://a.b/x"),    Info("管道", 0, at("pipe.png"), "http://a.b/x"),
      Info("大", 0, at("large.png"), "http://a.b/1"),   Info("长", 0, at("padded.png"), "http://a.b/x"),
      Info("又大", 0, at("large.png"), "http://a.b/2"),
  };
  for (int i = 0; i < 20; ++i)
    rows.push_back(Info(QStringLiteral("同%1").arg(i), 0, good, "http://a.b/3"));
  WriteCatalogue(rows);
  QElapsedTimer listing;
  listing.start();
  TImageBox *grid = ListedCentre()->QuilloMain();
  EXPECT_LT(listing.elapsed(), 5000);
  ASSERT_EQ(grid->Count(), 22);
  EXPECT_EQ(Shown(grid).mid(0, 3), (QStringList{"大", "又大", "同0"}));
  const QSize cell(grid->FlowPanel()->CellWidth(), grid->FlowPanel()->CellHeight());
  for (int i = 0; i < grid->Count(); ++i) {
    const TPicture &icon = grid->GetItem(i)->sPicture;
    EXPECT_LE(icon.Width(), cell.width()) << i;
    EXPECT_LE(icon.Height(), cell.height()) << i;
  }
  EXPECT_EQ(grid->GetItem(0)->sPicture.Image().pixelColor(0, 0), QColor(Qt::red)) << "its top-left corner, as drawn";
  // Entries that share an icon share its pixels.
  EXPECT_EQ(grid->GetItem(0)->sPicture.Image().constBits(), grid->GetItem(1)->sPicture.Image().constBits());
  EXPECT_EQ(grid->GetItem(2)->sPicture.Image().constBits(), grid->GetItem(21)->sPicture.Image().constBits());
}

TEST_F(CentreTest, ACustomLinkTypedWithACommaKeepsItsEntryAndTheOnesAfterItAfterARestart) {
  WriteCatalogue({Info("一", 0, "{app}icons/baike.png", "http://a.b/1"), Info("我的链接", 3, "{app}icons/wangzhi1.png"),
                  Info("二", 0, "{app}icons/baike.png", "http://a.b/2"),
                  Info("三", 0, "{app}icons/baike.png", "http://a.b/3")});
  int asked = 0;
  QTimer dialog;
  QObject::connect(&dialog, &QTimer::timeout, [&] {
    if (auto *d = qobject_cast<TFrmInputDurl *>(QApplication::activeModalWidget())) {
      ++asked;
      d->UrlEdit()->selectAll();
      QTest::keyClicks(d->UrlEdit(), "127.0.0.1:18765/good.html?a=1,2");
      QTest::mouseClick(d->OkButton(), Qt::LeftButton);
    }
  });
  dialog.start(20);
  TFrmBox *box = ListedCentre();
  ClickCell(box->QuilloMain(), "我的链接");
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(Browser(), (QStringList{"1", "127.0.0.1:18765/good.html?a=1,2"}));
  QFile::remove(recorded);

  // The host starts again: its centre reads the catalogue file anew.
  box->close();
  TDBMrgFactory::ReleaseAll();
  TImageBox *grid = ListedCentre()->QuilloMain();
  EXPECT_EQ(Shown(grid), (QStringList{"一", "我的链接", "二", "三"}));
  ClickCell(grid, "我的链接");
  EXPECT_EQ(asked, 1) << "the stored address is used";
  EXPECT_EQ(Browser(), (QStringList{"1", "127.0.0.1:18765/good.html?a=1%2C2"})) << "the same address";
}

TEST_F(CentreTest, ClosingTheCentreWhileItsWorkerListsAThousandEntries) {
  std::vector<QString> many;
  for (int i = 0; i < 1000; ++i)
    many.push_back(Info(QStringLiteral("条目%1").arg(i), 0, "{app}icons/baike.png", "http://a.b/c"));
  WriteCatalogue(many);
  enum TEnd { CloseAtOnce, CloseWhileListing, ParentDestroyed };
  for (const TEnd end : {CloseAtOnce, CloseWhileListing, ParentDestroyed}) {
    auto parent = std::make_unique<QWidget>();
    parent->resize(150, 410);
    parent->show();
    TFrmBox *box = Centre(*parent);
    QPointer<TFrmBox> watch = box;
    if (end != CloseAtOnce) {
      ASSERT_TRUE(WaitUntil([&] { return box->QuilloMain()->Count() > 0; }, Timeout));
    }
    ASSERT_TRUE(workers.back()) << "still listing";
    if (end == ParentDestroyed)
      parent.reset();
    else
      box->close();
    EXPECT_TRUE(WaitUntil([&] { return watch.isNull(); }, Timeout));
    WaitDone();
  }
}

}  // namespace
