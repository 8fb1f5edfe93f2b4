#include "platform/ado/AdoStatement.h"

#include <sqlite3.h>

#include <QRegularExpression>

namespace {

// The Jet column types of the table definitions become their SQLite forms: an auto-numbered
// primary key must be the row id, and memo is long text.
QString TranslateJetDdl(const QString &text) {
  static const QRegularExpression createTable(QStringLiteral("^\\s*create\\s+table\\b"),
                                              QRegularExpression::CaseInsensitiveOption);
  if (!createTable.match(text).hasMatch())
    return text;
  static const QRegularExpression counterKey(QStringLiteral("\\bcounter\\s+primary\\s+key\\b"),
                                             QRegularExpression::CaseInsensitiveOption);
  static const QRegularExpression memo(QStringLiteral("\\bmemo\\b"), QRegularExpression::CaseInsensitiveOption);
  // Quoted texts, quoted names and comments stand as written: a default value 'memo' stays so.
  QString out;
  qsizetype from = 0;
  auto translateCode = [&](qsizetype to) {
    QString code = text.mid(from, to - from);
    code.replace(counterKey, QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT"));
    code.replace(memo, QStringLiteral("TEXT"));
    out += code;
    from = to;
  };
  for (qsizetype i = 0; i < text.size();) {
    qsizetype end = -1;
    const QChar c = text[i];
    if (c == u'\'' || c == u'"' || c == u'`')
      end = text.indexOf(c, i + 1);
    else if (c == u'[')
      end = text.indexOf(u']', i + 1);
    else if (text.mid(i, 2) == QLatin1String("--"))
      end = text.indexOf(u'\n', i + 2);
    else if (text.mid(i, 2) == QLatin1String("/*")) {
      end = text.indexOf(QLatin1String("*/"), i + 2);
      end = end < 0 ? end : end + 1;
    } else {
      ++i;
      continue;
    }
    translateCode(i);
    const qsizetype next = end < 0 ? text.size() : end + 1;
    out += text.mid(i, next - i);
    from = i = next;
  }
  translateCode(text.size());
  return out;
}

bool StartsWithWord(const QString &text, const char *word) {
  return text.trimmed().startsWith(QLatin1String(word), Qt::CaseInsensitive);
}

}  // namespace

TAdoStatement CompileAdoStatement(TSqliteDb &db, const QString &text) {
  const QByteArray utf8 = TranslateJetDdl(text).toUtf8();
  const char *tail = nullptr;
  TSqliteLock lock(db.Handle());
  TAdoStatement compiled;
  compiled.Stmt = TSqliteStatement(db, utf8, &tail);
  sqlite3_stmt *stmt = compiled.Stmt.Get();
  if (!stmt)
    Raise<EAdoError>(QStringLiteral("Command text was not set for the command object."));
  if (!QByteArray(tail).trimmed().isEmpty() && QByteArray(tail).trimmed() != ";")
    Raise<EAdoError>(QStringLiteral("Characters found after end of SQL statement."));
  compiled.sText = text;
  compiled.bInsert = StartsWithWord(text, "insert");
  compiled.bSchema = StartsWithWord(text, "create") || StartsWithWord(text, "drop") || StartsWithWord(text, "alter");
  const int params = sqlite3_bind_parameter_count(stmt);
  for (int i = 1; i <= params; ++i) {
    const char *name = sqlite3_bind_parameter_name(stmt, i);
    compiled.ParamNames.push_back(name ? QString::fromUtf8(name + 1) : QString());
  }
  const int columns = sqlite3_column_count(stmt);
  for (int i = 0; i < columns; ++i) {
    TAdoColumn column;
    column.sName = QString::fromUtf8(sqlite3_column_name(stmt, i));
    if (const char *table = sqlite3_column_table_name(stmt, i))
      column.sTable = QString::fromUtf8(table);
    if (const char *origin = sqlite3_column_origin_name(stmt, i))
      column.sOrigin = QString::fromUtf8(origin);
    if (!column.sTable.isEmpty()) {
      int primaryKey = 0;
      sqlite3_table_column_metadata(db.Handle(), sqlite3_column_database_name(stmt, i),
                                    sqlite3_column_table_name(stmt, i), sqlite3_column_origin_name(stmt, i), nullptr,
                                    nullptr, nullptr, &primaryKey, nullptr);
      column.bKey = primaryKey != 0;
    }
    compiled.Columns.push_back(column);
  }
  return compiled;
}
