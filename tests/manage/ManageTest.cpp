// The management window, its sections and add dialogs, on a real card database in a private
// data folder; the host's lock channel and a browser are probe windows of another process on
// the private session bus.
#include "common/uAppcf.h"
#include "common/uFrmInfos.h"
#include "common/uMsgs.h"
#include "common/uPathFunc.h"
#include "controls/uLblGroupBox.h"
#include "controls/uPngButton.h"
#include "controls/uSpinEditEx.h"
#include "controls/uSysMenuButton.h"
#include "datastore/uAppsDao.h"
#include "datastore/uDBMrgFactory.h"
#include "datastore/uWebsDao.h"
#include "manage/uFrmAddApp.h"
#include "manage/uFrmAddWeb.h"
#include "manage/uFrmBlackList.h"
#include "manage/uFrmLimitApp.h"
#include "manage/uFrmLogs.h"
#include "manage/uFrmManage.h"
#include "manage/uFrmWeekReport.h"
#include "tests/manage/GridHost.h"
#include "tests/support/ProbeProcess.h"
#include "tests/support/TestFolders.h"
#include "tests/support/TopLevelWindows.h"
#include "tests/support/WaitUntil.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLibrary>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

// A probe window of another process; returns once it is on the bus. With hangSeconds it answers
// a send only that long after it came.
std::unique_ptr<TProbe> StartWindow(const QString &title, const QString &cls = "-", const QString &hangSeconds = {}) {
  QStringList args{"window", title, cls, "10", "20"};
  if (!hangSeconds.isEmpty())
    args << hangSeconds;
  auto probe = std::make_unique<TProbe>(args);
  const QString ready = probe->NextLine();
  EXPECT_TRUE(ready.startsWith("ready :")) << ready.toStdString();
  return probe;
}

std::unique_ptr<TProbe> StartLockChannel() { return StartWindow(FrmInfos[fiLockChannel].sCaption); }
std::unique_ptr<TProbe> StartBrowser() { return StartWindow("a page", FrmInfos[fiBrowserClass].sCaption); }

QString Message(uint32_t msg, int64_t wParam, int64_t lParam) {
  return QStringLiteral("message %1 %2 %3").arg(msg).arg(wParam).arg(lParam);
}

// Runs `drive` on the next shown dialog of type T (the dialogs run their own modal loop).
template <class T> void WhenShown(std::function<void(T &)> drive) {
  auto *timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, [timer, drive] {
    for (QWidget *w : QApplication::topLevelWidgets())
      if (auto *dialog = qobject_cast<T *>(w); dialog && dialog->isVisible()) {
        timer->stop();
        timer->deleteLater();
        drive(*dialog);
        return;
      }
  });
  timer->start(10);
}

void Click(QWidget *widget) { QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, widget->rect().center()); }

std::vector<TFrmManage *> ManageWindows() {
  std::vector<TFrmManage *> windows;
  for (QWidget *w : QApplication::topLevelWidgets())
    if (auto *form = qobject_cast<TFrmManage *>(w); form && form->isVisible())
      windows.push_back(form);
  return windows;
}

QString ToQString(const fs::path &path) { return QString::fromStdString(path.string()); }

class ManageTest : public ::testing::Test {
protected:
  void SetUp() override {
    TDBMrgFactory::ReleaseAll();
    ReleaseManageCfMrg();
    // A program to limit: a limit names a file that runs.
    fs::create_directories(Folders.Root() / "games");
    Game = ToQString(Folders.Root() / "games" / "game");
    ASSERT_TRUE(QFile::copy(QStringLiteral("/bin/sleep"), Game));
    Game = QFileInfo(Game).canonicalFilePath();
  }
  void TearDown() override {
    for (QWidget *w : QApplication::topLevelWidgets())
      if (w->isVisible())
        w->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    TDBMrgFactory::ReleaseAll();
    ReleaseManageCfMrg();
  }

