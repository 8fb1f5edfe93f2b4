#include "platform/cp936/CodePage936.h"

#include <iconv.h>

#include <cerrno>
#include <stdexcept>

namespace {

// One converter per thread and direction: iconv descriptors carry state and are not shared.
class TConverter {
public:
  TConverter(const char *to, const char *from) : FCd(iconv_open(to, from)) {
    if (FCd == reinterpret_cast<iconv_t>(-1))
      throw std::runtime_error(std::string("code page conversion unavailable: ") + from + " -> " + to);
  }
  ~TConverter() { iconv_close(FCd); }
  TConverter(const TConverter &) = delete;
  TConverter &operator=(const TConverter &) = delete;

  // Converts `in`; on a sequence without a mapping it appends `replacement` and skips
  // `skip(in, left)` input bytes.
  template <typename Skip> std::string Run(const char *in, size_t left, std::string_view replacement, Skip skip) {
    iconv(FCd, nullptr, nullptr, nullptr, nullptr);
    std::string out;
    out.resize(left * 2 + 16);
    size_t used = 0;
    char *src = const_cast<char *>(in);
    while (left > 0) {
      if (out.size() - used < 16)
        out.resize(out.size() * 2);
      char *dst = out.data() + used;
      size_t room = out.size() - used;
      const size_t rc = iconv(FCd, &src, &left, &dst, &room);
      used = out.size() - room;
      if (rc != static_cast<size_t>(-1))
        break;
      if (errno == E2BIG)
        continue;
      // EILSEQ: no mapping or an invalid sequence; EINVAL: a sequence cut off at the end.
      if (out.size() - used < replacement.size() + 16)
        out.resize(out.size() * 2 + replacement.size());
      out.replace(used, replacement.size(), replacement);
      used += replacement.size();
      const size_t n = errno == EINVAL ? left : skip(src, left);
      src += n;
      left -= n;
    }
    out.resize(used);
    return out;
  }

private:
  iconv_t FCd;
};

TConverter &ToGbk() {
  thread_local TConverter c("CP936", "UTF-16LE");
  return c;
}

TConverter &FromGbk() {
  thread_local TConverter c("UTF-16LE", "CP936");
  return c;
}

bool IsAscii(std::string_view s) {
  for (unsigned char ch : s)
    if (ch >= 0x80)
      return false;
  return true;
}

}  // namespace

std::string Utf16ToCp936(std::u16string_view text) {
  // Fast path: plain ASCII text maps to itself.
  std::string ascii;
  ascii.reserve(text.size());
  for (char16_t ch : text) {
    if (ch >= 0x80)
      return ToGbk().Run(reinterpret_cast<const char *>(text.data()), text.size() * 2, "?",
                         [](const char *src, size_t left) -> size_t {
                           // A surrogate pair is one character: one "?" for both units.
                           const auto unit = char16_t(uint8_t(src[0]) | uint8_t(src[1]) << 8);
                           if (unit >= 0xD800 && unit < 0xDC00 && left >= 4) {
                             const auto next = char16_t(uint8_t(src[2]) | uint8_t(src[3]) << 8);
                             if (next >= 0xDC00 && next < 0xE000)
                               return 4;
                           }
                           return 2;
                         });
    ascii.push_back(char(ch));
  }
  return ascii;
}

std::u16string Cp936ToUtf16(std::string_view bytes) {
  if (IsAscii(bytes))
    return std::u16string(bytes.begin(), bytes.end());
  const std::string raw = FromGbk().Run(bytes.data(), bytes.size(), std::string_view("?\0", 2),
                                        [](const char *, size_t) -> size_t { return 1; });
  std::u16string out(raw.size() / 2, u'\0');
  for (size_t i = 0; i < out.size(); ++i)
    out[i] = char16_t(uint8_t(raw[2 * i]) | uint8_t(raw[2 * i + 1]) << 8);
  return out;
}

namespace {

std::u16string Utf8ToUtf16(std::string_view s) {
  std::u16string out;
  out.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    const auto c = uint8_t(s[i]);
    char32_t cp;
    size_t len;
    if (c < 0x80) {
      cp = c;
      len = 1;
    } else if ((c & 0xE0) == 0xC0) {
      cp = c & 0x1F;
      len = 2;
    } else if ((c & 0xF0) == 0xE0) {
      cp = c & 0x0F;
      len = 3;
    } else if ((c & 0xF8) == 0xF0) {
      cp = c & 0x07;
      len = 4;
    } else {
      out.push_back(u'?');
      ++i;
      continue;
    }
    bool ok = i + len <= s.size();
    for (size_t k = 1; ok && k < len; ++k) {
      const auto cc = uint8_t(s[i + k]);
      ok = (cc & 0xC0) == 0x80;
      cp = cp << 6 | (cc & 0x3F);
    }
    static constexpr char32_t minimum[] = {0, 0, 0x80, 0x800, 0x10000};
    if (!ok || cp < minimum[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp < 0xE000)) {
      out.push_back(u'?');
      ++i;
      continue;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(char16_t(0xD800 + (cp >> 10)));
      out.push_back(char16_t(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(char16_t(cp));
    }
    i += len;
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view s) {
  std::string out;
  out.reserve(s.size() * 3);
  for (size_t i = 0; i < s.size(); ++i) {
    char32_t cp = s[i];
    if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000)
      cp = 0x10000 + ((cp - 0xD800) << 10) + (s[++i] - 0xDC00);
    if (cp < 0x80) {
      out.push_back(char(cp));
    } else if (cp < 0x800) {
      out.push_back(char(0xC0 | cp >> 6));
      out.push_back(char(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(char(0xE0 | cp >> 12));
      out.push_back(char(0x80 | (cp >> 6 & 0x3F)));
      out.push_back(char(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(char(0xF0 | cp >> 18));
      out.push_back(char(0x80 | (cp >> 12 & 0x3F)));
      out.push_back(char(0x80 | (cp >> 6 & 0x3F)));
      out.push_back(char(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

}  // namespace

std::string Utf8ToCp936(std::string_view text) {
  if (IsAscii(text))
    return std::string(text);
  return Utf16ToCp936(Utf8ToUtf16(text));
}

std::string Cp936ToUtf8(std::string_view bytes) {
  if (IsAscii(bytes))
    return std::string(bytes);
  return Utf16ToUtf8(Cp936ToUtf16(bytes));
}
