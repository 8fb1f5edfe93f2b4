#pragma once
// The query pool: the one gateway of a process to one database file. It owns the connection
// and a list of reusable query objects bound to it. Borrowers do not hand queries back; each
// loan carries a use time in seconds, kept as a marker text beside the query, and the pool's
// checker thread counts the markers down once a second and frees a query when its time is up.
//
// Markers: empty = free; "n" (n >= 0) = lent, one less at each pass, empty one pass after "0";
// "-1" = lent for good (a query requested by name).
//
// Operations that return a value (ExecAnSql, GetCount, IsExitThis, GetSomeThing,
// DeleteSomeThing, GetMaxID, GetId) free the query they borrowed as they return: nobody else
// holds it, and keeping it lent would only make a burst of statements run into the limit.
// Queries handed to the caller (OpenDataset, OpenTable, Ready) stay lent for their use time.
//
// Statement operations take table and column names by formatting ("%s" in the pattern) and
// every value as a named statement parameter, so values never become statement text.
#include "platform/ado/AdoConnection.h"
#include "platform/ado/AdoQuery.h"

#include <QString>
#include <QVariant>
#include <QVariantList>

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

// Named values of a statement: {{"app", path}, {"dt", schedule}} for ":app" and ":dt".
class TSqlParams {
public:
  TSqlParams() = default;
  TSqlParams(std::initializer_list<std::pair<QString, QVariant>> params) : FParams(params) {}
  void Add(const QString &name, const QVariant &value) { FParams.emplace_back(name, value); }
  void ApplyTo(TAdoQuery &query) const;

private:
  std::vector<std::pair<QString, QVariant>> FParams;
};

// The values a pattern is filled with. A braced list picks the pattern overloads below.
using TFmtValues = std::initializer_list<QVariant>;

// Fills "%s" with the text of the next value and "%d" with the next value as a whole number;
// "%%" is one percent sign. Too few values, or "%d" of something that is no number, fail.
QString FormatStatement(const QString &pattern, const QVariant *first, const QVariant *last);
inline QString FormatStatement(const QString &pattern, TFmtValues values) {
  return FormatStatement(pattern, values.begin(), values.end());
}
inline QString FormatStatement(const QString &pattern, const QVariantList &values) {
  return FormatStatement(pattern, values.constData(), values.constData() + values.size());
}

// Milliseconds of a clock that wraps around at 2^32, as the system tick count does.
using TTickSource = std::function<std::uint32_t()>;
std::uint32_t SystemTickCount();
// True when at least `interval` ms have passed from `since` to `now`, across a wrap-around.
inline bool TicksElapsed(std::uint32_t now, std::uint32_t since, std::uint32_t interval) {
  return std::uint32_t(now - since) >= interval;
}

class TDBMrg;

// The pool's checker: every 100 ms it looks whether a second has passed since its last pass
// and, if so, makes a pass over the pool's markers.
class TCheckThread {
public:
  TCheckThread(TDBMrg *IDbMrg, TTickSource ITicks);
  ~TCheckThread();  // tells the thread to stop and waits for it
  TCheckThread(const TCheckThread &) = delete;
  TCheckThread &operator=(const TCheckThread &) = delete;

  TDBMrg *DbMrg;

private:
  void Execute();

  TTickSource FTicks;
  std::uint32_t CheckTime;
  std::mutex FStopLock;
  std::condition_variable FStopSignal;
  bool FStop = false;
  std::thread FThread;
};

class TDBMrg {
public:
  // Opens the connection (timeout `iTimeOut` seconds) and makes ICreateBuffCount + 1 queries
  // ready, each lent for 1 second; then starts the checker. `ITicks` replaces the system tick
  // count (for driving the checker from a test).
  TDBMrg(const QString &IConStr, int iTimeOut, int ICreateBuffCount, TTickSource ITicks = SystemTickCount);
  // Over a connection owned by someone else; makes exactly ICreateBuffCount queries ready.
  TDBMrg(TAdoConnection *IConn, int ICreateBuffCount, TTickSource ITicks = SystemTickCount);
  // Stops the checker and waits for it, closes an own connection, releases every query.
  ~TDBMrg();
  TDBMrg(const TDBMrg &) = delete;
  TDBMrg &operator=(const TDBMrg &) = delete;

  int TotCount() const { return FTotCount; }
  void SetTotCount(int value) { FTotCount = value; }

  // Lends a query for IuserTime seconds (0: without reserving it). With a name, the query
  // named "MyPool" + Iname (created with marker "-1" when missing).
  TAdoQuery *GetAnQuery(int IuserTime, const QString &Iname);
  // Lends the query named "MyPool" + Iname for good; null for an empty name.
  TAdoQuery *GetAnQuery(const QString &Iname);
  void BackToPool(TAdoQuery *Iado);
  void BackToPool(const QString &Iname);
  // Adopts a query made elsewhere: closes it, binds it to the pool's connection and appends
  // it free. On success the pool owns it (Iado is left empty); on failure the caller keeps it.
  void AddAnOutAdo(std::unique_ptr<TAdoQuery> &&Iado);
  int PoolCount() const;
  // Queries whose result set is empty (closed, or open without rows).
  int PoolFreeCount() const;
  TAdoConnection *GetConn() const { return FConn; }
  // The marker and the query of entry `index` (for inspection).
  QString PoolMarker(int index) const;
  TAdoQuery *PoolQuery(int index) const;

