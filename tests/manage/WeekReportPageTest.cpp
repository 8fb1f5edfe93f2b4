// The page "本周报告" built from a fixture week in a private data folder: the numbers on its
// chart and lists, and the screen captures of a chosen day opened with the mouse.
#include "manage/uFrmWeekReport.h"

#include "common/uPathFunc.h"
#include "common/uPenalta.h"
#include "datastore/uDBMrgFactory.h"
#include "tests/support/FifoWatch.h"
#include "tests/support/QStringPrint.h"
#include "tests/support/TestFolders.h"
#include "tests/support/TopLevelWindows.h"
#include "tests/support/WaitUntil.h"
#include "tests/support/WeekLogs.h"

#include <QApplication>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHorizontalBarSeries>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

const QDate Today(2026, 3, 10);
QDate Day(int index) { return Today.addDays(index - (ReportDays - 1)); }  // 0 the oldest, 6 today

QStringList Lines(const QTreeWidget *list) {
  QStringList lines;
  for (int i = 0; i < list->topLevelItemCount(); ++i)
    lines << list->topLevelItem(i)->text(0) + QStringLiteral(" | ") + list->topLevelItem(i)->text(1);
  return lines;
}

std::vector<QToolButton *> Pictures(const TFrmWeekReport &page) {
  std::vector<QToolButton *> pictures;
  for (QToolButton *button : page.pnlCaptures->findChildren<QToolButton *>(QStringLiteral("imgCapture")))
    pictures.push_back(button);
  return pictures;
}

QWidget *CaptureWindow() {
  for (QWidget *w : QApplication::topLevelWidgets())
    if (w->objectName() == QStringLiteral("frmCapture") && w->isVisible())
      return w;
  return nullptr;
}

class WeekReportPageTest : public ::testing::Test {
protected:
  void SetUp() override {
    TDBMrgFactory::ReleaseAll();
    WriteDayLog(Day(1), {{"http://a.example.com/", "http://a.example.com/x", "http://b.example.org/"},
                         {{"http://bad.example/", QStringLiteral("16 hits  赌博 16")}},
                         {{"http://list.example/", 3}}});
    ASSERT_TRUE(AppendToFile(DayLogFile(GetBrowseLogPath(), Day(1)), "damaged\r\n"));
    WriteDayLog(Day(4), {{"http://a.example.com/"}, {}, {{"http://list.example/", 3}, {"http://list.example/", 3}}});
    for (const auto &row :
         {ViolationOn(Day(4), QStringLiteral("违约使用了QQ")), ViolationOn(Day(6), QStringLiteral("违约使用了游戏"))}) {
      ASSERT_EQ(THistoryRecordsDao().Insert(&row), 1);
    }
    TPenalta().IncYCard(2);
  }
  void TearDown() override {
    for (QWidget *w : QApplication::topLevelWidgets())
      if (w->isVisible())
        w->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    TDBMrgFactory::ReleaseAll();
  }

  TFrmWeekReport *ShowPage() {
    auto *page = new TFrmWeekReport(nullptr, [] { return Today; });
    page->setAttribute(Qt::WA_DeleteOnClose);
    page->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(page));
    return page;
  }

  TTestFolders Folders;
  TMessageBoxCatcher Boxes;
};

