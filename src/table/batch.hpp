// A run of consecutive lines of one input, the unit that moves from the
// reader to a worker and on to the writer. A batch owns its buffers and is
// reused, so a long table costs no allocation per record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "layout.hpp"
#include "line_kind.hpp"
#include "problem.hpp"
#include "record_kind.hpp"
#include "text_buffer.hpp"

namespace tbcalc::table {

// A batch is sent on when it holds this many lines or bytes.
inline constexpr std::size_t kBatchLines = 512;
inline constexpr std::size_t kBatchBytes = 1 << 17;

// What a run reads and writes, fixed before its first byte: made once from
// the command line and the record kind, and only read by the reader, the
// workers and the writer.
struct RunSettings {
  bool header_mode = false;         // false: the plain format
  std::vector<RecordInput> inputs;  // in the order the record kind computes with them
  std::vector<std::size_t> plain;   // the plain format: the inputs its numbers are, in order
  std::string count_word;           // the plain format: how many numbers a record holds, as a word
  std::vector<std::string> added;   // header mode: the added columns' names, suffix included
};

// What the lines of one input share.
struct InputFile {
  const RunSettings& run;
  std::string name;        // for messages: the path, or "standard input"
  std::uint64_t size = 0;  // bytes of a regular file, else 0
  Layout layout;           // header mode, once its header is read: where the inputs are
};

struct LineInfo {
  std::uint32_t offset;  // into Batch::input
  std::uint32_t length;  // without the line end
  std::uint64_t number;  // line number in its input, from 1
  LineKind kind;
  bool crlf;          // the line ends with CR LF: so does its output line
  bool first_record;  // the plain format: the first record of its input
};

// A message to report once the output before it is written.
struct MessageMark {
  std::size_t output_offset;
  std::size_t text_begin, text_end;  // in Batch::messages
};

struct Batch {
  Batch() : input(new char[kBatchBytes + kMaxLineBytes]) {}
  void clear() {
    lines.clear();
    input_used = 0;
    output.clear();
    messages.clear();
    marks.clear();
    bad_records = 0;
    records = 0;
    noted = 0;
    first_note.clear();
    closing_message.clear();
    closing_is_usage = false;
    lost = false;
  }
  bool full() const { return lines.size() >= kBatchLines || input_used >= kBatchBytes; }
  std::string_view line(const LineInfo& l) const { return {input.get() + l.offset, l.length}; }

  std::shared_ptr<const InputFile> file;
  std::unique_ptr<char[]> input;
  std::size_t input_used = 0;
  std::vector<LineInfo> lines;
  std::uint64_t bytes_read = 0;  // of the input when the batch was sent on

  // Filled by a worker.
  TextBuffer output;
  std::string messages;
  std::vector<MessageMark> marks;
  long records = 0;
  long bad_records = 0;
  long noted = 0;          // records answered with a note for the run's closing line
  std::string first_note;  // "FILE:LINE: problem" of the batch's first

  // Said after the output: what went wrong with the input itself.
  std::string closing_message;
  bool closing_is_usage = false;  // the run ends with a usage error
  // Memory ran out while it was computed: its lines from lost_line on, and
  // all that follow, are not written.
  bool lost = false;
  std::uint64_t lost_line = 0;
};

// Per-worker scratch space for the fields and values of one record.
struct Scratch {
  std::vector<std::string_view> fields;
  std::vector<double> values;
  std::vector<double> numbers;  // of a plain record
  Problem problem;
  // Header mode: each input's text in the last record and its value, for a
  // flight's records repeat their environment for long stretches.
  std::vector<std::string> last_text;
  std::vector<double> last_value;
};

// Turns the batch's lines into its output and messages.
void process_batch(Batch& batch, RecordKind const& kind, RecordWorker& worker, Scratch& scratch);

}  // namespace tbcalc::table
