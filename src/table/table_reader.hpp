// Reads the inputs of a table program in order, line by line, into batches
// for the pipeline, and says what each line is (the one place that does):
// the header of a header-mode file, the byte-order mark a spreadsheet may put
// first, the line ends kept apart from the lines, lines too long to keep, and
// a live feed that must be answered before the reader waits on it.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "batch.hpp"
#include "console.hpp"
#include "pipeline.hpp"

namespace tbcalc::table {

class TableReader {
 public:
  TableReader(const RunSettings& settings, Pipeline& pipeline)
      : settings_(settings), pipeline_(pipeline), line_(new char[kLineRoom]) {}

  // Reads one input to its end. false when the run must stop: output failed,
  // or its header does not name the columns (a usage error).
  bool read(console::ByteSource& source, std::string_view name, std::uint64_t size);
  // An input that could not be opened: `message` is said in its turn.
  void fail(std::string_view message);

 private:
  // A line of the limit and the CR of its CRLF line end.
  static constexpr std::size_t kLineRoom = kMaxLineBytes + 1;

  // The layout of `file` from its header line; an empty string, or what is
  // wrong for a usage error.
  std::string read_header(std::string_view header, bool too_long, InputFile& file);

  const RunSettings& settings_;
  Pipeline& pipeline_;
  std::string written_header_;    // the output header already written
  std::string first_name_;        // of the input whose header it is
  std::unique_ptr<char[]> line_;  // the line being read
  std::vector<std::string_view> fields_;
};

}  // namespace tbcalc::table
