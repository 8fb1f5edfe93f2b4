// svwordcount: counts the listed words in UTF-8 text files (or standard input), the way the
// browser's filter counts a page's text, and says whether the text passes.
//   svwordcount [--threshold N] [--list] [FILE...]
// Exit code: 0 pass, 1 block (any input), 2 error (including a read or write error).
// The input is counted as a stream in pieces, so a text of any size (even an endless one) is
// counted in bounded memory and with the same result as one whole text.
#include "platform/cp936/CodePage936.h"
#include "wordfilter/ManagedString.h"
#include "wordfilter/WordFilterUnit.h"
#include "wordfilter/WordTreeUnit.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>
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
      std::fputs(Usage, stdout);
      std::exit(std::fflush(stdout) == 0 ? 0 : 2);
    } else if (arg.size() > 1 && arg[0] == '-') {
      error = "unknown option \"" + arg + "\"";
      return false;
    } else {
      opt.files.push_back(arg);
    }
  }
  return true;
}

// Pieces of code-page-936 text handed to the filter export at a time, far below the 2 GiB
// that its 32-bit length can describe.
constexpr size_t PieceBytes = size_t(1) << 20;

// Counts a code-page-936 text handed over in parts of any size as one whole text. The text
// is searched in pieces that overlap by the longest listed word: a hit is counted in the
// piece where its whole search lies, which is never the case for the starts within the last
// `overlap` bytes of a piece before the last; those are searched again as the head of the
// next piece. Only the last piece meets the real end of the text, where the search may stop.
class TPieceCounter {
public:
  TPieceCounter(size_t overlap, const TWordTree *list) : FOverlap(overlap), FList(list) {}

  void Add(std::string_view bytes) {
    FPiece.append(bytes);
    while (FPiece.size() >= PieceBytes)
      CountPiece(false);
  }

  int64_t Finish() {
    CountPiece(true);
    return FHits;
  }

private:
  void CountPiece(bool last) {
    const size_t decided = last ? FPiece.size() : FPiece.size() - FOverlap;
    const TAnsiString piece(FPiece);
    int64_t hits = SearchWordCount(piece.Data());
    if (!last) {
      // The hits starting in the overlap, counted by the search as if the text ended there.
      const TAnsiString tail(std::string_view(FPiece).substr(decided));
      hits -= SearchWordCount(tail.Data());
    }
    FHits += hits;
    if (FList)
      for (const auto &hit : FList->SearchWordHits(FPiece))
        if (hit.offset < decided)
          std::printf("%llu\t%s\n", (unsigned long long)(FStart + hit.offset), Cp936ToUtf8(hit.word).c_str());
    FPiece.erase(0, decided);
    FStart += decided;
  }

  const size_t FOverlap;
  const TWordTree *FList;
  std::string FPiece;
  uint64_t FStart = 0;  // offset of the piece's first byte in the whole text
  int64_t FHits = 0;
};

// The length of the head of `utf8` that holds no sequence cut by its end: a cut sequence's
// lead byte starts the rest. Decoding the head and the rest apart then gives what decoding
// them together gives (a lead byte is never inside another sequence).
size_t CompleteUtf8(std::string_view utf8) {
  for (size_t q = utf8.size() > 3 ? utf8.size() - 3 : 0; q < utf8.size(); ++q) {
    const auto c = uint8_t(utf8[q]);
    const size_t length = c >= 0xF8 ? 1 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    if (q + length > utf8.size())
      return q;
  }
  return utf8.size();
}

std::string Describe(const std::string &name) { return name == "-" ? "standard input" : "\"" + name + "\""; }

// Reads the input in parts, converts them to code page 936 and counts them. False with the
// error when the input cannot be opened or a read fails.
bool CountInput(const std::string &name, TPieceCounter &counter, std::string &error) {
  const int fd = name == "-" ? STDIN_FILENO : ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = "cannot read " + Describe(name) + ": " + std::strerror(errno);
    return false;
  }
  std::vector<char> buffer(64 * 1024);
  std::string pending;  // read, not yet converted
  bool started = false;
  for (;;) {
    const ssize_t n = ::read(fd, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR)
      continue;
    if (n < 0) {
      error = "cannot read " + Describe(name) + ": " + std::strerror(errno);
      if (fd != STDIN_FILENO)
        ::close(fd);
      return false;
    }
    if (n == 0)
      break;
    pending.append(buffer.data(), size_t(n));
    if (!started) {
      if (pending.size() < 3)
        continue;
      if (pending.starts_with("\xEF\xBB\xBF"))
        pending.erase(0, 3);
      started = true;
    }
    const size_t complete = CompleteUtf8(pending);
    counter.Add(Utf8ToCp936(std::string_view(pending).substr(0, complete)));
    pending.erase(0, complete);
  }
  if (fd != STDIN_FILENO)
    ::close(fd);
  counter.Add(Utf8ToCp936(pending));
  return true;
}

// The longest listed word in code-page-936 bytes: what two pieces must share.
size_t LongestWord() {
  size_t longest = 1;
  for (const std::string &word : LoadKeyWords())
    longest = std::max(longest, word.size());
  return longest;
}

// Output that cannot be written (a full disk, a closed pipe) is an error, not a result.
bool Flushed(std::string &error) {
  if (std::fflush(stdout) == 0 && !std::ferror(stdout))
    return true;
  error = std::string("cannot write the result: ") + std::strerror(errno);
  return false;
}

int Fail(const std::string &error) {
  std::fprintf(stderr, "svwordcount: %s\n", error.c_str());
  return 2;
}

}  // namespace

int main(int argc, char **argv) {
  TOptions opt;
  std::string error;
  if (!ParseOptions(argc, argv, opt, error)) {
    std::fprintf(stderr, "svwordcount: %s\n%s", error.c_str(), Usage);
    return 2;
  }
  if (opt.files.empty())
    opt.files.push_back("-");

  TWordTree tree;  // only for --list: the trie also tells where each word starts
  if (opt.list)
    tree.CreateWordTree();
  const size_t overlap = LongestWord();

  bool blocked = false;
  for (const std::string &name : opt.files) {
    TPieceCounter counter(overlap, opt.list ? &tree : nullptr);
    if (!CountInput(name, counter, error))
      return Fail(error);
    const int64_t hits = counter.Finish();
    const bool pass = hits < opt.threshold;
    blocked = blocked || !pass;
    if (opt.files.size() > 1)
      std::printf("%s: ", name.c_str());
    std::printf("%lld %s, %s\n", (long long)hits, hits == 1 ? "hit" : "hits", pass ? "pass" : "block");
    if (!Flushed(error))
      return Fail(error);
  }
  return blocked ? 1 : 0;
}
