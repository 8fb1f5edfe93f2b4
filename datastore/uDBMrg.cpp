#include "datastore/uDBMrg.h"
#include "platform/errors/Errors.h"

#include <chrono>
#include <stdexcept>

namespace {

const QString PoolPrefix = QStringLiteral("MyPool");

}  // namespace

void TSqlParams::ApplyTo(TAdoQuery &query) const {
  for (const auto &param : FParams)
    query.SetParam(param.first, param.second);
}

QString FormatStatement(const QString &pattern, const QVariant *first, const QVariant *last) {
  QString out;
  out.reserve(pattern.size() + 32);
  const QVariant *next = first;
  qsizetype done = 0;  // pattern text up to here is in `out`
  for (qsizetype i = pattern.indexOf(u'%'); i >= 0; i = pattern.indexOf(u'%', done)) {
    out += QStringView(pattern).mid(done, i - done);
    const QChar kind = i + 1 < pattern.size() ? pattern[i + 1] : QChar();
    done = i + 2;
    if (kind == u'%') {
      out += u'%';
    } else if ((kind == u's' || kind == u'd') && next != last) {
      if (kind == u'd' && !IsWholeNumber(*next))
        Raise(QStringLiteral("Format '%1' invalid or incompatible with argument").arg(pattern));
      out += next->toString();
      ++next;
    } else {
      Raise(QStringLiteral("Format '%1' invalid or incompatible with argument").arg(pattern));
    }
  }
  out += QStringView(pattern).mid(done);
  return out;
}

