#pragma once
// Base of the data-access classes of the card database (rules, card records).
#include "datastore/uDaobase.h"

class TMiniCarddataDaobase : public TDaobase {
public:
  TMiniCarddataDaobase() : TDaobase(TDBMrgID::MiniCarddata) {}
};