  TFrmManage *OpenWindow(int x = 0, int y = 0) {
    TFrmManage *form = ShowManageWindow(x, y);
    EXPECT_TRUE(QTest::qWaitForWindowExposed(form));
    return form;
  }

  // Chooses a section with the mouse, as the parent does.
  template <class T> T *Choose(TFrmManage &form, int index) {
    QTest::mouseClick(form.lgbLeft, Qt::LeftButton, Qt::NoModifier, form.lgbLeft->ItemRect(index).center());
    return qobject_cast<T *>(form.List().at(size_t(index)));
  }

  TTestFolders Folders;
  TMessageBoxCatcher Boxes;
  QString Game;
};

TEST_F(ManageTest, EachCallOpensAFurtherWindowPlacedByItsRules) {
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  const int centredX = area.left() + (area.width() - 468) / 2, centredY = area.top() + (area.height() - 326) / 2;
  struct TCase {
    int X, Y, ExpectX, ExpectY;
  };
  const TCase cases[] = {{0, 0, centredX, centredY}, {100, 200, 100, centredY}, {0, 200, centredX, 200}};
  size_t opened = 0;
  for (const TCase &c : cases) {
    SCOPED_TRACE(testing::Message() << c.X << "," << c.Y);
    TFrmManage *form = OpenWindow(c.X, c.Y);
    EXPECT_EQ(form->pos(), QPoint(c.ExpectX, c.ExpectY));
    EXPECT_EQ(form->windowTitle(), "Sunvale-家长管理");
    EXPECT_EQ(form->size(), QSize(468, 326));
    EXPECT_EQ(ManageWindows().size(), ++opened);
  }
}

TEST_F(ManageTest, TheExportedFunctionOpensTheWindowFromTheLibrary) {
  QLibrary library(QStringLiteral(PEMBLO_MANAGE_LIB));
  auto show = reinterpret_cast<void (*)(int32_t, int32_t)>(library.resolve("ShowMrgMain"));
  ASSERT_TRUE(show) << library.errorString().toStdString();
  show(100, 200);
  QWidget *found = VisibleTopLevel("Sunvale-家长管理");
  ASSERT_TRUE(found);
  EXPECT_EQ(found->x(), 100);
  EXPECT_TRUE(FindWindowByTitle("Sunvale-家长管理")) << "other processes find it by its title";
  EXPECT_TRUE(Boxes.Texts.isEmpty()) << Boxes.Texts.join(" | ").toStdString();
}

TEST_F(ManageTest, SectionsAreListedAndEachIsEmbeddedOnce) {
  const TWebsModel web{0, "http://one.example/", "iweek:0;tstart:00:00;tend:00:29,"};
  TWebsDao().Insert(&web);
  TFrmManage *form = OpenWindow();
  EXPECT_EQ(form->lgbLeft->Items(), QStringList({"日志设置", "黑  名  单", "限制程序", "本周报告"}));
  EXPECT_EQ(form->lgbLeft->ItemIndex(), 0);
  const auto &sections = form->List();
  ASSERT_EQ(sections.size(), 4u);
  EXPECT_TRUE(qobject_cast<TFrmLogs *>(sections[0])->isVisible());
  EXPECT_EQ(sections[0]->parentWidget(), form->pnlMain);
  EXPECT_EQ(sections[0]->geometry(), form->pnlMain->rect());
  EXPECT_FALSE(sections[1]->isVisible());

  auto *blackList = Choose<TFrmBlackList>(*form, 1);
  ASSERT_TRUE(blackList);
  EXPECT_TRUE(blackList->isVisible());
  EXPECT_EQ(blackList->parentWidget(), form->pnlMain);
  EXPECT_EQ(blackList->lstRules->count(), 1);
  Choose<TFrmLogs>(*form, 0);
  EXPECT_TRUE(sections[0]->isAncestorOf(form->pnlMain->childAt(165, 117)));
  Choose<TFrmBlackList>(*form, 1);
  EXPECT_TRUE(blackList->isAncestorOf(form->pnlMain->childAt(165, 117))) << "brought to the front";
  EXPECT_EQ(blackList->lstRules->count(), 1) << "embedded and listed once";
  EXPECT_TRUE(sections[0]->isVisible()) << "sections once shown stay shown";
  auto *report = Choose<TFrmWeekReport>(*form, 3);
  ASSERT_TRUE(report);
  EXPECT_TRUE(report->isAncestorOf(form->pnlMain->childAt(165, 117)));
  EXPECT_EQ(report->geometry(), form->pnlMain->rect());
  EXPECT_TRUE(Boxes.Texts.isEmpty()) << Boxes.Texts.join(" | ").toStdString();

  Click(form->sysBtnClose);
  EXPECT_TRUE(WaitUntil([] { return ManageWindows().empty(); }, 5000));
}

