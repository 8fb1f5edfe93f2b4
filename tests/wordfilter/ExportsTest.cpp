// The library's exports over managed byte strings: counting, the threshold, the header's
// length and the reference count.
#include "platform/cp936/CodePage936.h"
#include "wordfilter/ManagedString.h"
#include "wordfilter/WordFilterUnit.h"
#include "wordfilter/WordTreeUnit.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

// "赌博" (gambling) is listed; "今天" (today) is not.
const std::string Gamble = Utf8ToCp936("赌博");
const std::string Today = Utf8ToCp936("今天");

std::string Repeat(int hits) {
  std::string text;
  for (int i = 0; i < hits; ++i)
    text += Gamble + Today;
  return text;
}

TEST(Exports, CountsListedWords) {
  EXPECT_EQ(SearchWordCount(TAnsiString(Repeat(3)).Data()), 3);
  EXPECT_EQ(SearchWordCount(TAnsiString(Utf8ToCp936("boobs nude playboy")).Data()), 3);
  // Same count the second time: the trie is built once and not changed by searching.
  const TAnsiString text(Repeat(7));
  EXPECT_EQ(SearchWordCount(text.Data()), SearchWordCount(text.Data()));
  // Other letter case than the list: no hit.
  EXPECT_EQ(SearchWordCount(TAnsiString("BOOBS Nude").Data()), 0);
}

TEST(Exports, CountLikeTheTrieAtEverySize) {
  // Listed words between Chinese prose, cut at page sizes from a few bytes to a megabyte, so
  // words fall across every place where a long text is split and texts end inside words.
  const std::vector<std::string> words = LoadKeyWords();
  TWordTree tree;
  tree.CreateWordTree(words);
  const std::string prose = Utf8ToCp936("今天天气很好，我们去公园。Hello world, ");
  std::mt19937 rng(936);
  std::string source;
  while (source.size() < (1u << 20) + 64) {
    source += rng() % 2 ? words[rng() % words.size()] : prose.substr(rng() % prose.size());
  }
  for (size_t size : {1u, 7u, 100u, 511u, 512u, 513u, 1000u, 1024u, 4095u, 4096u, 4097u, 65537u, 1u << 20}) {
    for (size_t from : {0u, 3u, 61u}) {
      const std::string_view text = std::string_view(source).substr(from, size);
      EXPECT_EQ(SearchWordCount(TAnsiString(text).Data()), int32_t(tree.SearchWord(text).size()))
          << size << " bytes from " << from;
    }
  }
}

TEST(Exports, ThresholdDecides) {
  struct {
    int hits;
    int32_t threshold;
    bool pass;
  } const cases[] = {
      {14, 15, true}, {15, 15, false}, {16, 15, false}, {0, 15, true},
      {0, 0, false},  {0, -1, false},  {3, 0, false},   {0, 1, true},
  };
  for (const auto &c : cases) {
    const TAnsiString text(Repeat(c.hits));
    EXPECT_EQ(SearchWordIsCanPass(text.Data(), c.threshold), c.pass) << c.hits << " hits, threshold " << c.threshold;
  }
}

TEST(Exports, NullAndEmptyStrings) {
  EXPECT_EQ(SearchWordCount(nullptr), 0);
  EXPECT_TRUE(SearchWordIsCanPass(nullptr, 1));
  EXPECT_FALSE(SearchWordIsCanPass(nullptr, 0));
  const TAnsiString empty("");
  EXPECT_EQ(SearchWordCount(empty.Data()), 0);
  EXPECT_TRUE(SearchWordIsCanPass(empty.Data(), 15));
}

TEST(Exports, HeaderLengthIsAuthoritative) {
  // Listed words behind the header's length, and a zero byte inside it.
  TAnsiString text(Repeat(2) + std::string(1, '\0') + Repeat(2));
  EXPECT_EQ(SearchWordCount(text.Data()), 4);
  text.Header().length = int32_t(Repeat(2).size());
  EXPECT_EQ(SearchWordCount(text.Data()), 2);
  text.Header().length = 0;
  EXPECT_EQ(SearchWordCount(text.Data()), 0);
}

TEST(Exports, ReferenceCountRestoredAndConstantsUntouched) {
  TAnsiString text(Repeat(15));
  for (int32_t count : {1, 5, -1}) {
    text.Header().refCount = count;
    SearchWordCount(text.Data());
    SearchWordIsCanPass(text.Data(), 15);
    EXPECT_EQ(text.Header().refCount, count);
  }
}

}  // namespace
