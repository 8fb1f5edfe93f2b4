#include "wordfilter/TextNormaliser.h"

#include <QList>
#include <array>

namespace {

// Characters that show nothing but are not of the format category: the grapheme joiner,
// Hangul fillers, Khmer inherent vowels, Mongolian variation selectors and variation
// selectors. Format characters are found by their category.
bool IsInvisibleExtra(char32_t c) {
  return c == 0x034F || c == 0x115F || c == 0x1160 || c == 0x17B4 || c == 0x17B5 || (c >= 0x180B && c <= 0x180F) ||
         c == 0x3164 || (c >= 0xFE00 && c <= 0xFE0F) || c == 0xFFA0 || (c >= 0xE0100 && c <= 0xE01EF);
}

bool IsInvisible(char32_t c) { return QChar::category(c) == QChar::Other_Format || IsInvisibleExtra(c); }

bool IsCombiningMark(char32_t c) {
  const QChar::Category category = QChar::category(c);
  return category == QChar::Mark_NonSpacing || category == QChar::Mark_SpacingCombining ||
         category == QChar::Mark_Enclosing;
}

bool IsConjoiningHangul(char32_t c) {
  return (c >= 0x1100 && c <= 0x11FF) || (c >= 0xA960 && c <= 0xA97F) || (c >= 0xD7B0 && c <= 0xD7FF);
}

struct TTables {
  std::array<bool, 0x10000> marked;
  std::array<char16_t, 0x10000> single;
  TTables() {
    for (char32_t c = 0; c < 0x10000; ++c) {
      single[c] = char16_t(c);
      marked[c] = QChar::isSurrogate(c) || IsInvisible(c) || IsCombiningMark(c) || IsConjoiningHangul(c) ||
                  QChar::combiningClass(c) != 0;
      if (marked[c] || QChar::decompositionTag(c) == QChar::NoDecomposition)
        continue;
      const QString form = QString(QChar(c)).normalized(QString::NormalizationForm_KC);
      const char32_t to = form.size() == 1 ? form[0].unicode() : 0;
      if (to != 0 && !IsInvisible(to) && !IsCombiningMark(to) && !IsConjoiningHangul(to) &&
          QChar::combiningClass(to) == 0)
        single[c] = char16_t(to);
      else
        marked[c] = true;
    }
  }
};

const TTables &Tables() {
  static const TTables tables;
  return tables;
}

// A stretch that holds marked units, in normal form: invisible characters out, then NFKC.
QString NormaliseStretch(QStringView stretch) {
  QString visible;
  visible.reserve(stretch.size());
  for (char32_t c : stretch.toUcs4())
    if (!IsInvisible(c))
      visible.append(QStringView(QChar::fromUcs4(c)));
  return visible.normalized(QString::NormalizationForm_KC);
}

}  // namespace

bool MayChangeInNormalForm(char16_t unit) { return Tables().marked[unit]; }

char16_t SingleUnitForm(char16_t unit) { return Tables().single[unit]; }

QString NormalisePageText(const QString &text) {
  const auto &marked = Tables().marked;
  const char16_t *units = reinterpret_cast<const char16_t *>(text.utf16());
  const qsizetype size = text.size();
  qsizetype i = 0;
  // Most units are plain: looked up in a table of 64 KB that stays in the cache.
  while (i < size && !marked[units[i]])
    ++i;
  if (i == size)
    return text;
  QString result;
  result.reserve(size);
  qsizetype copied = 0;  // units before this are in result
  while (i < size) {
    // A marked stretch takes the unit before it along: a combining mark may join it.
    const qsizetype begin = i > copied ? i - 1 : i;
    result.append(QStringView(text).mid(copied, begin - copied));
    while (i < size && marked[units[i]])
      ++i;
    result.append(NormaliseStretch(QStringView(text).mid(begin, i - begin)));
    copied = i;
    while (i < size && !marked[units[i]])
      ++i;
  }
  result.append(QStringView(text).mid(copied));
  return result;
}
