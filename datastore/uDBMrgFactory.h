#pragma once
// One query pool per database file and process, opened on the first request and kept until
// the process (or the library holding it) ends.
#include "datastore/uDBMrg.h"

#include <QStringList>

enum class TDBMrgID { MiniAppdata = 0, MiniCarddata = 1 };

class TDBMrgFactory {
public:
  // The pool of the database; the first request opens it: "MiniAppdata.mdb" is copied from
  // the executable folder into the data folder when it is not there yet; "MiniCarddata.mdb" is
  // created keyed, and any of its four tables that is missing is created. A file that is
  // damaged (no database, another key, unreadable pages, a folder in its place) is moved aside
  // as "<name>.broken-<time>" and replaced as above; a file on a full disk is opened read-only.
  // Either is told in the notes. A failed opening is tried again on the next request. Safe
  // when several threads make the first request at once.
  static TDBMrg *GetDBMrg(TDBMrgID ADBMrgID);
  // What the openings of this process had to do about a damaged file or a full disk, each told
  // once: the texts since the last call, oldest first.
  static QStringList TakeNotes();
  // Releases both pools, as unloading the module does.
  static void ReleaseAll();
};
