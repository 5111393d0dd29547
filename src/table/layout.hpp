// Where a header-mode file keeps the values a record needs: its header line
// names the columns, the inputs are found by name (ASCII case ignored), every
// other column passes through, and the output's header is the input's
// followed by the added columns.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tbcalc::table {

// A value each record holds, and where it comes from.
struct RecordInput {
  std::string name;                // its column, as messages name it
  std::optional<double> constant;  // every record's value, not read (--set)
  // Where a header has no such column; in the plain format, always, for
  // plain records hold only the inputs without one. None: required.
  std::optional<double> fallback;
};

// No column: the input's value is its constant or its fallback.
inline constexpr std::size_t kNoColumn = std::size_t(-1);

struct Layout {
  char delimiter = ',';
  std::size_t columns = 0;          // fields of the header line
  std::vector<std::size_t> inputs;  // the column of each input, in order, or kNoColumn
  std::string output_header;        // the header line to write, without its line end
};

// Reads a header line (without its line end or byte-order mark): where each
// of `inputs` is (those with a constant are not looked for), `added` the
// names of the columns appended. false when a required column is missing or
// an input's named twice, or the line cannot be split: `error` then says
// which, for a usage message.
bool read_layout(std::string_view header, std::span<const RecordInput> inputs,
                 std::span<const std::string> added, Layout& layout, std::string& error);

}  // namespace tbcalc::table
