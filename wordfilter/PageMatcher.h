#pragma once
// The browser's word matcher: counts listed words in a page's text as the browser decides on
// it, on UTF-16 text in normal form (TextNormaliser.h). Matching folds ASCII letters to one
// case and traditional Chinese characters to simplified ones, in the text and in the words
// alike. A word counts where it starts on a character (never inside one, as a byte search in
// code page 936 can), and a word beginning with an ASCII letter or digit only where it starts
// a word (the character before is no ASCII letter or digit). Each starting position counts
// once (a listed word that begins with a shorter one is found as the shorter one). The word
// filter library's byte rule is left as it is; this matcher is the browser's own.
//
// The text is scanned for the first two characters of a word (a bit per pair of character
// classes), and a word is looked for only where a pair begins one.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class TPageMatcher {
public:
  // A matcher of the given words (as listed, in any form; empty entries are skipped). Words of
  // one character are found as well.
  explicit TPageMatcher(const std::vector<std::u16string> &words);

  // The matcher of the compiled-in word list, made on first use.
  static const TPageMatcher &Shared();

  // The words found in text, counted up to stopAt (the count stops there: the decision needs
  // no more).
  int32_t Count(std::u16string_view text, int32_t stopAt = INT32_MAX) const;

  // Every word found that starts in [from, to) of text; the units before `from` are only its
  // context (the word-start rule), and words may run on past `to`. Calls found(position,
  // word) for each, in the order of their positions; `word` indexes Words().
  void Find(std::u16string_view text, size_t from, size_t to,
            const std::function<void(size_t position, int32_t word)> &found) const;

  // The words as listed, duplicates kept once.
  const std::vector<std::u16string> &Words() const { return FWords; }
  // The longest word, in UTF-16 units.
  size_t LongestWord() const { return FLongest; }

private:
  // Calls hit(position, word) for each word found starting in [from, to); stops when hit
  // returns false.
  template <typename Hit> void Scan(std::u16string_view text, size_t from, size_t to, Hit &&hit) const;
  // The word starting at `start`, or -1.
  int32_t WordAt(std::u16string_view text, size_t start) const;
  uint32_t Child(uint32_t node, uint16_t cls) const;

  std::vector<uint16_t> FClass;  // per UTF-16 unit: its class, 0 for a unit in no word
  uint32_t FClassCount = 1;
  std::vector<uint64_t> FPairs;      // bit cls1 * FClassCount + cls2: a word starts with the pair
  std::vector<uint32_t> FRootChild;  // per class: the node a word's first character leads to
  // Below the first character: each node's children as (class, node), sorted by class.
  std::vector<std::vector<std::pair<uint16_t, uint32_t>>> FChildren;
  std::vector<int32_t> FWordOf;  // per node: the word that ends there, or -1
  std::vector<std::u16string> FWords;
  size_t FLongest = 0;
};
