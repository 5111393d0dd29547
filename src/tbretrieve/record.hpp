// One line of tbretrieve's input: a blank or comment line, copied as it is,
// or a record of nine numbers: sea surface temperature (degC), radar altitude
// (m), flight-level air temperature (degC), then six brightness temperatures
// (K) in channel order, separated by blanks, tabs or commas.
#pragma once

#include <array>
#include <string_view>

namespace tbcalc::tbretrieve {

struct Record {
  float sst_c;  // as the dialogue stores a typed value: decimal to double to float
  float altitude_m;
  float air_c;
  std::array<double, 6> tb;  // K
};

enum class LineKind { copy, record, bad };

// What was wrong with a bad line, held without the heap: a filter may meet
// millions of bad lines.
class Problem {
 public:
  Problem& operator<<(std::string_view text);
  std::string_view view() const { return {text_.data(), size_}; }

 private:
  std::array<char, 80> text_;
  std::size_t size_ = 0;
};

struct ParsedLine {
  LineKind kind;
  Record record;    // when kind is record
  Problem problem;  // when kind is bad: what was wrong, for a message
};

// Blanks are spaces, tabs and carriage returns. A line whose first non-blank
// character is # is a comment. A number is what std::from_chars reads as a
// double, with an optional leading +, and must be finite.
ParsedLine parse_line(std::string_view line);

}  // namespace tbcalc::tbretrieve
