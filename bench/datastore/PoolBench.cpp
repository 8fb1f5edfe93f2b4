// The same statements through the query pool and through plain prepared statements on the
// pool's own connection: insert + largest key, a count with a condition, and opening and
// walking 1,000 rows. Run with --benchmark_repetitions=5 to compare medians.
#include "datastore/uDBMrg.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <QString>

#include <cstdlib>
#include <filesystem>
#include <memory>

namespace {

const QString Items = QStringLiteral("items");
const QString Id = QStringLiteral("id");
const QString Info = QStringLiteral("info");

// A keyed file in a temporary folder with the table `items` and, optionally, rows in it.
class TBenchDb {
public:
  explicit TBenchDb(int rows) {
    std::string pattern = (std::filesystem::temp_directory_path() / "pemblo-bench-XXXXXX").string();
    FFolder = mkdtemp(pattern.data());
    const QString file = QString::fromStdString((FFolder / "bench.db").string());
    TDBMrg::CreateAccessFile(file, QStringLiteral("bench"));
    Pool = std::make_unique<TDBMrg>(TDBMrg::GetAccessConnStr(file, QStringLiteral("bench")), 15, 5);
    Pool->ExecAnSql(QStringLiteral("Create Table items ( id Counter Primary Key, info memo )"));
    Pool->GetConn()->BeginTrans();
    for (int i = 0; i < rows; ++i)
      Pool->ExecAnSql(QStringLiteral("Insert Into items(info) values (:info)"),
                      {{QStringLiteral("info"), QStringLiteral("row %1 of the benchmark table").arg(i % 10)}});
    Pool->GetConn()->CommitTrans();
  }
  ~TBenchDb() {
    Pool.reset();
    std::filesystem::remove_all(FFolder);
  }
  sqlite3 *Handle() const { return Pool->GetConn()->Handle(); }
  sqlite3_stmt *Prepare(const char *sql) const {
    sqlite3_stmt *stmt = nullptr;
    if (sqlite3_prepare_v2(Handle(), sql, -1, &stmt, nullptr) != SQLITE_OK)
      std::abort();
    return stmt;
  }

  std::unique_ptr<TDBMrg> Pool;

private:
  std::filesystem::path FFolder;
};

void BindText(sqlite3_stmt *stmt, int index, const QString &text) {
  const QByteArray utf8 = text.toUtf8();
  sqlite3_bind_text(stmt, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
}

// Reads a one-value result to its end, as every reader of a result does.
int ReadInt(sqlite3_stmt *stmt) {
  int value = 0;
  while (sqlite3_step(stmt) == SQLITE_ROW)
    value = sqlite3_column_int(stmt, 0);
  sqlite3_reset(stmt);
  return value;
}

void BM_InsertAndMaxId_Pool(benchmark::State &state) {
  TBenchDb db(0);
  const QString row = QStringLiteral("C:/Program Files/app.exe");
  for (auto _ : state) {
    db.Pool->ExecAnSql(QStringLiteral("Insert Into %s(%s) values (:info)"), {Items, Info}, {{Info, row}});
    benchmark::DoNotOptimize(db.Pool->GetMaxID(Items, Id));
  }
}

void BM_InsertAndMaxId_Plain(benchmark::State &state) {
  TBenchDb db(0);
  const QString row = QStringLiteral("C:/Program Files/app.exe");
  sqlite3_stmt *insert = db.Prepare("Insert Into items(info) values (:info)");
  sqlite3_stmt *max = db.Prepare("Select Max(id) as myMax  from  items");
  for (auto _ : state) {
    BindText(insert, 1, row);
    if (sqlite3_step(insert) != SQLITE_DONE)
      std::abort();
    sqlite3_reset(insert);
    benchmark::DoNotOptimize(ReadInt(max));
  }
  sqlite3_finalize(insert);
  sqlite3_finalize(max);
}

// Count by the key (an index lookup: the statement's own cost is small, the pool's shows most)
// and by a text column (a walk over 1,000 rows, as the table modules count by path).
void BM_CountWhere_Pool(benchmark::State &state) {
  TBenchDb db(1000);
  const bool byKey = state.range(0) == 0;
  for (auto _ : state) {
    if (byKey)
      benchmark::DoNotOptimize(db.Pool->GetCount(Items, Id, 500));
    else
      benchmark::DoNotOptimize(db.Pool->GetCount(Items, Info, QStringLiteral("row 3 of the benchmark table")));
  }
}

void BM_CountWhere_Plain(benchmark::State &state) {
  TBenchDb db(1000);
  const bool byKey = state.range(0) == 0;
  sqlite3_stmt *count = db.Prepare(byKey ? "Select Count(id) as MyCount from items where id=:variant"
                                         : "Select Count(info) as MyCount from items where info=:variant");
  for (auto _ : state) {
    if (byKey)
      sqlite3_bind_int64(count, 1, 500);
    else
      BindText(count, 1, QStringLiteral("row 3 of the benchmark table"));
    benchmark::DoNotOptimize(ReadInt(count));
  }
  sqlite3_finalize(count);
}

// Both sides read every row's key as an integer and its text as a QString, as a table
// class does when it fills its models.
void BM_OpenAndWalk1000_Pool(benchmark::State &state) {
  TBenchDb db(1000);
  for (auto _ : state) {
    TAdoQuery *query = db.Pool->OpenTable(Items, 1);
    qint64 sum = 0;
    for (query->First(); !query->Eof(); query->Next()) {
      sum += query->FieldByName(Id).AsInteger();
      sum += query->FieldByName(Info).AsString().size();
    }
    query->Close();
    db.Pool->BackToPool(query);
    benchmark::DoNotOptimize(sum);
  }
}

void BM_OpenAndWalk1000_Plain(benchmark::State &state) {
  TBenchDb db(1000);
  sqlite3_stmt *all = db.Prepare("Select * from items ");
  for (auto _ : state) {
    qint64 sum = 0;
    while (sqlite3_step(all) == SQLITE_ROW) {
      sum += sqlite3_column_int(all, 0);
      sum +=
          QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(all, 1)), sqlite3_column_bytes(all, 1))
              .size();
    }
    sqlite3_reset(all);
    benchmark::DoNotOptimize(sum);
  }
  sqlite3_finalize(all);
}

BENCHMARK(BM_InsertAndMaxId_Pool);
BENCHMARK(BM_InsertAndMaxId_Plain);
BENCHMARK(BM_CountWhere_Pool)->Arg(0)->Arg(1);
BENCHMARK(BM_CountWhere_Plain)->Arg(0)->Arg(1);
BENCHMARK(BM_OpenAndWalk1000_Pool);
BENCHMARK(BM_OpenAndWalk1000_Plain);

}  // namespace

BENCHMARK_MAIN();
