#include "datastore/uCancelRecordsDao.h"

#include "datastore/uRecordInfo.h"

const TCancelRecordsDao::TTableStruct TCancelRecordsDao::TableStruct = {QStringLiteral("cancelrecords"),
                                                                        QStringLiteral("cid"), QStringLiteral("info")};

namespace {
const QString KeyTime = QStringLiteral("time");
const QString KeyCause = QStringLiteral("cause");
}  // namespace

TModelList<TCancelRecordModel> TCancelRecordsDao::QueryAll() {
  return ReadAll<TCancelRecordModel>(TableStruct.sTableName, [](TAdoQuery &query, TCancelRecordModel &model) {
    model.cid = query.FieldByName(TableStruct.sCID).AsInteger();
    const TRecordInfo info = ReadRecordInfo(query.FieldByName(TableStruct.sInfo).AsString(), KeyTime, KeyCause);
    model.time = info.sFirst;
    model.cause = info.sSecond;
  });
}

int TCancelRecordsDao::DeleteFromCID(int32_t cid) { return DeleteByKey(TableStruct.sTableName, TableStruct.sCID, cid); }

int TCancelRecordsDao::Insert(const TCancelRecordModel *model) {
  if (!model)
    return 0;
  const QString info = FormatRecordInfo(KeyTime, model->time, KeyCause, model->cause);
  return InsertRow(TableStruct.sTableName, {{TableStruct.sInfo, info}}) < 0 ? 0 : 1;
}
