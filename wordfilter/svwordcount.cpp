// svwordcount: counts the listed words in UTF-8 text files (or standard input), the way the
// browser's filter counts a page's text, and says whether the text passes.
//   svwordcount [--threshold N] [--list] [FILE...]
// Exit code: 0 pass, 1 block (any input), 2 error.
#include "platform/cp936/CodePage936.h"
#include "wordfilter/ManagedString.h"
#include "wordfilter/WordFilterUnit.h"
#include "wordfilter/WordTreeUnit.h"

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr const char *Usage =
    "usage: svwordcount [--threshold N] [--list] [FILE...]\n"
    "Counts the listed words in UTF-8 text (standard input when no file is named).\n"
    "Prints the number of hits and \"pass\" or \"block\" (blocked at N hits or more, default 15).\n"
    "--list also prints every hit with its byte offset in the code-page-936 text.\n";

struct TOptions {
  int32_t threshold = 15;
  bool list = false;
  std::vector<std::string> files;
};

bool ParseOptions(int argc, char **argv, TOptions &opt, std::string &error) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--list") {
      opt.list = true;
    } else if (arg == "--threshold" || arg.starts_with("--threshold=")) {
      std::string value;
      if (arg == "--threshold") {
        if (i + 1 >= argc) {
          error = "--threshold needs a number";
          return false;
        }
        value = argv[++i];
      } else {
        value = arg.substr(std::string("--threshold=").size());
      }
      const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), opt.threshold);
      if (ec != std::errc() || end != value.data() + value.size()) {
        error = "--threshold needs a whole number, not \"" + value + "\"";
        return false;
      }
    } else if (arg == "--help" || arg == "-h") {
      std::cout << Usage;
      std::exit(0);
    } else if (arg.size() > 1 && arg[0] == '-') {
      error = "unknown option \"" + arg + "\"";
      return false;
    } else {
      opt.files.push_back(arg);
    }
  }
  return true;
}

bool ReadInput(const std::string &name, std::string &text, std::string &error) {
  if (name == "-") {
    text.assign(std::istreambuf_iterator<char>(std::cin), {});
  } else {
    std::error_code ec;
    std::ifstream in;
    if (!std::filesystem::is_directory(name, ec))
      in.open(name, std::ios::binary);
    if (in.is_open())
      text.assign(std::istreambuf_iterator<char>(in), {});
    if (!in.is_open() || in.bad()) {
      error = "cannot read \"" + name + "\"";
      return false;
    }
  }
  if (text.starts_with("\xEF\xBB\xBF"))
    text.erase(0, 3);
  return true;
}

}  // namespace

int main(int argc, char **argv) {
  TOptions opt;
  std::string error;
  if (!ParseOptions(argc, argv, opt, error)) {
    std::cerr << "svwordcount: " << error << "\n" << Usage;
    return 2;
  }
  if (opt.files.empty())
    opt.files.push_back("-");

  TWordTree tree;  // only for --list: the trie also tells where each word starts
  if (opt.list)
    tree.CreateWordTree();

  bool blocked = false;
  for (const std::string &name : opt.files) {
    std::string utf8;
    if (!ReadInput(name, utf8, error)) {
      std::cerr << "svwordcount: " << error << "\n";
      return 2;
    }
    const TAnsiString text(Utf8ToCp936(utf8));
    const int32_t hits = SearchWordCount(text.Data());
    const bool pass = SearchWordIsCanPass(text.Data(), opt.threshold);
    blocked = blocked || !pass;
    if (opt.list)
      for (const auto &hit : tree.SearchWordHits({text.Data(), size_t(text.Header().length)}))
        std::cout << hit.offset << "\t" << Cp936ToUtf8(hit.word) << "\n";
    if (opt.files.size() > 1)
      std::cout << name << ": ";
    std::cout << hits << (hits == 1 ? " hit, " : " hits, ") << (pass ? "pass" : "block") << "\n";
  }
  return blocked ? 1 : 0;
}
