#include "datastore/uHistoryRecordsDao.h"

#include "common/uGuardLink.h"
#include "datastore/uRecordInfo.h"

const THistoryRecordsDao::TTableStruct THistoryRecordsDao::TableStruct = {
    QStringLiteral("historyrecords"), QStringLiteral("hid"), QStringLiteral("info")};

namespace {
const QString KeyDatetime = QStringLiteral("datetime");
const QString KeyItem = QStringLiteral("item");
}  // namespace

// In guarded mode each function is one call of the guard, which keeps the table.

TModelList<THistoryRecords> THistoryRecordsDao::QueryAll() {
  if (const TGuardLink *guard = TGuardLink::Active()) {
    TModelList<THistoryRecords> list;
    for (const TGuardRow &row : guard->CallRows(QStringLiteral("GetViolations")))
      list.push_back(std::make_unique<THistoryRecords>(THistoryRecords{row.iKey, row.sFirst, row.sSecond}));
    return list;
  }
  return ReadAll<THistoryRecords>(TableStruct.sTableName, [](TAdoQuery &query, THistoryRecords &model) {
    model.hid = query.FieldByName(TableStruct.sHID).AsInteger();
    const TRecordInfo info = ReadRecordInfo(query.FieldByName(TableStruct.sInfo).AsString(), KeyDatetime, KeyItem);
    model.datetime = info.sFirst;
    model.item = info.sSecond;
  });
}

int THistoryRecordsDao::DeleteFromHID(int32_t hid) {
  if (const TGuardLink *guard = TGuardLink::Active())
    return guard->Call(QStringLiteral("DeleteViolation"), {hid}).value(0).toInt();
  return DeleteByKey(TableStruct.sTableName, TableStruct.sHID, hid);
}

int THistoryRecordsDao::Insert(const THistoryRecords *model) {
  if (!model)
    return 0;
  if (const TGuardLink *guard = TGuardLink::Active())
    return guard->Call(QStringLiteral("AddViolation"), {model->datetime, model->item}).value(0).toInt();
  const QString info = FormatRecordInfo(KeyDatetime, model->datetime, KeyItem, model->item);
  return InsertRow(TableStruct.sTableName, {{TableStruct.sInfo, info}}) < 0 ? 0 : 1;
}
