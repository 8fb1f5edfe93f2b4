#include "appcentre/uAppInfosDao.h"

const TAppInfosTableStruct AppInfosTable = {QStringLiteral("appinfos"), QStringLiteral("aid"), QStringLiteral("cid"),
                                            QStringLiteral("info")};

TModelList<TAppInfosMode> TAppInfosDao::QueryAllFromCID(int32_t CID) {
  if (CID <= 0)
    return {};
  const TAppInfosTableStruct &t = AppInfosTable;
  return ReadAllWhere<TAppInfosMode>(t.sTableName, t.sCID, CID, [&t](TAdoQuery &query, TAppInfosMode &model) {
    model.iaid = query.FieldByName(t.sAID).AsInteger();
    model.icid = query.FieldByName(t.sCID).AsInteger();
    ReadInfoText(query.FieldByName(t.sInfo).AsString(), TExePathReading::AsStored, model);
  });
}
