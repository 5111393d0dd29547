// The real binary under hostile streams: a reader that goes away, replies of
// a gibibyte, ten million junk lines, a client that waits for each prompt,
// and a terminal.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "dialogue_texts.hpp"
#include "process_runner.hpp"

namespace tbcalc::testing {
namespace {

using namespace texts;
using namespace std::chrono_literals;

// The sanitizers' shadow memory and allocator add a fixed cost of their own;
// a run that held its input would still go far beyond either bound.
#ifdef TBCALC_SANITIZED
constexpr long kMemoryLimitKib = 64 * 1024;
#else
constexpr long kMemoryLimitKib = 16 * 1024;
#endif

// The same line `count` times, in blocks, then `last`.
std::function<std::string_view()> repeated(std::string line, long count, std::string last) {
  auto block = std::make_shared<std::string>();
  for (int i = 0; i < 4096; ++i) *block += line;
  auto blocks_left = std::make_shared<long>(count / 4096);
  auto rest = std::make_shared<std::string>();
  for (long i = 0; i < count % 4096; ++i) *rest += line;
  *rest += last;
  auto rest_sent = std::make_shared<bool>(false);
  return [=]() -> std::string_view {
    if (*blocks_left > 0) {
      --*blocks_left;
      return *block;
    }
    if (!*rest_sent) {
      *rest_sent = true;
      return *rest;
    }
    return {};
  };
}

TEST(IoFaults, ReaderClosingEarlyEndsTheRunPromptly) {
  ProcessOptions options;
  options.input_chunks = repeated("abc\n", 2'000'000, "ex\n");
  options.close_output_after = 4096;
  options.deadline = 20s;
  ProcessResult r = run_process(TBCALC_BINARY, "", options);
  EXPECT_FALSE(r.timed_out);
  EXPECT_EQ(r.signal, SIGPIPE);  // the conventional end

  options.input_chunks = repeated("abc\n", 2'000'000, "ex\n");
  options.ignore_sigpipe = true;
  r = run_process(TBCALC_BINARY, "", options);
  EXPECT_FALSE(r.timed_out);
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err, "tbcalc: error writing standard output: Broken pipe\n");
}

TEST(IoFaults, GibibyteReplyInBoundedMemory) {
  // "20" and a gibibyte of blanks is the reply 20 at the first prompt.
  ProcessOptions options;
  const std::string blanks(1 << 16, ' ');
  auto sent = std::make_shared<long>(0);
  options.input_chunks = [=]() -> std::string_view {
    const long n = (*sent)++;
    if (n == 0) return "20";
    if (n <= (1L << 30) / long(blanks.size())) return blanks;
    if (n == (1L << 30) / long(blanks.size()) + 1) return "\n1500\n10\n10\n5\nex\n";
    return {};
  };
  options.deadline = 120s;
  const ProcessResult r = run_process(TBCALC_BINARY, "", options);
  EXPECT_EQ(r.out, kSst + kAlt + kAir + kWind + kRain + kFirstResult + kWind);
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_LT(r.max_rss_kib, kMemoryLimitKib) << "peak resident KiB";
}

TEST(IoFaults, TenMillionJunkLinesInBoundedMemory) {
  constexpr long kLines = 10'000'000;
  ProcessOptions options;
  options.input_chunks = repeated("abc\n", kLines, "");
  options.keep_output = 1 << 16;
  options.deadline = 300s;
  const ProcessResult r = run_process(TBCALC_BINARY, "", options);
  const std::string each = kSst + kBadChar;
  EXPECT_EQ(r.out_bytes, std::size_t(kLines) * each.size() + kSst.size());
  EXPECT_EQ(r.out.substr(0, 2 * each.size()), each + each);
  EXPECT_EQ(r.out_tail.substr(r.out_tail.size() - each.size() - kSst.size()), each + kSst);
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_LT(r.max_rss_kib, kMemoryLimitKib) << "peak resident KiB";
}

struct Exchange {
  std::string prompt;  // what must appear before the reply is written
  std::string reply;
};

// One computation, then EX, each reply written after its prompt arrived.
std::vector<Exchange> conversation() {
  return {{kSst, "20\n"},  {kAlt, "1500\n"}, {kAir, "10\n"},
          {kWind, "10\n"}, {kRain, "5\n"},   {kFirstResult + kWind, "ex\n"}};
}

TEST(IoFaults, ClientThatWaitsForEachPromptNeverHangs) {
  PipedChild child = spawn_piped(TBCALC_BINARY);
  ASSERT_GT(child.pid, 0);
  const auto deadline = std::chrono::steady_clock::now() + 20s;
  for (const Exchange& step : conversation()) {
    const std::string seen = read_until(child.from_child, step.prompt, deadline);
    ASSERT_TRUE(seen.ends_with(step.prompt))
        << "waited for [" << step.prompt << "], saw [" << seen << "]";
    ASSERT_EQ(::write(child.to_child, step.reply.data(), step.reply.size()),
              ssize_t(step.reply.size()));
  }
  ::close(child.to_child);
  child.to_child = -1;
  EXPECT_EQ(read_until(child.from_child, "never", deadline), "");
  EXPECT_EQ(finish_piped(child), 0);
}

TEST(IoFaults, TerminalSessionEndsWithALineEndAtCtrlD) {
  int master = -1;
  const pid_t pid = ::forkpty(&master, nullptr, nullptr, nullptr);
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    ::execl(TBCALC_BINARY, TBCALC_BINARY, static_cast<char*>(nullptr));
    ::_exit(127);
  }
  const auto deadline = std::chrono::steady_clock::now() + 20s;
  std::string seen;
  for (const Exchange& step : conversation()) {
    // The terminal echoes replies and turns line ends into CR LF.
    std::string prompt = step.prompt;
    for (std::size_t at = 0; (at = prompt.find('\n', at)) != std::string::npos; at += 2) {
      prompt.replace(at, 1, "\r\n");
    }
    seen += read_until(master, prompt, deadline);
    ASSERT_TRUE(seen.ends_with(prompt)) << "waited for [" << prompt << "], saw [" << seen << "]";
    if (step.reply == "ex\n") break;
    ASSERT_EQ(::write(master, step.reply.data(), step.reply.size()), ssize_t(step.reply.size()));
  }
  // Ctrl-D at the wind prompt: end of input. A line editor must have taken
  // the terminal first, or the terminal's own line mode would see the key.
#ifdef TBCALC_LINE_EDITING
  ASSERT_TRUE(wait_for_key_by_key_reading(master, deadline));
#endif
  ASSERT_EQ(::write(master, "\x04", 1), 1);
  const std::string after = read_until(master, "\r\n", deadline);
  EXPECT_EQ(after, "\r\n");
  int status = 0;
  ::waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  ::close(master);
}

}  // namespace
}  // namespace tbcalc::testing
