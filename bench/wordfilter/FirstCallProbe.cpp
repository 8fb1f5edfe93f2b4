// Prints the nanoseconds the first SearchWordCount call of this process takes (it builds the
// word list); run once per fresh process by bench_wordfilter.
#include "platform/cp936/CodePage936.h"
#include "wordfilter/ManagedString.h"
#include "wordfilter/WordFilterUnit.h"

#include <chrono>
#include <cstdio>

int main() {
  const TAnsiString text(Utf8ToCp936("今天天气很好 adult"));
  const auto start = std::chrono::steady_clock::now();
  const int32_t hits = SearchWordCount(text.Data());
  const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - start);
  std::printf("%lld %d\n", static_cast<long long>(ns.count()), hits);
  return 0;
}
