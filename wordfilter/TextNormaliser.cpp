#include "wordfilter/TextNormaliser.h"

#include <QList>
#include <algorithm>
#include <array>
#include <cstdint>

namespace {

// Characters that show nothing but are not of the format category: the grapheme joiner,
// Hangul fillers, Khmer inherent vowels, Mongolian variation selectors, variation selectors,
// and the unassigned characters of the ranges kept for invisible ones (drawn as nothing
// today). Format characters are found by their category.
bool IsInvisibleExtra(char32_t c) {
  return c == 0x034F || c == 0x115F || c == 0x1160 || c == 0x17B4 || c == 0x17B5 || (c >= 0x180B && c <= 0x180F) ||
         c == 0x2065 || c == 0x3164 || (c >= 0xFE00 && c <= 0xFE0F) || c == 0xFFA0 || (c >= 0xFFF0 && c <= 0xFFF8) ||
         (c >= 0xE0000 && c <= 0xE0FFF);
}

// Control characters other than line breaks and tabs are drawn as nothing as well (the vertical
// tab and the next-line control included), and so are the line and paragraph separators
// U+2028 and U+2029, which pages show as nothing.
bool IsInvisible(char32_t c) {
  const QChar::Category category = QChar::category(c);
  return category == QChar::Other_Format || category == QChar::Separator_Line ||
         category == QChar::Separator_Paragraph ||
         (category == QChar::Other_Control && c != '\t' && c != '\n' && c != '\r') || IsInvisibleExtra(c);
}

// Marks drawn on the character before them (accents, strike-through, underline): left out, so
// that marking every letter of a word does not hide it.
bool IsOverlaidMark(char32_t c) {
  const QChar::Category category = QChar::category(c);
  return category == QChar::Mark_NonSpacing || category == QChar::Mark_Enclosing;
}

bool IsDropped(char32_t c) { return IsInvisible(c) || IsOverlaidMark(c); }

bool IsConjoiningHangul(char32_t c) {
  return (c >= 0x1100 && c <= 0x11FF) || (c >= 0xA960 && c <= 0xA97F) || (c >= 0xD7B0 && c <= 0xD7FF);
}

// A character that stays (is not left out) and neither joins nor is joined by a neighbour in
// normalisation: no combining mark, no conjoining Hangul letter.
bool IsInert(char32_t c) {
  return !IsDropped(c) && QChar::category(c) != QChar::Mark_SpacingCombining && !IsConjoiningHangul(c) &&
         QChar::combiningClass(c) == 0;
}

// Spaces and tabs between two Chinese characters are left out: a table cell or a flex item
// splits a word in the text that is read while the child sees it whole, and so does a space of
// any width (every space separator, the braille blank that looks like one). Line breaks are
// kept: lists of words, one a line, would make words across their lines.
bool IsSpace(char32_t c) { return c == '\t' || QChar::category(c) == QChar::Separator_Space || c == 0x2800; }

bool IsIdeograph(char16_t u) {
  return (u >= 0x3400 && u <= 0x4DBF) || (u >= 0x4E00 && u <= 0x9FFF) || (u >= 0xF900 && u <= 0xFAFF);
}

// What normalisation does to a unit of the basic plane.
enum TUnitKind : uint8_t {
  ukPlain,    // nothing, and it changes no neighbour
  ukSpace,    // nothing, unless it stands between Chinese characters: then it is left out
  ukDropped,  // leaves it out, and it changes no neighbour
  ukMarked,   // anything else, or the unit is half of a pair
};

struct TTables {
  std::array<TUnitKind, 0x10000> kind;
  std::array<char16_t, 0x10000> single;
  TTables() {
    for (char32_t c = 0; c < 0x10000; ++c) {
      single[c] = char16_t(c);
      if (IsSpace(c))
        kind[c] = ukSpace;
      else if (QChar::isSurrogate(c))
        kind[c] = ukMarked;
      else if (IsDropped(c))
        kind[c] = ukDropped;
      else
        kind[c] = IsInert(c) ? ukPlain : ukMarked;
      if (kind[c] == ukMarked || kind[c] == ukDropped || QChar::decompositionTag(c) == QChar::NoDecomposition)
        continue;
      const QString form = QString(QChar(c)).normalized(QString::NormalizationForm_KC);
      const char32_t to = form.size() == 1 ? form[0].unicode() : 0;
      if (to != 0 && IsInert(to))
        single[c] = char16_t(to);
      else if (kind[c] == ukPlain)
        kind[c] = ukMarked;
    }
  }
};

const TTables &Tables() {
  static const TTables tables;
  return tables;
}

QString WithoutDropped(QStringView text) {
  QString kept;
  kept.reserve(text.size());
  for (char32_t c : text.toUcs4())
    if (!IsDropped(c))
      kept.append(QStringView(QChar::fromUcs4(c)));
  return kept;
}

// A stretch that holds marked units, in normal form: characters left out, NFKC, and the
// characters to leave out that NFKC made left out as well.
QString NormaliseStretch(QStringView stretch) {
  return WithoutDropped(WithoutDropped(stretch).normalized(QString::NormalizationForm_KC));
}

}  // namespace

