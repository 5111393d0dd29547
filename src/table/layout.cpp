#include "layout.hpp"

#include <algorithm>

#include "fields.hpp"

namespace tbcalc::table {
namespace {

// A header's text as a message shows it: its bytes printable, cut after
// `most` of them.
std::string shown(std::string_view text, std::size_t most = 40) {
  std::string s;
  for (char c : text.substr(0, most)) s += printable(c);
  return text.size() > most ? s + "..." : s;
}

// The columns of a header, for a message: as many as fit in a line.
std::string listed(const std::vector<std::string>& names) {
  std::string columns;
  for (const std::string& name : names) {
    if (columns.size() > 160) return columns + ", ...";
    columns += (columns.empty() ? "" : ", ") + shown(name);
  }
  return columns;
}

// A header that splits into one column but holds one of these was written
// with another delimiter: a European spreadsheet's semicolons, say.
char other_delimiter(std::string_view header) {
  char most = '\0';
  std::ptrdiff_t count = 0;
  for (char c : {';', '|', ' '}) {
    const std::ptrdiff_t n = std::count(header.begin(), header.end(), c);
    if (n > count) most = c, count = n;
  }
  return most;
}

std::string missing_column(std::string_view want, std::string_view header,
                           const std::vector<std::string>& names) {
  const std::string missing = "no column '" + std::string(want) + "' in the header";
  if (const LineWords words = count_words(header, [](std::string_view) { return false; });
      words.names == 0) {
    return missing +
           ": its first line holds numbers, not names: a file without a header is "
           "read without --header";
  }
  if (const char other = other_delimiter(header); names.size() == 1 && other != '\0') {
    const std::string delimiter =
        other == ' ' ? std::string("spaces") : std::string{'\'', other, '\''};
    return missing + ", read as the one column '" + shown(names.front()) +
           "': columns are separated by commas or tabs, and this header seems to use " + delimiter;
  }
  return missing + " (its columns: " + listed(names) + ")";
}

}  // namespace

bool read_layout(std::string_view header, std::span<const RecordInput> inputs,
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
  for (const RecordInput& input : inputs) {
    const std::string& want = input.name;
    if (input.constant) {
      // A constant beside a column of the input would leave the rows saying
      // one value and their answers taking another.
      if (std::any_of(names.begin(), names.end(),
                      [&](const std::string& name) { return same_name(name, want); })) {
        error = "the header has a column '" + want + "' and --set gives '" + want +
                "' a constant: one or the other";
        return false;
      }
      layout.inputs.push_back(kNoColumn);
      continue;
    }
    std::size_t found = names.size();
    for (std::size_t i = 0; i < names.size(); ++i) {
      if (!same_name(names[i], want)) continue;
      if (found != names.size()) {
        error = "column '" + want + "' is named twice in the header";
        return false;
      }
      found = i;
    }
    if (found == names.size() && input.fallback) {
      layout.inputs.push_back(kNoColumn);
      continue;
    }
    if (found == names.size()) {
      error = missing_column(want, header, names);
      return false;
    }
    for (std::size_t k = 0; k < layout.inputs.size(); ++k) {
      if (layout.inputs[k] == found) {
        error = "column '" + shown(names[found]) + "' would be read for two inputs";
        return false;
      }
    }
    layout.inputs.push_back(found);
  }
  // An added column of a name the header has would make two columns no
  // reader could tell apart (tbforward's wind and rain, read by tbretrieve).
  std::string repeated;
  std::size_t count = 0;
  for (const std::string& name : added) {
    // As the name will be read back: blanks around it do not count.
    const std::string added_name = column_name(name);
    if (std::none_of(names.begin(), names.end(),
                     [&](const std::string& column) { return same_name(column, added_name); })) {
      continue;
    }
    repeated += (count++ == 0 ? "'" : ", '") + shown(name) + "'";
  }
  if (count > 0) {
    error = "the header already has the column" + std::string(count == 1 ? " " : "s ") + repeated +
            " that the output adds: name the added columns apart with --suffix (--suffix _new)";
    return false;
  }
  layout.output_header.assign(header);
  for (const std::string& name : added) {
    layout.output_header += layout.delimiter;
    layout.output_header += name;
  }
  return true;
}

}  // namespace tbcalc::table
