// The host's main window as a child meets it: pressing its close button asks for the parent's
// password, and only the right one ends the host; minimising stays free. A lock screen that
// cannot hold the keyboard and the pointer is told in its notices in words a parent reads. A
// flood of notices does not hold up the program limits.
#include "common/uAppcf.h"
#include "common/uMsgs.h"
#include "common/uPathFunc.h"
#include "common/uProcessServices.h"
#include "datastore/uDBMrgFactory.h"
#include "host/uFrmHostMain.h"
#include "host/uFrmPassword.h"
#include "host/uHostRules.h"
#include "manage/uAppsDao.h"
#include "platform/os/WindowDirectory.h"
#include "tests/support/TestFolders.h"
#include "tests/support/WaitUntil.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

void Click(QWidget *widget) {
  ASSERT_TRUE(widget);
  QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, widget->rect().center());
}

// Answers the next password window: types `typed` key by key and presses 确定, or presses 取消
// when nothing is to be typed; a window the answer leaves open is cancelled. Sets `asked`.
void AnswerPasswordWindow(const QString &typed, bool &asked) {
  auto *poll = new QTimer;
  QObject::connect(poll, &QTimer::timeout, [poll, typed, &asked] {
    auto *form = qobject_cast<TFrmPassword *>(QApplication::activeModalWidget());
    if (!form)
      return;
    poll->deleteLater();
    asked = true;
    if (!typed.isEmpty()) {
      QTest::keyClicks(form->findChild<QLineEdit *>(QStringLiteral("edtOld")), typed);
      Click(form->findChild<QPushButton *>(QStringLiteral("btnOk")));
    }
    if (form->isVisible())
      Click(form->findChild<QPushButton *>(QStringLiteral("btnCancel")));
  });
  poll->start(20);
}

class HostWindowTest : public ::testing::Test {
protected:
  void SetUp() override {
    TParentPassword().Set(QStringLiteral("parent"));
    main = std::make_unique<TFrmHostMain>(*TProcessServices::CfMrg(), GetExePath());
    main->SetOnClose([this] { ended = true; });
    main->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(main.get()));
  }

  bool Noticed(const QString &text) const {
    auto *list = main->findChild<QListWidget *>(QStringLiteral("lstNotices"));
    for (int i = 0; i < list->count(); ++i)
      if (list->item(i)->text().contains(text))
        return true;
    return false;
  }

  TTestFolders folders;
  TProcessServices services;
  std::unique_ptr<TFrmHostMain> main;
  bool ended = false;
};

}  // namespace

TEST_F(HostWindowTest, OnlyTheParentsPasswordClosesIt) {
  const struct {
    const char *Name;
    QString Typed;
    bool Closes;
  } cases[] = {
      {"cancelled", QString(), false},
      {"a wrong password", QStringLiteral("child"), false},
      {"the parent's password", QStringLiteral("parent"), true},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.Name);
    bool asked = false;
    AnswerPasswordWindow(c.Typed, asked);
    Click(main->findChild<QWidget *>(QStringLiteral("btnClose")));
    ASSERT_TRUE(WaitUntil([&] { return asked && !QApplication::activeModalWidget(); }, 5000));
    QTest::qWait(50);
    EXPECT_EQ(main->isVisible(), !c.Closes);
    EXPECT_EQ(ended, c.Closes);
  }
}

TEST_F(HostWindowTest, ClosingByTheWindowSystemAsksTooAndMinimisingDoesNot) {
  bool asked = false;
  AnswerPasswordWindow(QStringLiteral("child"), asked);
  // What the window manager's close, its menu and Alt+F4 send.
  main->close();
  EXPECT_TRUE(asked);
  EXPECT_TRUE(main->isVisible());
  EXPECT_FALSE(ended);

  asked = false;
  Click(main->findChild<QWidget *>(QStringLiteral("btnMin")));
  EXPECT_TRUE(WaitUntil([&] { return main->isMinimized() || !main->isVisible(); }, 2000));
  QTest::qWait(100);
  EXPECT_FALSE(asked);
  EXPECT_FALSE(ended);
}

TEST_F(HostWindowTest, ALockWithoutTheKeyboardAndPointerIsToldInWords) {
  const auto self = FindWindowByTitle(main->windowTitle());
  ASSERT_TRUE(self);
  const struct {
    qint64 Reason;
    QString Said;
  } cases[] = {
      {LockNoGrabDisplay, QStringLiteral("不允许锁屏独占键盘和鼠标")},
      {LockNoGrabHeld, QStringLiteral("锁屏拿不到键盘和鼠标")},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.Reason);
    PostWindowMessage(*self, WM_LOCKNOGRAB, c.Reason, 0);
    EXPECT_TRUE(WaitUntil([&] { return Noticed(c.Said); }, 5000));
  }
}

TEST_F(HostWindowTest, AFloodOfNoticesHoldsUpNoLimit) {
  TDBMrgFactory::ReleaseAll();  // the pools follow this test's data folder
  const QString games = QString::fromStdString((folders.Root() / "games").string());
  ASSERT_TRUE(QDir().mkpath(games));
  ASSERT_TRUE(QFile::copy(QStringLiteral("/bin/sleep"), games + "/game"));
  TAppsModel row;
  row.sApp = games + "/game";
  for (int day = 0; day < 7; ++day)
    row.sDt += QStringLiteral("iweek:%1;tstart:00:00;tend:23:59,").arg(day);
  TAppsDao().Insert(&row);
  // A capture folder of many pictures makes every trim of it take a while.
  const QString today = TLogKeeper::CapturePath() + QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd/"));
  ASSERT_TRUE(QDir().mkpath(today));
  for (int i = 0; i < 3000; ++i)
    QFile(today + QStringLiteral("%1.jpg").arg(i)).open(QIODevice::WriteOnly);
  THostRules rules(*main, *TProcessServices::CfMrg());
  rules.Start();

  const auto self = FindWindowByTitle(main->windowTitle());
  ASSERT_TRUE(self);
  const struct {
    const char *name;
    quint32 msg;
  } cases[] = {{"settings", WM_CFGUPDATE}, {"program limits", WM_APPSUPDATE}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    for (int i = 0; i < 5000; ++i)
      PostWindowMessage(*self, c.msg, 0, 0);
    QProcess game;
    game.start(games + "/game", {QStringLiteral("30")});
    ASSERT_TRUE(game.waitForStarted(5000));
    QElapsedTimer held;
    held.start();
    EXPECT_TRUE(WaitUntil([&] { return game.state() == QProcess::NotRunning; }, 10000));
    EXPECT_LT(held.elapsed(), 3000) << "the limiter scans every second";
    game.kill();
    game.waitForFinished(2000);
  }
}
