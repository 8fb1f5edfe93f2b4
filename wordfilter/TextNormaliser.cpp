#include "wordfilter/TextNormaliser.h"

#include <QList>
#include <algorithm>
#include <array>
#include <cstdint>

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

// What normalisation does to a unit of the basic plane.
enum TUnitKind : uint8_t {
  ukPlain,      // nothing, and it changes no neighbour
  ukInvisible,  // removes it, and it changes no neighbour
  ukMarked,     // anything else, or the unit is half of a pair
};

struct TTables {
  std::array<TUnitKind, 0x10000> kind;
  std::array<char16_t, 0x10000> single;
  TTables() {
    for (char32_t c = 0; c < 0x10000; ++c) {
      single[c] = char16_t(c);
      const bool invisible = IsInvisible(c) && QChar::combiningClass(c) == 0;
      const bool marked = QChar::isSurrogate(c) || IsInvisible(c) || IsCombiningMark(c) || IsConjoiningHangul(c) ||
                          QChar::combiningClass(c) != 0;
      kind[c] = invisible ? ukInvisible : marked ? ukMarked : ukPlain;
      if (marked || QChar::decompositionTag(c) == QChar::NoDecomposition)
        continue;
      const QString form = QString(QChar(c)).normalized(QString::NormalizationForm_KC);
      const char32_t to = form.size() == 1 ? form[0].unicode() : 0;
      if (to != 0 && !IsInvisible(to) && !IsCombiningMark(to) && !IsConjoiningHangul(to) &&
          QChar::combiningClass(to) == 0)
        single[c] = char16_t(to);
      else
        kind[c] = ukMarked;
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

bool MayChangeInNormalForm(char16_t unit) { return Tables().kind[unit] != ukPlain; }

char16_t SingleUnitForm(char16_t unit) { return Tables().single[unit]; }

namespace {

// A character beyond the basic plane that normalisation leaves alone (most: emoji, rare
// ideographs), unlike mathematical letters, tags or variation selectors.
bool IsPlainBeyondBasicPlane(char32_t c) {
  return !IsInvisible(c) && !IsCombiningMark(c) && QChar::combiningClass(c) == 0 &&
         QChar::decompositionTag(c) == QChar::NoDecomposition;
}

// The units of the character at i when normalisation leaves it alone and it changes no
// neighbour: 1, 2 for a pair; else 0.
qsizetype PlainAt(const TTables &tables, const char16_t *units, qsizetype i, qsizetype size) {
  const char16_t unit = units[i];
  if (tables.kind[unit] == ukPlain)
    return 1;
  if (QChar::isHighSurrogate(unit) && i + 1 < size && QChar::isLowSurrogate(units[i + 1]) &&
      IsPlainBeyondBasicPlane(QChar::surrogateToUcs4(unit, units[i + 1])))
    return 2;
  return 0;
}

// Stretches that change, this close or closer, are normalised together, up to a length.
constexpr qsizetype MergeGap = 64;
constexpr qsizetype LongestStretch = 256;

// The end of the plain characters from i on. Most units are plain: looked up in a table that
// stays in the cache.
qsizetype PlainEnd(const TTables &tables, const char16_t *units, qsizetype i, qsizetype size) {
  while (i < size) {
    if (tables.kind[units[i]] == ukPlain) {
      ++i;
      continue;
    }
    const qsizetype n = PlainAt(tables, units, i, size);
    if (n == 0)
      break;
    i += n;
  }
  return i;
}

}  // namespace

QString NormalisePageText(const QString &text) {
  const TTables &tables = Tables();
  const char16_t *units = reinterpret_cast<const char16_t *>(text.utf16());
  const qsizetype size = text.size();
  qsizetype i = PlainEnd(tables, units, 0, size);
  if (i == size)
    return text;
  QString result;
  result.reserve(size);
  qsizetype copied = 0;  // units before this are in result
  while (i < size) {
    // [i, end): characters that change.
    qsizetype end = i;
    bool onlyInvisible = true;
    while (end < size && PlainAt(tables, units, end, size) == 0) {
      onlyInvisible = onlyInvisible && tables.kind[units[end]] == ukInvisible;
      ++end;
    }
    if (!onlyInvisible) {
      // Stretches close to one another are normalised at once: every call has its cost, and a
      // page may be made of little else.
      for (qsizetype next = PlainEnd(tables, units, end, size);
           next < size && next - end <= MergeGap && end - i < LongestStretch;
           next = PlainEnd(tables, units, end, size)) {
        end = next;
        while (end < size && PlainAt(tables, units, end, size) == 0)
          ++end;
      }
    }
    if (onlyInvisible) {
      // Invisible characters alone are just left out.
      result.append(QStringView(text).mid(copied, i - copied));
    } else {
      // The stretch takes the character before it along: a combining mark may join it.
      qsizetype begin = i;
      if (begin > copied)
        --begin;
      if (begin > copied && QChar::isLowSurrogate(units[begin]) && QChar::isHighSurrogate(units[begin - 1]))
        --begin;
      result.append(QStringView(text).mid(copied, begin - copied));
      // The engine's normalisation takes longer than in proportion on long stretches, so a long
      // one goes in parts (never halving a pair). Only a text of marks piled on marks is cut
      // inside its marks; its letters are normalised all the same.
      while (begin < end) {
        qsizetype cut = std::min(end, begin + LongestStretch);
        if (cut < end && QChar::isLowSurrogate(units[cut]) && QChar::isHighSurrogate(units[cut - 1]))
          --cut;
        result.append(NormaliseStretch(QStringView(text).mid(begin, cut - begin)));
        begin = cut;
      }
    }
    copied = end;
    i = PlainEnd(tables, units, end, size);
  }
  result.append(QStringView(text).mid(copied));
  return result;
}
