// Runs the real tbcalc binary as a child process with chosen standard
// streams, feeding its input and collecting its output without deadlock.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace tbcalc::testing {

struct ProcessOptions {
  enum class Input { pipe, closed, directory } input = Input::pipe;
  enum class Output { pipe, dev_full, closed } output = Output::pipe;
  bool ignore_sigpipe = false;  // in the child
  std::chrono::milliseconds deadline{60000};
};

struct ProcessResult {
  std::string out;
  std::string err;
  int exit_code = -1;  // -1 when killed by a signal
  int signal = 0;
  long max_rss_kib = 0;
  bool timed_out = false;
};

ProcessResult run_process(const std::string& path, std::string_view input,
                          const ProcessOptions& options = {});

}  // namespace tbcalc::testing
