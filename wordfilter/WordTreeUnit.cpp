#include "wordfilter/WordTreeUnit.h"

#include "platform/cp936/CodePage936.h"
#include "wordfilter/WordTable.h"
#include "wordfilter/wtconst.h"

#include <stdexcept>

void TWordChildNode::ClearChildren() {
  for (auto &child : FChildNode)
    child.reset();
}

TWordTree::TWordTree() : FWordTree(std::make_unique<TWordChildNode>(0)) {}

void TWordTree::CreateWordTree(const std::vector<std::string> &keyWords) {
  FWordTree = std::make_unique<TWordChildNode>();
  for (const std::string &word : keyWords) {
    if (word.empty())
      continue;
    TWordChildNode *node = FWordTree.get();
    for (size_t i = 0; i + 1 < word.size(); ++i) {
      const auto b = uint8_t(word[i]);
      TWordChildNode *next = node->ChildNode(b);
      if (!next)
        node->SetChildNode(b, std::make_unique<TWordChildNode>(0));
      else if (next->ThisNode() != 0)
        node->SetChildNode(b, std::make_unique<TWordChildNode>(1));
      node = node->ChildNode(b);
    }
    node->SetChildNode(uint8_t(word.back()), std::make_unique<TWordChildNode>());
  }
}

void TWordTree::CreateWordTree() { CreateWordTree(LoadKeyWords()); }

std::vector<TWordTree::THit> TWordTree::SearchWordHits(std::string_view str) const {
  std::vector<THit> result;
  if (!FWordTree)
    return result;
  const TWordChildNode *node = FWordTree.get();
  std::string prefix;
  // Positions count from 0 here; the walk restarts one byte after each attempt's start, and
  // the text ending on an inner node ends the whole search.
  for (ptrdiff_t a = 0; a < ptrdiff_t(str.size()); ++a) {
    const auto b = uint8_t(str[size_t(a)]);
    const TWordChildNode *next = node->ChildNode(b);
    if (!next) {
      node = FWordTree.get();
      a -= ptrdiff_t(prefix.size());
      prefix.clear();
    } else if (next->ThisNode() != 0) {
      prefix.push_back(char(b));
      const ptrdiff_t start = a + 1 - ptrdiff_t(prefix.size());
      result.push_back({size_t(start), prefix});
      a = start;
      prefix.clear();
      node = FWordTree.get();
    } else {
      prefix.push_back(char(b));
      node = next;
    }
  }
  return result;
}

std::vector<std::string> TWordTree::SearchWord(std::string_view str) const {
  std::vector<std::string> words;
  for (THit &hit : SearchWordHits(str))
    words.push_back(std::move(hit.word));
  return words;
}

void TWordTree::FreeWordTree() {
  if (FWordTree)
    FWordTree->ClearChildren();
  FWordTree.reset();
}

namespace {

bool IsTrimmed(char16_t ch) { return ch <= u' '; }

}  // namespace

std::vector<std::u16string> LoadWordEntries() {
  const int32_t count = ParseWordCount(WordCountText());
  std::vector<std::u16string> entries;
  for (int32_t id = 1; id <= count; ++id) {
    std::u16string_view entry = LoadWordString(id);
    while (!entry.empty() && IsTrimmed(entry.front()))
      entry.remove_prefix(1);
    while (!entry.empty() && IsTrimmed(entry.back()))
      entry.remove_suffix(1);
    if (!entry.empty())
      entries.emplace_back(entry);
  }
  return entries;
}

std::vector<std::string> LoadKeyWords() {
  std::vector<std::string> keyWords;
  for (const std::u16string &entry : LoadWordEntries()) {
    std::string bytes = Utf16ToCp936(entry);
    if (!bytes.empty())
      keyWords.push_back(std::move(bytes));
  }
  return keyWords;
}
