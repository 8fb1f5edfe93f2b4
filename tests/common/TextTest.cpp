// String splitting, key lookup and DES with its text and hexadecimal layer.
#include "common/uDES.h"
#include "common/uStrFun.h"

#include <gtest/gtest.h>
#include <stdexcept>

namespace {

QString S(const char *utf8) { return QString::fromUtf8(utf8); }

TEST(StrFun, SplitByDelimiterAndTextAfterKey) {
  const struct {
    QString text, delimiter;
    QStringList parts;
  } splits[] = {
      {"a,b", ",", {"a", "b"}},
      {"a,,b", ",", {"a", "", "b"}},
      {"a,b,", ",", {"a", "b", ""}},
      {",a", ",", {"", "a"}},
      {"", ",", {}},
      {"abc", ",", {"abc"}},
      {"abc", "", {"abc"}},
      {"datetime:x,item:y", ",", {"datetime:x", "item:y"}},
      {"datetime:x", ":", {"datetime", "x"}},
      {"ab", "abc", {"ab"}},
      {"x<>y<>", "<>", {"x", "y", ""}},
      {"x<<>y", "<>", {"x<", "y"}},  // a partial match is kept and rescanned
      {"xaab", "ab", {"xa", ""}},
      {"a<b", "<>", {"a<b"}},                               // too short for the delimiter at the end
      {QString("a,b") + QChar(0) + ",c", ",", {"a", "b"}},  // the text ends at its NUL
      {"a,b", QString(",") + QChar(0) + "b", {"a", "b"}},
      {S("名称:画图,等级:1"), ",", {S("名称:画图"), S("等级:1")}},
  };
  for (const auto &c : splits)
    EXPECT_EQ(SplitByDelimiter(c.text, c.delimiter), c.parts)
        << c.text.toStdString() << " / " << c.delimiter.toStdString();

  const struct {
    QString key, item, after;
  } keys[] = {
      {"name:", "name:Paint", "Paint"},
      {"rank:", "name:Paint", ""},
      {"name:", "name:", ""},
      {"Name:", "name:Paint", ""},  // case-sensitive
      {":", "a:b:c", "b:c"},        // first occurrence
      {"", "name:Paint", ""},
  };
  for (const auto &c : keys)
    EXPECT_EQ(TextAfterKey(c.key, c.item), c.after) << c.key.toStdString() << " in " << c.item.toStdString();
}

TDesBlock Block(uint64_t v) {
  TDesBlock b;
  for (int i = 7; i >= 0; --i, v >>= 8)
    b[i] = uint8_t(v);
  return b;
}

TEST(Des, PublishedTestVectors) {
  const struct {
    uint64_t key, plain, cipher;
  } vectors[] = {
      {0x133457799BBCDFF1, 0x0123456789ABCDEF, 0x85E813540F0AB405},
      {0x0123456789ABCDEF, 0x4E6F772069732074, 0x3FA40E8A984D4815},  // "Now is t"
      {0x0101010101010101, 0x8000000000000000, 0x95F8A5E5DD31D900},
      {0x0101010101010101, 0x0000000000000001, 0x166B40B44ABA4BD6},
      {0x8001010101010101, 0x0000000000000000, 0x95A8D72813DAA94D},
      {0x0E329232EA6D0D73, 0x8787878787878787, 0x0000000000000000},
      // Parity bits do not count: the same key with every low bit flipped.
      {0x0F339333EB6C0C72, 0x8787878787878787, 0x0000000000000000},
  };
  for (const auto &v : vectors) {
    const TDesSubkeys k = DesMakeSubkeys(Block(v.key));
    EXPECT_EQ(DesCryptBlock(k, dmEncry, Block(v.plain)), Block(v.cipher)) << std::hex << v.key;
    EXPECT_EQ(DesCryptBlock(k, dmDecry, Block(v.cipher)), Block(v.plain)) << std::hex << v.key;
  }
}

TEST(Des, TextAndHexLayer) {
  const QString key = "Pemblo!";
  // Lengths of the hexadecimal form: two digits per padded byte.
  const struct {
    QString text;
    int digits;
  } lengths[] = {{"1", 16}, {"12345678", 16}, {"123456789", 32}, {"", 0}};
  for (const auto &c : lengths) {
    const QString hex = DesEncryptToHex(c.text, key);
    EXPECT_EQ(hex.size(), c.digits) << c.text.toStdString();
    EXPECT_EQ(hex, hex.toUpper());
    EXPECT_EQ(DesDecryptFromHex(hex, key), c.text);
    EXPECT_EQ(DesDecryptFromHex(hex.toLower(), key), c.text);
  }
  // The text layer is the block cipher on the low bytes, block by block (no chaining).
  EXPECT_EQ(DesEncryptToHex("Now is the time for all ", QString::fromLatin1("\x01\x23\x45\x67\x89\xAB\xCD\xEF")),
            "3FA40E8A984D48156A271787AB8883F9893D51EC4B563B53");
  EXPECT_EQ(DesEncryptText("", key), "");

  try {
    DesEncryptText(QString("ab") + QChar(0), key);
    FAIL();
  } catch (const std::runtime_error &e) {
    EXPECT_STREQ(e.what(), "Error: the last char is NULL char.");
  }

  // Short keys are padded with NUL; characters beyond the eighth make no difference.
  EXPECT_EQ(DesEncryptToHex("3", "abc"), DesEncryptToHex("3", QString("abc") + QString(5, QChar(0))));
  EXPECT_EQ(DesEncryptToHex("3", "abcdefgh"), DesEncryptToHex("3", "abcdefghXYZ"));
  EXPECT_NE(DesEncryptToHex("3", "abcdefgh"), DesEncryptToHex("3", "abcdefgX"));

  // Characters above 255 lose their high byte.
  const QString wide = S("卡");
  EXPECT_EQ(DesDecryptFromHex(DesEncryptToHex(wide, key), key), QString(QChar(wide[0].unicode() & 0xFF)));
  // A rest shorter than a block is ignored; an odd last digit as well.
  EXPECT_EQ(DesDecryptText(DesEncryptText("abc", key) + "xyz", key), "abc");
  EXPECT_EQ(DesDecryptFromHex(DesEncryptToHex("abc", key) + "7", key), "abc");
}

TEST(Des, HexTextToInt) {
  const struct {
    const char *text;
    int32_t value;
  } cases[] = {
      {"", 0},          {"0", 0},         {"ff", 255}, {"FF", 255}, {"7fffffff", 0x7FFFFFFF},
      {"FFFFFFFF", -1}, {"100000001", 1},  // 32-bit, wrapping
  };
  for (const auto &c : cases)
    EXPECT_EQ(HexTextToInt(c.text), c.value) << c.text;
  for (const char *bad : {"0G", "g", " 1", "-1", "1.0"}) {
    try {
      HexTextToInt(bad);
      ADD_FAILURE() << bad;
    } catch (const std::runtime_error &e) {
      EXPECT_STREQ(e.what(), "Error: not a Hex String") << bad;
    }
  }
  EXPECT_THROW(DesDecryptFromHex("0G", "k"), std::runtime_error);
}

}  // namespace