std::uint32_t SystemTickCount() {
  using namespace std::chrono;
  return std::uint32_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

// ---------------------------------------------------------------------------------------------
// Checker

TCheckThread::TCheckThread(TDBMrg *IDbMrg, TTickSource ITicks)
    : DbMrg(IDbMrg), FTicks(std::move(ITicks)), CheckTime(FTicks()) {
  FThread = std::thread([this] { Execute(); });
}

TCheckThread::~TCheckThread() {
  {
    std::lock_guard<std::mutex> lock(FStopLock);
    FStop = true;
  }
  FStopSignal.notify_all();
  FThread.join();
}

void TCheckThread::Execute() {
  std::unique_lock<std::mutex> lock(FStopLock);
  while (!FStop) {
    if (!TicksElapsed(FTicks(), CheckTime, 1000)) {
      FStopSignal.wait_for(lock, std::chrono::milliseconds(100));
      continue;
    }
    CheckTime = FTicks();
    lock.unlock();
    DbMrg->CheckPass();
    lock.lock();
  }
}

// ---------------------------------------------------------------------------------------------
// Pool

TDBMrg::TDBMrg(const QString &IConStr, int iTimeOut, int ICreateBuffCount, TTickSource ITicks)
    : FOwnConn(std::make_unique<TAdoConnection>()), FAutoFreeConn(true) {
  FConn = FOwnConn.get();
  FConn->SetConnectionTimeout(iTimeOut);
  FConn->SetConnectionString(IConStr);
  FConn->Open();
  for (int i = 0; i <= ICreateBuffCount; ++i)
    GetAnQuery(1, QString());
  FThread_Check = std::make_unique<TCheckThread>(this, std::move(ITicks));
}

TDBMrg::TDBMrg(TAdoConnection *IConn, int ICreateBuffCount, TTickSource ITicks) : FConn(IConn) {
  for (int i = 0; i < ICreateBuffCount; ++i)
    GetAnQuery(1, QString());
  FThread_Check = std::make_unique<TCheckThread>(this, std::move(ITicks));
}

TDBMrg::~TDBMrg() {
  // The checker is gone before the list it walks is released.
  FThread_Check.reset();
  if (FAutoFreeConn)
    FConn->Close();
  FPool.clear();
  FOwnConn.reset();
}

TAdoQuery *TDBMrg::NewEntry(const QString &name, const QString &marker) {
  auto query = std::make_unique<TAdoQuery>(FConn);
  query->SetName(name);
  query->SetTag(int(FPool.size()));
  FPool.push_back(TPoolEntry{marker, std::move(query)});
  return FPool.back().Query.get();
}

TAdoQuery *TDBMrg::GetAnQuery(int IuserTime, const QString &Iname) {
  const QString marker = IuserTime == 0 ? QString() : QString::number(IuserTime);
  std::lock_guard<std::mutex> lock(FLock);
  if (int(FPool.size()) > FTotCount)
    Raise(
        QStringLiteral("AdoQuery已经达到最大限制数量！缓冲池不允许再添加新对象\r请检查是否由于忘记回归ADOQUERY所导致"));
  if (!Iname.isEmpty()) {
    const QString name = PoolPrefix + Iname;
    for (auto &entry : FPool) {
      if (entry.Query->Name() == name) {
        entry.sMarker = marker;
        return entry.Query.get();
      }
    }
    return NewEntry(name, QStringLiteral("-1"));
  }
  for (auto &entry : FPool) {
    if (entry.sMarker.isEmpty()) {
      entry.sMarker = marker;
      return entry.Query.get();
    }
  }
  ++FName;
  return NewEntry(PoolPrefix + QString::number(FName), marker);
}

TAdoQuery *TDBMrg::GetAnQuery(const QString &Iname) {
  if (Iname.isEmpty())
    return nullptr;
  std::lock_guard<std::mutex> lock(FLock);
  if (int(FPool.size()) > FTotCount)
    Raise(
        QStringLiteral("AdoQuery已经达到最大限制数量！缓冲池不允许再添加新对象\r请检查是否由于忘记回归ADOQUERY所导致"));
  const QString name = PoolPrefix + Iname;
  for (auto &entry : FPool)
    if (entry.Query->Name() == name)
      return entry.Query.get();
  return NewEntry(name, QStringLiteral("-1"));
}

void TDBMrg::BackToPool(TAdoQuery *Iado) {
  if (!Iado)
    return;
  std::lock_guard<std::mutex> lock(FLock);
  const int tag = Iado->Tag();
  if (tag < 0 || tag >= int(FPool.size()))
    Raise(QStringLiteral("回归Adoquery的时候异常 Tag属性被改变"));
  FPool[size_t(tag)].sMarker.clear();
}

void TDBMrg::BackToPool(const QString &Iname) {
  std::lock_guard<std::mutex> lock(FLock);
  for (auto &entry : FPool)
    if (entry.Query->Name() == Iname)
      entry.sMarker.clear();
}

void TDBMrg::AddAnOutAdo(std::unique_ptr<TAdoQuery> &&Iado) {
  if (!Iado)
    return;
  Iado->Close();
  Iado->SetConnection(FConn);
  std::lock_guard<std::mutex> lock(FLock);
  if (int(FPool.size()) + 1 > FTotCount)
    Raise(QStringLiteral("已经达到最大限度不允许在添加新的QUERY"));
  Iado->SetTag(int(FPool.size()));
  FPool.push_back(TPoolEntry{QString(), std::move(Iado)});
}

int TDBMrg::PoolCount() const {
  std::lock_guard<std::mutex> lock(FLock);
  return int(FPool.size());
}

int TDBMrg::PoolFreeCount() const {
  std::lock_guard<std::mutex> lock(FLock);
  int count = 0;
  for (const auto &entry : FPool)
    if (!entry.Query->Active() || entry.Query->RecordCount() == 0)
      ++count;
  return count;
}

QString TDBMrg::PoolMarker(int index) const {
  std::lock_guard<std::mutex> lock(FLock);
  return FPool.at(size_t(index)).sMarker;
}

TAdoQuery *TDBMrg::PoolQuery(int index) const {
  std::lock_guard<std::mutex> lock(FLock);
  return FPool.at(size_t(index)).Query.get();
}

void TDBMrg::CheckPass() {
  std::lock_guard<std::mutex> lock(FLock);
  for (auto entry = FPool.rbegin(); entry != FPool.rend(); ++entry) {
    QString &marker = entry->sMarker;
    if (marker.isEmpty() || marker == QLatin1String("-1"))
      continue;
    bool ok = false;
    const int left = marker.toInt(&ok);
    // "0" ends the loan; a marker that is no number is freed as well.
    marker = ok && left != 0 ? QString::number(left - 1) : QString();
  }
}

// ---------------------------------------------------------------------------------------------
// Statement operations

class TDBMrg::TGiveBack {
public:
  TGiveBack(TDBMrg &pool, TAdoQuery *query) : FPool(pool), FQuery(query) {}
  ~TGiveBack() {
    std::lock_guard<std::mutex> lock(FPool.FLock);
    FPool.FPool[size_t(FQuery->Tag())].sMarker.clear();
  }
  TGiveBack(const TGiveBack &) = delete;
  TGiveBack &operator=(const TGiveBack &) = delete;
  TAdoQuery *Query() const { return FQuery; }

private:
  TDBMrg &FPool;
  TAdoQuery *FQuery;
};

void TDBMrg::SetStatement(TAdoQuery *query, const QString &sql, const TSqlParams &params) {
  query->Close();
  query->SetSql(sql);
  params.ApplyTo(*query);
}

int TDBMrg::ExecClosing(TAdoQuery *query, const QString &sql, const TSqlParams &params) {
  try {
    SetStatement(query, sql, params);
    const int rows = query->ExecSQL();
    query->Close();
    return rows;
  } catch (...) {
    query->Close();
    throw;
  }
}

TAdoQuery *TDBMrg::OpenLeft(TAdoQuery *query, const QString &sql, const TSqlParams &params) {
  SetStatement(query, sql, params);
  query->Open();
  return query;
}

int TDBMrg::ExecAnSql(const QString &Isql, const TSqlParams &IParams) {
  TGiveBack loan(*this, GetAnQuery(1, QString()));
  return ExecClosing(loan.Query(), Isql, IParams);
}

int TDBMrg::ExecAnSql(const QString &IPattern, TFmtValues IValues, const TSqlParams &IParams) {
  TGiveBack loan(*this, GetAnQuery(1, QString()));
  return ExecClosing(loan.Query(), FormatStatement(IPattern, IValues), IParams);
}

int TDBMrg::ExecAnSql(int IuserTime, const QString &IPattern, TFmtValues IValues, const TSqlParams &IParams) {
  TGiveBack loan(*this, GetAnQuery(IuserTime, QString()));
  return ExecClosing(loan.Query(), FormatStatement(IPattern, IValues), IParams);
}

int TDBMrg::ExecAnSql(TAdoQuery *Iado, const QString &IPattern, TFmtValues IValues, const TSqlParams &IParams) {
  return ExecClosing(Iado, FormatStatement(IPattern, IValues), IParams);
}

int TDBMrg::ExecAnSql(TAdoQuery *Iado, const QString &Isql, const TSqlParams &IParams) {
  return ExecClosing(Iado, Isql, IParams);
}

TAdoQuery *TDBMrg::OpenDataset(const QString &Isql, const TSqlParams &IParams) {
  return OpenLeft(GetAnQuery(1, QString()), Isql, IParams);
}

TAdoQuery *TDBMrg::OpenDataset(const QString &IadoName, const QString &Isql, const TSqlParams &IParams) {
  TAdoQuery *query = GetAnQuery(IadoName);
  if (!query)
    Raise(QStringLiteral("OpenDataset: a named query needs a name"));
  return OpenLeft(query, Isql, IParams);
}

TAdoQuery *TDBMrg::OpenDataset(int IuserTime, const QString &IPattern, TFmtValues IValues, const TSqlParams &IParams) {
  return OpenLeft(GetAnQuery(IuserTime, QString()), FormatStatement(IPattern, IValues), IParams);
}

TAdoQuery *TDBMrg::OpenDataset(const QString &IPattern, TFmtValues IValues, const TSqlParams &IParams) {
  return OpenLeft(GetAnQuery(1, QString()), FormatStatement(IPattern, IValues), IParams);
}

TAdoQuery *TDBMrg::OpenDataset(TAdoQuery *Iado, const QString &IPattern, TFmtValues IValues,
                               const TSqlParams &IParams) {
  return OpenLeft(Iado, FormatStatement(IPattern, IValues), IParams);
}

TAdoQuery *TDBMrg::OpenTable(const QString &ItabName, int IQueryRight) {
  return OpenTable(ItabName, GetAnQuery(IQueryRight, QString()));
}

TAdoQuery *TDBMrg::OpenTable(const QString &ItabName, TAdoQuery *Iado) {
  return OpenLeft(Iado, FormatStatement(QStringLiteral("Select * from %s "), {ItabName}), {});
}

TAdoQuery *TDBMrg::Ready(const QString &ItabName, int IQueryRight) {
  return Ready(ItabName, GetAnQuery(IQueryRight, QString()));
}

TAdoQuery *TDBMrg::Ready(const QString &ItabName, TAdoQuery *Iado) {
  return OpenLeft(Iado, FormatStatement(QStringLiteral("Select * from %s where 1=2"), {ItabName}), {});
}

int TDBMrg::CountWhere(int useTime, bool close, const QString &ItabName, const QString &IFieldName,
                       const QVariant &Ivalue) {
  TGiveBack loan(*this, GetAnQuery(useTime, QString()));
  TAdoQuery *query = loan.Query();
  try {
    OpenLeft(query,
             FormatStatement(QStringLiteral("Select Count(%s) as MyCount from %s where %s=:variant"),
                             {IFieldName, ItabName, IFieldName}),
             {{QStringLiteral("variant"), Ivalue}});
    const int count = query->FieldByName(QStringLiteral("MyCount")).AsInteger();
    if (close)
      query->Close();
    return count;
  } catch (...) {
    if (close)
      query->Close();
    throw;
  }
}

int TDBMrg::GetCount(const QString &ItabName, const QString &IFieldName, const QVariant &Ivalue) {
  try {
    return CountWhere(1, false, ItabName, IFieldName, Ivalue);
  } catch (const std::exception &) {
    return 0;
  }
}

int TDBMrg::GetCount(const QString &ItabName) {
  TGiveBack loan(*this, GetAnQuery(0, QString()));
  TAdoQuery *query =
      OpenLeft(loan.Query(), FormatStatement(QStringLiteral("Select Count(*) as MyCount from %s"), {ItabName}), {});
  return query->FieldByName(QStringLiteral("MyCount")).AsInteger();
}

bool TDBMrg::IsExitThis(const QString &ItabName, const QString &IFieldName, const QVariant &Ivalue) {
  return CountWhere(0, true, ItabName, IFieldName, Ivalue) > 0;
}

QVariant TDBMrg::GetSomeThing(const QString &ItabName, const QString &IGetField, const QString &IWhereField,
                              const QVariant &Ivalue) {
  TGiveBack loan(*this, GetAnQuery(0, QString()));
  TAdoQuery *query = loan.Query();
  try {
    OpenLeft(query,
             FormatStatement(QStringLiteral("Select %s as MyGetField from %s where %s=:VarIant"),
                             {IGetField, ItabName, IWhereField}),
             {{QStringLiteral("VarIant"), Ivalue}});
    QVariant value;
    if (query->RecordCount() > 0) {
      query->First();
      value = query->FieldByName(QStringLiteral("MyGetField")).AsVariant();
    }
    query->Close();
    return value;
  } catch (...) {
    query->Close();
    throw;
  }
}

int TDBMrg::DeleteSomeThing(const QString &ItabName, const QString &IFieldName, const QVariant &Ivalue) {
  TGiveBack loan(*this, GetAnQuery(0, QString()));
  return ExecClosing(loan.Query(),
                     FormatStatement(QStringLiteral("Delete from %s where %s=:VarIant"), {ItabName, IFieldName}),
                     {{QStringLiteral("VarIant"), Ivalue}});
}

int TDBMrg::MaxOf(const QString &ItabName, const QString &IFieldName) {
  TGiveBack loan(*this, GetAnQuery(1, QString()));
  TAdoQuery *query = OpenLeft(
      loan.Query(), FormatStatement(QStringLiteral("Select Max(%s) as myMax  from  %s"), {IFieldName, ItabName}), {});
  return query->FieldByName(QStringLiteral("MyMax")).AsInteger();
}

int TDBMrg::GetMaxID(const QString &ItabName, const QString &IFieldName) {
  const int max = MaxOf(ItabName, IFieldName);
  return max <= 0 ? 0 : max;
}

int TDBMrg::GetId(const QString &ItabName, const QString &IFieldName) {
  const int max = MaxOf(ItabName, IFieldName);
  return max <= 0 ? 1 : max + 1;
}

bool TDBMrg::CheckModState(const TAdoQuery *Iado) {
  return Iado->State() == TDataSetState::dsEdit || Iado->State() == TDataSetState::dsInsert;
}

bool TDBMrg::SafePost(TAdoQuery *Iado) {
  const bool modified = CheckModState(Iado);
  if (modified)
    Iado->Post();
  return modified;
}

// ---------------------------------------------------------------------------------------------
// Connection strings and new files

QString TDBMrg::GetAccessConnStr(const QString &IDataSource, const QString &Ipsd) {
  if (Ipsd.isEmpty())
    return FormatStatement(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Password=\"\";Data Source=%s;"
                                          "Mode=Share Deny None; Extended Properties = \"\""),
                           {IDataSource});
  return FormatStatement(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=%s;Persist Security "
                                        "Info=True;Jet OLEDB:Database Password=%s;"),
                         {IDataSource, Ipsd});
}

