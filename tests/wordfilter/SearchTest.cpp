// The trie's search and the fast automaton on small word sets where the rules show, and the
// automaton held against the trie on many random texts.
#include "wordfilter/WordAutomaton.h"
#include "wordfilter/WordTreeUnit.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

using Words = std::vector<std::string>;

struct TSearchCase {
  const char *name;
  Words words;
  std::string text;
  Words hits;
};

const std::vector<TSearchCase> &SearchCases() {
  static const std::vector<TSearchCase> cases = {
      {"empty text", {"ab"}, "", {}},
      {"empty trie", {}, "abc", {}},
      {"only empty words", {"", ""}, "abc", {}},
      {"mismatch restarts one byte after the start", {"abc", "b"}, "abx", {"b"}},
      {"text ending inside a longer path stops the search", {"abc", "b"}, "ab", {}},
      {"shorter word cuts the longer one", {"ab", "abc"}, "abc", {"ab"}},
      {"shorter word inserted after the longer one", {"abc", "ab"}, "abcabc", {"ab", "ab"}},
      {"later longer words stay cut", {"ab", "abc", "abd"}, "abd", {"ab"}},
      {"overlapping hits of one word", {"aa"}, "aaa", {"aa", "aa"}},
      {"every start of a run", {"aa"}, "aaaa", {"aa", "aa", "aa"}},
      {"capitals are other bytes", {"MAKELOVE"}, "makelove MakeLove", {}},
      {"capitals match capitals", {"MAKELOVE"}, "xMAKELOVEx", {"MAKELOVE"}},
      {"overlapping different words", {"abc", "cde"}, "abcde", {"abc", "cde"}},
      {"duplicates count once per place", {"ab", "ab"}, "abab", {"ab", "ab"}},
      {"byte 0 is an ordinary byte", {std::string("a\0b", 3)}, std::string("xa\0bx\0", 6), {std::string("a\0b", 3)}},
      {"stop after earlier hits", {"xyz", "y", "q"}, "qqxy", {"q", "q"}},
      {"stop only at the end of the text", {"xyz", "y"}, "xyyxy", {"y", "y"}},
      // GBK: "赌" is B6 C4; the word "\xC4\xB6" is found across two characters "赌赌".
      {"hits across character boundaries", {"\xC4\xB6"}, "\xB6\xC4\xB6\xC4", {"\xC4\xB6"}},
  };
  return cases;
}

class SearchCase : public testing::TestWithParam<TSearchCase> {};

TEST_P(SearchCase, TrieAndAutomatonAgree) {
  const TSearchCase &c = GetParam();
  TWordTree tree;
  tree.CreateWordTree(c.words);
  EXPECT_EQ(tree.SearchWord(c.text), c.hits);
  EXPECT_EQ(TWordAutomaton(c.words).Count(c.text), int32_t(c.hits.size()));
}

INSTANTIATE_TEST_SUITE_P(Rules, SearchCase, testing::ValuesIn(SearchCases()), [](const auto &p) {
  std::string name;
  for (char ch : std::string(p.param.name))
    name += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
  return name;
});

TEST(WordTree, HitsCarryTheirStartOffsets) {
  TWordTree tree;
  tree.CreateWordTree({"aa", "bc"});
  const auto hits = tree.SearchWordHits("aaabc");
  ASSERT_EQ(hits.size(), 3u);
  EXPECT_EQ(hits[0].offset, 0u);
  EXPECT_EQ(hits[1].offset, 1u);
  EXPECT_EQ(hits[2].offset, 3u);
  EXPECT_EQ(hits[2].word, "bc");
}

TEST(WordTree, RebuildStartsFromScratchAndFreeEmpties) {
  TWordTree tree;
  tree.CreateWordTree({"ab"});
  tree.CreateWordTree({"cd"});
  EXPECT_TRUE(tree.SearchWord("ab").empty());
  EXPECT_EQ(tree.SearchWord("cd").size(), 1u);
  tree.FreeWordTree();
  EXPECT_EQ(tree.WordTree(), nullptr);
  EXPECT_TRUE(tree.SearchWord("cd").empty());
}

// Words of `count` distinct three-byte stems, each followed by "q": every stem is a state of
// its own.
Words ManyStems(int count) {
  Words words;
  for (int i = 0; i < count; ++i)
    words.push_back(std::string{char(i >> 16), char(i >> 8), char(i), 'q'});
  return words;
}

// "a", "ca", "cca", ...: none is a prefix of another, and all of them end on the last "a".
Words NestedSuffixes(int count) {
  Words words;
  for (int i = 0; i < count; ++i)
    words.push_back(std::string(size_t(i), 'c') + "a");
  return words;
}

TEST(WordAutomaton, RefusesListsBeyondItsTable) {
  const struct {
    const char *name;
    Words words;
  } cases[] = {
      {"more states than rows", ManyStems(70000)},
      {"more words ending on one byte than an entry counts", NestedSuffixes(256)},
  };
  for (const auto &c : cases)
    EXPECT_THROW(TWordAutomaton{c.words}, std::length_error) << c.name;
}

TEST(WordAutomaton, CountsManyWordsEndingOnOneByte) {
  // The most an entry counts, at the end of a text of every length up to and past where the
  // walk is split into stretches.
  const Words words = NestedSuffixes(255);
  TWordTree tree;
  tree.CreateWordTree(words);
  const TWordAutomaton automaton(words);
  for (size_t n : {255u, 511u, 512u, 600u, 4096u, 5000u}) {
    const std::string text = std::string(n - 255, '.') + std::string(254, 'c') + "a";
    ASSERT_EQ(automaton.Count(text), int32_t(tree.SearchWord(text).size())) << n << " bytes";
  }
}