bool MayChangeInNormalForm(char16_t unit) { return Tables().kind[unit] != ukPlain; }

char16_t SingleUnitForm(char16_t unit) { return Tables().single[unit]; }

namespace {

// A character beyond the basic plane that normalisation leaves alone (most: emoji, rare
// ideographs), unlike mathematical letters, tags or variation selectors.
bool IsPlainBeyondBasicPlane(char32_t c) { return IsInert(c) && QChar::decompositionTag(c) == QChar::NoDecomposition; }

// Where the spaces from i on end when they stand between two Chinese characters (and are left
// out), else i.
qsizetype JoinedSpacesEnd(const TTables &tables, const char16_t *units, qsizetype i, qsizetype size) {
  if (i == 0 || !IsIdeograph(units[i - 1]))
    return i;
  qsizetype end = i;
  while (end < size && tables.kind[units[end]] == ukSpace)
    ++end;
  return end < size && IsIdeograph(units[end]) ? end : i;
}

// The units of the character at i when normalisation leaves it alone and it changes no
// neighbour: 1, 2 for a pair; else 0. A space counts as such a character here.
qsizetype PlainAt(const TTables &tables, const char16_t *units, qsizetype i, qsizetype size) {
  const char16_t unit = units[i];
  if (tables.kind[unit] == ukPlain || tables.kind[unit] == ukSpace)
    return 1;
  if (QChar::isHighSurrogate(unit) && i + 1 < size && QChar::isLowSurrogate(units[i + 1]) &&
      IsPlainBeyondBasicPlane(QChar::surrogateToUcs4(unit, units[i + 1])))
    return 2;
  return 0;
}

// Stretches that change, this close or closer, are normalised together, up to a length.
constexpr qsizetype MergeGap = 64;
constexpr qsizetype LongestStretch = 256;

// The end of the characters from i on that stay as they are. Most units are plain: looked up in
// a table that stays in the cache.
qsizetype PlainEnd(const TTables &tables, const char16_t *units, qsizetype i, qsizetype size) {
  while (i < size) {
    const TUnitKind kind = tables.kind[units[i]];
    if (kind == ukPlain || (kind == ukSpace && JoinedSpacesEnd(tables, units, i, size) == i)) {
      ++i;
      continue;
    }
    if (kind == ukSpace)
      break;
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
    if (tables.kind[units[i]] == ukSpace) {
      // Spaces between Chinese characters.
      result.append(QStringView(text).mid(copied, i - copied));
      copied = JoinedSpacesEnd(tables, units, i, size);
      i = PlainEnd(tables, units, copied, size);
      continue;
    }
    // [i, end): characters that change.
    qsizetype end = i;
    bool onlyDropped = true;
    while (end < size && PlainAt(tables, units, end, size) == 0) {
      onlyDropped = onlyDropped && tables.kind[units[end]] == ukDropped;
      ++end;
    }
    if (onlyDropped) {
      result.append(QStringView(text).mid(copied, i - copied));
      copied = end;
      i = PlainEnd(tables, units, end, size);
      continue;
    }
    // Stretches close to one another are normalised at once: every call has its cost, and a
    // page may be made of little else.
    for (qsizetype next = PlainEnd(tables, units, end, size);
         next < size && next - end <= MergeGap && end - i < LongestStretch && tables.kind[units[next]] != ukSpace;
         next = PlainEnd(tables, units, end, size)) {
      end = next;
      while (end < size && PlainAt(tables, units, end, size) == 0)
        ++end;
    }
    // The stretch takes the character before it along: a combining mark may join it.
    qsizetype begin = i;
    if (begin > copied)
      --begin;
    if (begin > copied && QChar::isLowSurrogate(units[begin]) && QChar::isHighSurrogate(units[begin - 1]))
      --begin;
    result.append(QStringView(text).mid(copied, begin - copied));
    // The engine's normalisation takes longer than in proportion on long stretches, so a long
    // one goes in parts (never halving a pair).
    while (begin < end) {
      qsizetype cut = std::min(end, begin + LongestStretch);
      if (cut < end && QChar::isLowSurrogate(units[cut]) && QChar::isHighSurrogate(units[cut - 1]))
        --cut;
      result.append(NormaliseStretch(QStringView(text).mid(begin, cut - begin)));
      begin = cut;
    }
    copied = end;
    i = PlainEnd(tables, units, end, size);
  }
  result.append(QStringView(text).mid(copied));
  return result;
}
