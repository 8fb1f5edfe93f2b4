#include "WordAutomaton.h"

#include <algorithm>
#include <array>
#include <deque>
#include <stdexcept>

namespace {

// The words the trie can report: a word passing the end of a shorter listed word is cut
// there, so only words with no listed proper prefix remain (duplicates once).
std::vector<std::string> ReportableWords(std::vector<std::string> words) {
  std::sort(words.begin(), words.end());
  words.erase(std::unique(words.begin(), words.end()), words.end());
  std::vector<std::string> kept;
  for (std::string &w : words) {
    if (w.empty())
      continue;
    // In sorted order a word's listed prefixes sort before it; the nearest kept word is the
    // only kept one that can be its prefix.
    if (!kept.empty() && std::string_view(w).starts_with(kept.back()))
      continue;
    kept.push_back(std::move(w));
  }
  return kept;
}

struct TBuildNode {
  std::array<int32_t, 256> child;
  int32_t fail = 0;
  uint16_t depth = 0;
  bool terminal = false;
  TBuildNode() { child.fill(-1); }
};

} // namespace

TWordAutomaton::TWordAutomaton(const std::vector<std::string> &keyWords) {
  FWordStore = ReportableWords(keyWords);
  std::vector<TBuildNode> nodes(1);
  for (const std::string &w : FWordStore) {
    int32_t s = 0;
    for (char ch : w) {
      const auto b = uint8_t(ch);
      if (nodes[size_t(s)].child[b] < 0) {
        nodes[size_t(s)].child[b] = int32_t(nodes.size());
        TBuildNode n;
        n.depth = uint16_t(nodes[size_t(s)].depth + 1);
        nodes.push_back(n);
      }
      s = nodes[size_t(s)].child[b];
    }
    nodes[size_t(s)].terminal = true;
    FMaxLength = std::max(FMaxLength, w.size());
  }
  for (const std::string &w : FWordStore)
    FWords.insert(w);

  // Breadth-first: failure links, hits per state (its own word plus those of its suffixes),
  // and the full transition table. A terminal state is a leaf whose row equals its failure
  // state's row, so transitions into it are redirected there and keep its hit count: leaves
  // take no rows of their own.
  const size_t total = nodes.size();
  std::vector<uint8_t> hits(total, 0);
  std::vector<int32_t> order;
  order.reserve(total);
  order.push_back(0);
  for (size_t qi = 0; qi < order.size(); ++qi) {
    const int32_t s = order[qi];
    for (int b = 0; b < 256; ++b) {
      const int32_t c = nodes[size_t(s)].child[b];
      if (c < 0)
        continue;
      nodes[size_t(c)].fail = s == 0 ? 0 : [&] {
        int32_t f = nodes[size_t(s)].fail;
        while (f != 0 && nodes[size_t(f)].child[b] < 0)
          f = nodes[size_t(f)].fail;
        const int32_t t = nodes[size_t(f)].child[b];
        return t >= 0 ? t : 0;
      }();
      const unsigned h = unsigned(nodes[size_t(c)].terminal) + hits[size_t(nodes[size_t(c)].fail)];
      if (h > 15)
        throw std::length_error("word list needs more than 15 hits per step");
      hits[size_t(c)] = uint8_t(h);
      order.push_back(c);
    }
  }

  // Row numbers for the states that keep a row: root and inner states.
  std::vector<int32_t> row(total, -1);
  std::vector<int32_t> resolved(total); // a terminal leaf stands for its failure state
  size_t rows = 0;
  for (int32_t s : order) {
    if (nodes[size_t(s)].terminal) {
      resolved[size_t(s)] = resolved[size_t(nodes[size_t(s)].fail)];
    } else {
      row[size_t(s)] = int32_t(rows++);
      resolved[size_t(s)] = s;
    }
  }
  if (rows > StateMask)
    throw std::length_error("word list needs more than 4095 automaton states");
  FStateCount = rows;
  FNext.assign(rows * 256, 0);
  FStopDepth.assign(rows, 0);
  for (int32_t s : order) {
    if (nodes[size_t(s)].terminal)
      continue;
    const size_t r = size_t(row[size_t(s)]);
    for (int b = 0; b < 256; ++b) {
      const int32_t t = nodes[size_t(s)].child[b];
      uint16_t entry = 0; // the root's missing children lead back to the root, no hit
      if (t >= 0)
        entry = uint16_t(row[size_t(resolved[size_t(t)])] | hits[size_t(t)] << StateBits);
      else if (s != 0) // as from the failure state, whose row is complete in breadth-first order
        entry = FNext[size_t(row[size_t(resolved[size_t(nodes[size_t(s)].fail)])]) * 256 + size_t(b)];
      FNext[r * 256 + size_t(b)] = entry;
    }
    // A state that keeps a row is the root or lies inside the path of a longer word: if the
    // text ends there, the trie's search stops at the start that many bytes back.
    FStopDepth[r] = nodes[size_t(s)].depth;
  }
}

