#include "wordfilter/WordAutomaton.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <stdexcept>

namespace {

// A trie node while building: few children each, kept sparse so that building touches little
// fresh memory beside the table itself.
struct TBuildNode {
  std::vector<std::pair<uint8_t, int32_t>> kids;
  bool terminal = false;
  uint16_t depth = 0;
  uint32_t row = 0;     // the node's row in the table (inner nodes and the root)
  uint32_t source = 0;  // the row its own row starts as a copy of: that of its failure state
};

// Fresh memory is costly to touch page by page on some machines (a fault per page); the table
// is asked for in one go, which keeps the first call of a fresh process short.
void Prefault(void *data, size_t bytes) {
#ifdef MADV_POPULATE_WRITE
  const uintptr_t page = uintptr_t(sysconf(_SC_PAGESIZE));
  const uintptr_t start = (reinterpret_cast<uintptr_t>(data) + page - 1) & ~(page - 1);
  const uintptr_t end = (reinterpret_cast<uintptr_t>(data) + bytes) & ~(page - 1);
  if (end > start)
    madvise(reinterpret_cast<void *>(start), end - start, MADV_POPULATE_WRITE);
#else
  (void)data;
  (void)bytes;
#endif
}

}  // namespace

// One step: the entry of the current row's column for the byte. Most steps end no word, so the
// hit count is only read behind a branch, and the entry is the next row's offset as it stands.
[[gnu::always_inline]] inline void TWordAutomaton::Step(const TEntry *next, uint32_t &state, uint8_t b,
                                                        uint32_t &hits) {
  TEntry e = next[state + b];
  if (e > RowMask) [[unlikely]] {
    hits += e >> HitShift;
    e &= RowMask;
  }
  state = e;
}

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

TWordAutomaton::TWordAutomaton(const std::vector<std::string> &keyWords) {
  std::vector<TBuildNode> nodes(1);
  for (const std::string &w : ReportableWords(keyWords)) {
    int32_t s = 0;
    for (char ch : w) {
      const auto b = uint8_t(ch);
      auto &kids = nodes[size_t(s)].kids;
      auto it = std::find_if(kids.begin(), kids.end(), [b](const auto &k) { return k.first == b; });
      if (it != kids.end()) {
        s = it->second;
        continue;
      }
      const auto child = int32_t(nodes.size());
      kids.emplace_back(b, child);
      TBuildNode n;
      n.depth = uint16_t(nodes[size_t(s)].depth + 1);
      nodes.push_back(std::move(n));
      s = child;
    }
    nodes[size_t(s)].terminal = true;
    FMaxLength = std::max(FMaxLength, w.size());
  }

  // Breadth-first over the inner nodes, each row made as a copy of its failure state's row
  // (complete, as that state is shallower) with the node's own children written over it.
  // The failure state of a child is where the failure state's row leads on the child's byte,
  // and that entry also carries the hits of the failure state. A terminal node is a leaf whose
  // row would equal its failure state's row, so transitions into it lead there instead and
  // keep its hit count: leaves take no rows of their own.
  size_t rows = 1;
  for (const TBuildNode &n : nodes)
    rows += !n.terminal && n.depth > 0;
  if (rows > MaxRows)
    throw std::length_error("word list needs more automaton states than the table holds");
  FStateCount = rows;
  FNext.reserve(rows * 256);
  Prefault(FNext.data(), rows * 256 * sizeof(TEntry));
  FNext.assign(rows * 256, 0);
  FStopDepth.assign(rows, 0);
  std::vector<int32_t> queue{0};
  uint32_t nextRow = 1;
  for (size_t qi = 0; qi < queue.size(); ++qi) {
    const TBuildNode &n = nodes[size_t(queue[qi])];
    TEntry *row = &FNext[size_t(n.row) * 256];
    if (n.depth > 0)
      std::copy_n(&FNext[size_t(n.source) * 256], 256, row);
    FStopDepth[n.row] = n.depth;
    for (const auto &[b, c] : n.kids) {
      TBuildNode &child = nodes[size_t(c)];
      const TEntry fail = n.depth > 0 ? FNext[size_t(n.source) * 256 + b] : 0;
      const unsigned hits = unsigned(child.terminal) + (fail >> HitShift);
      if (hits > MaxHits)
        throw std::length_error("word list needs more hits per step than the table holds");
      uint32_t target = (fail & RowMask) / 256;
      if (!child.terminal) {
        child.row = target = nextRow++;
        child.source = (fail & RowMask) / 256;
        queue.push_back(c);
      }
      row[b] = TEntry(target * 256 | hits << HitShift);
    }
  }
}

size_t TWordAutomaton::MemoryBytes() const {
  return sizeof(*this) + FNext.capacity() * sizeof(TEntry) + FStopDepth.capacity() * sizeof(uint16_t);
}

uint32_t TWordAutomaton::Walk(const uint8_t *p, size_t n, uint32_t &state) const {
  const TEntry *next = FNext.data();
  uint32_t s = state, hits = 0;
  for (size_t i = 0; i < n; ++i)
    Step(next, s, p[i], hits);
  state = s;
  return hits;
}

uint32_t TWordAutomaton::WalkInterleaved(const uint8_t *text, size_t n, uint32_t &lastState) const {
  // Several stretches walked in step hide the latency of each table read behind the others.
  // Each stretch after the first starts early by the longest word less one byte, uncounted,
  // which brings its state to what a single walk would have there; those warm-up bytes are
  // walked in step too. Stretch k reads `len` bytes from k * (len - warm).
  const size_t warm = FMaxLength > 0 ? FMaxLength - 1 : 0;
  const size_t len = (n - warm) / Streams + warm;
  const size_t stride = len - warm;
  const TEntry *next = FNext.data();
  uint32_t s[Streams] = {}, h[Streams] = {};
  size_t i = 0;
  for (; i < warm; ++i)
    for (size_t k = 0; k < Streams; ++k)
      Step(next, s[k], text[k * stride + i], h[k]);
  for (size_t k = 1; k < Streams; ++k)
    h[k] = 0;
  for (; i < len; ++i)
    for (size_t k = 0; k < Streams; ++k)
      Step(next, s[k], text[k * stride + i], h[k]);
  uint32_t hits = 0;
  for (size_t k = 0; k < Streams; ++k)
    hits += h[k];
  // The last stretch takes the bytes the even split left over.
  const size_t done = (Streams - 1) * stride + len;
  uint32_t st = s[Streams - 1];
  hits += Walk(text + done, n - done, st);
  lastState = st;
  return hits;
}

int32_t TWordAutomaton::Count(std::string_view text) const {
  if (text.empty() || FMaxLength == 0)
    return 0;
  const auto *p = reinterpret_cast<const uint8_t *>(text.data());
  uint32_t state = 0;
  // Interleaving pays from a few hundred bytes on, once the warm-up of each stretch is small
  // beside the stretch.
  const bool interleave = text.size() >= std::max(InterleaveFrom, Streams * FMaxLength);
  const uint32_t hits = interleave ? WalkInterleaved(p, text.size(), state) : Walk(p, text.size(), state);
  // The trie's search stops for good at the first start whose walk runs into the end of the
  // text inside a longer word's path: hits starting there or later are not reported. They are
  // the hits of a fresh walk over that tail, as no reportable word is a prefix of another.
  const size_t stopDepth = FStopDepth[state / 256];
  uint32_t tailState = 0;
  return int32_t(hits - Walk(p + text.size() - stopDepth, stopDepth, tailState));
}
