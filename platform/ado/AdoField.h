#pragma once
// One column of a query's current row (of its edit buffer in edit or insert state): a light
// handle that reads and sets the value through its query.
#include <QString>
#include <QVariant>

class TAdoQuery;

// One column of the current row (of the edit buffer in edit or insert state).
class TAdoField {
public:
  TAdoField(TAdoQuery &query, int index) : FQuery(query), FIndex(index) {}
  QString FieldName() const;
  // Integers as int (or qlonglong when they do not fit), reals as double, text as QString,
  // blobs as QByteArray, a database NULL as a null QVariant holding std::nullptr_t.
  QVariant AsVariant() const;
  QVariant Value() const { return AsVariant(); }
  // NULL reads as 0; a text that is no whole number raises EAdoError.
  int AsInteger() const;
  // NULL reads as the empty text.
  QString AsString() const;
  bool IsNull() const;
  // Only in edit or insert state.
  void SetValue(const QVariant &value);

private:
  TAdoQuery &FQuery;
  int FIndex;
};
