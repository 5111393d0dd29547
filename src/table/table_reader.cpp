#include "table_reader.hpp"

#include <cstring>
#include <memory>

#include "fields.hpp"

namespace tbcalc::table {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

}  // namespace

void TableReader::fail(std::string_view message) {
  Batch& batch = pipeline_.acquire();
  batch.file = std::make_shared<InputFile>(InputFile{settings_, std::string(), 0, {}});
  batch.closing_message = message;
  pipeline_.dispatch(batch);
}

std::string TableReader::read_header(std::string_view header, bool too_long, InputFile& file) {
  if (too_long) return "header longer than " + std::to_string(kMaxLineBytes) + " bytes";
  std::string error;
  if (!read_layout(header, settings_.inputs, settings_.added, file.layout, error)) return error;
  // Inputs read one after another make one table: their headers agree, and
  // the header is written once.
  if (!written_header_.empty() && file.layout.output_header != written_header_) {
    return "its header differs from that of " + first_name_ + ": inputs of one run make one table";
  }
  return "";
}

bool TableReader::read(console::ByteSource& source, std::string_view name, std::uint64_t size) {
  auto file = std::make_shared<InputFile>(InputFile{settings_, std::string(name), size, {}});
  const Layout* layout = nullptr;  // once the header is read

  Batch* batch = &pipeline_.acquire();
  batch->file = file;
  // On the heap, its 64 KiB buffer: under a limit on the address space, the
  // stack may have no room to grow once the threads have started.
  std::unique_ptr<console::LineReader> reader;
  reader = std::make_unique<console::LineReader>(source, [&] {
    // Nothing more is waiting: what has arrived is answered before the wait.
    if (source.input_waiting()) return;
    if (!batch->lines.empty()) {
      batch->bytes_read = reader->consumed();
      pipeline_.dispatch(*batch);
      batch = &pipeline_.acquire();
      batch->file = file;
    }
    pipeline_.before_input_wait();
  });
  console::LineReader& in = *reader;

  bool go_on = true;
  bool first_record = true;
  std::uint64_t number = 0;
  for (;;) {
    if (pipeline_.output_failed()) {
      go_on = false;
      break;
    }
    // Into a line of its own: the batch may be sent on while the line waits
    // for the rest of its bytes.
    std::size_t kept = 0;
    const console::ReadStatus status = in.read_line(std::span(line_.get(), kLineRoom), kept);
    if (status == console::ReadStatus::end_of_input) break;
    if (status == console::ReadStatus::error) {
      batch->closing_message = std::string(name) + ": " + std::strerror(in.error());
      break;
    }
    // The line end is not part of the line: a CR before it counts for
    // nothing against the limit, and the output line ends as this one does.
    const bool crlf = in.ended_with_cr();
    const bool too_long = in.truncated() || kept - crlf > kMaxLineBytes;
    std::string_view text(line_.get(), too_long ? kept : kept - crlf);
    if (++number == 1 && text.starts_with(kByteOrderMark)) {
      text.remove_prefix(kByteOrderMark.size());
      // A byte-order mark alone is an empty input, not an empty line.
      if (text.empty() && !in.line_ended() && !crlf) break;
    }
    LineInfo line{std::uint32_t(batch->input_used),
                  0,
                  number,
                  classify_line(text, too_long, settings_.header_mode, layout, fields_),
                  crlf,
                  false};
    if (line.kind == LineKind::header) {
      if (const std::string error = read_header(text, too_long, *file); !error.empty()) {
        batch->closing_message = std::string(name) + ": " + error;
        batch->closing_is_usage = true;
        go_on = false;
        break;
      }
      layout = &file->layout;
      if (written_header_.empty()) {
        first_name_ = name;
        written_header_ = layout->output_header;
      } else {
        line.kind = LineKind::repeated_header;
      }
    } else if (line.kind == LineKind::record && first_record) {
      line.first_record = !settings_.header_mode;
      first_record = false;
    }
    if (!too_long) {
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
