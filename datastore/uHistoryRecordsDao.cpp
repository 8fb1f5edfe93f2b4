#include "datastore/uHistoryRecordsDao.h"

#include "datastore/uRecordInfo.h"

const THistoryRecordsDao::TTableStruct THistoryRecordsDao::TableStruct = {
    QStringLiteral("historyrecords"), QStringLiteral("hid"), QStringLiteral("info")};

namespace {
const QString KeyDatetime = QStringLiteral("datetime");
const QString KeyItem = QStringLiteral("item");
}  // namespace

TModelList<THistoryRecords> THistoryRecordsDao::QueryAll() {
  return ReadAll<THistoryRecords>(TableStruct.sTableName, [](TAdoQuery &query, THistoryRecords &model) {
    model.hid = query.FieldByName(TableStruct.sHID).AsInteger();
    const TRecordInfo info = ReadRecordInfo(query.FieldByName(TableStruct.sInfo).AsString(), KeyDatetime, KeyItem);
    model.datetime = info.sFirst;
    model.item = info.sSecond;
  });
}

int THistoryRecordsDao::DeleteFromHID(int32_t hid) {
  return DeleteByKey(TableStruct.sTableName, TableStruct.sHID, hid);
}

int THistoryRecordsDao::Insert(const THistoryRecords *model) {
  if (!model)
    return 0;
  const QString info = FormatRecordInfo(KeyDatetime, model->datetime, KeyItem, model->item);
  return InsertRow(TableStruct.sTableName, {{TableStruct.sInfo, info}}) < 0 ? 0 : 1;
}
