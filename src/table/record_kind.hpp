// What a record of a table program means, the one thing each program says
// for itself: which numbers it reads, which columns it adds, and how it
// computes them. Everything else (reading, columns, threads, order, errors,
// progress) is the table engine's.
#pragma once

#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "problem.hpp"
#include "text_buffer.hpp"

namespace tbcalc::table {

// Writes the added columns of one output line. In header mode each column
// follows the record's own fields, so each is preceded by the delimiter; in
// the plain format columns are separated by one space.
class ColumnWriter {
 public:
  ColumnWriter(TextBuffer& out, char delimiter, bool header_mode)
      : out_(out), delimiter_(delimiter), header_mode_(header_mode) {}

  void number(double value, int decimals);  // bounded: see write_fixed
  void shortest(float value);               // bounded: see write_shortest
  void word(std::string_view word);
  // A number that has no value: "nan" in the plain format, an empty field in
  // header mode.
  void missing();

 private:
  char* separate(std::size_t most);
  TextBuffer& out_;
  char delimiter_;
  bool header_mode_;
  bool first_ = true;
};

// How a record was answered.
enum class Outcome {
  answered,  // its added columns are written
  noted,     // written too, and `problem` says what the run's closing note counts
  bad,       // nothing written: `problem` says why it has no answer
};

// One thread's computing state: a worker may keep caches between records.
class RecordWorker {
 public:
  virtual ~RecordWorker() = default;
  // `values` are the inputs in the order of the command's inputs.
  virtual Outcome compute(std::span<const double> values, ColumnWriter& out, Problem& problem) = 0;
};

class RecordKind {
 public:
  virtual ~RecordKind() = default;
  // The added columns' names, in header mode.
  virtual std::vector<std::string> added_columns() const = 0;
  // The added columns of a record that has no answer.
  virtual void write_unanswered(ColumnWriter& out) const = 0;
  virtual std::unique_ptr<RecordWorker> make_worker() const = 0;
  // The line that closes a run in which `count` records were noted, the
  // first at `first` ("FILE:LINE: problem").
  virtual std::string closing_note(long count, std::string_view first) const {
    return std::to_string(count) + " records noted; the first: " + std::string(first);
  }
};

}  // namespace tbcalc::table
