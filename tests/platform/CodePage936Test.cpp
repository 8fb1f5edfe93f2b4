// The code-page-936 converter: round trips, and "?" for what has no mapping.
#include "platform/cp936/CodePage936.h"
#include "platform/cp936/CodePage936Qt.h"

#include <gtest/gtest.h>

TEST(CodePage936, ConvertsBothWays) {
  struct {
    std::u16string text;
    std::string bytes;
  } const cases[] = {
      {u"", ""},
      {u"abc 123", "abc 123"},
      {u"\u4e2d\u6587", "\xD6\xD0\xCE\xC4"},                                             // 中文
      {std::u16string(u"a\u8d4c\u535a\0b", 5), std::string("a\xB6\xC4\xB2\xA9\0b", 7)},  // 赌博 with a zero byte
      {u"\u20ac", "\x80"},  // the euro sign of code page 936
  };
  for (const auto &c : cases) {
    EXPECT_EQ(Utf16ToCp936(c.text), c.bytes);
    EXPECT_EQ(Cp936ToUtf16(c.bytes), c.text);
  }
}

TEST(CodePage936, UnmappedBecomesQuestionMark) {
  struct {
    std::u16string text;
    std::string bytes;
  } const cases[] = {
      {u"a\U0001F600b", "a?b"},              // one character outside the code page, a surrogate pair
      {u"\u0e01x", "?x"},                    // Thai
      {std::u16string(u"x\xD800y"), "x?y"},  // a lone surrogate
      {std::u16string(u"x\xD800"), "x?"},    // cut off at the end
  };
  for (const auto &c : cases)
    EXPECT_EQ(Utf16ToCp936(c.text), c.bytes);
  EXPECT_EQ(Cp936ToUtf16("a\xFF"), u"a?");
  EXPECT_EQ(Utf8ToCp936("a\xFFz"), "a?z");
}

TEST(CodePage936, Utf8AndQStringFaces) {
  EXPECT_EQ(Utf8ToCp936("中文"), "\xD6\xD0\xCE\xC4");
  EXPECT_EQ(Cp936ToUtf8("\xD6\xD0\xCE\xC4"), "中文");
  EXPECT_EQ(ToCp936(QString::fromUtf8("中文x")), QByteArray("\xD6\xD0\xCE\xC4x"));
  EXPECT_EQ(FromCp936(QByteArray("\xD6\xD0\xCE\xC4x")), QString::fromUtf8("中文x"));
}