TEST_F(ManageTest, ProgramLimitsAreStoredListedAndToldToTheLockChannel) {
  auto lock = StartLockChannel();
  TFrmManage *form = OpenWindow();
  auto *page = Choose<TFrmLimitApp>(*form, 2);
  ASSERT_TRUE(page);
  // Children's accounts are the guard's: a single account has no button to add one.
  EXPECT_FALSE(page->findChild<TPngButton *>(QStringLiteral("btnAddChild")));
  WhenShown<TFrmAddApp>([this](TFrmAddApp &d) {
    QTest::keyClicks(d.edtApp, "  " + Game + " ");
    DragCells(*d.dtm1, 0, 16, 0, 19);  // Monday 08:00 to 09:59
    Click(d.btnAdd);
  });
  Click(page->btnAdd);
  const auto rows = TAppsDao().QueryAll();
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0]->sApp, Game);
  EXPECT_EQ(rows[0]->sDt, "iweek:0;tstart:08:00;tend:09:59,");
  const int key = rows[0]->iAid;
  ASSERT_EQ(page->lstRules->count(), 1);
  EXPECT_EQ(page->lstRules->item(0)->text(), Game);
  EXPECT_EQ(page->KeyOf(0), key);
  EXPECT_EQ(lock->NextLine(), Message(WM_APPSUPDATE, 1, key));

  Click(page->btnDel);  // no line selected
  EXPECT_EQ(page->lstRules->count(), 1);
  EXPECT_EQ(TAppsDao().QueryAll().size(), 1u);

  page->lstRules->setCurrentRow(0);
  Click(page->btnDel);
  EXPECT_EQ(page->lstRules->count(), 0);
  EXPECT_TRUE(TAppsDao().QueryAll().empty());
  EXPECT_EQ(lock->NextLine(), Message(WM_APPSUPDATE, -1, key)) << "and nothing for the delete without selection";
  EXPECT_TRUE(Boxes.Texts.isEmpty()) << Boxes.Texts.join(" | ").toStdString();
}

TEST_F(ManageTest, AProgramLimitIsStoredAndListedWhileTheLockChannelStillHangs) {
  // Another program took the lock channel's title and answers only after 20 s: far beyond the
  // time limit of a send between windows, and within the bus's own limit of 25 s, so an insert
  // that waited for the answer would see it come.
  auto lock = StartWindow(FrmInfos[fiLockChannel].sCaption, "-", "20");
  TFrmManage *form = OpenWindow();
  auto *page = Choose<TFrmLimitApp>(*form, 2);
  ASSERT_TRUE(page);
  WhenShown<TFrmAddApp>([this](TFrmAddApp &d) {
    QTest::keyClicks(d.edtApp, Game);
    DragCells(*d.dtm1, 0, 16, 0, 19);
    Click(d.btnAdd);
  });
  Click(page->btnAdd);
  ASSERT_EQ(page->lstRules->count(), 1);
  ASSERT_EQ(TAppsDao().QueryAll().size(), 1u);
  EXPECT_EQ(lock->NextLine(), Message(WM_APPSUPDATE, 1, page->KeyOf(0)));
  EXPECT_FALSE(lock->Pending().contains("answered")) << "the insert waited for the window that hangs";
  EXPECT_TRUE(Boxes.Texts.isEmpty()) << Boxes.Texts.join(" | ").toStdString();
}

