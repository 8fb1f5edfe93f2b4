#pragma once
// The programs the child may not use during chosen periods: table `apps` of the card database
// (`aid` key, `app` the program's full path, `dt` the schedule text). Every insert and delete
// is told to the host's lock channel with WM_APPSUPDATE (sent; 1 or -1, the row's key). In
// guarded mode the guard keeps the table and refuses changes outside a parent session.
#include "datastore/uMiniCarddataDaobase.h"

#include <QString>
#include <cstdint>
#include <memory>

struct TAppsModel {
  int32_t iAid = 0;
  QString sApp;
  QString sDt;
};
using PAppsModel = TAppsModel *;

class TAppsDao : public TMiniCarddataDaobase {
public:
  // -1 for a null model or when no row was inserted; otherwise the new row's key.
  int Insert(const TAppsModel *Model);
  // The number of rows deleted.
  int DeleteFromAID(int aid);
  // The rows that can be read; a row whose columns were changed by hand is left out.
  TModelList<TAppsModel> QueryAll();
  // Every row of the table, read or not.
  int CountAll();
  // Null unless exactly one row has the key.
  std::unique_ptr<TAppsModel> QueryFormAID(int aid);
};
