// The windows of the card library: the history and cancel-records lists, the cancel window and
// the menu, offscreen, on a real card database and registry.
#include "datastore/uCancelRecordsDao.h"
#include "cards/uFrmCardCancel.h"
#include "cards/uFrmCardCancelRecord.h"
#include "cards/uFrmCardHistoryRecord.h"
#include "cards/uFrmCardMenu.h"
#include "datastore/uHistoryRecordsDao.h"
#include "common/uPenalta.h"
#include "common/uRegistryHelper.h"
#include "controls/uMemoEx.h"
#include "controls/uPngButton.h"
#include "controls/uProgressBarEx.h"
#include "controls/uSysMenuButton.h"
#include "tests/cards/CardsFixture.h"
#include "tests/support/QStringPrint.h"
#include "tests/support/TestDisks.h"
#include "tests/support/TopLevelWindows.h"
#include "tests/support/WaitUntil.h"

#include <QDate>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// The open windows of class T.
template <class T> std::vector<T *> OpenWindows() {
  std::vector<T *> found;
  for (QWidget *w : QApplication::topLevelWidgets())
    if (auto *t = qobject_cast<T *>(w); t && t->isVisible())
      found.push_back(t);
  return found;
}

template <class T> T *Open() {
  T::ShowOrActivateIt();
  const auto found = OpenWindows<T>();
  return found.size() == 1 ? found.front() : nullptr;
}

void Click(QWidget *w) { QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(w->width() / 2, w->height() / 2)); }

QStringList Lines(const QListWidget *list) {
  QStringList lines;
  for (int i = 0; i < list->count(); ++i)
    lines << list->item(i)->text();
  return lines;
}

std::vector<bool> Ticks(const QListWidget *list) {
  std::vector<bool> ticks;
  for (int i = 0; i < list->count(); ++i)
    ticks.push_back(list->item(i)->checkState() == Qt::Checked);
  return ticks;
}

void SetCount(int count) {
  RegWriteString(HKEY_LOCAL_MACHINE, TPenalta::RegKey, TPenalta::CountValue, TPenalta::EncodeCount(count));
}

// Whether the window has freed itself. A window closed outside an event loop (a click sent by
// the test) is freed by the deferred deletes, which a nested loop does not run.
bool Gone(QWidget *w) {
  QPointer<QWidget> watched(w);
  return WaitUntil(
      [&] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return watched.isNull();
      },
      5000);
}

QString Today() { return QDate::currentDate().toString(QStringLiteral("yyyy年MM月dd日")); }

using HistoryWindowTest = TCardsFixture;
using CancelWindowTest = TCardsFixture;
using MenuTest = TCardsFixture;

}  // namespace

TEST_F(HistoryWindowTest, ListsReadableRowsAndDeletesExactlyTheTickedOnes) {
  InsertRaw("historyrecords", "datetime:2011年07月22日 10时09分,item:违约使用了QQ");  // 1
  InsertRaw("historyrecords", "a,b,c");                                               // 2
  InsertRaw("historyrecords", "2011年07月23日,item:游戏");                            // 3, unreadable
  InsertRaw("historyrecords", "datetime:2011年07月24日 08时00分,item:QQ:聊天");       // 4
  InsertRaw("historyrecords", "datetime:2011年07月25日 09时30分,item:浏览网页");      // 5

  TFrmCardHistoryRecord *w = Open<TFrmCardHistoryRecord>();
  ASSERT_TRUE(w);
  EXPECT_EQ(w->windowTitle(), "查看违约记录");
  EXPECT_EQ(w->size(), QSize(560, 349));
  EXPECT_EQ(w->windowFlags() & Qt::WindowType_Mask, Qt::Tool) << "no task-bar button";
  EXPECT_EQ(Lines(w->chklstMain),
            (QStringList{"2011年07月22日 10时09分  违约使用了QQ", "  ", "2011年07月24日 08时00分  QQ:聊天",
                         "2011年07月25日 09时30分  浏览网页"}));

  // Two lines that are not neighbours: exactly their rows go.
  w->chklstMain->item(1)->setCheckState(Qt::Checked);
  w->chklstMain->item(3)->setCheckState(Qt::Checked);
  Click(w->btnDel);
  EXPECT_EQ(Lines(w->chklstMain),
            (QStringList{"2011年07月22日 10时09分  违约使用了QQ", "2011年07月24日 08时00分  QQ:聊天"}));
  EXPECT_EQ(RawInfos("historyrecords"),
            (QStringList{"datetime:2011年07月22日 10时09分,item:违约使用了QQ", "2011年07月23日,item:游戏",
                         "datetime:2011年07月24日 08时00分,item:QQ:聊天"}));

  Click(w->btnSelectAll);
  EXPECT_EQ(Ticks(w->chklstMain), (std::vector<bool>{true, true}));
  EXPECT_EQ(w->btnSelectAll->Caption(), "反选");
  Click(w->btnSelectAll);
  EXPECT_EQ(Ticks(w->chklstMain), (std::vector<bool>{false, false}));
  EXPECT_EQ(w->btnSelectAll->Caption(), "全选");

  // Open again: the same window comes to the front, not refilled.
  InsertRaw("historyrecords", "datetime:x,item:y");
  EXPECT_EQ(Open<TFrmCardHistoryRecord>(), w);
  EXPECT_EQ(w->chklstMain->count(), 2);

  Click(w->sysBtnClose);
  EXPECT_TRUE(Gone(w)) << "the window frees itself when closed";
}

