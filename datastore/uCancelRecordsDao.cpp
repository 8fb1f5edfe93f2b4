#include "datastore/uCancelRecordsDao.h"

#include "common/uGuardLink.h"
#include "datastore/uRecordInfo.h"

const TCancelRecordsDao::TTableStruct TCancelRecordsDao::TableStruct = {QStringLiteral("cancelrecords"),
                                                                        QStringLiteral("cid"), QStringLiteral("info")};

namespace {
const QString KeyTime = QStringLiteral("time");
const QString KeyCause = QStringLiteral("cause");
}  // namespace

// In guarded mode each function is one call of the guard, which keeps the table.

TModelList<TCancelRecordModel> TCancelRecordsDao::QueryAll() {
  if (const TGuardLink *guard = TGuardLink::Active()) {
    TModelList<TCancelRecordModel> list;
    for (const TGuardRow &row : guard->CallRows(QStringLiteral("GetCancelRecords")))
      list.push_back(std::make_unique<TCancelRecordModel>(TCancelRecordModel{row.iKey, row.sFirst, row.sSecond}));
    return list;
  }
  return ReadAll<TCancelRecordModel>(TableStruct.sTableName, [](TAdoQuery &query, TCancelRecordModel &model) {
    model.cid = query.FieldByName(TableStruct.sCID).AsInteger();
    const TRecordInfo info = ReadRecordInfo(query.FieldByName(TableStruct.sInfo).AsString(), KeyTime, KeyCause);
    model.time = info.sFirst;
    model.cause = info.sSecond;
  });
}

int TCancelRecordsDao::DeleteFromCID(int32_t cid) {
  if (const TGuardLink *guard = TGuardLink::Active())
    return guard->Call(QStringLiteral("DeleteCancelRecord"), {cid}).value(0).toInt();
  return DeleteByKey(TableStruct.sTableName, TableStruct.sCID, cid);
}

int TCancelRecordsDao::Insert(const TCancelRecordModel *model) {
  if (!model)
    return 0;
  if (const TGuardLink *guard = TGuardLink::Active())
    return guard->Call(QStringLiteral("AddCancelRecord"), {model->time, model->cause}).value(0).toInt();
  const QString info = FormatRecordInfo(KeyTime, model->time, KeyCause, model->cause);
  return InsertRow(TableStruct.sTableName, {{TableStruct.sInfo, info}}) < 0 ? 0 : 1;
}
