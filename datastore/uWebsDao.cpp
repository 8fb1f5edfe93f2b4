#include "datastore/uWebsDao.h"

#include "common/uChangeNotices.h"
#include "common/uGuardLink.h"

namespace {

const struct {
  QString sTableName = QStringLiteral("webs");
  QString sWid = QStringLiteral("wid");
  QString sUrl = QStringLiteral("url");
  QString sDt = QStringLiteral("dt");
} TTableStruct;

void ReadRow(TAdoQuery &query, TWebsModel &model) {
  model.iWid = query.FieldByName(TTableStruct.sWid).AsInteger();
  model.sUrl = query.FieldByName(TTableStruct.sUrl).AsString();
  model.sDt = query.FieldByName(TTableStruct.sDt).AsString();
}

}  // namespace

// In guarded mode each function is one call of the guard, which keeps the table.

int TWebsDao::Insert(const TWebsModel *Model) {
  if (!Model)
    return -1;
  const TGuardLink *guard = TGuardLink::Active();
  const int key =
      guard ? guard->Call(QStringLiteral("AddBlackListRow"), {Model->sUrl, Model->sDt}).value(0).toInt()
            : InsertRow(TTableStruct.sTableName, {{TTableStruct.sUrl, Model->sUrl}, {TTableStruct.sDt, Model->sDt}});
  if (key > 0)
    NotifyBlackListChanged(1, key);
  return key;
}

int TWebsDao::DeleteFromCID(int wid) {
  const TGuardLink *guard = TGuardLink::Active();
  const int rows = guard ? guard->Call(QStringLiteral("DeleteBlackListRow"), {wid}).value(0).toInt()
                         : DeleteByKey(TTableStruct.sTableName, TTableStruct.sWid, wid);
  if (rows == 1)
    NotifyBlackListChanged(-1, wid);
  return rows;
}

TModelList<TWebsModel> TWebsDao::QueryAll() {
  const TGuardLink *guard = TGuardLink::Active();
  if (!guard)
    return ReadAll<TWebsModel>(TTableStruct.sTableName, ReadRow);
  TModelList<TWebsModel> list;
  for (const TGuardRow &row : guard->CallRows(QStringLiteral("GetBlackList")))
    list.push_back(std::make_unique<TWebsModel>(TWebsModel{row.iKey, row.sFirst, row.sSecond}));
  return list;
}
