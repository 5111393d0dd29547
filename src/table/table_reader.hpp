// Reads the inputs of a table program in order, line by line, into batches
// for the pipeline: the header of a header-mode file, the byte-order mark a
// spreadsheet may put first, lines too long to keep, and a live feed that
// must be answered before the reader waits on it.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "console.hpp"
#include "pipeline.hpp"

namespace tbcalc::table {

struct ReadSettings {
  bool header_mode = false;
  std::vector<std::string> input_names;  // the columns (header mode) or values read
  std::string_view count_word;           // how many values, as a word, for messages
  std::vector<std::string> added_columns;
};

class TableReader {
 public:
  TableReader(const ReadSettings& settings, Pipeline& pipeline)
      : settings_(settings), pipeline_(pipeline), line_(new char[kMaxLineBytes]) {}

  // Reads one input to its end. false when the run must stop: output failed,
  // or its header does not name the columns (a usage error).
  bool read(console::ByteSource& source, std::string_view name, std::uint64_t size);
  // An input that could not be opened: `message` is said in its turn.
  void fail(std::string_view message);

 private:
  const ReadSettings& settings_;
  Pipeline& pipeline_;
  std::string written_header_;    // the output header already written
  std::string first_name_;        // of the input whose header it is
  std::unique_ptr<char[]> line_;  // the line being read
};

}  // namespace tbcalc::table
