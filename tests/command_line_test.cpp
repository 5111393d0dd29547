// tbcalc's arguments: which ask for the help or the version, and which leave
// the dialogue to run as it always did.
#include "command_line.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tbcalc::dialogue {
namespace {

Invocation read(std::vector<const char*> args) {
  args.insert(args.begin(), "tbcalc");
  return read_command_line(int(args.size()), args.data());
}

TEST(CommandLine, Invocations) {
  struct Case {
    std::vector<const char*> args;
    Invocation expected;
  };
  const Case cases[] = {
      {{}, Invocation::dialogue},
      {{"--help"}, Invocation::help},
      {{"--version"}, Invocation::version},
      // The first of the two decides, wherever it stands.
      {{"--version", "--help"}, Invocation::version},
      {{"--help", "--version"}, Invocation::help},
      {{"flight.txt", "--help"}, Invocation::help},
      // Arguments were always ignored; only the exact words are options.
      {{"flight.txt"}, Invocation::dialogue},
      {{"--bogus"}, Invocation::dialogue},
      {{"-h"}, Invocation::dialogue},
      {{"--hel"}, Invocation::dialogue},
      {{"--help=yes"}, Invocation::dialogue},
      // After "--" nothing is an option.
      {{"--", "--help"}, Invocation::dialogue},
      {{"--version", "--"}, Invocation::version},
  };
  for (const Case& c : cases) {
    std::string shown;
    for (const char* arg : c.args) shown += std::string(" ") + arg;
    EXPECT_EQ(read(c.args), c.expected) << "tbcalc" << shown;
  }
}

TEST(CommandLine, HelpTextFitsATerminal) {
  const std::string_view text = help_text();
  ASSERT_TRUE(text.ends_with('\n'));
  EXPECT_TRUE(text.starts_with("Usage: tbcalc [OPTION]\n"));
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string_view::npos; start = end + 1) {
    EXPECT_LE(end - start, 79u) << text.substr(start, end - start);
  }
}

}  // namespace
}  // namespace tbcalc::dialogue
