// The centre window with a catalogue of 1,000 categories: from PembloBox to the first ten cells
// painted (target 200 ms), and a page change with its painting (target 16 ms). Its memory while
// it lists 14 icons of 4096 x 4096 pixels, and 100,000 rows of the delivered icons (target: the
// host grows by less than 100 MB at its peak). Run it headless:
// QT_QPA_PLATFORM=offscreen build/bench/bench_appcentre
#include "appcentre/uFrmBox.h"
#include "common/uPathFunc.h"
#include "datastore/uDBMrg.h"
#include "datastore/uDBMrgFactory.h"
#include "tests/support/ProcessMemory.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QMouseEvent>
#include <QPointer>
#include <QTemporaryDir>
#include <QThread>
#include <benchmark/benchmark.h>
#include <chrono>

namespace {

constexpr int Categories = 1000;

// The icons the build drew for the delivered catalogue.
QStringList DeliveredIcons() {
  const QDir icons(GetExePath() + "../out/Pemblo/icons");
  QStringList files;
  for (const QString &name : icons.entryList({"*.png"}, QDir::Files, QDir::Name))
    files << icons.absoluteFilePath(name);
  return files;
}

// Web links in a data folder of their own, with the given icons one after another.
class TCatalogue {
public:
  explicit TCatalogue(int rows = Categories, const QStringList &files = DeliveredIcons()) {
    qputenv("PEMBLO_COMMON_APPDATA", FFolder.path().toUtf8());
    TDBMrgFactory::ReleaseAll();
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
    for (int i = 0; i < rows; ++i) {
      const QString logo = files.isEmpty() ? QString() : files[i % files.size()];
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
  ~TCatalogue() { TDBMrgFactory::ReleaseAll(); }
  QWidget &Host() { return FHost; }
  QString Folder() const { return FFolder.path(); }

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
  TCatalogue catalogue;
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
  TCatalogue catalogue;
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

double ResidentMb() { return ProcessTreeMemory(QCoreApplication::applicationPid()).rssMb; }

// The growth of the process's resident memory from before the centre opens to the highest it
// reaches while the centre lists every entry, and after.
void ListingMemory(benchmark::State &state, int rows, const std::function<QStringList(const QString &)> &icons) {
  QTemporaryDir iconFolder;
  const QStringList files = icons(iconFolder.path());
  TCatalogue catalogue(rows, files);
  double peak = 0, listed = 0;
  int items = 0;
  for (auto _ : state) {
    TDBMrgFactory::ReleaseAll();
    const double before = ResidentMb();
    TFrmBox *box = ShowCentre(catalogue.Host().winId());
    QPointer<TThreadHelper> worker = box->Worker();
    double highest = before;
    QElapsedTimer sampled;
    sampled.start();
    WaitFor([&] {
      if (sampled.elapsed() >= 20) {
        highest = std::max(highest, ResidentMb());
        sampled.restart();
      }
      return worker.isNull();
    });
    QApplication::processEvents();
    box->repaint();
    const double after = ResidentMb();
    peak = std::max(peak, std::max(highest, after) - before);
    listed = after - before;
    items = box->QuilloMain()->Count();
    Close(box);
  }
  state.counters["items"] = items;
  state.counters["peak_growth_MB"] = peak;
  state.counters["listed_growth_MB"] = listed;
}

// 14 different icons of 4096 x 4096 pixels, each shown as a 50 x 68 cell.
void BM_MemoryWithLargeIcons(benchmark::State &state) {
  ListingMemory(state, 14, [](const QString &folder) {
    QImage large(4096, 4096, QImage::Format_RGB32);
    QStringList files;
    for (int i = 0; i < 14; ++i) {
      large.fill(QColor::fromHsv(i * 25, 200, 200));
      files << folder + QStringLiteral("/large%1.png").arg(i);
      large.save(files.back());
    }
    return files;
  });
}
BENCHMARK(BM_MemoryWithLargeIcons)->Unit(benchmark::kMillisecond)->Iterations(1);

// 100,000 rows with the delivered icons.
void BM_MemoryWithManyRows(benchmark::State &state) {
  ListingMemory(state, 100000, [](const QString &) { return DeliveredIcons(); });
}
BENCHMARK(BM_MemoryWithManyRows)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char **argv) {
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
