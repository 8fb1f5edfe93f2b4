#include "common/uStrFun.h"

namespace {
QString UpToNul(const QString &s) {
  const qsizetype nul = s.indexOf(QChar(0));
  return nul < 0 ? s : s.left(nul);
}
}  // namespace

QStringList SplitByDelimiter(const QString &textIn, const QString &delimiterIn) {
  const QString text = UpToNul(textIn);
  const QString delimiter = UpToNul(delimiterIn);
  QStringList list;
  if (delimiter.isEmpty()) {
    if (!text.isEmpty())
      list << text;
    return list;
  }
  QString current;
  qsizetype pos = 0;
  while (pos < text.size()) {
    if (text.size() - pos < delimiter.size()) {
      current += text.mid(pos);
      list << current;
      return list;
    }
    if (text[pos] == delimiter[0]) {
      qsizetype matched = 1;
      while (matched < delimiter.size() && text[pos + matched] == delimiter[matched])
        ++matched;
      if (matched == delimiter.size()) {
        list << current;
        current.clear();
        pos += matched;
      } else {
        // The characters matched so far belong to the element; the mismatching one is
        // examined again, since it may begin the delimiter.
        current += text.mid(pos, matched);
        pos += matched;
      }
    } else {
      current += text[pos];
      ++pos;
    }
    if (pos == text.size()) {
      list << current;
      current.clear();
    }
  }
  return list;
}

QString TextAfterKey(const QString &key, const QString &item) {
  const qsizetype at = key.isEmpty() ? -1 : item.indexOf(key);
  if (at < 0)
    return {};
  return item.mid(at + key.size());
}
