#include "layout.hpp"

#include <algorithm>

#include "fields.hpp"

namespace tbcalc::table {
namespace {

char lower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

bool same_name(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](char x, char y) { return lower(x) == lower(y); });
}

}  // namespace

bool read_layout(std::string_view header, std::span<const std::string> wanted,
                 std::span<const std::string> added, Layout& layout, std::string& error) {
  layout = Layout{};
  layout.delimiter = detect_delimiter(header);
  std::vector<std::string_view> raw;
  Problem problem;
  if (!split_delimited(header, layout.delimiter, raw, problem)) {
    error = "header: " + std::string(problem.view());
    return false;
  }
  layout.columns = raw.size();
  std::vector<std::string> names;
  for (std::string_view field : raw) names.push_back(column_name(field));
  for (const std::string& want : wanted) {
    std::size_t found = names.size();
    for (std::size_t i = 0; i < names.size(); ++i) {
      if (!same_name(names[i], want)) continue;
      if (found != names.size()) {
        error = "column '" + want + "' is named twice in the header";
        return false;
      }
      found = i;
    }
    if (found == names.size()) {
      std::string columns;
      for (const std::string& name : names) {
        if (columns.size() > 160) {
          columns += ", ...";
          break;
        }
        columns += (columns.empty() ? "" : ", ") + name;
      }
      error = "no column '" + want + "' in the header (its columns: " + columns + ")";
      return false;
    }
    for (std::size_t k = 0; k < layout.inputs.size(); ++k) {
      if (layout.inputs[k] == found) {
        error = "'" + wanted[k] + "' and '" + want + "' would be read from one column";
        return false;
      }
    }
    layout.inputs.push_back(found);
  }
  layout.output_header.assign(header);
  for (const std::string& name : added) {
    layout.output_header += layout.delimiter;
    layout.output_header += name;
  }
  return true;
}

}  // namespace tbcalc::table
