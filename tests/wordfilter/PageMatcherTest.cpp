// The browser's matcher and normal form: what a spelling trick can no longer hide, what a byte
// search found that is no word, where a Latin word counts, and that the list as compiled is
// found in every form it may be written in.
#include "wordfilter/PageMatcher.h"
#include "platform/cp936/CodePage936.h"
#include "wordfilter/ManagedString.h"
#include "wordfilter/TextNormaliser.h"
#include "wordfilter/WordFilterUnit.h"
#include "wordfilter/WordTreeUnit.h"

#include <gtest/gtest.h>

#include <QString>
#include <string>
#include <vector>

namespace {

std::u16string U16(const QString &s) { return s.toStdU16String(); }

// Every hit of text in normal form, as "position:word".
std::string HitsOf(const TPageMatcher &matcher, const QString &text) {
  const std::u16string normal = U16(NormalisePageText(text));
  std::string hits;
  matcher.Find(normal, 0, normal.size(), [&](size_t position, int32_t word) {
    hits += (hits.empty() ? "" : " ") + std::to_string(position) + ":" +
            QString::fromStdU16String(matcher.Words()[size_t(word)]).toStdString();
  });
  return hits;
}

const TPageMatcher &Fixture() {
  static const TPageMatcher matcher({u"porn", u"Casino", u"赌博", u"赌博网", u"杀人", u"AK47", u"六合彩", u"porn"});
  return matcher;
}

TEST(PageMatcher, FindsWordsWhateverTheirSpelling) {
  struct {
    const char *name;
    QString text;
    std::string hits;
  } const cases[] = {
      {"plain", "porn casino 赌博", "0:porn 5:Casino 12:赌博"},
      {"capitals", "PORN CaSiNo", "0:porn 5:Casino"},
      {"full-width Latin", "ｐｏｒｎ ＣＡＳＩＮＯ", "0:porn 5:Casino"},
      {"mathematical letters", QString::fromUtf8("\xF0\x9D\x90\xA9\xF0\x9D\x90\xA8\xF0\x9D\x90\xAB\xF0\x9D\x90\xA7"),
       "0:porn"},
      {"zero-width joiner, space and non-joiner inside", QString::fromUtf8("p\u200Do\u200Br\u200Cn 赌\u200D博"),
       "0:porn 5:赌博"},
      {"soft hyphen, word joiner, byte-order mark", QString::fromUtf8("ca\u00ADsi\u2060no 赌\uFEFF博"),
       "0:Casino 7:赌博"},
      {"variation selector and direction marks", QString::fromUtf8("赌\uFE0F博 p\u200Eorn"), "0:赌博 3:porn"},
      {"traditional characters", "賭博 六合彩 殺人", "0:赌博 2:六合彩 5:杀人"},
      {"struck-through and underlined letters",
       QString::fromUtf8("c\u0336a\u0336s\u0336i\u0336n\u0336o\u0336 p\u0332orn"), "0:Casino 7:porn"},
      {"control characters inside", QString::fromUtf8("赌\u0001博 p\u001Born"), "0:赌博 3:porn"},
      {"split by a table cell", "赌\t博 六合 彩", "0:赌博 2:六合彩"},
      {"no word across lines of a word list", "景色\n情况\n微笑\n气球", ""},
      {"no word across a space in Latin", "por n", ""},
      {"a listed word beginning a longer one counts once", "赌博网站", "0:赌博"},
      {"every start counts", "赌博赌博", "0:赌博 2:赌博"},
      {"a listed word twice counts once", "porn", "0:porn"},
      {"Latin word at the start of a word", "pornhub xporn 91porn _porn", "0:porn 22:porn"},
      {"digits start a word too", "AK47 xAK47 ak47s 1AK47", "0:AK47 11:AK47"},
      {"next to Chinese", "看porn片", "1:porn"},
      {"full-width letter before", "ｘporn", ""},
      {"across two characters", "她已经长成比他还高的大姑娘了。", ""},
      {"nothing", "", ""},
  };
  for (const auto &c : cases)
    EXPECT_EQ(HitsOf(Fixture(), c.text), c.hits) << c.name;
}

TEST(PageMatcher, CountStopsWhereAsked) {
  const std::u16string text = u"赌博赌博赌博赌博";
  EXPECT_EQ(Fixture().Count(text), 4);
  EXPECT_EQ(Fixture().Count(text, 2), 2);
  EXPECT_EQ(Fixture().Count(text, 0), 0);
}

// The part of a text searched may begin and end anywhere: the units before it are context, the
// words may run on after it.
TEST(PageMatcher, APartOfTheTextCountsWhatStartsInIt) {
  const std::u16string text = u"xporn 赌博网 porn";
  struct {
    size_t from, to;
    int hits;
  } const cases[] = {{0, text.size(), 2}, {1, 5, 0}, {6, 7, 1}, {7, text.size(), 1}, {10, 11, 1}, {11, 11, 0}};
  for (const auto &c : cases) {
    int hits = 0;
    Fixture().Find(text, c.from, c.to, [&](size_t, int32_t) { ++hits; });
    EXPECT_EQ(hits, c.hits) << c.from << ".." << c.to;
  }
}

TEST(TextNormaliser, RemovesInvisiblesAndComposes) {
  struct {
    const char *name;
    QString text, normal;
  } const cases[] = {
      {"plain text is kept", "今天 plain，。", "今天 plain，。"},
      {"invisibles out", QString::fromUtf8("a\u200Bb\u00ADc\u034Fd\uFE00e\U000E0101f"), "abcdef"},
      {"marks over letters out, accented letters kept", QString::fromUtf8("e\u0301t\u00E9c\u0336\u20DD"),
       QString::fromUtf8("et\u00E9c")},
      {"controls and unassigned invisible characters out, tabs and line breaks kept",
       QString::fromUtf8("a\u0001b\u001Bc\u2065d\uFFF0e\U000E0002f\tg\nh"), "abcdef\tg\nh"},
      {"spaces between Chinese characters out, line breaks kept",
       QString::fromUtf8("赌 博\n赌\t \u3000博 x 赌 a 1 2\n博"), "赌博\n赌博 x 赌 a 1 2\n博"},
      {"spaces of every width and the braille blank between Chinese characters out",
       QString::fromUtf8("赌\u200A博赌\u202F博赌\u2002博赌\u1680博赌\u205F博赌\u2800博 a\u2002b"),
       QString::fromUtf8("赌博赌博赌博赌博赌博赌博 a\u2002b")},
      {"separators that show nothing out everywhere",
       QString::fromUtf8("赌\u2028博赌\u2029博赌\u000B博赌\u0085博a\u2028b"), QString::fromUtf8("赌博赌博赌博赌博ab")},
      {"ligature", QString::fromUtf8("\uFB01x"), "fix"},
      {"one-character forms are left to the matcher", "ｃ①，", "ｃ①，"},
      {"mathematical letters", QString::fromUtf8("\xF0\x9D\x90\x9A\xF0\x9D\x90\x9B"), "ab"},
      {"Hangul letters joined", QString::fromUtf8("\u1100\u1161"), QString::fromUtf8("\uAC00")},
      {"emoji and rare ideographs are kept", QString::fromUtf8("a\U0001F600b\U00020000"),
       QString::fromUtf8("a\U0001F600b\U00020000")},
      {"a mark after an emoji leaves the pair whole", QString::fromUtf8("\U0001F600\u0301x\u200B\U0001D41A"),
       QString::fromUtf8("\U0001F600xa")},
      {"a lone surrogate survives", QString(QChar(0xD800)) + "x", QString(QChar(0xFFFD)) + "x"},
  };
  for (const auto &c : cases)
    EXPECT_EQ(NormalisePageText(c.text), c.normal) << c.name;
}

// Every listed word is found in its own text, and as often in capitals, full width and with
// invisible characters inside.
TEST(PageMatcher, TheCompiledListIsFoundInEveryForm) {
  const TPageMatcher &matcher = TPageMatcher::Shared();
  for (const std::u16string &entry : LoadWordEntries()) {
    const QString word = QString::fromStdU16String(entry);
    QString fullWidth, spaced;
    for (QChar c : word) {
      fullWidth += c.unicode() > 0x20 && c.unicode() < 0x7F ? QChar(c.unicode() + 0xFEE0) : c;
      spaced += QString(c) + QChar(0x200B);
    }
    const int32_t plain = matcher.Count(U16(NormalisePageText(" " + word + " ")));
    EXPECT_GE(plain, 1) << word.toStdString();
    for (const QString &form : {word.toUpper(), fullWidth, spaced})
      EXPECT_EQ(matcher.Count(U16(NormalisePageText(" " + form + " "))), plain) << form.toStdString();
  }
}

// Three ordinary characters whose code-page-936 bytes hold a listed two-character word across
// them (the first's second byte, the second, the third's first byte): the library's byte search
// finds the word there, the matcher never does. It finds the word in its own characters.
TEST(PageMatcher, FindsNoWordInsideCharacters) {
  const TPageMatcher &matcher = TPageMatcher::Shared();
  int straddled = 0;
  for (const std::u16string &word : LoadWordEntries()) {
    const std::string bytes = Utf16ToCp936(word);
    if (word.size() != 2 || bytes.size() != 4)
      continue;
    const std::string across = "\xB0" + bytes + "\xA1";
    const std::u16string text = Cp936ToUtf16(across);
    if (text.size() != 3 || Utf16ToCp936(text) != across)
      continue;  // no character has these bytes
    ++straddled;
    const TAnsiString managed(across);
    EXPECT_GE(SearchWordCount(managed.Data()), 1) << Cp936ToUtf8(across);
    EXPECT_EQ(matcher.Count(text), 0) << Cp936ToUtf8(across);
    EXPECT_EQ(matcher.Count(u"的" + word + u"的"), 1) << Cp936ToUtf8(bytes);
  }
  EXPECT_GT(straddled, 0);
}

}  // namespace
