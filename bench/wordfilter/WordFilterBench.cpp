// Speed and memory of the word filter: the exports beside Hyperscan over the same words and the
// same text, GBK prose with listed words sprinkled in and ASCII text, at page sizes from 512 B
// to 1 MB; the literal trie walk; the first call in a fresh process; the size of the built
// structures.
#include "platform/cp936/CodePage936.h"
#include "wordfilter/ManagedString.h"
#include "wordfilter/WordAutomaton.h"
#include "wordfilter/WordFilterUnit.h"
#include "wordfilter/WordTreeUnit.h"

#include <benchmark/benchmark.h>

#ifdef HAVE_HYPERSCAN
#include <hs/hs.h>
#endif

#include <algorithm>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

constexpr size_t TextSize = 1 << 20;
constexpr size_t TextSizes[] = {512, 1 << 10, 4 << 10, TextSize};

const char *const ChineseSentences[] = {
    "今天天气很好，阳光照在操场上，同学们在老师的带领下做早操。",
    "课间的时候，小明和小红一起在图书角读故事书。",
    "书里讲的是一只勇敢的小狐狸穿过森林去寻找春天的故事。",
    "太阳光由许多颜色组成，空气中的微小颗粒更容易散射蓝色的光。",
    "到了傍晚，阳光穿过更厚的大气层，于是出现了美丽的晚霞。",
    "上网的时候，不要随便点击陌生的链接，也不要把姓名告诉陌生人。",
    "周末我们全家去公园划船，湖面上有几只白色的天鹅在游泳。",
    "数学课上，老师教我们用小木棒学习加法和减法。",
    "Hello 世界，2026 年的春节联欢晚会非常精彩。",
};

const char *const EnglishSentences[] = {
    "The quick brown fox jumps over the lazy dog near the river bank. ",
    "Children learn to read stories about brave animals and friendly robots. ",
    "Science class explains why the sky is blue and why sunsets are red. ",
    "Please do not click on strange links or tell strangers your address. ",
};

std::string MakeText(const std::vector<std::string> &sentences, const std::vector<std::string> &words) {
  std::mt19937 rng(936);
  std::string text;
  while (text.size() < TextSize) {
    text += sentences[rng() % sentences.size()];
    if (rng() % 8 == 0)  // about one listed word per kilobyte
      text += words[rng() % words.size()];
  }
  return text;
}

const std::vector<std::string> &ListedWords() {
  static const std::vector<std::string> words = LoadKeyWords();
  return words;
}

const std::string &GbkText() {
  static const std::string text = [] {
    std::vector<std::string> sentences;
    for (const char *s : ChineseSentences)
      sentences.push_back(Utf8ToCp936(s));
    return MakeText(sentences, ListedWords());
  }();
  return text;
}

const std::string &AsciiText() {
  static const std::string text = [] {
    std::vector<std::string> asciiWords;
    for (const std::string &w : ListedWords())
      if (std::all_of(w.begin(), w.end(), [](char c) { return uint8_t(c) < 0x80; }))
        asciiWords.push_back(" " + w + " ");
    return MakeText({std::begin(EnglishSentences), std::end(EnglishSentences)}, asciiWords);
  }();
  return text;
}

// The trie's count of a text, the reference every measured count is held against.
int32_t TrieCount(std::string_view text) {
  static const TWordTree tree = [] {
    TWordTree t;
    t.CreateWordTree(ListedWords());
    return t;
  }();
  return int32_t(tree.SearchWordHits(text).size());
}

// SearchWordCount on the first `size` bytes of the text.
void Exports(benchmark::State &state, const std::string &source, size_t size) {
  const std::string_view slice(source.data(), size);
  const TAnsiString text(slice);
  const int32_t expected = TrieCount(slice);
  if (SearchWordCount(text.Data()) != expected) {
    state.SkipWithError("the exports' count differs from the trie's");
    return;
  }
  int32_t hits = 0;
  for (auto _ : state) {
    hits = SearchWordCount(text.Data());
    benchmark::DoNotOptimize(hits);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(size));
  state.counters["hits"] = hits;
}

