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
  // Every readable row, in table order. A row whose text does not split into six fields or
  // whose number fields do not read is left out, alone.
  TModelList<TCategoryInfosModel> QueryAll();
  // Writes the entry's info text (see InfoText) into its row, with the executable folder in its
  // logo (in the record as well) and program path folded back into "{app}". Values are
  // statement parameters, so quotes are stored as typed. Returns the number of rows changed; 0
  // for a null entry or a missing row. Raises as InfoText does, changing no row.
  int UpdateFromCID(PCategoryInfosModel aModel);
};
