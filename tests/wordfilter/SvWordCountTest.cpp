// The svwordcount command as a parent runs it: files and standard input, threshold, list,
// and the errors.
#include "tests/support/TestFolders.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <string>

namespace {

struct TRun {
  int exitCode;
  std::string out;
};

TRun RunCommand(const std::string &arguments, const std::string &input = "") {
  const std::string command = "printf '%s' '" + input + "' | " SVWORDCOUNT " " + arguments + " 2>&1";
  FILE *pipe = popen(command.c_str(), "r");
  std::string out;
  std::array<char, 4096> buf;
  while (size_t n = fread(buf.data(), 1, buf.size(), pipe))
    out.append(buf.data(), n);
  const int status = pclose(pipe);
  return {WEXITSTATUS(status), out};
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
  const std::string three = Write("three.txt", "\xEF\xBB\xBF赌博 adult 今天 nude");
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
      {"--list " + three, "", 0, "0\t赌博\n5\tadult\n16\tnude\n3 hits, pass\n"},
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
  };
  for (const auto &c : cases) {
    const TRun run = RunCommand(c.args);
    EXPECT_EQ(run.exitCode, 2) << c.args;
    EXPECT_NE(run.out.find("svwordcount: " + c.message), std::string::npos) << run.out;
  }
}

}  // namespace
