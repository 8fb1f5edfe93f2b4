#include "datastore/uWebsDao.h"

#include "common/uFrmInfos.h"
#include "common/uMsgs.h"
#include "platform/os/WindowDirectory.h"

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

int TWebsDao::Insert(const TWebsModel *Model) {
  if (!Model)
    return -1;
  const int key =
      InsertRow(TTableStruct.sTableName, {{TTableStruct.sUrl, Model->sUrl}, {TTableStruct.sDt, Model->sDt}});
  if (key > 0)
    NotifyWebsChanged(1, key);
  return key;
}

int TWebsDao::DeleteFromCID(int wid) {
  const int rows = DeleteByKey(TTableStruct.sTableName, TTableStruct.sWid, wid);
  if (rows == 1)
    NotifyWebsChanged(-1, wid);
  return rows;
}

TModelList<TWebsModel> TWebsDao::QueryAll() { return ReadAll<TWebsModel>(TTableStruct.sTableName, ReadRow); }

void TWebsDao::NotifyWebsChanged(int64_t wParam, int64_t lParam) {
  for (const TWindowRef &browser : FindWindowsByClass(FrmInfos[fiBrowserClass].sCaption))
    PostWindowMessage(browser, WM_WEBSUPDATE, wParam, lParam);
  PostToTitle(FrmInfos[fiLockChannel], WM_WEBSUPDATE, wParam, lParam);
}
