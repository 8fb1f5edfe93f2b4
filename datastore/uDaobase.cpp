#include "datastore/uDaobase.h"

#include <QStringList>

#include <stdexcept>

TDBMrg *TDaobase::DBMrg() const {
  if (!FDBMrg)
    FDBMrg = TDBMrgFactory::GetDBMrg(FDBMrgID);
  return FDBMrg;
}

TAdoQuery *TDaobase::OpenWhere(const QString &ItabName, const QString &IFieldName, const QVariant &Ivalue) {
  return DBMrg()->OpenDataset(1, QStringLiteral("Select * from %s where %s=:value"), {ItabName, IFieldName},
                              {{QStringLiteral("value"), Ivalue}});
}

void TDaobase::ReadRows(TAdoQuery *query, const std::function<void(TAdoQuery &)> &row) {
  try {
    if (query->RecordCount() > 0) {
      query->First();
      while (!query->Eof()) {
        try {
          row(*query);
        } catch (const std::exception &) {
          // an unreadable row is left out of the result
        }
        query->Next();
      }
    }
    Finish(query);
  } catch (...) {
    Finish(query);
    throw;
  }
}

void TDaobase::Finish(TAdoQuery *query) {
  query->Close();
  DBMrg()->BackToPool(query);
}

int TDaobase::InsertRow(const QString &ItabName, TColumnValues IColumns) {
  QStringList names, marks;
  TSqlParams params;
  int n = 0;
  for (const auto &column : IColumns) {
    const QString mark = QStringLiteral("v%1").arg(n++);
    names << column.first;
    marks << u':' + mark;
    params.Add(mark, column.second);
  }
  const QString sql = FormatStatement(QStringLiteral("Insert Into %s(%s) values (%s)"),
                                      QVariantList{ItabName, names.join(u','), marks.join(u',')});
  TAdoQuery *query = DBMrg()->GetAnQuery(1, QString());
  int rows;
  try {
    rows = DBMrg()->ExecAnSql(query, sql, params);
  } catch (...) {
    DBMrg()->BackToPool(query);
    throw;
  }
  // The key of this very row, even when another process has inserted a row meanwhile; read
  // before the query goes back, when another borrower may run a statement on it.
  const int key = rows == 1 ? int(query->LastInsertId()) : -1;
  DBMrg()->BackToPool(query);
  return key;
}

int TDaobase::DeleteByKey(const QString &ItabName, const QString &IKeyField, int Ikey) {
  return DBMrg()->DeleteSomeThing(ItabName, IKeyField, Ikey);
}
