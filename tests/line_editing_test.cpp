// tbcalc at a terminal (a pseudo-terminal): replies edited with the usual
// keys and recalled with Up, Ctrl-D and Ctrl-C as at a plain terminal. The
// expected results come from the same replies piped in, already edited.
#include <gtest/gtest.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "dialogue_texts.hpp"
#include "process_runner.hpp"

namespace tbcalc::testing {
namespace {

using namespace std::chrono_literals;
using namespace texts;

constexpr const char* kLeft = "\033[D";
constexpr const char* kUp = "\033[A";
constexpr const char* kHome = "\033[H";
constexpr const char* kEnd = "\033[F";
constexpr const char* kDelete = "\033[3~";
constexpr const char* kBackspace = "\177";

// tbcalc on a pseudo-terminal, with TERM as given (unset when empty).
class TerminalRun {
 public:
  explicit TerminalRun(const char* term) {
    pid_ = ::forkpty(&master_, nullptr, nullptr, nullptr);
    if (pid_ == 0) {
      if (*term == '\0') {
        ::unsetenv("TERM");
      } else {
        ::setenv("TERM", term, 1);
      }
      ::execl(TBCALC_BINARY, TBCALC_BINARY, static_cast<char*>(nullptr));
      ::_exit(127);
    }
  }
  ~TerminalRun() {
    if (master_ >= 0) ::close(master_);
  }
  // Waits for `prompt` on the screen and for the line editor to take the
  // keys (libedit shows the prompt a moment before it leaves the terminal's
  // own line mode, too soon for a person to notice), then types `keys`.
  void at(const std::string& prompt, const std::string& keys) {
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    screen_ += read_until(master_, prompt, deadline);
    ASSERT_TRUE(screen_.ends_with(prompt))
        << "waited for [" << prompt << "], saw [" << screen_ << "]";
    ASSERT_TRUE(wait_for_key_by_key_reading(master_, deadline))
        << "the line editor never took the terminal";
    ASSERT_EQ(::write(master_, keys.data(), keys.size()), ssize_t(keys.size()));
  }
  // Reads the rest of the screen and the exit status (-signal when killed).
  int finish() {
    screen_ += read_until(master_, "\x01never", std::chrono::steady_clock::now() + 5s);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
  }
  int master() const { return master_; }
  // The brightness temperature lines shown, in order.
  std::vector<std::string> results() const {
    std::vector<std::string> lines;
    for (std::size_t at = 0; (at = screen_.find("  Tb:", at)) != std::string::npos; ++at) {
      lines.push_back(screen_.substr(at, screen_.find('\r', at) - at));
    }
    return lines;
  }
  const std::string& screen() const { return screen_; }

 private:
  int master_ = -1;
  pid_t pid_ = -1;
  std::string screen_;
};

// The result lines of the same replies, piped in.
std::vector<std::string> piped_results(const std::string& replies) {
  const ProcessResult r = run_process(TBCALC_BINARY, replies + "ex\n");
  std::vector<std::string> lines;
  for (std::size_t at = 0; (at = r.out.find("  Tb:", at)) != std::string::npos; ++at) {
    lines.push_back(r.out.substr(at, r.out.find('\n', at) - at));
  }
  return lines;
}

TEST(LineEditing, EditAndRecallReplies) {
  for (const char* term : {"xterm", "vt100", ""}) {
    SCOPED_TRACE(std::string("TERM=") + term);
    TerminalRun run(term);
    run.at(kSst, "20\r");
    // 1500, Left, Left, Backspace, 6: 1600.
    run.at(kAlt, std::string("1500") + kLeft + kLeft + kBackspace + "6\r");
    run.at(kAir, "10\r");
    run.at(kWind, "10\r");
    run.at(kRain, "5\r");
    // After a result, Up at the wind prompt recalls the last rain rate, 5;
    // at the rain prompt Up then repeats the previous reply, 5 again.
    run.at(kWind, std::string(kUp) + "\r");
    run.at(kRain, std::string(kUp) + "\r");
    // 1500, Home, Delete, End, 0: 5000 m, then the wind and rain again.
    run.at(kWind, "\r");
    run.at(kAlt, std::string("1500") + kHome + kDelete + kEnd + "0\r");
    run.at(kAir, "10\r");
    run.at(kWind, "12\r");
    run.at(kRain, "3\r");
    run.at(kWind, "ex\r");
    EXPECT_EQ(run.finish(), 0);
    EXPECT_EQ(run.results(), piped_results("20\n1600\n10\n10\n5\n5\n5\n\n5000\n10\n12\n3\n"));
  }
}

TEST(LineEditing, CtrlDOnAnEmptyLineEndsTheRun) {
  TerminalRun run("xterm");
  run.at(kSst, "20\r");
  run.at(kAlt, "\004");  // nothing typed: end of input, one line end, status 0
  EXPECT_EQ(run.finish(), 0);
  EXPECT_EQ(run.screen(), kSst + "20\r\n" + kAlt + "\r\n");
}

TEST(LineEditing, CtrlCEndsTheProgramAndRestoresTheTerminal) {
  TerminalRun run("xterm");
  termios before{};
  ASSERT_EQ(::tcgetattr(run.master(), &before), 0);
  run.at(kSst, "2");
  run.at("2", "\003");
  EXPECT_EQ(run.finish(), -SIGINT);
  termios after{};
  ASSERT_EQ(::tcgetattr(run.master(), &after), 0);
  EXPECT_EQ(after.c_lflag & (ECHO | ICANON), before.c_lflag & (ECHO | ICANON));
}

}  // namespace
}  // namespace tbcalc::testing
