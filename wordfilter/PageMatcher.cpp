#include "wordfilter/PageMatcher.h"

#include "wordfilter/T2sTable.h"
#include "wordfilter/TextNormaliser.h"
#include "wordfilter/WordTreeUnit.h"

#include <QString>
#include <algorithm>
#include <array>
#include <stdexcept>
#include <unordered_map>

namespace {

// The unit a unit is matched as: its compatibility form when that is one character, ASCII
// letters in lower case, traditional characters as their simplified ones (repeated, as a
// simplified character may itself be mapped once more).
class TFolding {
public:
  TFolding() {
    for (size_t u = 0; u < FUnit.size(); ++u) {
      const char16_t single = SingleUnitForm(char16_t(u));
      FUnit[u] = char16_t(single >= 'A' && single <= 'Z' ? single + ('a' - 'A') : single);
    }
    for (const TT2sPair &pair : TradToSimpPairs())
      FUnit[pair.traditional] = pair.simplified;
    for (int round = 0; round < 3; ++round)
      for (char16_t &unit : FUnit)
        unit = FUnit[unit];
  }
  char16_t operator()(char16_t unit) const { return FUnit[unit]; }

private:
  std::array<char16_t, 0x10000> FUnit;
};

// An ASCII letter or digit, in whatever width it is written.
bool IsAsciiAlnum(char16_t unit) {
  const char16_t u = SingleUnitForm(unit);
  return (u >= '0' && u <= '9') || (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z');
}

}  // namespace

TPageMatcher::TPageMatcher(const std::vector<std::u16string> &words) {
  const TFolding fold;
  // Words in the form they are matched in: normal form, folded.
  std::vector<std::u16string> folded;
  std::unordered_map<char16_t, uint16_t> classOf;
  for (const std::u16string &word : words) {
    const QString normal = NormalisePageText(QString::fromUtf16(word.data(), qsizetype(word.size())));
    std::u16string form;
    for (QChar c : normal)
      form.push_back(fold(c.unicode()));
    if (form.empty() || std::find(folded.begin(), folded.end(), form) != folded.end())
      continue;
    for (char16_t unit : form)
      if (classOf.emplace(unit, uint16_t(classOf.size() + 1)).second && classOf.size() >= 0xFFFF)
        throw std::length_error("too many characters in the word list");
    folded.push_back(form);
    FWords.push_back(word);
    FLongest = std::max(FLongest, form.size());
  }
  FClassCount = uint32_t(classOf.size() + 1);
  FClass.assign(0x10000, 0);
  for (size_t u = 0; u < FClass.size(); ++u)
    if (const auto found = classOf.find(fold(char16_t(u))); found != classOf.end())
      FClass[u] = found->second;

  FPairs.assign((size_t(FClassCount) * FClassCount + 63) / 64, 0);
  FRootChild.assign(FClassCount, 0);
  FChildren.emplace_back();  // the root's children are FRootChild
  FWordOf.push_back(-1);
  auto setPair = [this](uint32_t a, uint32_t b) {
    const size_t k = size_t(a) * FClassCount + b;
    FPairs[k >> 6] |= uint64_t(1) << (k & 63);
  };
  for (size_t w = 0; w < folded.size(); ++w) {
    const std::u16string &form = folded[w];
    uint32_t node = 0;
    for (size_t i = 0; i < form.size(); ++i) {
      const uint16_t cls = classOf.at(form[i]);
      uint32_t next = Child(node, cls);
      if (next == 0) {
        next = uint32_t(FWordOf.size());
        FWordOf.push_back(-1);
        FChildren.emplace_back();
        if (node == 0) {
          FRootChild[cls] = next;
        } else {
          auto &children = FChildren[node];
          children.insert(std::lower_bound(children.begin(), children.end(), std::make_pair(cls, uint32_t(0))),
                          {cls, next});
        }
      }
      node = next;
    }
    if (FWordOf[node] < 0)
      FWordOf[node] = int32_t(w);
    if (form.size() >= 2)
      setPair(classOf.at(form[0]), classOf.at(form[1]));
    else
      for (uint32_t b = 0; b < FClassCount; ++b)
        setPair(classOf.at(form[0]), b);
  }
}

const TPageMatcher &TPageMatcher::Shared() {
  static const TPageMatcher matcher(LoadWordEntries());
  return matcher;
}

uint32_t TPageMatcher::Child(uint32_t node, uint16_t cls) const {
  if (node == 0)
    return FRootChild[cls];
  const auto &children = FChildren[node];
  const auto found = std::lower_bound(children.begin(), children.end(), std::make_pair(cls, uint32_t(0)));
  return found != children.end() && found->first == cls ? found->second : 0;
}

int32_t TPageMatcher::WordAt(std::u16string_view text, size_t start) const {
  if (start > 0 && IsAsciiAlnum(text[start]) && IsAsciiAlnum(text[start - 1]))
    return -1;
  uint32_t node = 0;
  for (size_t i = start; i < text.size(); ++i) {
    const uint16_t cls = FClass[text[i]];
    if (cls == 0 || (node = Child(node, cls)) == 0)
      return -1;
    if (FWordOf[node] >= 0)
      return FWordOf[node];
  }
  return -1;
}

template <typename Hit> void TPageMatcher::Scan(std::u16string_view text, size_t from, size_t to, Hit &&hit) const {
  to = std::min(to, text.size());
  if (from >= to)
    return;
  const char16_t *units = text.data();
  const uint16_t *classes = FClass.data();
  const uint64_t *pairs = FPairs.data();
  const uint32_t classCount = FClassCount;
  // Pairs are tested up to the last unit of the text; a word can start at that unit only when
  // it has one character.
  const size_t pairEnd = std::min(to, text.size() - 1);
  uint32_t a = classes[units[from]];
  for (size_t s = from; s < pairEnd; ++s) {
    const uint32_t b = classes[units[s + 1]];
    const size_t k = size_t(a) * classCount + b;
    if ((pairs[k >> 6] >> (k & 63)) & 1) [[unlikely]] {
      const int32_t word = WordAt(text, s);
      if (word >= 0 && !hit(s, word))
        return;
    }
    a = b;
  }
  if (to == text.size()) {
    const int32_t word = WordAt(text, to - 1);
    if (word >= 0)
      hit(to - 1, word);
  }
}

int32_t TPageMatcher::Count(std::u16string_view text, int32_t stopAt) const {
  int32_t count = 0;
  if (stopAt <= 0)
    return 0;
  Scan(text, 0, text.size(), [&](size_t, int32_t) { return ++count < stopAt; });
  return count;
}

void TPageMatcher::Find(std::u16string_view text, size_t from, size_t to,
                        const std::function<void(size_t position, int32_t word)> &found) const {
  Scan(text, from, to, [&](size_t position, int32_t word) {
    found(position, word);
    return true;
  });
}
