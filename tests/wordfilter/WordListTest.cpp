// Facts the compiled-in word list must keep, checked on the table the library reads.
#include "platform/cp936/CodePage936.h"
#include "wordfilter/WordTable.h"
#include "wordfilter/WordTreeUnit.h"
#include "wordfilter/wtconst.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

std::vector<std::u16string> CompiledEntries() {
  std::vector<std::u16string> entries;
  const int32_t count = ParseWordCount(WordCountText());
  for (int32_t id = 1; id <= count; ++id)
    entries.emplace_back(LoadWordString(id));
  return entries;
}

bool IsAscii(const std::u16string &s) {
  for (char16_t ch : s)
    if (ch >= 0x80)
      return false;
  return true;
}

TEST(WordList, CountAndIdentifiersWithoutGaps) {
  EXPECT_EQ(WordCountText(), u"583");
  for (int32_t id = 1; id <= 583; ++id)
    EXPECT_FALSE(LoadWordString(id).empty()) << "entry " << id;
  EXPECT_TRUE(LoadWordString(0).empty());
  EXPECT_TRUE(LoadWordString(584).empty());
}

TEST(WordList, EntriesAreShortCleanAndInCodePage936) {
  for (const std::u16string &e : CompiledEntries()) {
    const std::string utf8 = Cp936ToUtf8(Utf16ToCp936(e));
    EXPECT_GE(e.size(), 1u) << utf8;
    EXPECT_LE(e.size(), 12u) << utf8;
    EXPECT_GT(e.front(), u' ') << utf8;
    EXPECT_GT(e.back(), u' ') << utf8;
    const std::string gbk = Utf16ToCp936(e);
    EXPECT_LE(gbk.size(), 16u) << utf8;
    EXPECT_EQ(Cp936ToUtf16(gbk), e) << utf8 << " has a character outside code page 936";
  }
}

TEST(WordList, LatinAndDigitsFirstThenChinese) {
  const auto entries = CompiledEntries();
  size_t firstChinese = 0;
  while (firstChinese < entries.size() && entries[firstChinese].front() < 0x80)
    ++firstChinese;
  for (size_t i = firstChinese; i < entries.size(); ++i)
    EXPECT_GE(entries[i].front(), 0x80) << "entry " << i + 1 << " after the Chinese entries began";
  EXPECT_GT(firstChinese, 0u);
}

TEST(WordList, CompositionFacts) {
  const auto entries = CompiledEntries();
  size_t ascii = 0, capitals = 0;
  std::map<std::u16string, int> occurrences;
  for (const auto &e : entries) {
    ascii += IsAscii(e);
    capitals += std::any_of(e.begin(), e.end(), [](char16_t ch) { return ch >= u'A' && ch <= u'Z'; });
    ++occurrences[e];
  }
  EXPECT_EQ(ascii, 46u);
  EXPECT_EQ(capitals, 16u);
  size_t twice = 0;
  for (const auto &[entry, n] : occurrences) {
    EXPECT_LE(n, 2);
    twice += n == 2;
  }
  EXPECT_EQ(twice, 8u);
  size_t prefixPairs = 0;
  for (const auto &[a, na] : occurrences)
    for (const auto &[b, nb] : occurrences)
      prefixPairs += b.size() > a.size() && b.starts_with(a);
  EXPECT_EQ(prefixPairs, 16u);
}

TEST(WordList, LoadingConvertsEveryEntry) {
  const auto keyWords = LoadKeyWords();
  ASSERT_EQ(keyWords.size(), 583u);
  EXPECT_EQ(keyWords[0], Utf16ToCp936(LoadWordString(1)));
}

TEST(WordList, CountTextMustBeDecimal) {
  EXPECT_EQ(ParseWordCount(u"583"), 583);
  EXPECT_EQ(ParseWordCount(u"-2"), -2);
  for (std::u16string_view bad : {u"", u"58a", u" 5", u"-", u"99999999999"}) {
    try {
      ParseWordCount(bad);
      ADD_FAILURE() << "accepted a bad count";
    } catch (const std::invalid_argument &e) {
      EXPECT_EQ(e.what(), "'" + Cp936ToUtf8(Utf16ToCp936(bad)) + "' is not a valid integer value");
    }
  }
}

}  // namespace
