// The parental-management windows: the management window with each of its sections (the week
// report over a filled week), and the two add dialogs with a selection drawn on their week grid.
#include "tools/gallery/Gallery.h"

#include "common/uPathFunc.h"
#include "common/uPenalta.h"
#include "controls/uLblGroupBox.h"
#include "datastore/uAppsDao.h"
#include "datastore/uDBMrgFactory.h"
#include "datastore/uWebsDao.h"
#include "manage/uFrmAddApp.h"
#include "manage/uFrmAddWeb.h"
#include "manage/uFrmManage.h"
#include "manage/uFrmWeekReport.h"
#include "tests/support/WeekLogs.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScrollArea>
#include <QTemporaryDir>

namespace {

// Selects cells with the grid's own mouse handling: a drag from one cell to another.
void DragCells(TCutDateTime &grid, int day1, int col1, int day2, int col2) {
  grid.Picture();
  const QPointF from = grid.Cell(day1, col1).rRct.center(), to = grid.Cell(day2, col2).rRct.center();
  QMouseEvent press(QEvent::MouseButtonPress, from, grid.mapToGlobal(from), Qt::LeftButton, Qt::LeftButton, {});
  QMouseEvent move(QEvent::MouseMove, to, grid.mapToGlobal(to), Qt::NoButton, Qt::LeftButton, {});
  QMouseEvent release(QEvent::MouseButtonRelease, to, grid.mapToGlobal(to), Qt::LeftButton, Qt::NoButton, {});
  for (QMouseEvent *event : {&press, &move, &release})
    QApplication::sendEvent(&grid, event);
}

// A week of browsing, blocks, violations and captures ending today.
void FillWeek() {
  const QDate today = QDate::currentDate();
  const char *sites[] = {"http://www.baidu.com/s?wd=dinosaur", "https://baike.baidu.com/item/x",
                         "http://www.bilibili.com/video/1", "http://news.example.cn/", "http://games.example.com/"};
  for (int back = 6; back >= 0; --back) {
    const QDate day = today.addDays(-back);
    TDayLog log;
    for (int i = 0; i < 40 + 13 * ((back * 5) % 7); ++i)
      log.visits << QString::fromUtf8(sites[(i * (back + 2)) % 5]);
    for (int i = 0; i < (back + 1) % 4; ++i)
      log.wordBlocks << qMakePair(QStringLiteral("http://bad.example.com/%1").arg(i),
                                  QStringLiteral("%1 hits  赌博 %2, 色情 3").arg(15 + i).arg(12 + i));
    for (int i = 0; i < back % 3; ++i)
      log.listBlocks << qMakePair(QStringLiteral("http://games.example.com/play"), 2);
    WriteDayLog(day, log);
    if (back % 3 == 1) {
      const THistoryRecords row = ViolationOn(day, QStringLiteral("违约使用了minetest"));
      THistoryRecordsDao().Insert(&row);
    }
  }
  AppendToFile(DayLogFile(GetBrowseLogPath(), today.addDays(-2)), "[10:4");
  const QColor colors[] = {QColor(0x3A, 0x6E, 0xA5), QColor(0x6A, 0xA8, 0x4F), QColor(0xE0, 0x8A, 0x2E)};
  for (int i = 0; i < 5; ++i)
    WriteCapture(today.addDays(-1), QTime(15, 5 * i, 0), colors[i % 3], QSize(1280, 720));
  TPenalta().IncYCard(2);
}

void ManageWindows() {
  // A data folder of its own with a few rules, so the lists show lines.
  QTemporaryDir data;
  qputenv("PEMBLO_COMMON_APPDATA", data.path().toUtf8());
  qputenv("PEMBLO_REGISTRY", QDir(data.path()).filePath("registry").toUtf8());  // the card count
  for (const char *app : {"/usr/bin/mousepad", "/usr/bin/minetest", "/home/kid/Desktop/game.desktop"}) {
    const TAppsModel model{0, QString::fromUtf8(app), "iweek:0;tstart:08:00;tend:09:59,"};
    TAppsDao().Insert(&model);
  }
  for (const char *url : {"http://games.example.com/", "http://video.example.cn/"}) {
    const TWebsModel model{0, QString::fromUtf8(url), "iweek:5;tstart:20:00;tend:21:59,"};
    TWebsDao().Insert(&model);
  }

  FillWeek();

  TFrmManage *form = ShowManageWindow(0, 0);
  const char *names[] = {"window_manage_logs", "window_manage_blacklist", "window_manage_limitapp",
                         "window_manage_weekreport"};
  for (int i = 0; i < 4; ++i) {
    form->lgbLeft->SetItemIndex(i);
    QApplication::processEvents();
    Save(names[i], Render(*form));
  }
  // The whole page of the week report, with yesterday's captures chosen.
  auto *report = qobject_cast<TFrmWeekReport *>(form->List().at(3));
  report->cbbDay->setCurrentIndex(1);
  QApplication::processEvents();
  QWidget *page = report->scbMain->widget();
  page->resize(page->width(), page->sizeHint().height());
  QApplication::processEvents();
  Save("page_manage_weekreport", page->grab().toImage());
  form->close();

  TFrmAddApp addApp;
  addApp.edtApp->setText("/usr/bin/mousepad");
  addApp.show();
  DragCells(*addApp.dtm1, 0, 16, 4, 19);
  DragCells(*addApp.dtm1, 5, 40, 6, 47);
  QMouseEvent hover(QEvent::MouseMove, addApp.dtm1->Cell(2, 29).rRct.center(), QPointF(), Qt::NoButton, {}, {});
  QApplication::sendEvent(addApp.dtm1, &hover);
  Save("window_addapp_selection", Render(addApp));
  addApp.hide();

  TFrmAddWeb addWeb;
  addWeb.edtWeb->setText("http://games.example.com/");
  addWeb.show();
  DragCells(*addWeb.dtm1, 5, 40, 6, 43);
  DragCells(*addWeb.dtm1, 0, 0, 0, 13);
  Save("window_addweb_selection", Render(addWeb));
  addWeb.hide();

  TDBMrgFactory::ReleaseAll();
}

const TGalleryPageRegistration Registration("manage", ManageWindows);

}  // namespace
