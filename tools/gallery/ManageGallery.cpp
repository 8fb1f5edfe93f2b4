// The parental-management windows: the management window with each of its sections, and the
// two add dialogs with a selection drawn on their week grid.
#include "tools/gallery/Gallery.h"

#include "controls/uLblGroupBox.h"
#include "datastore/uDBMrgFactory.h"
#include "datastore/uAppsDao.h"
#include "manage/uFrmAddApp.h"
#include "manage/uFrmAddWeb.h"
#include "manage/uFrmManage.h"
#include "datastore/uWebsDao.h"

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
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

void ManageWindows() {
  // A data folder of its own with a few rules, so the lists show lines.
  QTemporaryDir data;
  qputenv("PEMBLO_COMMON_APPDATA", data.path().toUtf8());
  for (const char *app : {"/usr/bin/mousepad", "/usr/bin/minetest", "/home/kid/Desktop/game.desktop"}) {
    const TAppsModel model{0, QString::fromUtf8(app), "iweek:0;tstart:08:00;tend:09:59,"};
    TAppsDao().Insert(&model);
  }
  for (const char *url : {"http://games.example.com/", "http://video.example.cn/"}) {
    const TWebsModel model{0, QString::fromUtf8(url), "iweek:5;tstart:20:00;tend:21:59,"};
    TWebsDao().Insert(&model);
  }

  TFrmManage *form = ShowManageWindow(0, 0);
  const char *names[] = {"window_manage_logs", "window_manage_blacklist", "window_manage_limitapp"};
  for (int i = 0; i < 3; ++i) {
    form->lgbLeft->SetItemIndex(i);
    QApplication::processEvents();
    Save(names[i], Render(*form));
  }
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