TEST_F(HistoryWindowTest, EmptyTableOnlyTurnsTheCaption) {
  TFrmCardHistoryRecord *w = Open<TFrmCardHistoryRecord>();
  ASSERT_TRUE(w);
  EXPECT_EQ(w->chklstMain->count(), 0);
  Click(w->btnSelectAll);
  EXPECT_EQ(w->btnSelectAll->Caption(), "反选");
  Click(w->btnDel);
  EXPECT_EQ(w->chklstMain->count(), 0);
}

TEST_F(CancelWindowTest, ArrowsStayWithinTheCount) {
  struct TCase {
    int Count;
    int Ups;
    QString Shown;
    int BarAfterUps;
  };
  const TCase cases[] = {{2, 3, "2", 0}, {0, 1, "0", 0}, {3, 1, "1", 2}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.Count);
    SetCount(c.Count);
    TFrmCardCancel *w = Open<TFrmCardCancel>();
    ASSERT_TRUE(w);
    EXPECT_EQ(w->pbxCard->Value(), c.Count);
    std::vector<int> bars;
    for (int i = 0; i < c.Ups; ++i) {
      Click(w->imgUp);
      bars.push_back(w->pbxCard->Value());
    }
    EXPECT_EQ(w->edtCount->text(), c.Shown);
    EXPECT_EQ(w->pbxCard->Value(), c.BarAfterUps);
    if (c.Count == 2) {
      EXPECT_EQ(bars, (std::vector<int>{1, 0, 0}));
    }
    // Down to 0 and no further.
    for (int i = 0; i <= c.Ups; ++i)
      Click(w->imgDown);
    EXPECT_EQ(w->edtCount->text(), "0");
    EXPECT_EQ(w->pbxCard->Value(), c.Count);
    Click(w->btnOk);  // nothing chosen: nothing happens
    EXPECT_EQ(TPenalta().YCount(), c.Count);
    w->close();
    ASSERT_TRUE(Gone(w));
  }
  EXPECT_TRUE(RawInfos("cancelrecords").isEmpty());
}

TEST_F(CancelWindowTest, ConfirmTakesCardsAndRecordsAWrittenReason) {
  struct TCase {
    const char *Name;
    QString Typed;
    QString Stored;  // empty: no record
  };
  const TCase cases[] = {
      {"reason", "真的蛙", "真的蛙"},
      {"blanks and line breaks only", " \r\n\t \n", ""},
      {"two lines keep their break", "\n  第一行\n第二行 \r\n", "第一行\n第二行"},
      {"control characters at the ends", QString(QChar(1)) + "理由" + QChar(2), "理由"},
  };
  QStringList expected;
  for (const auto &c : cases) {
    SCOPED_TRACE(c.Name);
    SetCount(3);
    TFrmCardCancel *w = Open<TFrmCardCancel>();
    ASSERT_TRUE(w);
    Click(w->imgUp);
    Click(w->imgUp);
    w->mmoCause->setPlainText(c.Typed);
    const QString typed = w->mmoCause->toPlainText();
    Click(w->btnOk);
    EXPECT_EQ(TPenalta().YCount(), 1);
    if (!c.Stored.isEmpty())
      expected << "time:" + Today() + ",cause:" + c.Stored;
    EXPECT_EQ(RawInfos("cancelrecords"), expected);
    EXPECT_EQ(w->edtCount->text(), "2") << "the window keeps its state";
    EXPECT_EQ(w->mmoCause->toPlainText(), typed);
    w->close();
    ASSERT_TRUE(Gone(w));
  }
}

