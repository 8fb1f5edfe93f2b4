// The centre window with a catalogue of 1,000 categories: from PembloBox to the first ten cells
// painted (target 200 ms), and a page change with its painting (target 16 ms). Run it headless:
// QT_QPA_PLATFORM=offscreen build/bench/bench_appcentre
#include "appcentre/uFrmBox.h"
#include "common/uPathFunc.h"
#include "datastore/uDBMrg.h"
#include "datastore/uDBMrgFactory.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMouseEvent>
#include <QPointer>
#include <QTemporaryDir>
#include <QThread>
#include <benchmark/benchmark.h>
#include <chrono>

namespace {

constexpr int Categories = 1000;

// 1,000 web links in a data folder of their own, with the icons the build drew for the
// delivered catalogue, one after another.
class TThousand {
public:
  TThousand() {
    qputenv("PEMBLO_COMMON_APPDATA", FFolder.path().toUtf8());
    TDBMrgFactory::ReleaseAll();
    const QDir icons(GetExePath() + "../out/Pemblo/icons");
    const QStringList files = icons.entryList({"*.png"}, QDir::Files, QDir::Name);
    const QString path = GetDataPath() + "MiniAppdata.mdb";
    TDBMrg::CreateAccessFile(path, QString());
    TAdoConnection conn;
    conn.SetConnectionString(TDBMrg::GetAccessConnStr(path, QString()));
    conn.Open();
    TAdoQuery query(&conn);
    query.SetSql("CREATE TABLE categoryinfos (cid INTEGER PRIMARY KEY AUTOINCREMENT, info TEXT)");
    query.ExecSQL();
    query.SetSql("CREATE TABLE appinfos (aid INTEGER PRIMARY KEY AUTOINCREMENT, cid INTEGER, info TEXT)");
    query.ExecSQL();
    conn.BeginTrans();
    query.SetSql("INSERT INTO categoryinfos (info) VALUES (:info)");
    for (int i = 0; i < Categories; ++i) {
      const QString logo = files.isEmpty() ? QString() : icons.absoluteFilePath(files[i % files.size()]);
      query.SetParam(
          "info",
          QStringLiteral("name:链接%1,rank:%1,logo:%2,type:0,durl:http://example.org/%1,exe_path:").arg(i).arg(logo));
      query.ExecSQL();
    }
    conn.CommitTrans();
    conn.Close();
    FHost.setWindowFlags(Qt::FramelessWindowHint);
    FHost.resize(150, 410);
    FHost.show();
  }
  ~TThousand() { TDBMrgFactory::ReleaseAll(); }
  QWidget &Host() { return FHost; }

private:
  QTemporaryDir FFolder;
  QWidget FHost;
};

void WaitFor(const std::function<bool()> &done) {
  while (!done()) {
    QApplication::processEvents();
    QThread::yieldCurrentThread();
  }
}

void Close(TFrmBox *box) {
  QPointer<TThreadHelper> worker = box->Worker();
  box->close();
  WaitFor([&] { return worker.isNull(); });
  QApplication::processEvents();
}

// Each run opens the catalogue afresh, as the first PembloBox of a host process does.
void BM_FirstTenCellsPainted(benchmark::State &state) {
  TThousand catalogue;
  for (auto _ : state) {
    TDBMrgFactory::ReleaseAll();
    const auto start = std::chrono::steady_clock::now();
    TFrmBox *box = ShowCentre(catalogue.Host().winId());
    WaitFor([&] { return box->QuilloMain()->FlowPanel()->CellCount() == 10; });
    box->repaint();
    state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    Close(box);
  }
}
BENCHMARK(BM_FirstTenCellsPainted)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// Between pages 1 and 2 of the fully listed catalogue, painting included.
void BM_PageChange(benchmark::State &state) {
  TThousand catalogue;
  TFrmBox *box = ShowCentre(catalogue.Host().winId());
  QPointer<TThreadHelper> worker = box->Worker();
  WaitFor([&] { return worker.isNull(); });
  TDlpPager *pager = box->QuilloMain()->Pager();
  int page = 1;
  for (auto _ : state) {
    page = 3 - page;
    const QPoint at = pager->NumberRect(page).center();
    QMouseEvent release(QEvent::MouseButtonRelease, at, pager->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(pager, &release);
    box->repaint();
  }
  state.counters["items"] = box->QuilloMain()->Count();
  Close(box);
}
BENCHMARK(BM_PageChange)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char **argv) {
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