TEST_F(ManageTest, TheAddDialogShowsWhatWillBeEnforcedAndRefusesWhatIsNoProgram) {
  // A launcher script on PATH that hands itself over to the program.
  const QString launcher = ToQString(Folders.Root() / "games" / "game-launcher");
  {
    QFile file(launcher);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(("#!/bin/sh\nexec '" + Game + "' \"$@\"\n").toUtf8());
    file.close();
    file.setPermissions(file.permissions() | QFile::ExeOwner);
  }
  const QByteArray oldPath = qgetenv("PATH");
  qputenv("PATH", (QFileInfo(Game).absolutePath() + ":" + oldPath).toLocal8Bit());
  const QString shown = launcher + "（它启动的程序：" + Game + "）";
  const struct {
    const char *Name;
    QString Typed;
    QString Stored;  // empty: refused
    QString Said;    // the dialog's line under the field, or the refusal's message box
  } cases[] = {
      {"a name on PATH", QStringLiteral("game-launcher"), launcher, QStringLiteral("将限制：") + shown},
      {"a program", Game, Game, QStringLiteral("将限制：") + Game},
      {"a name not on PATH", QStringLiteral("mousepadx"), QString(), QStringLiteral("找不到程序“mousepadx”")},
      {"a missing path", QStringLiteral("/nowhere/game"), QString(), QStringLiteral("程序“/nowhere/game”不存在。")},
      {"a folder", QFileInfo(Game).absolutePath(), QString(), QStringLiteral("是文件夹，不是程序。")},
      // A row on it would end every script of the child.
      {"a shell", QStringLiteral("bash"), QString(),
       QStringLiteral("是脚本解释器（bash），限制它会结束孩子的每个脚本")},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.Name);
    Boxes.Texts.clear();
    QString label;
    bool stayed = false;
    WhenShown<TFrmAddApp>([&](TFrmAddApp &d) {
      QTest::keyClicks(d.edtApp, c.Typed);
      label = d.lblTarget->text();
      ClickCell(*d.dtm1, 0, 16);
      Click(d.btnAdd);
      stayed = d.isVisible();
      if (stayed)
        Click(d.btnCancel);
    });
    QString app;
    std::vector<TDtData> windows;
    const bool added = ShowAddApp(app, windows);
    if (c.Stored.isEmpty()) {
      EXPECT_FALSE(added);
      EXPECT_TRUE(stayed) << "a refused pick leaves the dialog open";
      EXPECT_TRUE(label.contains(c.Said)) << label.toStdString();
      ASSERT_EQ(Boxes.Texts.size(), 1);
      EXPECT_TRUE(Boxes.Texts[0].contains(c.Said)) << Boxes.Texts[0].toStdString();
    } else {
      EXPECT_TRUE(added);
      EXPECT_EQ(app, c.Stored);
      EXPECT_EQ(label, c.Said);
      EXPECT_TRUE(Boxes.Texts.isEmpty());
    }
  }

  // The list shows what is enforced, and the problems the host names in its notices.
  TAppsDao dao;
  for (const TAppsModel &row :
       {TAppsModel{0, launcher, "iweek:0;tstart:08:00;tend:09:59,"},
        TAppsModel{0, "mousepadx", "iweek:0;tstart:08:00;tend:09:59,"}, TAppsModel{0, Game, "iweek:9;"},
        TAppsModel{0, "/bin/sh", "iweek:0;tstart:08:00;tend:09:59,"}})
    dao.Insert(&row);
  TFrmManage *form = OpenWindow();
  auto *page = Choose<TFrmLimitApp>(*form, 2);
  ASSERT_TRUE(page);
  ASSERT_EQ(page->lstRules->count(), 4);
  EXPECT_EQ(page->lstRules->item(0)->text(), shown);
  EXPECT_TRUE(page->lstRules->item(1)->text().contains(QStringLiteral("限制程序mousepadx不起作用：找不到程序")))
      << page->lstRules->item(1)->text().toStdString();
  EXPECT_TRUE(page->lstRules->item(2)->text().contains(QStringLiteral("的时间读不出")))
      << page->lstRules->item(2)->text().toStdString();
  // A row stored before shells were refused: not enforced, and why.
  EXPECT_TRUE(page->lstRules->item(3)->text().contains(QStringLiteral("限制程序/bin/sh不起作用：")) &&
              page->lstRules->item(3)->text().contains(QStringLiteral("是脚本解释器")))
      << page->lstRules->item(3)->text().toStdString();
  qputenv("PATH", oldPath);
}

