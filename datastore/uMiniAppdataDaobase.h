#pragma once
// Base of the data-access classes of the application catalogue.
#include "datastore/uDaobase.h"

class TMiniAppdataDaobase : public TDaobase {
public:
  TMiniAppdataDaobase() : TDaobase(TDBMrgID::MiniAppdata) {}
};
