// Several threads make the library's very first call at once: one builds the word list, all
// get the same count.
#include "platform/cp936/CodePage936.h"
#include "wordfilter/ManagedString.h"
#include "wordfilter/WordFilterUnit.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

TEST(FirstCall, ConcurrentFirstCallersAgree) {
  const TAnsiString text(Utf8ToCp936("赌博 boobs 今天 nude 冰毒"));
  std::atomic<int> ready{0};
  constexpr int Threads = 8;
  std::vector<int32_t> counts(Threads, -1);
  std::vector<std::thread> threads;
  for (int i = 0; i < Threads; ++i)
    threads.emplace_back([&, i] {
      ready.fetch_add(1);
      while (ready.load() < Threads) {
      }
      counts[size_t(i)] = SearchWordCount(text.Data());
    });
  for (auto &t : threads)
    t.join();
  for (int32_t c : counts)
    EXPECT_EQ(c, 4);
  EXPECT_EQ(text.Header().refCount, 1);
}
