#include "datastore/uAppsDao.h"

#include "common/uFrmInfos.h"
#include "common/uMsgs.h"

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

}  // namespace

int TAppsDao::Insert(const TAppsModel *Model) {
  if (!Model)
    return -1;
  const int key =
      InsertRow(TTableStruct.sTableName, {{TTableStruct.sApp, Model->sApp}, {TTableStruct.sDt, Model->sDt}});
  if (key > 0)
    NotifyAppsChanged(1, key);
  return key;
}

int TAppsDao::DeleteFromAID(int aid) {
  const int rows = DeleteByKey(TTableStruct.sTableName, TTableStruct.sAid, aid);
  if (rows == 1)
    NotifyAppsChanged(-1, aid);
  return rows;
}

TModelList<TAppsModel> TAppsDao::QueryAll() { return ReadAll<TAppsModel>(TTableStruct.sTableName, ReadRow); }

int TAppsDao::CountAll() { return DBMrg()->GetCount(TTableStruct.sTableName); }

std::unique_ptr<TAppsModel> TAppsDao::QueryFormAID(int aid) {
  return ReadOne<TAppsModel>(TTableStruct.sTableName, TTableStruct.sAid, aid, ReadRow);
}

void TAppsDao::NotifyAppsChanged(int64_t wParam, int64_t lParam) {
  SendToTitle(FrmInfos[fiLockChannel], WM_APPSUPDATE, wParam, lParam);
}
