// One batch of lines to its output: records computed, the lines the reader
// marked as copies copied, bad records kept in place with their problem
// reported. What each line is, the reader has decided.
#include <algorithm>
#include <charconv>

#include "batch.hpp"
#include "fields.hpp"

namespace tbcalc::table {
namespace {

class BatchProcessor {
 public:
  BatchProcessor(Batch& batch, const RecordKind& kind, RecordWorker& worker, Scratch& scratch)
      : b_(batch), file_(*batch.file), run_(file_.run), kind_(kind), worker_(worker), s_(scratch) {
    s_.values.resize(run_.inputs.size());
    s_.numbers.resize(run_.plain.size());
    s_.last_text.resize(run_.inputs.size());
    s_.last_value.resize(run_.inputs.size());
  }

  void line(const LineInfo& l) {
    line_start_ = b_.output.size();
    s_.problem.clear();
    const std::string_view text = b_.line(l);
    switch (l.kind) {
      case LineKind::repeated_header:
        return;
      case LineKind::header:
        b_.output.append(file_.layout.output_header);
        break;
      case LineKind::copy:
        b_.output.append(text);
        break;
      case LineKind::long_comment:
        // Its bytes were not kept: said, and its line left empty.
        too_long("comment") << ": not copied";
        report(l);
        break;
      case LineKind::too_long:
        // Its fields were not kept: empty ones keep the table's shape.
        if (run_.header_mode) pad(0);
        too_long("line");
        unanswered(l);
        break;
      case LineKind::record:
        given_values();
        if (run_.header_mode) {
          delimited(text, l);
        } else if (split_plain(text, s_.numbers, run_.count_word, s_.problem)) {
          for (std::size_t k = 0; k < run_.plain.size(); ++k)
            s_.values[run_.plain[k]] = s_.numbers[k];
          record(l);
        } else {
          // A header read as a record: the way out depends on its delimiter,
          // for header mode reads commas and tabs only.
          const auto is_input = [&](std::string_view field) {
            return std::any_of(
                run_.inputs.begin(), run_.inputs.end(),
                [&](const RecordInput& input) { return same_name(field, input.name); });
          };
          const LineWords words = count_words(text, is_input);
          if (words.names == 0 && words.numbers == run_.plain.size() + 1) {
            // One number more than plain records hold: an input they do not.
            for (const RecordInput& input : run_.inputs) {
              if (!input.fallback || input.constant) continue;
              s_.problem << " (a " << input.name << "? --set " << input.name
                         << "=VALUE gives it, or a column of it with --header)";
              break;
            }
          } else if (l.first_record && words.header()) {
            s_.problem << (words.delimiter == ';' ? " (a header? use commas or tabs, and --header)"
                           : words.delimiter != '\0'
                               ? " (a header? read the file with --header)"
                               : " (a header? start it with # to copy it as a comment)");
          }
          unanswered(l);
        }
        break;
    }
    b_.output.append(l.crlf ? "\r\n" : "\n");
  }

 private:
  // The values no record of this batch reads: constants, and fallbacks where
  // the input has no column. Set at the batch's first record, once the
  // header (and with it the layout) has been read.
  void given_values() {
    if (given_) return;
    given_ = true;
    for (std::size_t k = 0; k < run_.inputs.size(); ++k) {
      const RecordInput& input = run_.inputs[k];
      if (input.constant) {
        s_.values[k] = *input.constant;
      } else if (input.fallback && (!run_.header_mode || file_.layout.inputs[k] == kNoColumn)) {
        s_.values[k] = *input.fallback;
      }
    }
  }

  void delimited(std::string_view text, const LineInfo& l) {
    b_.output.append(text);
    if (read_fields(text)) {
      record(l);
    } else {
      // A row short of fields gets empty ones: the added columns stay in
      // their place.
      pad(s_.fields.size());
      unanswered(l);
    }
  }

  // Between the added columns. The layout is read only for the lines after
  // the header: the reader may still be writing it while the lines before
  // are copied.
  char delimiter() const { return run_.header_mode ? file_.layout.delimiter : ' '; }

  // Empty fields after `fields` of them, up to the header's count: the
  // delimiters a row of that many fields lacks (a line of none has one
  // field's room already).
  void pad(std::size_t fields) {
    const std::size_t columns = file_.layout.columns;
    if (fields < columns) b_.output.append(columns - std::max<std::size_t>(fields, 1), delimiter());
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
      s_.problem << decimal(s_.fields.size(), a)
                 << (s_.fields.size() == 1 ? " field, the header has " : " fields, the header has ")
                 << decimal(layout.columns, b);
      return false;
    }
    for (std::size_t i = 0; i < layout.inputs.size(); ++i) {
      if (layout.inputs[i] == kNoColumn) continue;
      const std::string_view field = field_text(s_.fields[layout.inputs[i]]);
      if (field.empty()) {
        s_.problem << "column '" << run_.inputs[i].name << "' is empty";
        return false;
      }
      if (field == s_.last_text[i]) {
        s_.values[i] = s_.last_value[i];
        continue;
      }
      Problem problem;
      if (!read_number(field, s_.values[i], problem)) {
        s_.problem << "column '" << run_.inputs[i].name << "': " << problem.view();
        return false;
      }
      s_.last_text[i].assign(field);
      s_.last_value[i] = s_.values[i];
    }
    return true;
  }

  void record(const LineInfo& l) {
    ColumnWriter out(b_.output, delimiter(), run_.header_mode);
    switch (worker_.compute(s_.values, out, s_.problem)) {
      case Outcome::noted:
        if (b_.noted++ == 0) where(l, b_.first_note);
        [[fallthrough]];
      case Outcome::answered:
        ++b_.records;
        break;
      case Outcome::bad:
        unanswered(l);
        break;
    }
  }

  Problem& too_long(std::string_view what) {
    std::array<char, 24> room;
    return s_.problem << what << " longer than " << decimal(kMaxLineBytes, room) << " bytes";
  }

  // A record without an answer keeps its row; the problem is reported where
  // the row begins.
  void unanswered(const LineInfo& l) {
    ++b_.records;
    report(l);
    ColumnWriter out(b_.output, delimiter(), run_.header_mode);
    kind_.write_unanswered(out);
  }

  void report(const LineInfo& l) {
    ++b_.bad_records;
    const std::size_t begin = b_.messages.size();
    where(l, b_.messages);
    b_.marks.push_back({line_start_, begin, b_.messages.size()});
  }

  // "FILE:LINE: problem"
  void where(const LineInfo& l, std::string& out) const {
    std::array<char, 24> room;
    out += file_.name;
    out += ':';
    out += decimal(l.number, room);
    out += ": ";
    out += s_.problem.view();
  }

  Batch& b_;
  const InputFile& file_;
  const RunSettings& run_;
  const RecordKind& kind_;
  RecordWorker& worker_;
  Scratch& s_;
  std::size_t line_start_ = 0;
  bool given_ = false;
};

}  // namespace

void process_batch(Batch& batch, const RecordKind& kind, RecordWorker& worker, Scratch& scratch) {
  BatchProcessor processor(batch, kind, worker, scratch);
  for (const LineInfo& l : batch.lines) processor.line(l);
}

}  // namespace tbcalc::table
