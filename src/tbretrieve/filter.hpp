// The filter itself: every line of one input gives one line of output, a
// result, a copy or a bad-input line, so output lines stay aligned with input
// lines; what is wrong with a line is reported as "NAME:LINE: problem".
#pragma once

#include <functional>
#include <string_view>

#include "console.hpp"

namespace tbcalc::tbretrieve {

// Lines longer than this, comments included, are bad lines: memory stays
// bounded whatever the input.
inline constexpr std::size_t kMaxLineBytes = 1024;

using ErrorReport = std::function<void(std::string_view message)>;

struct FilterResult {
  enum End { end_of_input, read_error, write_error } end;
  long bad_lines;
};

// Reads `in` to its end, retrieving each record with the given noise (K).
FilterResult run_filter(console::LineReader& in, console::OutputBuffer& out, double noise_k,
                        std::string_view name, const ErrorReport& report);

}  // namespace tbcalc::tbretrieve
