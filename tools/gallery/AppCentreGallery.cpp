// The windows of the application centre: the centre window on both pages of the delivered
// catalogue, the group window of its largest group and the address dialog. They read a copy
// of the delivered catalogue in a temporary data folder, its icons where the build wrote them.
#include "tools/gallery/Gallery.h"

#include "appcentre/uFrmBox.h"
#include "appcentre/uFrmExpand.h"
#include "appcentre/uFrmInputDurl.h"
#include "common/uPathFunc.h"
#include "datastore/uDBMrg.h"
#include "datastore/uDBMrgFactory.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMouseEvent>
#include <QPointer>
#include <QTemporaryDir>
#include <QThread>

namespace {

// Until the worker has listed everything (it frees itself when done).
void WaitForWorker(QPointer<TThreadHelper> worker) {
  QElapsedTimer timer;
  timer.start();
  while (worker && timer.elapsed() < 10000) {
    QApplication::processEvents();
    QThread::msleep(5);
  }
  QApplication::processEvents();
}

// The delivered catalogue in the data folder, its "{app}" icons pointing at the build's output.
bool CopyCatalogue() {
  const QString delivered = GetExePath() + "../out/Pemblo/";
  const QString copy = GetDataPath() + "MiniAppdata.mdb";
  if (!QFile::copy(delivered + "MiniAppdata.mdb", copy))
    return false;
  TAdoConnection conn;
  conn.SetConnectionString(TDBMrg::GetAccessConnStr(copy, QString()));
  conn.Open();
  TAdoQuery query(&conn);
  for (const char *table : {"categoryinfos", "appinfos"}) {
    query.SetSql(QStringLiteral("UPDATE %1 SET info = replace(info, '{app}', :folder)").arg(table));
    query.SetParam("folder", QDir(delivered).absolutePath() + "/");
    query.ExecSQL();
  }
  conn.Close();
  return true;
}

void Release(TDlpPager *pager, const QPoint &at) {
  QMouseEvent release(QEvent::MouseButtonRelease, at, pager->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                      Qt::NoModifier);
  QApplication::sendEvent(pager, &release);
}

void AppCentreWindows() {
  QTemporaryDir folder;
  qputenv("PEMBLO_COMMON_APPDATA", folder.filePath("appdata").toUtf8());
  TDBMrgFactory::ReleaseAll();
  if (!CopyCatalogue()) {
    std::fprintf(stderr, "gallery: no delivered catalogue beside the host\n");
    return;
  }

  QWidget host;
  host.setWindowFlags(Qt::FramelessWindowHint);
  host.resize(150, 410);
  host.show();
  TFrmBox *box = ShowCentre(host.winId());
  WaitForWorker(box->Worker());
  Save("appcentre_box_page1", Render(host));
  TDlpPager *pager = box->QuilloMain()->Pager();
  Release(pager, pager->NumberRect(2).center());
  QApplication::processEvents();
  Save("appcentre_box_page2", Render(host));

  for (int i = 0; i < box->QuilloMain()->Count(); ++i) {
    auto *entry = static_cast<PCategoryInfosModel>(box->QuilloMain()->GetItem(i)->pData);
    if (entry->itype != ctGroup || entry->sname != QStringLiteral("学习网站"))
      continue;
    auto *group = static_cast<TFrmExpand *>(ShowGroup(entry));
    WaitForWorker(group->Worker());
    Save("appcentre_group", Render(*group));
    TDlpPager *groupPager = group->QuilloMain()->Pager();
    Release(groupPager, groupPager->NumberRect(2).center());
    QApplication::processEvents();
    Save("appcentre_group_page2", Render(*group));
    group->close();
  }

  auto *dialog = new TFrmInputDurl();
  dialog->show();
  QApplication::processEvents();
  Save("appcentre_input_url", Render(*dialog));
  dialog->close();

  box->close();
  QApplication::processEvents();
  TDBMrgFactory::ReleaseAll();
}

const TGalleryPageRegistration Registration("appcentre", AppCentreWindows);

}  // namespace