TEST_F(CancelWindowTest, ConfirmTwiceAndACountThatFellMeanwhile) {
  SetCount(3);
  TFrmCardCancel *w = Open<TFrmCardCancel>();
  ASSERT_TRUE(w);
  Click(w->imgUp);
  EXPECT_EQ(w->pbxCard->Value(), 2);
  Click(w->btnOk);
  Click(w->btnOk);
  EXPECT_EQ(TPenalta().YCount(), 1);
  EXPECT_EQ(w->pbxCard->Value(), 2) << "the bar is not read again";

  // Two chosen while only one card is left: nothing happens.
  Click(w->imgUp);
  EXPECT_EQ(w->edtCount->text(), "1") << "the arrow reads the count now: 1";
  SetCount(3);
  Click(w->imgUp);
  TPenalta().DecYCard(2);
  Click(w->btnOk);
  EXPECT_EQ(TPenalta().YCount(), 1);
}

TEST_F(CancelWindowTest, ARegistryThatCannotBeWrittenKeepsTheCountWritesNoRecordAndSaysSo) {
  SetCount(3);
  TReadOnlyFolder readOnly(QString::fromStdString(Folders.Registry().string()));
  if (!readOnly.Mounted())
    GTEST_SKIP() << readOnly.Why();
  TMessageBoxCatcher boxes;
  TFrmCardCancel *w = Open<TFrmCardCancel>();
  ASSERT_TRUE(w);
  Click(w->imgUp);
  w->mmoCause->setPlainText(QStringLiteral("理由"));
  Click(w->btnOk);
  EXPECT_EQ(TPenalta().YCount(), 3);
  EXPECT_TRUE(RawInfos("cancelrecords").isEmpty()) << "no record of a change that did not happen";
  ASSERT_EQ(boxes.Texts.size(), 1);
  EXPECT_TRUE(boxes.Texts[0].contains(QStringLiteral("黄牌没有取消"))) << boxes.Texts[0].toStdString();
}

TEST_F(CancelWindowTest, RecordsWindowListsTheCancellationAndReplacesTheCancelWindow) {
  SetCount(3);
  TFrmCardCancel *w = Open<TFrmCardCancel>();
  ASSERT_TRUE(w);
  EXPECT_EQ(w->windowTitle(), "Sunvale取消黄牌");
  EXPECT_EQ(w->size(), QSize(323, 263));
  Click(w->imgUp);
  Click(w->imgUp);
  w->mmoCause->setPlainText("真的蛙");
  Click(w->btnOk);
  Click(w->btnLookCanRecord);
  EXPECT_TRUE(Gone(w));

  TFrmCardCancelRecord *records = Open<TFrmCardCancelRecord>();
  ASSERT_TRUE(records);
  EXPECT_EQ(records->windowTitle(), "查看取消黄牌的记录");
  EXPECT_EQ(records->size(), QSize(404, 263));
  EXPECT_EQ(Lines(records->chklstMain), QStringList{Today() + "  真的蛙"});
  Click(records->btnSelectAll);
  Click(records->btnDel);
  EXPECT_EQ(records->chklstMain->count(), 0);
  EXPECT_TRUE(RawInfos("cancelrecords").isEmpty());
}

TEST_F(MenuTest, EntriesOpenTheirWindowsOnceAndTheMenuClosesOnDeactivation) {
  auto showMenu = [] {
    auto *menu = new TFrmCardMenu;
    menu->show();
    menu->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(menu));
    return menu;
  };
  TFrmCardMenu *menu = showMenu();
  EXPECT_EQ(menu->windowTitle(), "Sunvale黄牌菜单");
  EXPECT_EQ(menu->size(), QSize(113, 58));
  Click(menu->btnLook);
  EXPECT_TRUE(Gone(menu)) << "opening the history activates it";
  ASSERT_EQ(OpenWindows<TFrmCardHistoryRecord>().size(), 1u);
  TFrmCardHistoryRecord *history = OpenWindows<TFrmCardHistoryRecord>().front();

  menu = showMenu();
  Click(menu->btnLook);
  EXPECT_TRUE(Gone(menu));
  EXPECT_EQ(OpenWindows<TFrmCardHistoryRecord>(), std::vector<TFrmCardHistoryRecord *>{history});
  EXPECT_TRUE(QTest::qWaitForWindowActive(history)) << "brought to the front";

  menu = showMenu();
  Click(menu->btnCance);
  EXPECT_TRUE(Gone(menu));
  EXPECT_EQ(OpenWindows<TFrmCardCancel>().size(), 1u);
}
