#pragma once
// The fast form of the keyword search used by the filter exports: an Aho-Corasick automaton
// over the words the trie can report, as a dense table of 256 byte columns with the number of
// hits carried on each transition, walked over several stretches of the text at once.
// It counts exactly what TWordTree::SearchWord reports, the stop rule at the end of the text
// included; the tests hold it against the trie.
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

class TWordAutomaton {
public:
  // Raises std::length_error when the words need more states or hits per step than the
  // 16-bit transitions hold (4095 states, 15 hits); the compiled-in list needs far fewer.
  explicit TWordAutomaton(const std::vector<std::string> &keyWords);

  int32_t Count(std::string_view text) const;

  size_t StateCount() const { return FStateCount; }
  // Bytes held by the built structure.
  size_t MemoryBytes() const;

private:
  static constexpr unsigned StateBits = 12;
  static constexpr uint16_t StateMask = (1u << StateBits) - 1;

  uint32_t Walk(const uint8_t *p, size_t n, uint16_t &state) const;
  uint32_t WalkInterleaved(const uint8_t *text, size_t n, uint16_t &lastState) const;
  int32_t HitsAfter(std::string_view text, size_t start) const;

  std::vector<uint16_t> FNext;                  // state * 256 + byte -> next state | hits << StateBits
  std::vector<uint16_t> FStopDepth;             // per state: its depth, where the search stops if the text ends there
  std::unordered_set<std::string_view> FWords;  // the reportable words (no one a prefix of another)
  std::vector<std::string> FWordStore;
  size_t FStateCount = 0;
  size_t FMaxLength = 0;
};
