#pragma once
// The fast form of the keyword search used by the filter exports: an Aho-Corasick automaton
// over the words the trie can report, as a dense table of 256 byte columns with the number of
// hits carried on each transition, walked over several stretches of the text at once.
// It counts exactly what TWordTree::SearchWord reports, the stop rule at the end of the text
// included; the tests hold it against the trie.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The words the trie can report: a word passing the end of a shorter listed word is cut
// there, so only words with no listed proper prefix remain (each once, empty words dropped).
std::vector<std::string> ReportableWords(std::vector<std::string> words);

class TWordAutomaton {
public:
  // Raises std::length_error when the words need more states or hits per step than the
  // transitions hold (65536 states, 255 hits); the compiled-in list needs far fewer.
  explicit TWordAutomaton(const std::vector<std::string> &keyWords);

  int32_t Count(std::string_view text) const;

  size_t StateCount() const { return FStateCount; }
  // Bytes held by the built structure.
  size_t MemoryBytes() const;

private:
  // An entry is the next row's offset in the table (row * 256), with the number of words
  // ending on the step in the bits above it. The offset as it stands makes a step one add and
  // one read, without the shift and mask a row number would need; that measured faster than
  // half-width entries, whose table is half the size.
  using TEntry = uint32_t;
  static constexpr unsigned HitShift = 24;
  static constexpr TEntry RowMask = (1u << HitShift) - 1;
  static constexpr size_t MaxRows = (RowMask + 1) / 256;
  static constexpr unsigned MaxHits = 255;
  static constexpr size_t Streams = 8;
  static constexpr size_t InterleaveFrom = 512;

  static void Step(const TEntry *next, uint32_t &state, uint8_t b, uint32_t &hits);
  uint32_t Walk(const uint8_t *p, size_t n, uint32_t &state) const;
  uint32_t WalkInterleaved(const uint8_t *text, size_t n, uint32_t &lastState) const;

  std::vector<TEntry> FNext;         // row * 256 + byte -> entry
  std::vector<uint16_t> FStopDepth;  // per row: its depth, where the search stops if the text ends there
  size_t FStateCount = 0;
  size_t FMaxLength = 0;
};
