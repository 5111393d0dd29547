#include "line_kind.hpp"

#include "fields.hpp"

namespace tbcalc::table {

LineKind classify_line(std::string_view line, bool too_long, bool header_mode, const Layout* layout,
                       std::vector<std::string_view>& fields) {
  if (layout == nullptr) {
    if (is_blank_or_comment(line)) {
      if (!too_long) return LineKind::copy;
      // Too long to copy: a comment, or blanks before a header, is said to
      // be lost. In the plain format blanks may begin a record.
      if (header_mode || line.find('#') != std::string_view::npos) return LineKind::long_comment;
    }
    if (header_mode) return LineKind::header;
    return too_long ? LineKind::too_long : LineKind::record;
  }
  if (too_long) return LineKind::too_long;
  if (!is_blank_or_comment(line, layout->delimiter)) return LineKind::record;
  Problem ignored;
  const bool whole_row = line.find('#') != std::string_view::npos &&
                         split_delimited(line, layout->delimiter, fields, ignored) &&
                         fields.size() == layout->columns;
  return whole_row ? LineKind::record : LineKind::copy;
}

}  // namespace tbcalc::table