TEST_F(ManageTest, TheProgramPickerOpensInTheApplicationsFolderAndAnswersIntoTheField) {
  QString folder, picked;
  WhenShown<TFrmAddApp>([&](TFrmAddApp &d) {
    WhenShown<QFileDialog>([&](QFileDialog &picker) {
      folder = picker.directory().absolutePath();
      // The parent chooses the file in the picker and presses its open button.
      auto *buttons = picker.findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"));
      ASSERT_TRUE(buttons);
      picker.selectFile(Game);
      Click(buttons->button(QDialogButtonBox::Open));
      if (picker.isVisible())
        picker.reject();
    });
    Click(d.btnSelect);
    picked = d.edtApp->text();
    Click(d.btnCancel);
  });
  QString app;
  std::vector<TDtData> windows;
  ShowAddApp(app, windows);
  EXPECT_EQ(folder, TFrmAddApp::PickerFolder());
  EXPECT_TRUE(folder.endsWith(QStringLiteral("/applications"))) << folder.toStdString();
  EXPECT_EQ(QFileInfo(picked).canonicalFilePath(), Game);
}

TEST_F(ManageTest, AppsRowsKeepTheirTextAndKeysAndOnlyRealChangesAreTold) {
  auto lock = StartLockChannel();
  TAppsDao dao;
  EXPECT_EQ(dao.Insert(nullptr), -1);
  EXPECT_TRUE(dao.QueryAll().empty());
  EXPECT_EQ(dao.QueryFormAID(1), nullptr);

  const TAppsModel quoted{0, "/home/kid/Tom's game/run'; drop table apps; --", "iweek:3;tstart:10:00;tend:10:29,"};
  const int first = dao.Insert(&quoted);
  EXPECT_EQ(first, 1);
  EXPECT_EQ(lock->NextLine(), Message(WM_APPSUPDATE, 1, first));
  const auto stored = dao.QueryFormAID(first);
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->sApp, quoted.sApp);
  EXPECT_EQ(stored->sDt, quoted.sDt);

  EXPECT_EQ(dao.DeleteFromAID(77), 0);  // no such row: nothing is told
  const TAppsModel second{0, "/usr/bin/game2", ""};
  const int secondKey = dao.Insert(&second);
  EXPECT_EQ(secondKey, 2);
  EXPECT_EQ(lock->NextLine(), Message(WM_APPSUPDATE, 1, secondKey));
  EXPECT_EQ(dao.DeleteFromAID(secondKey), 1);
  EXPECT_EQ(lock->NextLine(), Message(WM_APPSUPDATE, -1, secondKey));
  // A key is never given twice, even after the largest row was deleted.
  EXPECT_EQ(dao.Insert(&second), 3);
  EXPECT_EQ(lock->NextLine(), Message(WM_APPSUPDATE, 1, 3));
}

