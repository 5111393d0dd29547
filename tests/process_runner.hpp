// Runs the real tbcalc binary as a child process with chosen standard
// streams, feeding its input and collecting its output without deadlock.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tbcalc::testing {

struct ProcessOptions {
  enum class Input { pipe, closed, directory } input = Input::pipe;
  enum class Output { pipe, dev_full, closed } output = Output::pipe;
  bool ignore_sigpipe = false;  // in the child
  std::chrono::milliseconds deadline{60000};
  // When set, the input comes from here chunk by chunk (an empty chunk ends
  // it) instead of the string, so huge inputs never sit in memory.
  std::function<std::string_view()> input_chunks;
  // Standard output beyond this many bytes is counted, and its end kept in
  // out_tail, but not stored.
  std::size_t keep_output = std::string::npos;
  // The reading end of standard output is closed after this many bytes.
  std::size_t close_output_after = std::string::npos;
  std::vector<std::string> args;  // after the program's name
};

struct ProcessResult {
  std::string out;
  std::string out_tail;       // the last bytes of standard output
  std::size_t out_bytes = 0;  // all of standard output, kept or not
  std::string err;
  int exit_code = -1;  // -1 when killed by a signal
  int signal = 0;
  long max_rss_kib = 0;
  bool timed_out = false;
};

ProcessResult run_process(const std::string& path, std::string_view input,
                          const ProcessOptions& options = {});

// Waits until the program on the other side of a pseudo-terminal has left the
// terminal's own line mode (a line editor reads key by key), or the deadline
// passes. Returns whether it has.
bool wait_for_key_by_key_reading(int terminal, std::chrono::steady_clock::time_point deadline);

// A child whose standard input and output are pipes held by the test, for
// conversations: each reply written only after what it answers was read.
struct PipedChild {
  int pid = -1;
  int to_child = -1;    // its standard input
  int from_child = -1;  // its standard output
};
PipedChild spawn_piped(const std::string& path, const std::vector<std::string>& args = {});
// Closes the pipes and waits: the exit code, or -1 when killed by a signal.
int finish_piped(PipedChild& child);

// Reads from fd until the text read so far ends with `expected`, or the
// deadline passes. Returns everything read.
std::string read_until(int fd, const std::string& expected,
                       std::chrono::steady_clock::time_point deadline);

}  // namespace tbcalc::testing
