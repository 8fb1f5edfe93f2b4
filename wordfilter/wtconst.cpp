#include "wordfilter/wtconst.h"

#include "platform/cp936/CodePage936.h"

#include <limits>
#include <stdexcept>
#include <string>

std::u16string_view WordCountText() { return u"583"; }

int32_t ParseWordCount(std::u16string_view text) {
  size_t i = 0;
  bool negative = false;
  if (!text.empty() && (text[0] == u'-' || text[0] == u'+')) {
    negative = text[0] == u'-';
    i = 1;
  }
  bool ok = i < text.size();
  int64_t value = 0;
  for (; ok && i < text.size(); ++i) {
    ok = text[i] >= u'0' && text[i] <= u'9';
    value = value * 10 + (text[i] - u'0');
    ok = ok && value <= int64_t(std::numeric_limits<int32_t>::max()) + 1;
  }
  if (negative)
    value = -value;
  if (!ok || value > std::numeric_limits<int32_t>::max())
    throw std::invalid_argument("'" + Cp936ToUtf8(Utf16ToCp936(text)) + "' is not a valid integer value");
  return int32_t(value);
}
