#pragma once
// The keyword trie: listed words as a byte trie with dense 256-slot nodes, and the search that
// counts every listed word in a text. Words and text are byte strings in code page 936; the
// trie knows nothing of characters.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TWordChildNode {
public:
  TWordChildNode() : TWordChildNode(1) {}
  explicit TWordChildNode(int32_t init) : FThisNode(init) {}

  // Nonzero: a listed word ends here (the node is terminal).
  int32_t ThisNode() const { return FThisNode; }
  void SetThisNode(int32_t value) { FThisNode = value; }

  // Slot b holds the child reached by byte b; every node owns its children.
  TWordChildNode *ChildNode(uint8_t b) const { return FChildNode[b].get(); }
  void SetChildNode(uint8_t b, std::unique_ptr<TWordChildNode> child) { FChildNode[b] = std::move(child); }
  void ClearChildren();

private:
  int32_t FThisNode;
  std::array<std::unique_ptr<TWordChildNode>, 256> FChildNode;
};

class TWordTree {
public:
  TWordTree();

  TWordChildNode *WordTree() const { return FWordTree.get(); }

  // Builds from scratch, in list order. A word whose path passes the end of a shorter listed
  // word is cut there; a shorter word inserted later cuts the longer paths at its end.
  void CreateWordTree(const std::vector<std::string> &keyWords);
  // Builds from the compiled-in word list.
  void CreateWordTree();

  // The words found, in the order of their starting positions (shortest hit per start).
  std::vector<std::string> SearchWord(std::string_view str) const;

  struct THit {
    size_t offset;  // byte offset of the word's start in the text
    std::string word;
  };
  // The same search, with where each word starts.
  std::vector<THit> SearchWordHits(std::string_view str) const;

  void FreeWordTree();

private:
  std::unique_ptr<TWordChildNode> FWordTree;
};

// The compiled-in word list as listed: entries 1..count of the string table, trimmed of
// characters up to U+0020, empty results skipped.
std::vector<std::u16string> LoadWordEntries();

// The same entries as byte strings in code page 936.
std::vector<std::string> LoadKeyWords();