TEST_F(ManageTest, AddDialogsStayOpenUntilTheirFieldAndACellAreGiven) {
  bool checked = false;
  WhenShown<TFrmAddApp>([&, this](TFrmAddApp &d) {
    EXPECT_TRUE(d.windowFlags() & Qt::Tool) << "no task-bar button";
    EXPECT_EQ(d.windowTitle(), "添加应用程序");
    d.edtApp->setText("   ");
    d.edtApp->clearFocus();
    Click(d.btnAdd);
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(d.focusWidget(), d.edtApp) << "an empty path puts the focus into the field";
    d.edtApp->setText(Game);
    Click(d.btnAdd);
    EXPECT_TRUE(d.isVisible()) << "no cell selected: nothing happens";
    ClickCell(*d.dtm1, 2, 2);
    checked = true;
    Click(d.btnClose);
  });
  QString app = "unchanged";
  std::vector<TDtData> windows;
  EXPECT_FALSE(ShowAddApp(app, windows));
  EXPECT_TRUE(checked);
  EXPECT_EQ(app, "unchanged");

  checked = false;
  WhenShown<TFrmAddWeb>([&](TFrmAddWeb &d) {
    EXPECT_EQ(d.edtWeb->text(), "http://");
    ClickCell(*d.dtm1, 0, 0);
    d.edtWeb->clearFocus();
    Click(d.btnAdd);
    EXPECT_TRUE(d.isVisible()) << "the preset alone is refused";
    EXPECT_EQ(d.focusWidget(), d.edtWeb);
    d.edtWeb->setText(" a.b.cn ");  // seven characters or fewer once trimmed
    Click(d.btnAdd);
    EXPECT_TRUE(d.isVisible());
    d.edtWeb->setText(" ab.cd.cn ");
    checked = true;
    Click(d.btnAdd);
  });
  QString url;
  EXPECT_TRUE(ShowAddWeb(url, windows));
  EXPECT_TRUE(checked);
  EXPECT_EQ(url, "ab.cd.cn");
  EXPECT_EQ(DtListToText(windows), "iweek:0;tstart:00:00;tend:00:29,");

  WhenShown<TFrmAddWeb>([](TFrmAddWeb &d) {
    d.edtWeb->setText("http://cancelled.example/");
    ClickCell(*d.dtm1, 0, 0);
    Click(d.btnCancel);
  });
  EXPECT_FALSE(ShowAddWeb(url, windows));
}

TEST_F(ManageTest, TheFileDialogOffersProgramsAndLaunchers) {
  const fs::path dir = Folders.Root() / "programs";
  fs::create_directories(dir / "folder");
  struct TCase {
    const char *Name;
    bool Executable;
    bool Offered;
  };
  const TCase cases[] = {{"game", true, true},          {"game.sh", true, true},       {"readme.txt", false, false},
                         {"game.desktop", false, true}, {"Game.DESKTOP", false, true}, {"game.exe", false, false}};
  for (const TCase &c : cases) {
    SCOPED_TRACE(c.Name);
    const fs::path file = dir / c.Name;
    std::ofstream(file) << "x";
    if (c.Executable)
      fs::permissions(file, fs::perms::owner_exec, fs::perm_options::add);
    EXPECT_EQ(IsProgramFile(QFileInfo(ToQString(file))), c.Offered);
  }
  EXPECT_FALSE(IsProgramFile(QFileInfo(ToQString(dir / "folder")))) << "folders are walked through, not picked";
}