// Random texts from whole words, word fragments (they end inside a path) and random bytes.
std::string RandomText(std::mt19937 &rng, const Words &words, size_t pieces, std::string_view alphabet) {
  std::string text;
  for (size_t i = 0; i < pieces; ++i) {
    const unsigned kind = rng() % 4;
    const std::string &w = words[rng() % words.size()];
    if (kind == 0)
      text += w;
    else if (kind == 1)
      text += w.substr(0, rng() % (w.size() + 1));
    else
      for (unsigned k = rng() % 4; k > 0; --k)
        text += alphabet[rng() % alphabet.size()];
  }
  if (rng() % 2)  // end inside a word's path, where the stop rule applies
    text += words[rng() % words.size()].substr(0, 1 + rng() % 3);
  return text;
}

Words RandomWords(std::mt19937 &rng, std::string_view alphabet, size_t count, size_t maxLength) {
  Words words;
  for (size_t i = 0; i < count; ++i) {
    std::string w;
    for (size_t len = 1 + rng() % maxLength; len > 0; --len)
      w += alphabet[rng() % alphabet.size()];
    words.push_back(w);
  }
  return words;
}

TEST(WordAutomaton, MatchesTheTrieOnRandomTexts) {
  // A small alphabet with byte 0 and GBK bytes makes prefixes, overlaps and stops frequent.
  const std::string alphabet("ab\0c\xB0\xA1", 6);
  std::mt19937 rng(20261210);
  for (int round = 0; round < 400; ++round) {
    const Words words = RandomWords(rng, alphabet, 1 + rng() % 12, 1 + rng() % 5);
    TWordTree tree;
    tree.CreateWordTree(words);
    const TWordAutomaton automaton(words);
    for (int t = 0; t < 20; ++t) {
      // Short texts take the single walk, long ones the interleaved stretches.
      const std::string text = RandomText(rng, words, t % 4 == 0 ? 2000 + rng() % 2000 : rng() % 40, alphabet);
      ASSERT_EQ(automaton.Count(text), int32_t(tree.SearchWord(text).size()))
          << "round " << round << ", text of " << text.size() << " bytes";
    }
  }
}

TEST(WordAutomaton, MatchesTheTrieOnEveryLengthAroundTheSplit) {
  // Every length from one byte to well past the point where the walk is split into stretches,
  // cut from random texts, so many end inside a word's path.
  const std::string alphabet("ab\0c\xB0\xA1", 6);
  std::mt19937 rng(512);
  for (size_t maxLength : {2u, 5u, 16u}) {
    const Words words = RandomWords(rng, alphabet, 8, maxLength);
    TWordTree tree;
    tree.CreateWordTree(words);
    const TWordAutomaton automaton(words);
    for (size_t n = 1; n <= 1300; ++n) {
      std::string text = RandomText(rng, words, n, alphabet);
      text.resize(n, 'a');
      ASSERT_EQ(automaton.Count(text), int32_t(tree.SearchWord(text).size()))
          << "words up to " << maxLength << " bytes, text of " << n << " bytes";
    }
  }
}

TEST(WordAutomaton, MatchesTheTrieWithAWordAtEveryOffset) {
  // One long word planted at every offset of texts of several lengths crosses every boundary
  // between stretches however the text is split; each text also once ends inside its path.
  const struct {
    Words words;
    std::string planted;
  } cases[] = {
      {{"abcdefg", "cde", "gab", "xyz"}, "abcdefg"},
      {{"0123456789ABCDEF", "9AB", "F0", "DEF"}, "0123456789ABCDEF"},
      {{"\xB6\xC4\xB2\xA9", "\xC4\xB6"}, "\xB6\xC4\xB2\xA9\xB6\xC4"},
      // A word longer than the texts: no stretch can be warmed up over it.
      {{std::string(600, 'x'), "xy"}, "xxy"},
  };
  for (const auto &c : cases) {
    TWordTree tree;
    tree.CreateWordTree(c.words);
    const TWordAutomaton automaton(c.words);
    for (size_t n : {512u, 515u, 640u, 1031u, 4096u}) {
      for (size_t at = 0; at + c.planted.size() <= n; ++at) {
        std::string text(n, '.');
        text.replace(at, c.planted.size(), c.planted);
        ASSERT_EQ(automaton.Count(text), int32_t(tree.SearchWord(text).size()))
            << c.planted << " at " << at << " of " << n;
        text.replace(n - 2, 2, c.planted.substr(0, 2));
        ASSERT_EQ(automaton.Count(text), int32_t(tree.SearchWord(text).size()))
            << c.planted << " at " << at << " of " << n << ", ending inside its path";
      }
    }
  }
}

TEST(WordAutomaton, MatchesTheTrieOnTheCompiledInList) {
  const Words words = LoadKeyWords();
  TWordTree tree;
  tree.CreateWordTree(words);
  const TWordAutomaton automaton(words);
  // Chinese filler in GBK ("今天天气很好" and friends) between listed words and fragments.
  const std::string filler = "\xBD\xF1\xCC\xEC\xCC\xEC\xC6\xF8\xBA\xDC\xBA\xC3, the weather";
  std::mt19937 rng(583);
  for (int t = 0; t < 300; ++t) {
    const std::string text = RandomText(rng, words, t % 10 == 0 ? 3000 : rng() % 60, filler);
    ASSERT_EQ(automaton.Count(text), int32_t(tree.SearchWord(text).size())) << "text " << t;
  }
}

}  // namespace
