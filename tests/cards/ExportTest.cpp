// The library as a host uses it: the one export shows the card menu, whose entries open the
// library's windows. Windows are found as a host finds them, by title.
#include "cards/Penalta.h"
#include "tests/support/QStringPrint.h"
#include "tests/support/TestFolders.h"
#include "tests/support/TopLevelWindows.h"
#include "tests/support/WaitUntil.h"

#include <QApplication>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

#include <memory>

namespace {

QWidget *Menu() {
  const auto menus = VisibleTopLevels("Sunvale黄牌菜单");
  return menus.size() == 1 ? menus.front() : nullptr;
}

bool MenuGone() {
  return WaitUntil(
      [] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return VisibleTopLevels("Sunvale黄牌菜单").empty();
      },
      5000);
}

void Click(QWidget *w) { QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(w->width() / 2, w->height() / 2)); }

class ExportTest : public ::testing::Test {
protected:
  // The library keeps its database open for the process, as in a host: one folder for all.
  static void SetUpTestSuite() { Folders = std::make_unique<TTestFolders>(); }
  static void TearDownTestSuite() { Folders.reset(); }
  void TearDown() override {
    for (QWidget *w : QApplication::topLevelWidgets())
      w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  static std::unique_ptr<TTestFolders> Folders;
};
std::unique_ptr<TTestFolders> ExportTest::Folders;

}  // namespace

TEST_F(ExportTest, MenuAtThePointAndOneHistoryWindowForTwoChoices) {
  ShowYCardMenu(100, 200);
  QWidget *menu = Menu();
  ASSERT_TRUE(menu) << "shown when the call returns";
  EXPECT_EQ(menu->frameGeometry().topLeft(), QPoint(100, 200));
  EXPECT_EQ(menu->size(), QSize(113, 58));
  EXPECT_EQ(menu->windowFlags() & Qt::WindowType_Mask, Qt::Tool);

  ASSERT_TRUE(QTest::qWaitForWindowActive(menu));
  Click(menu->findChild<QWidget *>("btnLook"));
  EXPECT_TRUE(MenuGone());
  ASSERT_EQ(VisibleTopLevels("查看违约记录").size(), 1u);
  QWidget *history = VisibleTopLevels("查看违约记录").front();

  ShowYCardMenu(300, 50);
  ASSERT_TRUE(Menu());
  ASSERT_TRUE(QTest::qWaitForWindowActive(Menu()));
  Click(Menu()->findChild<QWidget *>("btnLook"));
  EXPECT_TRUE(MenuGone());
  EXPECT_EQ(VisibleTopLevels("查看违约记录"), std::vector<QWidget *>{history});
  EXPECT_TRUE(QTest::qWaitForWindowActive(history)) << "brought to the front";
}

TEST_F(ExportTest, ClickOutsideClosesTheMenuWithoutOpeningAnything) {
  QWidget elsewhere;
  elsewhere.setGeometry(400, 400, 200, 100);
  elsewhere.show();
  ShowYCardMenu(10, 10);
  ASSERT_TRUE(Menu());
  ASSERT_TRUE(QTest::qWaitForWindowActive(Menu()));
  elsewhere.activateWindow();
  Click(&elsewhere);
  EXPECT_TRUE(MenuGone());
  EXPECT_TRUE(VisibleTopLevels("查看违约记录").empty());
  EXPECT_TRUE(VisibleTopLevels("Sunvale取消黄牌").empty());
}