TEST_F(ManageTest, BlackListStoresAddressesWithTheirPeriodsAndTellsBrowsersAndTheLockChannel) {
  auto lock = StartLockChannel();
  auto browser = StartBrowser();
  TFrmManage *form = OpenWindow();
  auto *page = Choose<TFrmBlackList>(*form, 1);
  ASSERT_TRUE(page);
  WhenShown<TFrmAddWeb>([](TFrmAddWeb &d) {
    DragCells(*d.dtm1, 5, 40, 6, 43);  // Saturday and Sunday 20:00 to 21:59
    d.edtWeb->setText("http://games.example/it's");
    Click(d.btnAdd);
  });
  Click(page->btnAdd);
  const auto rows = TWebsDao().QueryAll();
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0]->sUrl, "http://games.example/it's");
  EXPECT_EQ(rows[0]->sDt, "iweek:5;tstart:20:00;tend:21:59,iweek:6;tstart:20:00;tend:21:59,");
  const int key = rows[0]->iWid;
  ASSERT_EQ(page->lstRules->count(), 1);
  EXPECT_EQ(page->lstRules->item(0)->text(), "http://games.example/it's");
  EXPECT_EQ(browser->NextLine(), Message(WM_WEBSUPDATE, 1, key));
  EXPECT_EQ(lock->NextLine(), Message(WM_WEBSUPDATE, 1, key)) << "and no WM_APPSUPDATE";

  page->lstRules->setCurrentRow(0);
  Click(page->btnDel);
  EXPECT_EQ(page->lstRules->count(), 0);
  EXPECT_TRUE(TWebsDao().QueryAll().empty());
  EXPECT_EQ(browser->NextLine(), Message(WM_WEBSUPDATE, -1, key));
  EXPECT_EQ(lock->NextLine(), Message(WM_WEBSUPDATE, -1, key));
  EXPECT_EQ(TWebsDao().DeleteFromCID(key), 0);
  EXPECT_TRUE(Boxes.Texts.isEmpty()) << Boxes.Texts.join(" | ").toStdString();
}

TEST_F(ManageTest, LogSettingsShowTheFileAndSaveWithoutTouchingTheFilterSwitch) {
  auto lock = StartLockChannel();
  auto browser = StartBrowser();
  TFrmManage *form = OpenWindow();
  auto *logs = qobject_cast<TFrmLogs *>(form->List().at(0));
  ASSERT_TRUE(logs);
  EXPECT_EQ(logs->edtTextTime->value(), 5);
  EXPECT_EQ(logs->edtImgIntervalTime->value(), 5);
  EXPECT_EQ(logs->edtImgTime->value(), 5);
  EXPECT_EQ(logs->edtImgSize->value(), 50);

  {  // Meanwhile another writer switches the content filter on.
    TCfMrg other;
    other.AppCf().SetOffOn(true);
    other.SaveToFile();
  }
  logs->edtTextTime->setValue(30);
  logs->edtImgIntervalTime->setValue(10);
  logs->edtImgTime->setValue(7);
  logs->edtImgSize->setValue(80);
  Click(logs->btnSave);
  const TCfMrg saved;
  EXPECT_EQ(saved.AppCf().TextTime(), 30);
  EXPECT_EQ(saved.AppCf().PsDistance(), 10);
  EXPECT_EQ(saved.AppCf().ImgTime(), 7);
  EXPECT_EQ(saved.AppCf().ImgSize(), 80);
  EXPECT_TRUE(saved.AppCf().OffOn());
  EXPECT_EQ(lock->NextLine(), Message(WM_CFGUPDATE, 0, 0));
  EXPECT_EQ(browser->NextLine(), Message(WM_CFGUPDATE, 0, 0));

  struct TRange {
    TSpinEditEx *Edit;
    int Min, Max;
  };
  for (const TRange &r : {TRange{logs->edtTextTime, 1, 60}, TRange{logs->edtImgIntervalTime, 5, 60},
                          TRange{logs->edtImgTime, 1, 60}, TRange{logs->edtImgSize, 50, 100}}) {
    SCOPED_TRACE(r.Min);
    r.Edit->setValue(r.Min - 1);
    EXPECT_EQ(r.Edit->value(), r.Min);
    r.Edit->setValue(r.Max + 1);
    EXPECT_EQ(r.Edit->value(), r.Max);
    r.Edit->selectAll();
    QTest::keyClicks(r.Edit, "999");
    EXPECT_LE(r.Edit->value(), r.Max) << "typing cannot pass the range";
  }
  EXPECT_TRUE(Boxes.Texts.isEmpty()) << Boxes.Texts.join(" | ").toStdString();
}

