#pragma once
// The entries of the centre's main grid: table "categoryinfos" of the catalogue database
// (key "cid", info text "info"). Reads every row; writes back the info text of one entry
// (the address of a custom link). Never inserts or deletes rows.
#include "appcentre/uCatalogueInfo.h"
#include "datastore/uMiniAppdataDaobase.h"

struct TCategoryInfosTableStruct {
  QString sTableName;
  QString sCID;
  QString sInfo;
};
extern const TCategoryInfosTableStruct CategoryInfosTable;

struct TCategoryInfosModel : TInfoFields {
  int32_t icid = 0;
};
using PCategoryInfosModel = TCategoryInfosModel *;

class TCategoryInfosDao : public TMiniAppdataDaobase {
public:
  // Every readable row, in table order. A row whose number fields do not read is left out; a
  // row whose text does not split into six fields comes with its key only.
  TModelList<TCategoryInfosModel> QueryAll();
  // Writes the entry's info text into its row, with the executable folder in its logo folded
  // back into "{app}" (in the record as well). Values are statement parameters, so quotes are
  // stored as typed. Returns the number of rows changed; 0 for a null entry or a missing row.
  int UpdateFromCID(PCategoryInfosModel aModel);
};