QString TDBMrg::GetExcelConnStr(const QString &IFileName) {
  return FormatStatement(QStringLiteral("Provider = Microsoft.Jet.OLEDB.4.0;Data Source = %s; Extended "
                                        "Properties = EXCEL 8.0; Persist Security Info = False;"),
                         {IFileName});
}

QString TDBMrg::GetMsSQLConnStr(const QString &IDataSource, const QString &IAcc, const QString &Ipsd,
                                const QString &IDataBase) {
  return FormatStatement(QStringLiteral("Provider=SQLOLEDB.1;Password=%s;Persist Security Info=True;User "
                                        "ID=%s;Initial Catalog=%s;Data Source=%s"),
                         {Ipsd, IAcc, IDataBase, IDataSource});
}

QString TDBMrg::GetOracleConnStr(const QString &IDataSource, const QString &IAcc, const QString &Ipsd) {
  return FormatStatement(
      QStringLiteral("Provider=OraOLEDB.Oracle.1;Password=%s;Persist Security Info=True;User ID=%s;Data Source=%s"),
      {Ipsd, IAcc, IDataSource});
}

QString TDBMrg::GetDBFConnStr(const QString &IDBPath) {
  return FormatStatement(QStringLiteral("Provider=MSDASQL.1;Persist Security Info=False; Extended "
                                        "Properties=\"Driver={Microsoft Visual FoxPro "
                                        "Driver};UID=;SourceDB=%s;SourceType=DBF;Exclusive=No;BackgroundFetch=Yes;"
                                        "Collate=PINYIN;Null=Yes;Deleted=no;\""),
                         {IDBPath});
}

QString TDBMrg::GetTextConnStr(const QString &IDBPath) {
  return FormatStatement(
      QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;User ID=Admin;Data Source=%s;Extended Properties=text"),
      {IDBPath});
}

QString TDBMrg::GetMySqlConnStr(const QString &IDataSource, const QString &IDbName, const QString &IAcc,
                                const QString &Ipsd) {
  return FormatStatement(
      QStringLiteral("DRIVER={MySQL ODBC 3.51 Driver};SERVER=%s;DATABASE=%s;UID=%s;PASSWORD=%s;OPTION=3"),
      {IDataSource, IDbName, IAcc, Ipsd});
}

void TDBMrg::CreateAccessFile(const QString &IFileName, const QString &lpsd) {
  AdoCreateDatabase(
      FormatStatement(QStringLiteral("Provider=Microsoft.Jet.OleDb.4.0;Data Source=%s;Jet OLEDB:Database Password=%s;"),
                      {IFileName, lpsd}));
}