TEST_F(WeekReportPageTest, ShowsTheWeeksNumbers) {
  TFrmWeekReport *page = ShowPage();
  EXPECT_EQ(page->windowTitle(), QStringLiteral("本周报告"));
  EXPECT_EQ(page->size(), QSize(330, 234));

  const struct {
    const char *name;
    QChartView *chart;
    int set;
    std::array<qreal, ReportDays> values;
  } cases[] = {
      {"浏览网页", page->chtVisits, 0, {0, 3, 0, 0, 1, 0, 0}}, {"文字拦截", page->chtWeek, 0, {0, 1, 0, 0, 0, 0, 0}},
      {"黑名单拦截", page->chtWeek, 1, {0, 1, 0, 0, 2, 0, 0}}, {"违约", page->chtWeek, 2, {0, 0, 0, 0, 1, 0, 1}},
      {"黄牌", page->chtWeek, 3, {0, 0, 0, 0, 1, 1, 2}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    auto *bars = qobject_cast<QHorizontalBarSeries *>(c.chart->chart()->series().value(0));
    ASSERT_TRUE(bars);
    EXPECT_TRUE(bars->isLabelsVisible()) << "the numbers are drawn on the bars";
    QBarSet *set = bars->barSets().value(c.set);
    ASSERT_TRUE(set);
    EXPECT_EQ(set->label(), QString::fromUtf8(c.name));
    ASSERT_EQ(set->count(), ReportDays);
    for (int d = 0; d < ReportDays; ++d)
      EXPECT_EQ(set->at(d), c.values[size_t(d)]) << "day " << d;
  }

  EXPECT_TRUE(page->lblSkipped->isVisibleTo(page));
  EXPECT_TRUE(page->lblSkipped->text().contains(QStringLiteral("有 1 行日志或记录无法读取")))
      << page->lblSkipped->text().toStdString();
  EXPECT_EQ(Lines(page->lstVisited), QStringList({"a.example.com | 3", "b.example.org | 1"}));
  EXPECT_EQ(Lines(page->lstBlocked), QStringList({"list.example | 3", "bad.example | 1"}));
  EXPECT_EQ(Lines(page->lstWords), QStringList({"赌博 | 1"}));
  EXPECT_EQ(Lines(page->lstViolations),
            QStringList({Day(4).toString("yyyy年MM月dd日") + " 10时09分 | 违约使用了QQ",
                         Day(6).toString("yyyy年MM月dd日") + " 10时09分 | 违约使用了游戏"}));
  EXPECT_TRUE(Boxes.Texts.isEmpty()) << Boxes.Texts.join(" | ").toStdString();
}

// A day's log the child made a FIFO and a block log it made a folder: the page opens at once,
// with a note under the chart instead of an error box.
TEST_F(WeekReportPageTest, LogsThatCannotBeReadAreNotedUnderTheChart) {
  ASSERT_EQ(::mkfifo(QFile::encodeName(DayLogFile(GetBrowseLogPath(), Day(2))).constData(), 0600), 0);
  ASSERT_TRUE(QDir().mkpath(DayLogFile(GetBlockLogPath(), Day(3))));
  TFifoWatch watch(DayLogFile(GetBrowseLogPath(), Day(2)));
  TFrmWeekReport *page = ShowPage();
  EXPECT_FALSE(watch.Unstuck()) << "the page waited for a writer";
  EXPECT_TRUE(page->lblSkipped->isVisibleTo(page));
  EXPECT_TRUE(page->lblSkipped->text().contains(QStringLiteral("有 2 个日志文件无法完整读取")))
      << page->lblSkipped->text().toStdString();
  EXPECT_EQ(Lines(page->lstVisited), QStringList({"a.example.com | 3", "b.example.org | 1"}));
  EXPECT_TRUE(Boxes.Texts.isEmpty()) << Boxes.Texts.join(" | ").toStdString();
}

// A day of a thousand captures (the most that are shown): choosing it answers within moments, every
// capture is listed, and the first ones have their small pictures.
TEST_F(WeekReportPageTest, ADayOfAThousandCapturesKeepsThePageAnswering) {
  QImage picture(1280, 720, QImage::Format_RGB32);
  for (int y = 0; y < picture.height(); ++y)
    for (int x = 0; x < picture.width(); ++x)
      picture.setPixel(x, y, qRgb(x * y, x, y));
  const QString first = WriteCapture(Day(6), QTime(0, 0, 0), Qt::red);
  ASSERT_TRUE(picture.save(first, "JPG", 80));
  const QString folder = QFileInfo(first).path() + u'/';
  for (int i = 1; i < 1000; ++i)
    ASSERT_TRUE(QFile::copy(first, folder + QTime(0, 0, 0).addSecs(i * 30).toString("hh-mm-ss") + ".jpg"));
  TFrmWeekReport *page = ShowPage();
  QElapsedTimer answer;
  answer.start();
  page->cbbDay->setCurrentIndex(page->cbbDay->findData(Day(6)));
  EXPECT_LT(answer.elapsed(), 2000);
  const std::vector<QToolButton *> pictures = Pictures(*page);
  ASSERT_EQ(pictures.size(), 1000u);
  EXPECT_FALSE(pictures.front()->icon().isNull());
  EXPECT_EQ(pictures.back()->text(), "08:19:30");
  EXPECT_TRUE(Boxes.Texts.isEmpty()) << Boxes.Texts.join(" | ").toStdString();
}

// More violation rows than the page lists: the latest are listed, a note tells how many are not.
TEST_F(WeekReportPageTest, ViolationsBeyondTheListAreNoted) {
  TDBMrg *pool = TDBMrgFactory::GetDBMrg(TDBMrgID::MiniCarddata);
  pool->GetConn()->BeginTrans();
  for (size_t i = 0; i < MostReportViolations + 3; ++i) {
    const THistoryRecords row = ViolationOn(Day(3), QStringLiteral("违约使用了游戏%1").arg(i));
    ASSERT_EQ(THistoryRecordsDao().Insert(&row), 1);
  }
  pool->GetConn()->CommitTrans();
  TFrmWeekReport *page = ShowPage();
  // The two rows of the fixture and three of these are left out.
  EXPECT_TRUE(page->lblSkipped->text().contains(QStringLiteral("本周另有 5 条违约记录未列出")))
      << page->lblSkipped->text().toStdString();
  ASSERT_EQ(size_t(page->lstViolations->topLevelItemCount()), MostReportViolations);
  EXPECT_EQ(page->lstViolations->topLevelItem(0)->text(1), QStringLiteral("违约使用了游戏3"));
  EXPECT_TRUE(Boxes.Texts.isEmpty()) << Boxes.Texts.join(" | ").toStdString();
}

TEST_F(WeekReportPageTest, EveryLineOfTheListsIsOnThePage) {
  for (int i = 0; i < 20; ++i) {
    const THistoryRecords row = ViolationOn(Day(2), QStringLiteral("违约使用了游戏%1").arg(i));
    ASSERT_EQ(THistoryRecordsDao().Insert(&row), 1);
  }
  TFrmWeekReport *page = ShowPage();
  EXPECT_EQ(page->lstViolations->topLevelItemCount(), 22);
  // The lists are as tall as their lines; the page scrolls as a whole.
  for (QTreeWidget *list : {page->lstVisited, page->lstBlocked, page->lstWords, page->lstViolations})
    EXPECT_EQ(list->verticalScrollBar()->maximum(), 0) << list->objectName().toStdString();
  EXPECT_GT(page->scbMain->verticalScrollBar()->maximum(), 0);
}

TEST_F(WeekReportPageTest, ADaysCapturesOpenWithAClick) {
  const QColor red(220, 20, 20), blue(20, 20, 220);
  WriteCapture(Day(5), QTime(9, 30, 0), blue, QSize(640, 360));
  WriteCapture(Day(5), QTime(8, 15, 5), red, QSize(640, 360));
  WriteCapture(Day(4), QTime(12, 0, 0), red);
  // Only pictures under the host's names, and none through a link.
  const QString elsewhere = WriteCapture(Day(3), QTime(7, 0, 0), red);
  const QString folder = QFileInfo(WriteCapture(Day(5), QTime(10, 0, 0), red)).path();
  ASSERT_TRUE(QFile::rename(folder + "/10-00-00.jpg", folder + "/holiday.jpg"));
  ASSERT_TRUE(QFile::link(elsewhere, folder + "/11-00-00.jpg"));
  TFrmWeekReport *page = ShowPage();
  EXPECT_EQ(page->cbbDay->count(), ReportDays);
  EXPECT_EQ(page->cbbDay->currentIndex(), -1) << "no day's pictures are read before one is chosen";
  EXPECT_TRUE(Pictures(*page).empty());

  const struct {
    int day;
    QStringList times;
  } cases[] = {
      {5, {"08:15:05", "09:30:00"}},
      {4, {"12:00:00"}},
      {6, {}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.day);
    page->cbbDay->setCurrentIndex(page->cbbDay->findData(Day(c.day)));
    QStringList times;
    for (QToolButton *picture : Pictures(*page))
      times << picture->text();
    EXPECT_EQ(times, c.times);
    EXPECT_EQ(page->pnlCaptures->findChild<QLabel *>() != nullptr, c.times.isEmpty())
        << "a day without pictures says so";
  }

  page->cbbDay->setCurrentIndex(page->cbbDay->findData(Day(5)));
  const std::vector<QToolButton *> pictures = Pictures(*page);
  ASSERT_EQ(pictures.size(), 2u);
  page->scbMain->ensureWidgetVisible(pictures[1]);
  QTest::mouseClick(pictures[1], Qt::LeftButton, Qt::NoModifier, pictures[1]->rect().center());
  ASSERT_TRUE(WaitUntil([] { return CaptureWindow() != nullptr; }, 5000));
  QWidget *window = CaptureWindow();
  EXPECT_EQ(window->windowTitle(), QStringLiteral("抓屏 ") + Day(5).toString("yyyy-MM-dd") + " 09:30:00");
  auto *picture = window->findChild<QLabel *>(QStringLiteral("imgPicture"));
  ASSERT_TRUE(picture);
  const QImage shown = picture->pixmap().toImage();
  EXPECT_EQ(shown.size(), QSize(640, 360)) << "the picture whole";
  const QColor middle = shown.pixelColor(320, 180);
  EXPECT_LT(std::abs(middle.blue() - blue.blue()) + std::abs(middle.red() - blue.red()), 30) << "the clicked one";
  EXPECT_TRUE(Boxes.Texts.isEmpty()) << Boxes.Texts.join(" | ").toStdString();
}

}  // namespace
