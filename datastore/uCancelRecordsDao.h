#pragma once
// The cancel records: table "cancelrecords" of the card database, one row per cancelling of
// cards with a reason, with the day ("yyyy年MM月dd日") and the reason. The cancel window writes
// them; the cancel-records window lists and deletes them.
#include "datastore/uMiniCarddataDaobase.h"

#include <QString>
#include <cstdint>
#include <memory>

struct TCancelRecordModel {
  int32_t cid = 0;
  QString time;
  QString cause;
};
using PCancelRecordModel = TCancelRecordModel *;

class TCancelRecordsDao : public TMiniCarddataDaobase {
public:
  struct TTableStruct {
    QString sTableName, sCID, sInfo;
  };
  static const TTableStruct TableStruct;  // "cancelrecords", "cid", "info"

  // Every readable row in table order (ReadRecordInfo says how the info text is read; rows it
  // cannot read are left out). Never null; the caller owns the list and its records.
  TModelList<TCancelRecordModel> QueryAll();
  // Number of rows deleted.
  int DeleteFromCID(int32_t cid);
  // Stores "time:<time>,cause:<cause>" with the texts as given; number of rows inserted, 0 for
  // a null model.
  int Insert(const TCancelRecordModel *model);
};
