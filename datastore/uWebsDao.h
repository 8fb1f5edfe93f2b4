#pragma once
// The web addresses the child may not visit during chosen periods: table `webs` of the card
// database (`wid` key, `url` the address as entered, `dt` the schedule text). Every insert and
// delete is posted as WM_WEBSUPDATE (1 or -1, the row's key) to every running browser and to
// the host's lock channel, so whoever blocks the sites reloads the list. In guarded mode the
// guard keeps the table and refuses changes outside a parent session.
#include "datastore/uMiniCarddataDaobase.h"

#include <QString>
#include <cstdint>

struct TWebsModel {
  int32_t iWid = 0;
  QString sUrl;
  QString sDt;
};
using PWebsModel = TWebsModel *;

class TWebsDao : public TMiniCarddataDaobase {
public:
  // -1 for a null model or when no row was inserted; otherwise the new row's key.
  int Insert(const TWebsModel *Model);
  // Deletes the row with key `wid`; the number of rows deleted.
  int DeleteFromCID(int wid);
  TModelList<TWebsModel> QueryAll();
};
