// The real binary over pipes: whole sessions byte for byte, the exit status,
// and the standard error line for each kind of I/O fault.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "command_line.hpp"
#include "dialogue_texts.hpp"
#include "process_runner.hpp"

namespace tbcalc::testing {
namespace {

using namespace texts;

ProcessResult tbcalc(std::string_view input, ProcessOptions options = {},
                     std::vector<std::string> args = {}) {
  options.args = std::move(args);
  return run_process(TBCALC_BINARY, input, options);
}

// Replies typed at prompts 1 to 5, and the brightness temperature line.
TEST(Cli, EndToEndSessions) {
  struct Case {
    const char* replies;
    const char* tb;
  };
  const Case cases[] = {
      {"20\n1500\n10\n10\n5\n", " 112.86 114.08 114.64 115.64 117.19 118.18"},
      {"28\n1500\n20\n10\n0\n", " 115.15 116.06 116.43 117.03 117.85 118.31"},
      {"28\n1500\n20\n30\n10\n", " 137.23 140.22 141.62 144.13 148.11 150.64"},
      {"15\n3000\n5\n0\n0\n", " 107.92 108.61 108.91 109.41 110.13 110.56"},
      {"0\n500\n-10\n50\n50\n", " 169.30 179.41 184.35 193.27 207.01 215.18"},
      {"28\n1500\n20\n5\n-5\n", " 112.73 113.13 113.24 113.33 113.25 113.09"},
      {"28\n6000\n-15\n70\n100\n", " 253.50 268.03 273.30 280.16 285.65 286.97"},
      {"-5\n100\n-70\n150\n150\n", " 284.49 285.13 284.82 283.86 282.38 281.75"},
      {"45\n16000\n45\n0\n-10\n", " 113.36 111.76 110.71 108.40 103.74 100.22"},
  };
  const std::string prompts = kSst + kAlt + kAir + kWind + kRain;
  for (const Case& c : cases) {
    const ProcessResult r = tbcalc(std::string(c.replies) + "ex\n");
    EXPECT_EQ(r.out, prompts + kFreqLine + "  Tb:" + c.tb + " K\n" + kWind) << c.replies;
    EXPECT_EQ(r.exit_code, 0) << c.replies;
    EXPECT_EQ(r.err, "") << c.replies;
  }
}

TEST(Cli, EndOfInputAtEachPromptEndsQuietly) {
  const std::string replies[] = {"", "20\n", "20\n1500\n", "20\n1500\n10\n", "20\n1500\n10\n5\n"};
  std::string prompts;
  const std::string each[] = {kSst, kAlt, kAir, kWind, kRain};
  for (int i = 0; i < 5; ++i) {
    prompts += each[i];
    const ProcessResult r = tbcalc(replies[i]);
    EXPECT_EQ(r.out, prompts) << "prompt " << i + 1;  // no line end: input is not a terminal
    EXPECT_EQ(r.exit_code, 0) << "prompt " << i + 1;
    EXPECT_EQ(r.err, "") << "prompt " << i + 1;
  }
}

TEST(Cli, RepliesOfAnyLengthAndWithoutALineEnd) {
  // 200 digits at the altitude prompt: the first ten, 1211111111, read as
  // 12111.11111 m and are accepted.
  const std::string long_reply = "12" + std::string(198, '1');
  ProcessResult r = tbcalc("20\n" + long_reply + "\nex");
  EXPECT_EQ(r.out, kSst + kAlt + kAir);
  EXPECT_EQ(r.exit_code, 0);
  // A NUL or a tab is a character of the reply, and no number holds one.
  r = tbcalc(std::string("20\n\0\n", 5) + "\tno\nex\n");
  const std::string bad = "I/O Error  115 while reading value!\n";
  EXPECT_EQ(r.out, kSst + kAlt + bad + kAlt + bad + kAlt);
}

// --help and --version answer without reading a reply; any other argument
// is ignored and the dialogue runs as without it.
TEST(Cli, Arguments) {
  const std::string session = "20\n1500\n10\n10\n5\nex\n";
  const std::string dialogue_out = kSst + kAlt + kAir + kWind + kRain + kFirstResult + kWind;
  const std::string version = "tbcalc (tbcalc) " TBCALC_VERSION "\n";
  const std::string help(dialogue::help_text());
  struct Case {
    std::vector<std::string> args;
    std::string out;
  };
  const Case cases[] = {
      {{"--help"}, help},
      {{"--version"}, version},
      {{"--bogus", "-x"}, dialogue_out},
  };
  for (const Case& c : cases) {
    const std::string shown = ::testing::PrintToString(c.args);
    const ProcessResult r = tbcalc(session, {}, c.args);
    EXPECT_EQ(r.out, c.out) << shown;
    EXPECT_EQ(r.exit_code, 0) << shown;
    EXPECT_EQ(r.err, "") << shown;
  }
  // Neither option reads a reply: with standard input closed they answer all
  // the same.
  ProcessOptions closed_input;
  closed_input.input = ProcessOptions::Input::closed;
  const ProcessResult r = tbcalc("", closed_input, {"--version"});
  EXPECT_EQ(r.out, version);
  EXPECT_EQ(r.exit_code, 0);
}

TEST(Cli, IoFaultsAreReportedWithStatusOne) {
  struct Case {
    const char* what;
    ProcessOptions options;
    std::string err;
    std::vector<std::string> args = {};
  };
  using Input = ProcessOptions::Input;
  using Output = ProcessOptions::Output;
  const Case cases[] = {
      {"output to /dev/full",
       {Input::pipe, Output::dev_full},
       "tbcalc: error writing standard output: No space left on device\n"},
      {"output closed",
       {Input::pipe, Output::closed},
       "tbcalc: error writing standard output: Bad file descriptor\n"},
      {"input closed",
       {Input::closed, Output::pipe},
       "tbcalc: error reading standard input: Bad file descriptor\n"},
      {"input a directory",
       {Input::directory, Output::pipe},
       "tbcalc: error reading standard input: Is a directory\n"},
      {"--help to /dev/full",
       {Input::pipe, Output::dev_full},
       "tbcalc: error writing standard output: No space left on device\n",
       {"--help"}},
      {"--version with output closed",
       {Input::pipe, Output::closed},
       "tbcalc: error writing standard output: Bad file descriptor\n",
       {"--version"}},
  };
  for (const Case& c : cases) {
    const ProcessResult r = tbcalc("20\n1500\n10\n10\n5\nex\n", c.options, c.args);
    EXPECT_EQ(r.err, c.err) << c.what;
    EXPECT_EQ(r.exit_code, 1) << c.what;
  }
}

}  // namespace
}  // namespace tbcalc::testing
