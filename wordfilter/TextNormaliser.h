#pragma once
// The normal form in which the browser hands a page's text to its word matcher: Unicode NFKC
// (full-width and other compatibility forms become their plain letters), with the characters
// that show nothing removed (format and control characters such as zero-width spaces and
// joiners, soft hyphens and direction marks; variation selectors, the grapheme joiner, fillers),
// marks drawn over letters (accents, strike-through, underline) removed, and spaces and tabs
// between two Chinese characters removed. So a word cannot be hidden from the matcher by writing
// it in another form of the same letters, by slipping invisible characters into it or by
// splitting it over table cells. The result serves matching only and is never shown.
//
// Characters whose compatibility form is one other character of the basic plane on their own
// (full-width letters, digits and punctuation, compatibility ideographs) are common in Chinese
// text; they are left in place here and read as that character by the matcher
// (SingleUnitForm), which gives the same matches without copying every Chinese text.
#include <QString>
#include <string_view>

// Text in the browser's normal form. Text that holds nothing to change (the common case) is
// returned as it is, without a copy.
QString NormalisePageText(const QString &text);

// Whether `unit` is changed by NormalisePageText or may change its neighbour: invisible
// characters, decompositions into more than one character, combining marks, conjoining Hangul
// letters, surrogates, spaces and tabs. A cut between two units that are not marked cuts no normalisation.
bool MayChangeInNormalForm(char16_t unit);

// The compatibility form of a unit standing for one other character ('ｃ' -> 'c', '，' -> ','),
// or the unit itself.
char16_t SingleUnitForm(char16_t unit);

// The UTF-16 units of a text, as the matcher reads them.
inline std::u16string_view UnitsOf(const QString &text) {
  return {reinterpret_cast<const char16_t *>(text.utf16()), size_t(text.size())};
}
