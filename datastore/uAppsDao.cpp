#include "datastore/uAppsDao.h"

#include "common/uChangeNotices.h"
#include "common/uGuardLink.h"

namespace {

const struct {
  QString sTableName = QStringLiteral("apps");
  QString sAid = QStringLiteral("aid");
  QString sApp = QStringLiteral("app");
  QString sDt = QStringLiteral("dt");
} TTableStruct;

void ReadRow(TAdoQuery &query, TAppsModel &model) {
  model.iAid = query.FieldByName(TTableStruct.sAid).AsInteger();
  model.sApp = query.FieldByName(TTableStruct.sApp).AsString();
  model.sDt = query.FieldByName(TTableStruct.sDt).AsString();
}

std::unique_ptr<TAppsModel> ModelOf(const TGuardRow &row) {
  return std::make_unique<TAppsModel>(TAppsModel{row.iKey, row.sFirst, row.sSecond});
}

}  // namespace

// In guarded mode each function is one call of the guard, which keeps the table.

int TAppsDao::Insert(const TAppsModel *Model) {
  if (!Model)
    return -1;
  const TGuardLink *guard = TGuardLink::Active();
  const int key =
      guard ? guard->Call(QStringLiteral("AddLimit"), {Model->sApp, Model->sDt}).value(0).toInt()
            : InsertRow(TTableStruct.sTableName, {{TTableStruct.sApp, Model->sApp}, {TTableStruct.sDt, Model->sDt}});
  if (key > 0)
    NotifyLimitsChanged(1, key);
  return key;
}

int TAppsDao::DeleteFromAID(int aid) {
  const TGuardLink *guard = TGuardLink::Active();
  const int rows = guard ? guard->Call(QStringLiteral("DeleteLimit"), {aid}).value(0).toInt()
                         : DeleteByKey(TTableStruct.sTableName, TTableStruct.sAid, aid);
  if (rows == 1)
    NotifyLimitsChanged(-1, aid);
  return rows;
}

TModelList<TAppsModel> TAppsDao::QueryAll() {
  const TGuardLink *guard = TGuardLink::Active();
  if (!guard)
    return ReadAll<TAppsModel>(TTableStruct.sTableName, ReadRow);
  TModelList<TAppsModel> list;
  for (const TGuardRow &row : guard->CallRows(QStringLiteral("GetLimits")))
    list.push_back(ModelOf(row));
  return list;
}

int TAppsDao::CountAll() {
  if (const TGuardLink *guard = TGuardLink::Active())
    return guard->Call(QStringLiteral("CountLimits")).value(0).toInt();
  return DBMrg()->GetCount(TTableStruct.sTableName);
}

std::unique_ptr<TAppsModel> TAppsDao::QueryFormAID(int aid) {
  const TGuardLink *guard = TGuardLink::Active();
  if (!guard)
    return ReadOne<TAppsModel>(TTableStruct.sTableName, TTableStruct.sAid, aid, ReadRow);
  for (const TGuardRow &row : guard->CallRows(QStringLiteral("GetLimits")))
    if (row.iKey == aid)
      return ModelOf(row);
  return nullptr;
}
