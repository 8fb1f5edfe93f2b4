#pragma once
// The applications inside the centre's groups: table "appinfos" of the catalogue database
// (key "aid", group key "cid", info text "info"). Only reads.
#include "appcentre/uCatalogueInfo.h"
#include "datastore/uMiniAppdataDaobase.h"

struct TAppInfosTableStruct {
  QString sTableName;
  QString sAID;
  QString sCID;
  QString sInfo;
};
extern const TAppInfosTableStruct AppInfosTable;

// Of an application the centre uses the name, the logo (macros expanded) and the address; the
// program path is carried as stored.
struct TAppInfosMode : TInfoFields {
  int32_t iaid = 0;
  int32_t icid = 0;
};

class TAppInfosDao : public TMiniAppdataDaobase {
public:
  // The readable rows of the group CID, in table order (a row that cannot be read is left out,
  // alone); none (and no query) for CID <= 0.
  TModelList<TAppInfosMode> QueryAllFromCID(int32_t CID);
};
