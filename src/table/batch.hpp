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
#include "problem.hpp"
#include "record_kind.hpp"
#include "text_buffer.hpp"

namespace tbcalc::table {

// The longest line a table may have, line end excluded; a longer one is a
// bad record. Bounds the memory of a batch whatever the input.
inline constexpr std::size_t kMaxLineBytes = 1 << 16;
// A batch is sent on when it holds this many lines or bytes.
inline constexpr std::size_t kBatchLines = 512;
inline constexpr std::size_t kBatchBytes = 1 << 17;

// What the lines of one input share.
struct InputFile {
  std::string name;                      // for messages: the path, or "standard input"
  std::uint64_t size = 0;                // bytes of a regular file, else 0
  bool header_mode = false;              // false: the plain format
  Layout layout;                         // header mode: where the inputs are
  std::vector<std::string> input_names;  // for messages: the columns or values read
  std::string_view count_word;           // plain format: how many numbers, as a word
};

enum class LineKind : std::uint8_t {
  record,         // a record, a blank line or a comment
  before_header,  // header mode: a blank line or comment before the header, copied
  header,         // the header line, written as the layout's output header
  quiet_header,   // a later input's header, the same as the one already written
};

struct LineInfo {
  std::uint32_t offset;  // into Batch::input
  std::uint32_t length;
  std::uint64_t number;  // line number in its input, from 1
  LineKind kind;
  bool too_long;  // more than kMaxLineBytes: its bytes were not kept
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
    closing_message.clear();
    closing_is_usage = false;
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

  // Said after the output: what went wrong with the input itself.
  std::string closing_message;
  bool closing_is_usage = false;  // the run ends with a usage error
};

// Per-worker scratch space for the fields and values of one record.
struct Scratch {
  std::vector<std::string_view> fields;
  std::vector<double> values;
  Problem problem;
  // Header mode: each input's text in the last record and its value, for a
  // flight's records repeat their environment for long stretches.
  std::vector<std::string> last_text;
  std::vector<double> last_value;
};

// Turns the batch's lines into its output and messages.
void process_batch(Batch& batch, RecordKind const& kind, RecordWorker& worker, Scratch& scratch);

}  // namespace tbcalc::table
