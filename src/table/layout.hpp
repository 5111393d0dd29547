// Where a header-mode file keeps the values a record needs: its header line
// names the columns, the inputs are found by name (ASCII case ignored), every
// other column passes through, and the output's header is the input's
// followed by the added columns.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tbcalc::table {

struct Layout {
  char delimiter = ',';
  std::size_t columns = 0;          // fields of the header line
  std::vector<std::size_t> inputs;  // the column of each wanted input, in order
  std::string output_header;        // the header line to write, without its line end
};

// Reads a header line (without its line end or byte-order mark). `wanted`
// are the input column names, `added` the names of the columns appended.
// false when a wanted column is missing or named twice, or the line cannot be
// split: `error` then says which, for a usage message.
bool read_layout(std::string_view header, std::span<const std::string> wanted,
                 std::span<const std::string> added, Layout& layout, std::string& error);

}  // namespace tbcalc::table
