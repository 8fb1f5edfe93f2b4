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

TEST(WordAutomaton, RefusesListsBeyondItsTable) {
  Words many;
  for (int i = 0; i < 3000; ++i)
    many.push_back(std::to_string(i * 7919).append("q"));
  EXPECT_THROW(TWordAutomaton{many}, std::length_error);
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

void ExpectSameCounts(const Words &words, const std::string &text) {
  TWordTree tree;
  tree.CreateWordTree(words);
  ASSERT_EQ(TWordAutomaton(words).Count(text), int32_t(tree.SearchWord(text).size()))
      << "text of " << text.size() << " bytes";
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

TEST(WordAutomaton, MatchesTheTrieAcrossStretchBoundaries) {
  // Words planted across every boundary of the eight stretches, at every offset.
  const Words words = {"abcdefg", "cde", "gab", "xyz"};
  for (size_t n : {4096u, 4103u, 8191u}) {
    const size_t chunk = n / 8;
    for (size_t shift = 0; shift < 8; ++shift) {
      std::string text(n, '.');
      for (size_t k = 1; k < 8; ++k)
        text.replace(k * chunk - shift, 7, "abcdefg");
      ExpectSameCounts(words, text);
      text.replace(n - 2, 2, "xy");  // and a text ending inside a path
      ExpectSameCounts(words, text);
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
