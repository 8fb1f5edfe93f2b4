// svwordcount: counts the listed words in UTF-8 text files (or standard input) and says
// whether the text passes.
//   svwordcount [--exact] [--threshold N] [--list] [FILE...]
// By default it counts the way the browser decides on a page's text: in normal form, ASCII
// letters in either case, traditional characters as simplified ones, words starting on
// characters (ASCII words where they start a word). --exact counts the word filter library's
// way: the code-page-936 bytes of the text, as they stand.
// Exit code: 0 pass, 1 block (any input), 2 error (including a read or write error).
// The input is counted as a stream in pieces, so a text of any size (even an endless one) is
// counted in bounded memory and with the same result as one whole text.
#include "platform/cp936/CodePage936.h"
#include "wordfilter/ManagedString.h"
#include "wordfilter/PageMatcher.h"
#include "wordfilter/TextNormaliser.h"
#include "wordfilter/WordFilterUnit.h"
#include "wordfilter/WordTreeUnit.h"

#include <QString>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr const char *Usage =
    "usage: svwordcount [--exact] [--threshold N] [--list] [FILE...]\n"
    "Counts the listed words in UTF-8 text (standard input when no file is named) the way the\n"
    "browser counts a page's text. Prints the number of hits and \"pass\" or \"block\" (blocked\n"
    "at N hits or more, default 15).\n"
    "--exact counts the word filter library's way, on the code-page-936 bytes as they stand.\n"
    "--list also prints every hit with its offset: in UTF-16 units of the text in normal form,\n"
    "or with --exact in bytes of the code-page-936 text.\n";

struct TOptions {
  int32_t threshold = 15;
  bool list = false;
  bool exact = false;
  std::vector<std::string> files;
};

bool ParseOptions(int argc, char **argv, TOptions &opt, std::string &error) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--list") {
      opt.list = true;
    } else if (arg == "--exact") {
      opt.exact = true;
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

// A count of one input, fed with its UTF-8 text in parts of any size; a part never ends
// inside a character.
class TCounter {
public:
  virtual ~TCounter() = default;
  virtual void Add(std::string_view utf8) = 0;
  // The number of hits in the whole text.
  virtual int64_t Finish() = 0;
};

// Pieces of code-page-936 text handed to the filter export at a time, far below the 2 GiB
// that its 32-bit length can describe.
constexpr size_t PieceBytes = size_t(1) << 20;

// The library's count of a code-page-936 text handed over in parts of any size as one whole
// text. The text is searched in pieces that overlap by the longest listed word: a hit is
// counted in the piece where its whole search lies, which is never the case for the starts
// within the last `overlap` bytes of a piece before the last; those are searched again as the
// head of the next piece. Only the last piece meets the real end of the text, where the search
// may stop.
class TExactCounter : public TCounter {
public:
  TExactCounter(size_t overlap, const TWordTree *list) : FOverlap(overlap), FList(list) {}

  void Add(std::string_view utf8) override {
    FPiece.append(Utf8ToCp936(utf8));
    while (FPiece.size() >= PieceBytes)
      CountPiece(false);
  }

  int64_t Finish() override {
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

// Pieces of text, in UTF-16 units, normalised and searched at a time.
constexpr qsizetype PieceUnits = qsizetype(1) << 20;

// The browser's count of a text handed over in parts. The text is normalised in pieces cut
// between two units that normalisation leaves alone (so the pieces' normal forms make the
// whole text's), and the normal form is searched in pieces: the words starting in a piece are
// counted there, with the longest word's length of the next text after it and the unit before
// it as context.
class TPageCounter : public TCounter {
public:
  explicit TPageCounter(bool list) : FList(list), FMatcher(TPageMatcher::Shared()) {}

  void Add(std::string_view utf8) override {
    FRaw.append(QString::fromUtf8(utf8.data(), qsizetype(utf8.size())));
    while (FRaw.size() >= PieceUnits)
      NormalisePiece(false);
  }

  int64_t Finish() override {
    NormalisePiece(true);
    SearchPiece(true);
    return FHits;
  }

private:
  void NormalisePiece(bool last) {
    qsizetype cut = FRaw.size();
    if (!last) {
      // Well inside the piece, normalisation leaves a pair of neighbours alone; only a text
      // made of nothing but such units has none, and is cut anyway (never inside a pair).
      cut = FRaw.size() - 1;
      while (cut > FRaw.size() / 2 &&
             (MayChangeInNormalForm(FRaw[cut - 1].unicode()) || MayChangeInNormalForm(FRaw[cut].unicode())))
        --cut;
      if (FRaw[cut].isLowSurrogate() && FRaw[cut - 1].isHighSurrogate())
        --cut;
    }
    FNormal.append(NormalisePageText(FRaw.left(cut)));
    FRaw.remove(0, cut);
    while (FNormal.size() >= PieceUnits)
      SearchPiece(false);
  }

  void SearchPiece(bool last) {
    const std::u16string_view text = UnitsOf(FNormal);
    const size_t longest = FMatcher.LongestWord();
    const size_t decided = last ? text.size() : text.size() - longest;
    FMatcher.Find(text, FContext, decided, [&](size_t position, int32_t word) {
      ++FHits;
      if (FList)
        std::printf("%llu\t%s\n", (unsigned long long)(FStart + position - FContext),
                    QString::fromStdU16String(FMatcher.Words()[size_t(word)]).toUtf8().constData());
    });
    if (last || decided == 0)
      return;
    // The unit before the next piece stays as its context.
    FNormal.remove(0, qsizetype(decided) - 1);
    FStart += decided - FContext;
    FContext = 1;
  }

  const bool FList;
  const TPageMatcher &FMatcher;
  QString FRaw;     // read, not yet normalised
  QString FNormal;  // normalised, not yet searched past its first FContext units
  size_t FContext = 0;
  uint64_t FStart = 0;  // offset in the whole normal form of FNormal's first unit after the context
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

// Reads the input in parts and counts them. False with the
// error when the input cannot be opened or a read fails.
bool CountInput(const std::string &name, TCounter &counter, std::string &error) {
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
    counter.Add(std::string_view(pending).substr(0, complete));
    pending.erase(0, complete);
  }
  if (fd != STDIN_FILENO)
    ::close(fd);
  counter.Add(pending);
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

  TWordTree tree;  // only for --exact --list: the trie also tells where each word starts
  if (opt.exact && opt.list)
    tree.CreateWordTree();
  const size_t overlap = opt.exact ? LongestWord() : 0;

  bool blocked = false;
  for (const std::string &name : opt.files) {
    std::unique_ptr<TCounter> counter;
    if (opt.exact)
      counter = std::make_unique<TExactCounter>(overlap, opt.list ? &tree : nullptr);
    else
      counter = std::make_unique<TPageCounter>(opt.list);
    if (!CountInput(name, *counter, error))
      return Fail(error);
    const int64_t hits = counter->Finish();
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