size_t TWordAutomaton::MemoryBytes() const {
  size_t words = 0;
  for (const std::string &w : FWordStore)
    words += w.capacity() + sizeof(std::string);
  return sizeof(*this) + FNext.capacity() * sizeof(uint16_t) + FStopDepth.capacity() * sizeof(uint16_t) +
         words + FWords.bucket_count() * sizeof(void *) + FWords.size() * (sizeof(std::string_view) + 2 * sizeof(void *));
}

uint32_t TWordAutomaton::Walk(const uint8_t *p, size_t n, uint16_t &state) const {
  const uint16_t *next = FNext.data();
  uint32_t s = state, hits = 0;
  for (size_t i = 0; i < n; ++i) {
    const uint16_t e = next[s << 8 | p[i]];
    hits += e >> StateBits;
    s = e & StateMask;
  }
  state = uint16_t(s);
  return hits;
}

uint32_t TWordAutomaton::WalkInterleaved(const uint8_t *text, size_t n, uint16_t &lastState) const {
  // Eight stretches walked in step hide the latency of each table read behind the others.
  // Each stretch after the first starts early by the longest word less one byte, uncounted,
  // which brings its state to what a single walk would have there.
  constexpr size_t K = 8;
  const size_t chunk = n / K;
  const size_t warm = FMaxLength > 0 ? FMaxLength - 1 : 0;
  std::array<const uint8_t *, K> p;
  std::array<uint32_t, K> s{}, h{};
  for (size_t k = 0; k < K; ++k) {
    p[k] = text + k * chunk;
    uint16_t st = 0;
    if (k > 0) {
      const size_t w = std::min(warm, k * chunk);
      Walk(p[k] - w, w, st);
    }
    s[k] = st;
  }
  const uint16_t *next = FNext.data();
  for (size_t i = 0; i < chunk; ++i) {
    for (size_t k = 0; k < K; ++k) {
      const uint16_t e = next[s[k] << 8 | p[k][i]];
      h[k] += e >> StateBits;
      s[k] = e & StateMask;
    }
  }
  uint32_t hits = 0;
  for (size_t k = 0; k < K; ++k)
    hits += h[k];
  // The last stretch takes the bytes the even split left over.
  uint16_t st = uint16_t(s[K - 1]);
  hits += Walk(p[K - 1] + chunk, n - K * chunk, st);
  lastState = st;
  return hits;
}

int32_t TWordAutomaton::HitsAfter(std::string_view text, size_t start) const {
  int32_t hits = 0;
  for (size_t s = start; s < text.size(); ++s)
    for (size_t len = 1; len <= std::min(FMaxLength, text.size() - s); ++len)
      if (FWords.count(text.substr(s, len))) {
        ++hits;
        break;
      }
  return hits;
}

int32_t TWordAutomaton::Count(std::string_view text) const {
  if (text.empty() || FWords.empty())
    return 0;
  const auto *p = reinterpret_cast<const uint8_t *>(text.data());
  uint16_t state = 0;
  const uint32_t hits = text.size() >= 4096 ? WalkInterleaved(p, text.size(), state)
                                            : Walk(p, text.size(), state);
  // The trie's search stops for good at the first start whose walk runs into the end of the
  // text inside a longer word's path: hits starting there or later are not reported.
  const size_t stopDepth = FStopDepth[state];
  if (stopDepth == 0)
    return int32_t(hits);
  return int32_t(hits) - HitsAfter(text, text.size() - stopDepth);
}
