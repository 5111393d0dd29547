#include "table_reader.hpp"

#include <cstring>
#include <memory>

#include "fields.hpp"

namespace tbcalc::table {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

}  // namespace

void TableReader::fail(std::string_view message) {
  auto file = std::make_shared<InputFile>();
  Batch& batch = pipeline_.acquire();
  batch.file = file;
  batch.closing_message = message;
  pipeline_.dispatch(batch);
}

bool TableReader::read(console::ByteSource& source, std::string_view name, std::uint64_t size) {
  auto file = std::make_shared<InputFile>();
  file->name = name;
  file->size = size;
  file->header_mode = settings_.header_mode;
  file->input_names = settings_.input_names;
  file->count_word = settings_.count_word;

  Batch* batch = &pipeline_.acquire();
  batch->file = file;
  console::LineReader in(source, [&] {
    // Nothing more is waiting: what has arrived is answered before the wait.
    if (source.input_waiting()) return;
    if (!batch->lines.empty()) {
      batch->bytes_read = in.consumed();
      pipeline_.dispatch(*batch);
      batch = &pipeline_.acquire();
      batch->file = file;
    }
    pipeline_.before_input_wait();
  });

  bool go_on = true;
  bool have_header = false;
  std::uint64_t number = 0;
  for (;;) {
    if (pipeline_.output_failed()) {
      go_on = false;
      break;
    }
    // Into a line of its own: the batch may be sent on while the line waits
    // for the rest of its bytes.
    std::size_t kept = 0;
    const console::ReadStatus status = in.read_line(std::span(line_.get(), kMaxLineBytes), kept);
    if (status == console::ReadStatus::end_of_input) break;
    if (status == console::ReadStatus::error) {
      batch->closing_message = std::string(name) + ": " + std::strerror(in.error());
      break;
    }
    LineInfo line{std::uint32_t(batch->input_used), 0, ++number, LineKind::record, in.truncated()};
    std::string_view text(line_.get(), kept);
    if (number == 1 && text.starts_with(kByteOrderMark)) {
      text.remove_prefix(kByteOrderMark.size());
      // A byte-order mark alone is an empty input, not an empty line.
      if (text.empty() && !in.line_ended()) break;
    }
    // In header mode the first line that is neither blank nor a comment
    // names the columns; the lines before it are copied, whatever the header
    // turns out to be (a worker may meet them before the header has come).
    if (settings_.header_mode && !have_header && !line.too_long && is_blank_or_comment(text)) {
      line.kind = LineKind::before_header;
    } else if (settings_.header_mode && !have_header) {
      have_header = true;
      std::string error;
      if (line.too_long) {
        error = "header longer than " + std::to_string(kMaxLineBytes) + " bytes";
      } else {
        const std::string_view header = text.substr(0, text.size() - text.ends_with('\r'));
        read_layout(header, settings_.input_names, settings_.added_columns, file->layout, error);
      }
      // Inputs read one after another make one table: their headers agree,
      // and the header is written once.
      if (error.empty() && !written_header_.empty() &&
          file->layout.output_header != written_header_) {
        error = "its header differs from that of " + first_name_ + ": " +
                "inputs of one run make one table";
      }
      if (!error.empty()) {
        batch->closing_message = std::string(name) + ": " + error;
        batch->closing_is_usage = true;
        go_on = false;
        break;
      }
      line.kind = written_header_.empty() ? LineKind::header : LineKind::quiet_header;
      if (written_header_.empty()) first_name_ = name;
      written_header_ = file->layout.output_header;
    }
    if (!line.too_long) {
      std::memcpy(batch->input.get() + batch->input_used, text.data(), text.size());
      line.length = std::uint32_t(text.size());
      batch->input_used += text.size();
    }
    batch->lines.push_back(line);
    if (batch->full()) {
      batch->bytes_read = in.consumed();
      pipeline_.dispatch(*batch);
      batch = &pipeline_.acquire();
      batch->file = file;
    }
  }
  batch->bytes_read = in.consumed();
  pipeline_.dispatch(*batch);
  return go_on;
}

}  // namespace tbcalc::table
