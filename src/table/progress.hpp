// The progress line of a long run, pv-style: shown only when a person is
// watching standard error and the input is a file of known size, redrawn a
// few times a second, cleared at the end.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

namespace tbcalc::console {
class Diagnostics;
}

namespace tbcalc::table {

// "NAME: 12,345 records, 45%, 6,789 records/s, 0:12 left". The per cent and
// the time left need the size of the input (0: unknown) and some progress.
std::string progress_line(std::string_view name, std::uint64_t records, std::uint64_t bytes,
                          std::uint64_t total_bytes, double seconds);

class Progress {
 public:
  using Clock = std::chrono::steady_clock;
  // Nothing is drawn when `enabled` is false.
  Progress(console::Diagnostics& diagnostics, bool enabled)
      : diagnostics_(diagnostics), enabled_(enabled) {}

  // A new input of `total_bytes` (0: not a regular file: nothing is drawn).
  void start(std::string_view name, std::uint64_t total_bytes);
  // Records written so far in this input, and the bytes they came from.
  void advance(std::uint64_t records, std::uint64_t bytes);
  void clear();

 private:
  console::Diagnostics& diagnostics_;
  bool enabled_;
  std::string name_;
  std::uint64_t total_bytes_ = 0;
  std::uint64_t records_ = 0;
  Clock::time_point started_{}, drawn_{};
  bool shown_ = false;
};

}  // namespace tbcalc::table