  // One pass of the checker over the markers, from the last entry down to the first.
  void CheckPass();

  // Statement operations; queries that are "left open" stay open for the caller to read.
  int ExecAnSql(const QString &Isql, const TSqlParams &IParams = {});
  int ExecAnSql(const QString &IPattern, TFmtValues IValues, const TSqlParams &IParams = {});
  int ExecAnSql(int IuserTime, const QString &IPattern, TFmtValues IValues, const TSqlParams &IParams = {});
  int ExecAnSql(TAdoQuery *Iado, const QString &IPattern, TFmtValues IValues, const TSqlParams &IParams = {});
  // The given query with a statement that is already complete.
  int ExecAnSql(TAdoQuery *Iado, const QString &Isql, const TSqlParams &IParams);
  TAdoQuery *OpenDataset(const QString &Isql, const TSqlParams &IParams = {});
  TAdoQuery *OpenDataset(const QString &IadoName, const QString &Isql, const TSqlParams &IParams = {});
  TAdoQuery *OpenDataset(int IuserTime, const QString &IPattern, TFmtValues IValues, const TSqlParams &IParams = {});
  TAdoQuery *OpenDataset(const QString &IPattern, TFmtValues IValues, const TSqlParams &IParams = {});
  TAdoQuery *OpenDataset(TAdoQuery *Iado, const QString &IPattern, TFmtValues IValues, const TSqlParams &IParams = {});
  TAdoQuery *OpenTable(const QString &ItabName, int IQueryRight);
  TAdoQuery *OpenTable(const QString &ItabName, TAdoQuery *Iado);
  TAdoQuery *Ready(const QString &ItabName, int IQueryRight);
  TAdoQuery *Ready(const QString &ItabName, TAdoQuery *Iado);
  // Rows whose IFieldName equals Ivalue; 0 also when the statement fails.
  int GetCount(const QString &ItabName, const QString &IFieldName, const QVariant &Ivalue);
  int GetCount(const QString &ItabName);
  bool IsExitThis(const QString &ItabName, const QString &IFieldName, const QVariant &Ivalue);
  // IGetField of the first row whose IWhereField equals Ivalue; an invalid QVariant when none.
  QVariant GetSomeThing(const QString &ItabName, const QString &IGetField, const QString &IWhereField,
                        const QVariant &Ivalue);
  int DeleteSomeThing(const QString &ItabName, const QString &IFieldName, const QVariant &Ivalue);
  // The largest IFieldName of the table, 0 for an empty table.
  int GetMaxID(const QString &ItabName, const QString &IFieldName);
  // GetMaxID + 1.
  int GetId(const QString &ItabName, const QString &IFieldName);
  static bool CheckModState(const TAdoQuery *Iado);
  static bool SafePost(TAdoQuery *Iado);

  // Connection strings of the provider family.
  static QString GetAccessConnStr(const QString &IDataSource, const QString &Ipsd);
  static QString GetExcelConnStr(const QString &IFileName);
  static QString GetMsSQLConnStr(const QString &IDataSource, const QString &IAcc, const QString &Ipsd,
                                 const QString &IDataBase);
  static QString GetOracleConnStr(const QString &IDataSource, const QString &IAcc, const QString &Ipsd);
  static QString GetDBFConnStr(const QString &IDBPath);
  static QString GetTextConnStr(const QString &IDBPath);
  static QString GetMySqlConnStr(const QString &IDataSource, const QString &IDbName, const QString &IAcc,
                                 const QString &Ipsd);
  // A new, empty database file keyed with lpsd.
  static void CreateAccessFile(const QString &IFileName, const QString &lpsd);

private:
  struct TPoolEntry {
    QString sMarker;
    std::unique_ptr<TAdoQuery> Query;
  };

  TAdoQuery *NewEntry(const QString &name, const QString &marker);  // caller holds FLock
  // Frees the marker of a query an operation borrowed and no caller ever sees.
  class TGiveBack;
  static void SetStatement(TAdoQuery *query, const QString &sql, const TSqlParams &params);
  int ExecClosing(TAdoQuery *query, const QString &sql, const TSqlParams &params);
  TAdoQuery *OpenLeft(TAdoQuery *query, const QString &sql, const TSqlParams &params);
  int MaxOf(const QString &ItabName, const QString &IFieldName);
  // Select Count(field) ... where field=value. GetCount and IsExitThis differ in use time,
  // in whether the query is closed after, and in what an error does.
  int CountWhere(int useTime, bool close, const QString &ItabName, const QString &IFieldName, const QVariant &Ivalue);

  TAdoConnection *FConn = nullptr;
  std::unique_ptr<TAdoConnection> FOwnConn;  // set when FAutoFreeConn
  bool FAutoFreeConn = false;
  std::vector<TPoolEntry> FPool;
  int FName = 0;
  int FTotCount = 500;
  // One lock for the marker list, taken by borrowers and by the checker alike.
  mutable std::mutex FLock;
  std::unique_ptr<TCheckThread> FThread_Check;
};
