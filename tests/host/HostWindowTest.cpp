// The host's main window as a child meets it: pressing its close button asks for the parent's
// password, and only the right one ends the host; minimising stays free. A lock screen that
// cannot hold the keyboard and the pointer is told in its notices in words a parent reads, and
// so is an error met while handling a flood of notices, once; a flood of notices does not hold
// up the program limits. The filter switch on a full disk says so and stays as the file has it.
#include "common/uAppcf.h"
#include "common/uFrmInfos.h"
#include "common/uMsgs.h"
#include "common/uPathFunc.h"
#include "common/uProcessServices.h"
#include "controls/uPngButton.h"
#include "datastore/uDBMrgFactory.h"
#include "host/uFrmHostMain.h"
#include "host/uFrmPassword.h"
#include "host/uHostRules.h"
#include "datastore/uAppsDao.h"
#include "platform/os/WindowDirectory.h"
#include "tests/support/ProbeProcess.h"
#include "tests/support/QStringPrint.h"
#include "tests/support/TestDisks.h"
#include "tests/support/TestFolders.h"
#include "tests/support/TopLevelWindows.h"
#include "tests/support/WaitUntil.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
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

TEST_F(HostWindowTest, TheFilterSwitchOnAFullDiskSaysSoAndStaysAsTheFileHasIt) {
  TSmallDisk disk(GetDataPath());
  if (!disk.Mounted())
    GTEST_SKIP() << disk.Why();
  TCfMrg &cfMrg = *TProcessServices::CfMrg();
  auto *filter = main->findChild<TPngButton *>(QStringLiteral("btnFilter"));
  ASSERT_TRUE(filter);
  const QString off = filter->Caption();
  ASSERT_FALSE(cfMrg.AppCf().OffOn());
  TMessageBoxCatcher boxes;
  const auto clickAsTheParent = [&] {
    bool asked = false;
    AnswerPasswordWindow(QStringLiteral("parent"), asked);
    Click(filter);
    EXPECT_TRUE(WaitUntil([&] { return asked && !QApplication::activeModalWidget(); }, 5000));
  };

  disk.Fill();
  clickAsTheParent();
  ASSERT_EQ(boxes.Texts.size(), 1);
  EXPECT_TRUE(boxes.Texts[0].contains("No space left on device")) << boxes.Texts[0].toStdString();
  EXPECT_EQ(filter->Caption(), off);
  EXPECT_FALSE(cfMrg.AppCf().OffOn());

  disk.Free();
  clickAsTheParent();
  EXPECT_EQ(boxes.Texts.size(), 1);
  EXPECT_NE(filter->Caption(), off);
  QFile file(cfMrg.FileName());
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_TRUE(ReadAppCfStream(file.readAll()).OffOn()) << "the second click switches the filter on";
}

// A card database that is no database stopped the host at its start; now the host starts on a
// new one and says so in its notices.
TEST_F(HostWindowTest, ADamagedCardDatabaseIsReplacedAndTold) {
  TDBMrgFactory::ReleaseAll();
  QFile file(GetDataPath() + QStringLiteral("MiniCarddata.mdb"));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(QByteArray(8192, 'x'));
  file.close();
  THostRules rules(*main, *TProcessServices::CfMrg());
  rules.Start();
  EXPECT_TRUE(Noticed(QStringLiteral("数据文件MiniCarddata.mdb已损坏")));
  EXPECT_TRUE(rules.Limiter().Rules().empty());
  TDBMrgFactory::ReleaseAll();
}

TEST_F(HostWindowTest, AnErrorInAFloodOfNoticesIsListedOnceAndNoBoxWaits) {
  TDBMrgFactory::ReleaseAll();
  THostRules rules(*main, *TProcessServices::CfMrg());
  auto *list = main->findChild<QListWidget *>(QStringLiteral("lstNotices"));
  QStringList listed;  // every line, also those the list no longer keeps
  QObject::connect(list->model(), &QAbstractItemModel::rowsInserted, list,
                   [&](const QModelIndex &, int first, int last) {
                     for (int row = first; row <= last; ++row)
                       listed << list->item(row)->text();
                   });
  const QString settings = TProcessServices::CfMrg()->FileName();
  const struct {
    const char *Name;
    quint32 Msg;
    QString Line;
    std::function<void()> Break;
  } cases[] = {
      {"the apps table dropped", WM_APPSUPDATE, QStringLiteral("WM_APPSUPDATE 0 0"),
       [] { TDBMrgFactory::GetDBMrg(TDBMrgID::MiniCarddata)->ExecAnSql(QStringLiteral("Drop Table apps")); }},
      {"the settings file replaced by a folder", WM_CFGUPDATE, QStringLiteral("WM_CFGUPDATE 0 0"),
       [&] {
         QFile::remove(settings);
         QDir().mkpath(settings);
       }},
  };
  constexpr int Count = 300;
  for (const auto &c : cases) {
    SCOPED_TRACE(c.Name);
    c.Break();
    listed.clear();
    TModalBoxWatcher boxes;
    TProbe flood({"flood", FrmInfos[fiLockChannel].sCaption, "-", QString::number(c.Msg), QString::number(Count)});
    ASSERT_EQ(flood.FloodAnswer(), "handled");
    EXPECT_EQ(listed.filter(c.Line).size(), Count);
    EXPECT_EQ(listed.filter(QStringLiteral("未能处理")).size(), 1)
        << listed.filter("未能处理").join(" | ").toStdString();
    EXPECT_TRUE(boxes.Texts.isEmpty()) << boxes.Texts.size()
                                       << " boxes waited, the first: " << boxes.Texts.value(0).toStdString();
    EXPECT_TRUE(VisibleMessageBoxTexts().isEmpty());
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
    QFile(today + QTime(0, 0).addSecs(i).toString(QStringLiteral("hh-mm-ss")) + QStringLiteral(".jpg"))
        .open(QIODevice::WriteOnly);
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
    // The limiter scans every second; behind the flood it had waited two minutes.
    EXPECT_TRUE(WaitUntil([&] { return game.state() == QProcess::NotRunning; }, 10000));
    game.kill();
    game.waitForFinished(2000);
  }
}
