// The svwordcount command as a parent runs it: files and standard input, threshold, list,
// texts far longer than the pieces it counts at a time, and the errors.
#include "platform/cp936/CodePage936.h"
#include "tests/support/TestFolders.h"
#include "wordfilter/WordTreeUnit.h"

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
      {"--list " + three, "", 0, "0\t赌博\n5\tboobs\n16\tnude\n3 hits, pass\n"},
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

// A text of several of the command's 1 MiB pieces, thick with listed words (Latin and Chinese,
// so pieces are cut inside words and inside characters), counted through a pipe and from a
// file: the same hits at the same offsets as one search over the whole text.
TEST_F(SvWordCount, ALongTextCountsAsOneWholeText) {
  const std::vector<std::string> words = {"boobs", "nude", "playboy", "xhamster", "色情", "色情小说", "赌博", "AK47"};
  const std::vector<std::string> fill = {"a", "x", " ", "今", "天", "情", "色", "\n"};
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

  TWordTree tree;
  tree.CreateWordTree();
  const auto hits = tree.SearchWordHits(Utf8ToCp936(text));
  std::string expected;
  for (const auto &hit : hits)
    expected += std::to_string(hit.offset) + "\t" + Cp936ToUtf8(hit.word) + "\n";
  expected += std::to_string(hits.size()) + " hits, block\n";
  ASSERT_GT(hits.size(), 100'000u);

  for (const std::string &command : {"cat " + path + " | " SVWORDCOUNT " --list", SVWORDCOUNT " --list " + path}) {
    const TRun run = RunShell(command);
    EXPECT_EQ(run.exitCode, 1) << command;
    EXPECT_EQ(run.out.size(), expected.size()) << command;
    EXPECT_TRUE(run.out == expected) << command << ": the lists differ";
  }
}

// An endless input is counted until it is stopped, in memory that does not grow with it.
TEST_F(SvWordCount, AnEndlessInputRunsInBoundedMemory) {
  char *const argv[] = {const_cast<char *>(SVWORDCOUNT), const_cast<char *>("/dev/zero"), nullptr};
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

}  // namespace
