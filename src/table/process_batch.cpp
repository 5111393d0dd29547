// One batch of lines to its output: records computed, blank lines and
// comments copied, bad records kept in place with their problem reported.
#include <charconv>

#include "batch.hpp"
#include "fields.hpp"

namespace tbcalc::table {
namespace {

class BatchProcessor {
 public:
  BatchProcessor(Batch& batch, const RecordKind& kind, RecordWorker& worker, Scratch& scratch)
      : b_(batch), file_(*batch.file), kind_(kind), worker_(worker), s_(scratch) {
    s_.values.resize(file_.input_names.size());
    s_.last_text.resize(file_.input_names.size());
    s_.last_value.resize(file_.input_names.size());
  }

  void line(const LineInfo& l) {
    line_start_ = b_.output.size();
    s_.problem.clear();
    if (file_.header_mode) {
      delimited(l);
    } else {
      plain(l);
    }
  }

 private:
  void plain(const LineInfo& l) {
    const std::string_view text = b_.line(l);
    if (l.too_long) {
      too_long(l);
    } else {
      switch (split_plain(text, s_.values, file_.count_word, s_.problem)) {
        case PlainLine::copy:
          b_.output.append(text);
          break;
        case PlainLine::record:
          record(l, ' ');
          break;
        case PlainLine::bad:
          unanswered(l, ' ');
          break;
      }
    }
    b_.output.push_back('\n');
  }

  void delimited(const LineInfo& l) {
    std::string_view text = b_.line(l);
    const bool crlf = !text.empty() && text.back() == '\r';
    if (crlf) text.remove_suffix(1);
    const Layout& layout = file_.layout;
    if (l.kind == LineKind::quiet_header) return;
    if (l.kind == LineKind::header) {
      b_.output.append(layout.output_header);
    } else if (l.too_long) {
      // Its fields were not kept: empty ones keep the table's shape.
      b_.output.append(layout.columns > 0 ? layout.columns - 1 : 0, layout.delimiter);
      too_long(l);
    } else if (l.kind == LineKind::before_header ||
               (is_blank_or_comment(text) && !whole_row(text))) {
      b_.output.append(text);
    } else {
      b_.output.append(text);
      if (read_fields(text)) {
        record(l, layout.delimiter);
      } else {
        // A row short of fields gets empty ones: the added columns stay in
        // their place.
        if (s_.fields.size() < layout.columns) {
          b_.output.append(layout.columns - s_.fields.size(), layout.delimiter);
        }
        unanswered(l, layout.delimiter);
      }
    }
    b_.output.append(crlf ? "\r\n" : "\n");
  }

  // Whether a line that starts with '#' holds a whole row all the same: a
  // first column of identifiers may start with it, and a row must never be
  // taken for a comment and lost.
  bool whole_row(std::string_view text) {
    if (text.find('#') == std::string_view::npos) return false;  // blank
    Problem ignored;
    return split_delimited(text, file_.layout.delimiter, s_.fields, ignored) &&
           s_.fields.size() == file_.layout.columns;
  }

  // The named fields of a delimited record as numbers.
  bool read_fields(std::string_view text) {
    const Layout& layout = file_.layout;
    if (!split_delimited(text, layout.delimiter, s_.fields, s_.problem)) {
      s_.fields.clear();  // not counted: no padding
      s_.fields.resize(layout.columns);
      return false;
    }
    if (s_.fields.size() != layout.columns) {
      std::array<char, 24> a, b;
      s_.problem << decimal(s_.fields.size(), a) << " fields, the header has "
                 << decimal(layout.columns, b);
      return false;
    }
    for (std::size_t i = 0; i < layout.inputs.size(); ++i) {
      const std::string_view field = field_text(s_.fields[layout.inputs[i]]);
      if (field.empty()) {
        s_.problem << "column '" << file_.input_names[i] << "' is empty";
        return false;
      }
      if (field == s_.last_text[i]) {
        s_.values[i] = s_.last_value[i];
        continue;
      }
      Problem problem;
      if (!read_number(field, s_.values[i], problem)) {
        s_.problem << "column '" << file_.input_names[i] << "': " << problem.view();
        return false;
      }
      s_.last_text[i].assign(field);
      s_.last_value[i] = s_.values[i];
    }
    return true;
  }

  void record(const LineInfo& l, char delimiter) {
    ColumnWriter out(b_.output, delimiter, file_.header_mode);
    if (worker_.compute(s_.values, out, s_.problem)) {
      ++b_.records;
    } else {
      unanswered(l, delimiter);
    }
  }

  void too_long(const LineInfo& l) {
    std::array<char, 24> room;
    s_.problem << "line longer than " << decimal(kMaxLineBytes, room) << " bytes";
    unanswered(l, file_.header_mode ? file_.layout.delimiter : ' ');
  }

  // A record without an answer keeps its row; the problem is reported where
  // the row begins.
  void unanswered(const LineInfo& l, char delimiter) {
    ++b_.records;
    ++b_.bad_records;
    std::array<char, 24> room;
    const std::size_t begin = b_.messages.size();
    b_.messages += file_.name;
    b_.messages += ':';
    b_.messages += decimal(l.number, room);
    b_.messages += ": ";
    b_.messages += s_.problem.view();
    b_.marks.push_back({line_start_, begin, b_.messages.size()});
    ColumnWriter out(b_.output, delimiter, file_.header_mode);
    kind_.write_unanswered(out);
  }

  Batch& b_;
  const InputFile& file_;
  const RecordKind& kind_;
  RecordWorker& worker_;
  Scratch& s_;
  std::size_t line_start_ = 0;
};

}  // namespace

void process_batch(Batch& batch, const RecordKind& kind, RecordWorker& worker, Scratch& scratch) {
  BatchProcessor processor(batch, kind, worker, scratch);
  for (const LineInfo& l : batch.lines) processor.line(l);
}

}  // namespace tbcalc::table
