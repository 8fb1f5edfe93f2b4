#include "wordfilter/WordFilterUnit.h"

#include "wordfilter/ManagedString.h"
#include "wordfilter/WordAutomaton.h"
#include "wordfilter/WordTreeUnit.h"

#include <memory>
#include <mutex>

namespace {

// Built from the compiled-in list on the first call, by exactly one of any concurrent first
// callers, and kept until the library is unloaded.
const TWordAutomaton &GlobalWords() {
  static std::once_flag once;
  static std::unique_ptr<TWordAutomaton> words;
  std::call_once(once, [] { words = std::make_unique<TWordAutomaton>(LoadKeyWords()); });
  return *words;
}

// Holds a reference to the caller's string for the length of the call.
class TStringRef {
public:
  explicit TStringRef(const char *str) : FStr(str) {
    if (FStr)
      ManagedAddRef(FStr, +1);
  }
  ~TStringRef() {
    if (FStr)
      ManagedAddRef(FStr, -1);
  }
  TStringRef(const TStringRef &) = delete;
  TStringRef &operator=(const TStringRef &) = delete;

  // The header's length is authoritative; the text is not scanned for its zero byte.
  std::string_view Text() const {
    if (!FStr)
      return {};
    const int32_t length = ManagedHeader(FStr)->length;
    return {FStr, length > 0 ? size_t(length) : 0};
  }

private:
  const char *FStr;
};

}  // namespace

extern "C" int32_t SVWORDTREE_CALL SearchWordCount(const char *str) {
  const TWordAutomaton &words = GlobalWords();
  TStringRef ref(str);
  return words.Count(ref.Text());
}

extern "C" bool SVWORDTREE_CALL SearchWordIsCanPass(const char *str, int32_t threshold) {
  TStringRef ref(str);
  return SearchWordCount(str) < threshold;
}
