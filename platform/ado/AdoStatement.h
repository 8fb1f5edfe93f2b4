#pragma once
// A compiled statement of the database layer together with what its users read from it once:
// the names of its parameters and where its columns come from. The connection keeps the
// statements its queries are done with, by statement text, so the next query that runs the same
// text (the pool's queries take turns with a few texts) finds it compiled.
#include "platform/sqlite/SqliteDb.h"

#include <QString>

#include <cstdint>
#include <vector>

struct TAdoColumn {
  QString sName;
  QString sTable;   // table the column comes from (empty for computed columns)
  QString sOrigin;  // its name in that table
  bool bKey = false;
};

struct TAdoStatement {
  TSqliteStatement Stmt;
  QString sText;                    // as the query gave it
  std::uint64_t iGeneration = 0;    // the connection's opening it belongs to
  std::vector<QString> ParamNames;  // without colon, by position
  std::vector<TAdoColumn> Columns;
  bool bInsert = false;  // an insert: its new key is worth reading
  bool bSchema = false;  // changes tables: compiled statements kept so far may be stale
};

// Compiles one statement (the Jet column types of a table definition become SQLite's); text
// behind it, or no statement at all, raises EAdoError.
TAdoStatement CompileAdoStatement(TSqliteDb &db, const QString &text);
