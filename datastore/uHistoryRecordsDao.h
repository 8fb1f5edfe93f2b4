#pragma once
// The violation history: table "historyrecords" of the card database, one row per violation
// with its date and time and the violated item. The host writes the rows; the history window
// lists and deletes them.
#include "datastore/uMiniCarddataDaobase.h"

#include <QString>
#include <cstdint>
#include <memory>

struct THistoryRecords {
  int32_t hid = 0;
  QString datetime;
  QString item;
};
using PHistoryRecords = THistoryRecords *;

class THistoryRecordsDao : public TMiniCarddataDaobase {
public:
  struct TTableStruct {
    QString sTableName, sHID, sInfo;
  };
  static const TTableStruct TableStruct;  // "historyrecords", "hid", "info"

  // Every readable row in table order (ReadRecordInfo says how the info text is read; rows it
  // cannot read are left out). Never null; the caller owns the list and its records.
  TModelList<THistoryRecords> QueryAll();
  // Number of rows deleted.
  int DeleteFromHID(int32_t hid);
  // Stores "datetime:<datetime>,item:<item>" with the texts as given; number of rows inserted, 0 for a null model.
  int Insert(const THistoryRecords *model);
};
