#pragma once
// Base of every table's data-access class: binds the object to the query pool of one
// database and holds the read/insert/delete patterns all table classes share.
//
// Conventions of a table module: a constant record `TTableStruct` with `sTableName` and one
// text per column name, from which every statement is built; a model record per row (keys as
// integers, memo columns as text). Reading functions hand the caller new models that it owns.
// Values always travel as statement parameters, so any text (an apostrophe included) is
// stored as given.
#include "datastore/uDBMrg.h"
#include "datastore/uDBMrgFactory.h"

#include <QString>
#include <QVariant>

#include <functional>
#include <initializer_list>
#include <memory>
#include <utility>
#include <vector>

template <class TModel> using TModelList = std::vector<std::unique_ptr<TModel>>;

// A column and the value to store in it.
using TColumnValues = std::initializer_list<std::pair<QString, QVariant>>;

class TDaobase {
public:
  // Binds to the pool of the database, opened on the first statement of the process (in
  // guarded mode a table class may never open the local file).
  explicit TDaobase(TDBMrgID ADBMrgID) : FDBMrgID(ADBMrgID) {}
  virtual ~TDaobase() = default;
  TDaobase(const TDaobase &) = delete;
  TDaobase &operator=(const TDaobase &) = delete;

protected:
  TDBMrg *DBMrg() const;

  // Every row of the table, in table order. `readRow(query, model)` fills one model from the
  // current row; a row it cannot read (it throws) is left out and reading goes on.
  template <class TModel, class TReadRow> TModelList<TModel> ReadAll(const QString &ItabName, TReadRow readRow) {
    TModelList<TModel> list;
    ReadRows(DBMrg()->OpenTable(ItabName, 1), [&](TAdoQuery &query) { AppendRow<TModel>(list, query, readRow); });
    return list;
  }

  // The rows whose column IFieldName equals Ivalue, in table order; unreadable rows left out.
  template <class TModel, class TReadRow>
  TModelList<TModel> ReadAllWhere(const QString &ItabName, const QString &IFieldName, const QVariant &Ivalue,
                                  TReadRow readRow) {
    TModelList<TModel> list;
    ReadRows(OpenWhere(ItabName, IFieldName, Ivalue),
             [&](TAdoQuery &query) { AppendRow<TModel>(list, query, readRow); });
    return list;
  }

  // The row whose key column holds Ikey; null unless exactly one row has it.
  template <class TModel, class TReadRow>
  std::unique_ptr<TModel> ReadOne(const QString &ItabName, const QString &IKeyField, int Ikey, TReadRow readRow) {
    std::unique_ptr<TModel> model;
    TAdoQuery *query = OpenWhere(ItabName, IKeyField, Ikey);
    try {
      if (query->RecordCount() == 1) {
        query->First();
        model = std::make_unique<TModel>();
        readRow(*query, *model);
      }
      Finish(query);
    } catch (...) {
      Finish(query);
      throw;
    }
    return model;
  }

  // Inserts one row; returns the key the database gave it, or -1 when no row was inserted.
  int InsertRow(const QString &ItabName, TColumnValues IColumns);
  // Deletes the row with key Ikey; returns the number of rows deleted.
  int DeleteByKey(const QString &ItabName, const QString &IKeyField, int Ikey);

private:
  template <class TModel, class TReadRow>
  static void AppendRow(TModelList<TModel> &list, TAdoQuery &query, TReadRow &readRow) {
    auto model = std::make_unique<TModel>();
    readRow(query, *model);
    list.push_back(std::move(model));
  }
  TAdoQuery *OpenWhere(const QString &ItabName, const QString &IFieldName, const QVariant &Ivalue);
  // Closes a query of a pattern and gives it back to the pool.
  void Finish(TAdoQuery *query);
  // Walks the rows of an open query, skipping rows whose handler throws; then Finish.
  void ReadRows(TAdoQuery *query, const std::function<void(TAdoQuery &)> &row);

  TDBMrgID FDBMrgID;
  mutable TDBMrg *FDBMrg = nullptr;
};
