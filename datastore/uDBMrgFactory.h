#pragma once
// One query pool per database file and process, opened on the first request and kept until
// the process (or the library holding it) ends.
#include "datastore/uDBMrg.h"

enum class TDBMrgID { MiniAppdata = 0, MiniCarddata = 1 };

class TDBMrgFactory {
public:
  // The pool of the database; the first request opens it: "MiniAppdata.mdb" is copied from
  // the executable folder into the data folder when it is not there yet; "MiniCarddata.mdb" is
  // created keyed, and any of its four tables that is missing is created. A failed opening is
  // tried again on the next request. Safe when several threads make the first request at once.
  static TDBMrg *GetDBMrg(TDBMrgID ADBMrgID);
  // Releases both pools, as unloading the module does.
  static void ReleaseAll();
};
