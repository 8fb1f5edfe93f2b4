#pragma once
// A query object bound to a TAdoConnection, in the shape the query pool uses: a name and an
// integer tag of the pool's own, a statement made of lines, parameters set by name (letter
// case does not matter), Open for rows and ExecSQL for changes, a cursor over the rows,
// fields by name (letter case does not matter) and the edit/insert state with Post.
//
// Open reads the whole result at once and releases the statement, as a client-side cursor
// does: an open query holds no lock on the file, so other processes can write meanwhile.
// The compiled statement is kept while the statement text stays the same, and given back to the
// connection for the next query of that text when it changes.
#include "platform/ado/AdoConnection.h"
#include "platform/ado/AdoField.h"
#include "platform/ado/AdoStatement.h"

#include <QString>
#include <QStringList>
#include <QVariant>

#include <cstdint>
#include <memory>
#include <vector>

enum class TDataSetState { dsInactive, dsBrowse, dsEdit, dsInsert };

// A value of one of the integer types; such values are stored as database integers.
bool IsWholeNumber(const QVariant &value);

class TAdoQuery {
public:
  explicit TAdoQuery(TAdoConnection *conn = nullptr) : FConnection(conn) {}
  ~TAdoQuery();
  TAdoQuery(const TAdoQuery &) = delete;
  TAdoQuery &operator=(const TAdoQuery &) = delete;

  QString Name() const { return FName; }
  void SetName(const QString &name) { FName = name; }
  int Tag() const { return FTag; }
  void SetTag(int tag) { FTag = tag; }

  TAdoConnection *Connection() const { return FConnection; }
  // Closes the query and forgets its compiled statement.
  void SetConnection(TAdoConnection *conn);

  // The statement text: its lines joined by line breaks.
  void SqlClear();
  void SqlAdd(const QString &line);
  void SetSql(const QString &text);
  QString SqlText() const;

  // Sets the value of the parameter ":name" of the statement; the leading colon may be given.
  // Values stay set until the statement text changes.
  void SetParam(const QString &name, const QVariant &value);
  void ClearParams() { FParams.clear(); }

  void Open();
  // Runs the statement; returns the number of rows it inserted, changed or deleted.
  int ExecSQL();
  void Close();
  bool Active() const { return FState != TDataSetState::dsInactive; }
  // The key the last ExecSQL gave to a row it inserted (0 when it inserted none).
  std::int64_t LastInsertId() const { return FLastInsertId; }

  int RecordCount() const;
  int RecNo() const { return FRecNo; }
  void First();
  void Next();
  bool Eof() const;
  bool Bof() const { return FRecNo <= 0; }

  int FieldCount() const { return int(FColumns.size()); }
  TAdoField FieldByName(const QString &name);
  TAdoField Fields(int index);

  TDataSetState State() const { return FState; }
  // Appends a new row: every field starts NULL; Post inserts only the fields that were set,
  // so an auto-numbered key is given by the database.
  void Append();
  void Edit();
  void Post();
  void Cancel();

private:
  friend class TAdoField;
  void Prepare();
  void Bind();
  void Release();
  void RequireActive() const;
  // A stored value, kept compact: text and blobs live in one byte buffer and become QString
  // or QByteArray only when read.
  struct TCell {
    int iType = 5;  // SQLITE_NULL
    union {
      qint64 iInt;
      double dReal;
      struct {
        quint32 iOffset;
        quint32 iLength;
      } Bytes;
    };
    TCell() : iInt(0) {}
  };
  const TCell *CurrentCell(int index) const;  // null in edit/insert state or without a row
  QVariant CellValue(int index) const;        // the edit buffer in edit/insert state
  QVariant StoredValue(int row, int index) const;
  void StoreRow(int row, const std::vector<QVariant> &values);
  QString PostTable() const;
  void PostInsert();
  void PostEdit();

  TAdoConnection *FConnection;
  QString FName;
  int FTag = 0;
  QStringList FSql;
  std::vector<std::pair<QString, QVariant>> FParams;  // names without colon

  std::unique_ptr<TAdoStatement> FPrepared;  // taken from the connection, given back to it

  TDataSetState FState = TDataSetState::dsInactive;
  std::vector<TAdoColumn> FColumns;
  std::vector<std::pair<QString, int>> FFieldCache;  // name objects already looked up
  std::vector<TCell> FCells;                         // row-major
  QByteArray FBytes;                                 // text and blob contents of FCells
  int FRowCount = 0;
  int FRecNo = 0;
  std::vector<QVariant> FBuffer;  // the row being edited or inserted
  std::vector<bool> FBufferSet;
  std::int64_t FLastInsertId = 0;
};