void LiteralTrie(benchmark::State &state, const std::string &text) {
  TWordTree tree;
  tree.CreateWordTree(ListedWords());
  size_t hits = 0;
  for (auto _ : state) {
    hits = tree.SearchWordHits(text).size();
    benchmark::DoNotOptimize(hits);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
  state.counters["hits"] = double(hits);
}

void BM_LiteralTrie_Gbk(benchmark::State &state) { LiteralTrie(state, GbkText()); }
void BM_LiteralTrie_Ascii(benchmark::State &state) { LiteralTrie(state, AsciiText()); }

#ifdef HAVE_HYPERSCAN
// Hyperscan over the words the trie can report, as literal patterns, counting every match of
// the first `size` bytes of the text. Its count differs from the trie's only where the trie's
// search stops at a text ending inside a longer word.
void Hyperscan(benchmark::State &state, const std::string &source, size_t size) {
  const std::vector<std::string> words = ReportableWords(ListedWords());
  std::vector<const char *> patterns;
  std::vector<unsigned> flags, ids;
  std::vector<size_t> lengths;
  for (const std::string &w : words) {
    patterns.push_back(w.data());
    lengths.push_back(w.size());
    flags.push_back(0);
    ids.push_back(unsigned(ids.size()));
  }
  hs_database_t *db = nullptr;
  hs_compile_error_t *error = nullptr;
  if (hs_compile_lit_multi(patterns.data(), flags.data(), ids.data(), lengths.data(), unsigned(patterns.size()),
                           HS_MODE_BLOCK, nullptr, &db, &error) != HS_SUCCESS) {
    state.SkipWithError(error->message);
    hs_free_compile_error(error);
    return;
  }
  hs_scratch_t *scratch = nullptr;
  hs_alloc_scratch(db, &scratch);
  size_t hits = 0;
  for (auto _ : state) {
    hits = 0;
    hs_scan(
        db, source.data(), unsigned(size), 0, scratch,
        [](unsigned, unsigned long long, unsigned long long, unsigned, void *ctx) -> int {
          ++*static_cast<size_t *>(ctx);
          return 0;
        },
        &hits);
    benchmark::DoNotOptimize(hits);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(size));
  state.counters["hits"] = double(hits);
  hs_free_scratch(scratch);
  hs_free_database(db);
}
#endif

// The first call in a fresh process: a probe program is started per iteration and reports
// the time of its first SearchWordCount (which builds the word list).
void BM_FirstCallFreshProcess(benchmark::State &state) {
  for (auto _ : state) {
    FILE *probe = popen(FIRSTCALL_PROBE, "r");
    long long ns = 0;
    int hits = 0;
    if (!probe || std::fscanf(probe, "%lld %d", &ns, &hits) != 2) {
      state.SkipWithError("probe failed");
      break;
    }
    pclose(probe);
    state.SetIterationTime(double(ns) * 1e-9);
  }
}

// Memory of the built structures: the automaton the exports use and the literal trie.
void BM_BuildAutomaton(benchmark::State &state) {
  size_t bytes = 0, states = 0;
  for (auto _ : state) {
    TWordAutomaton automaton(ListedWords());
    bytes = automaton.MemoryBytes();
    states = automaton.StateCount();
    benchmark::DoNotOptimize(bytes);
  }
  state.counters["bytes"] = double(bytes);
  state.counters["states"] = double(states);
}

size_t CountNodes(const TWordChildNode *node) {
  size_t n = 1;
  for (int b = 0; b < 256; ++b)
    if (const TWordChildNode *child = node->ChildNode(uint8_t(b)))
      n += CountNodes(child);
  return n;
}

void BM_BuildLiteralTrie(benchmark::State &state) {
  size_t nodes = 0;
  for (auto _ : state) {
    TWordTree tree;
    tree.CreateWordTree(ListedWords());
    nodes = CountNodes(tree.WordTree());
    benchmark::DoNotOptimize(nodes);
  }
  state.counters["nodes"] = double(nodes);
  state.counters["bytes"] = double(nodes * sizeof(TWordChildNode));
}

}  // namespace

BENCHMARK(BM_LiteralTrie_Gbk)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LiteralTrie_Ascii)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FirstCallFreshProcess)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildAutomaton)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildLiteralTrie)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv) {
  // The exports and Hyperscan side by side, size by size, on the same bytes.
  for (const auto &[name, text] : {std::pair{"Gbk", &GbkText}, std::pair{"Ascii", &AsciiText}})
    for (size_t size : TextSizes) {
      const std::string suffix = std::string(name) + "/" + std::to_string(size);
      benchmark::RegisterBenchmark(("Exports/" + suffix).c_str(), [text, size](benchmark::State &st) {
        Exports(st, text(), size);
      })->Unit(benchmark::kMicrosecond);
#ifdef HAVE_HYPERSCAN
      benchmark::RegisterBenchmark(("Hyperscan/" + suffix).c_str(), [text, size](benchmark::State &st) {
        Hyperscan(st, text(), size);
      })->Unit(benchmark::kMicrosecond);
#endif
    }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv))
    return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
