// What is wrong with a bad record, held without the heap: a table may hold
// millions of bad records.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tbcalc::table {

// A byte as a message shows it: bytes that do not print (controls that
// would move a terminal's cursor or retitle its window, and all beyond
// ASCII) as '?'.
constexpr char printable(char c) { return c >= ' ' && c <= '~' ? c : '?'; }

// `n` in decimal, written in `room`.
std::string_view decimal(std::uint64_t n, std::array<char, 24>& room);

class Problem {
 public:
  // Appends; what does not fit is cut.
  Problem& operator<<(std::string_view text);
  // The field as a message can show it: quoted, bytes that do not print as
  // '?', long fields cut with "...".
  Problem& quote(std::string_view field);
  std::string_view view() const { return {text_.data(), size_}; }
  bool empty() const { return size_ == 0; }
  void clear() { size_ = 0; }

 private:
  std::array<char, 120> text_;
  std::size_t size_ = 0;
};

}  // namespace tbcalc::table
