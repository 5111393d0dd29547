// What each line of a table is, decided once, by the reader, in input order:
// a line to copy, the header, or a record. Workers only compute the records;
// they never look at a line's bytes to decide what it is.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "layout.hpp"

namespace tbcalc::table {

// The longest line a table may have, line end excluded; a longer one is a
// bad record. Bounds the memory of a batch whatever the input.
inline constexpr std::size_t kMaxLineBytes = 1 << 16;

enum class LineKind : std::uint8_t {
  copy,             // a blank line or a comment: copied as it is
  header,           // header mode: the line that names the columns
  repeated_header,  // a later input's header, the same as the first: not written again
  record,           // numbers to compute with, or a bad record
  too_long,         // a record longer than kMaxLineBytes, its bytes not kept: a bad record
  long_comment,     // a comment longer than kMaxLineBytes, not kept: reported, its line left empty
};

// What `line` (without its line end) is; `too_long`: it had more than
// kMaxLineBytes bytes and `line` holds only the first of them. `layout` is
// its input's once the header has been read in header mode, else null.
//   The plain format, and header mode before the header: a line of blanks
//   (spaces, tabs) or whose first other byte is '#' is copied; in header
//   mode the first other line is the header, however long.
//   After the header the delimiter is data, not a blank: a row of tabs in a
//   tab-separated file is a record of empty fields. A line whose first
//   other byte is '#' is copied unless it splits into as many fields as
//   the header has: a first column of identifiers may start with '#', and a
//   row must never be lost as a comment. Such a line, too long to tell,
//   is a record.
// `fields` is scratch space for the split.
LineKind classify_line(std::string_view line, bool too_long, bool header_mode, const Layout* layout,
                       std::vector<std::string_view>& fields);

}  // namespace tbcalc::table
