// The svwordcount command as a parent runs it: the browser's way and the library's exact way,
// files and standard input, threshold, list, texts far longer than the pieces it counts at a
// time, and the errors.
#include "platform/cp936/CodePage936.h"
#include "tests/support/TestFolders.h"
#include "wordfilter/PageMatcher.h"
#include "wordfilter/TextNormaliser.h"
#include "wordfilter/WordTreeUnit.h"

#include <QString>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <thread>

namespace {

struct TRun {
  int exitCode;
  std::string out;
};

// Runs a shell command line; what it writes to standard output and error comes back.
TRun RunShell(const std::string &commandLine) {
  const std::string command = "{ " + commandLine + "; } 2>&1";
  FILE *pipe = popen(command.c_str(), "r");
  std::string out;
  std::array<char, 4096> buf;
  while (size_t n = fread(buf.data(), 1, buf.size(), pipe))
    out.append(buf.data(), n);
  const int status = pclose(pipe);
  return {WEXITSTATUS(status), out};
}

// Redirections in `arguments` apply to the command; its messages come back either way.
TRun RunCommand(const std::string &arguments, const std::string &input = "") {
  return RunShell("printf '%s' '" + input + "' | " SVWORDCOUNT " " + arguments);
}

class SvWordCount : public testing::Test {
protected:
  std::string Write(const std::string &name, const std::string &text) {
    const auto path = (folders.Root() / name).string();
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
  TTestFolders folders;
};

TEST_F(SvWordCount, CountsAndDecides) {
  const std::string clean = Write("clean.txt", "今天天气很好。");
  const std::string three = Write("three.txt", "\xEF\xBB\xBF赌博 boobs 今天 nude");
  struct {
    std::string args;
    std::string input;
    int exitCode;
    std::string out;
  } const cases[] = {
      {clean, "", 0, "0 hits, pass\n"},
      {three, "", 0, "3 hits, pass\n"},
      {"--threshold 3 " + three, "", 1, "3 hits, block\n"},
      {"--threshold=4 " + three, "", 0, "3 hits, pass\n"},
      {"--threshold -1 " + clean, "", 1, "0 hits, block\n"},
      {"", "playboy", 0, "1 hit, pass\n"},
      {"-", "playboy playboy", 0, "2 hits, pass\n"},
      {"--list " + three, "", 0, "0\t赌博\n3\tboobs\n12\tnude\n3 hits, pass\n"},
      {"--exact --list " + three, "", 0, "0\t赌博\n5\tboobs\n16\tnude\n3 hits, pass\n"},
      // The browser's way reads capitals, full width, traditional characters and words with
      // invisible characters inside; the library's way reads the bytes as they stand, and
      // finds a word across the bytes of two characters.
      {"--list", "BOOBS ｎｕｄｅ 賭\u00AD博 她已经长成比他还高的大姑娘了", 0,
       "0\tboobs\n6\tnude\n11\t赌博\n3 hits, pass\n"},
      {"--exact --list", "BOOBS ｎｕｄｅ 賭\u00AD博 她已经长成比他还高的大姑娘了", 0, "30\t杀人\n1 hit, pass\n"},
      {"--threshold 1 " + clean + " " + three, "", 1, clean + ": 0 hits, pass\n" + three + ": 3 hits, block\n"},
  };
  for (const auto &c : cases) {
    const TRun run = RunCommand(c.args, c.input);
    EXPECT_EQ(run.exitCode, c.exitCode) << c.args;
    EXPECT_EQ(run.out, c.out) << c.args;
  }
}

TEST_F(SvWordCount, ErrorsExitWithTwoAndSayWhy) {
  struct {
    std::string args;
    std::string message;
  } const cases[] = {
      {"--bogus", "unknown option \"--bogus\""},
      {"--threshold", "--threshold needs a number"},
      {"--threshold ten", "--threshold needs a whole number, not \"ten\""},
      {(folders.Root() / "missing.txt").string(), "cannot read \"" + (folders.Root() / "missing.txt").string() + "\""},
      {folders.Root().string(), "cannot read \"" + folders.Root().string() + "\""},
      {"/proc/self/mem", "cannot read \"/proc/self/mem\": Input/output error"},
      {"<&-", "cannot read standard input: Bad file descriptor"},
      {"< " + folders.Root().string(), "cannot read standard input: Is a directory"},
      {"> /dev/full", "cannot write the result: No space left on device"},
      {"--list > /dev/full", "cannot write the result: No space left on device"},
  };
  for (const auto &c : cases) {
    const TRun run = RunCommand(c.args);
    EXPECT_EQ(run.exitCode, 2) << c.args;
    EXPECT_NE(run.out.find("svwordcount: " + c.message), std::string::npos) << run.out;
  }
}

// The hits of one search over the whole text, as the command lists them.
std::string ExactHits(const std::string &text, size_t &count) {
  TWordTree tree;
  tree.CreateWordTree();
  const auto hits = tree.SearchWordHits(Utf8ToCp936(text));
  std::string listed;
  for (const auto &hit : hits)
    listed += std::to_string(hit.offset) + "\t" + Cp936ToUtf8(hit.word) + "\n";
  count = hits.size();
  return listed;
}

std::string PageHits(const std::string &text, size_t &count) {
  const QString normal = NormalisePageText(QString::fromStdString(text));
  const std::u16string units = normal.toStdU16String();
  const TPageMatcher &matcher = TPageMatcher::Shared();
  std::string listed;
  count = 0;
  matcher.Find(units, 0, units.size(), [&](size_t position, int32_t word) {
    listed +=
        std::to_string(position) + "\t" + QString::fromStdU16String(matcher.Words()[size_t(word)]).toStdString() + "\n";
    ++count;
  });
  return listed;
}

// A text of several of the command's 1 MiB pieces, thick with listed words (Latin and Chinese,
// so pieces are cut inside words and inside characters, and with characters that normalisation
// changes or joins to their neighbour), counted through a pipe and from a file, either way:
// the same hits at the same offsets as one search over the whole text.
TEST_F(SvWordCount, ALongTextCountsAsOneWholeText) {
  const std::vector<std::string> words = {"boobs", "nude", "playboy", "xhamster", "色情", "色情小说", "赌博", "AK47"};
  const std::vector<std::string> fill = {"a",      "x",  " ",          "今",        "天",     "情",
                                         "色",     "\n", "\u200B",     "e\u0301",   "\u0301", "ｎ",
                                         "\uFB01", "賭", "\U0001F600", "\U0001D41A"};
  std::mt19937 random(11);
  std::string text;
  while (text.size() < 4'500'000) {
    const auto &from = random() % 2 ? words : fill;
    text += from[random() % from.size()];
  }
  // "色情" ends inside "色漫" of the path of the listed "黄色漫画": the search over the whole text
  // stops at "黄" and counts nothing after it.
  text += "色情黄色漫";
  const std::string path = Write("long.txt", text);

  struct {
    const char *options;
    std::string (*reference)(const std::string &, size_t &);
  } const ways[] = {{" --exact", ExactHits}, {"", PageHits}};
  for (const auto &way : ways) {
    size_t count = 0;
    std::string expected = way.reference(text, count);
    expected += std::to_string(count) + " hits, block\n";
    ASSERT_GT(count, 100'000u);
    for (const std::string &command : {"cat " + path + " | " SVWORDCOUNT + std::string(way.options) + " --list",
                                       SVWORDCOUNT + std::string(way.options) + " --list " + path}) {
      const TRun run = RunShell(command);
      EXPECT_EQ(run.exitCode, 1) << command;
      EXPECT_EQ(run.out.size(), expected.size()) << command;
      EXPECT_TRUE(run.out == expected) << command << ": the lists differ";
    }
  }
}

// A text made only of characters that normalisation changes (mathematical letters and emoji,
// all pairs of units) leaves the counter no harmless place to cut its pieces: it cuts between
// two characters all the same, never inside one, however the input arrives.
TEST_F(SvWordCount, ATextWithNowhereHarmlessToCutLosesNoWord) {
  std::string text = "\u200B\u200B";
  for (int i = 0; i < 300000; ++i)
    text += "\U0001D429\U0001D428\U0001D42B\U0001D427\U0001F600";  // "porn" in bold letters, an emoji
  const std::string path = Write("pairs.txt", text);
  for (const std::string &command : {SVWORDCOUNT " " + path, "dd if=" + path + " bs=4099 2>/dev/null | " SVWORDCOUNT,
                                     "dd if=" + path + " bs=65537 2>/dev/null | " SVWORDCOUNT}) {
    const TRun run = RunShell(command);
    EXPECT_EQ(run.out, "300000 hits, block\n") << command;
  }
}

// An endless input is counted until it is stopped, in memory that does not grow with it,
// either way.
TEST_F(SvWordCount, AnEndlessInputRunsInBoundedMemory) {
  for (const char *way : {"--exact", "--threshold=15"}) {
    char *const argv[] = {const_cast<char *>(SVWORDCOUNT), const_cast<char *>(way), const_cast<char *>("/dev/zero"),
                          nullptr};
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, SVWORDCOUNT, nullptr, nullptr, argv, environ), 0);
    std::this_thread::sleep_for(std::chrono::seconds(2));
    long residentKiB = -1;
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
      if (line.starts_with("VmRSS:"))
        residentKiB = std::stol(line.substr(6));
    int exitStatus = 0;
    const bool running = waitpid(pid, &exitStatus, WNOHANG) == 0;
    kill(pid, SIGKILL);
    waitpid(pid, &exitStatus, 0);
    EXPECT_TRUE(running) << "it ended by itself";
    EXPECT_GT(residentKiB, 0);
    EXPECT_LT(residentKiB, 64 * 1024) << "KiB resident after 2 s";
  }
}

}  // namespace