TEST_F(ManageTest, ViewingLogsOpensTheLogFolderCreatedFirst) {
  // A stand-in for the desktop's opener that writes down what it was asked to open.
  const fs::path bin = Folders.Root() / "bin", opened = Folders.Root() / "opened";
  fs::create_directories(bin);
  std::ofstream(bin / "xdg-open") << "#!/bin/sh\nprintf '%s' \"$1\" > '" << opened.string() << "'\n";
  fs::permissions(bin / "xdg-open", fs::perms::owner_all);
  const QByteArray path = qgetenv("PATH");
  qputenv("PATH", QByteArray(bin.c_str()) + ":" + path);

  TFrmManage *form = OpenWindow();
  auto *logs = qobject_cast<TFrmLogs *>(form->List().at(0));
  fs::remove_all(Folders.CommonAppData() / "Pemblo" / "Log");
  Click(logs->btnLook);
  qputenv("PATH", path);
  EXPECT_TRUE(fs::is_directory(Folders.CommonAppData() / "Pemblo" / "Log"));
  ASSERT_TRUE(WaitUntil([&] { return fs::exists(opened) && fs::file_size(opened) > 0; }, 10000));
  std::ifstream in(opened);
  const std::string target((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(QString::fromStdString(target), GetLogPath());
}

TEST_F(ManageTest, AMissingDataFolderIsReportedAndTheWindowStaysOpen) {
  // A file stands where the data folder belongs, so it cannot be made.
  std::ofstream(Folders.CommonAppData() / "Pemblo") << "x";
  TFrmManage *form = OpenWindow();
  ASSERT_TRUE(WaitUntil([&] { return !Boxes.Texts.isEmpty(); }, 5000));
  EXPECT_TRUE(Boxes.Texts.last().startsWith("无法创建目录:")) << Boxes.Texts.last().toStdString();
  Boxes.Texts.clear();
  Choose<TFrmLimitApp>(*form, 2);
  ASSERT_TRUE(WaitUntil([&] { return !Boxes.Texts.isEmpty(); }, 5000));
  EXPECT_TRUE(Boxes.Texts.last().startsWith("无法创建目录:"));
  EXPECT_TRUE(form->isVisible());
  EXPECT_EQ(form->lgbLeft->ItemIndex(), 2);
  EXPECT_TRUE(form->List().at(2)->isVisible());
}

TEST_F(ManageTest, ADatabaseLockedByAnotherProcessIsReportedAndTheWindowStaysUsable) {
  TFrmManage *form = OpenWindow();
  auto *page = Choose<TFrmLimitApp>(*form, 2);
  ASSERT_TRUE(page);
  TAdoConnection *conn = TDBMrgFactory::GetDBMrg(TDBMrgID::MiniCarddata)->GetConn();
  conn->SetConnectionTimeout(1);  // the wait for a locked file, shortened for the test

  QProcess locker;
  locker.start(QStringLiteral(PEMBLO_DBLOCKER), {conn->ConnectionString()});
  ASSERT_TRUE(locker.waitForReadyRead(15000));
  ASSERT_EQ(locker.readLine().trimmed(), "locked");

  auto addGame = [this](TFrmAddApp &d) {
    d.edtApp->setText(Game);
    ClickCell(*d.dtm1, 0, 16);
    Click(d.btnAdd);
  };
  WhenShown<TFrmAddApp>(addGame);
  Click(page->btnAdd);
  ASSERT_EQ(Boxes.Texts.size(), 1);
  EXPECT_TRUE(Boxes.Texts[0].contains("database is locked")) << Boxes.Texts[0].toStdString();
  EXPECT_EQ(page->lstRules->count(), 0);
  EXPECT_TRUE(form->isVisible());

  locker.write("\n");
  ASSERT_TRUE(locker.waitForFinished(15000));
  WhenShown<TFrmAddApp>(addGame);
  Click(page->btnAdd);
  EXPECT_EQ(page->lstRules->count(), 1);
  EXPECT_EQ(TAppsDao().QueryAll().size(), 1u);
  EXPECT_EQ(Boxes.Texts.size(), 1);
}

}  // namespace
