#include "record_inputs.hpp"

#include <cmath>

#include "number_format.hpp"

namespace tbcalc::table {
namespace {

std::string shortest(float x) {
  char digits[kMaxNumberChars];
  return {digits, write_shortest(x, digits)};
}

std::string range_text(const InputField& field) {
  const AcceptedRange& range = field.range;
  if (std::isinf(range.high))
    return std::string(range.low_excluded ? "above " : "from ") + shortest(range.low);
  return (range.low_excluded ? "above " : "") + shortest(range.low) +
         (range.low_excluded ? " up to " : " to ") + shortest(range.high);
}

// Words broken into lines of at most 78 columns, as help texts are.
std::string wrapped(const std::string& text) {
  std::string lines, line;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find(' ', at);
    if (end == std::string::npos) end = text.size();
    const std::string word = text.substr(at, end - at);
    if (!line.empty() && line.size() + 1 + word.size() > 78) {
      lines += line + "\n";
      line.clear();
    }
    line += (line.empty() ? "" : " ") + word;
    at = end + 1;
  }
  return lines + line + "\n";
}

}  // namespace

std::vector<TableInput> table_inputs(std::span<const InputId> ids) {
  std::vector<TableInput> values;
  for (InputId id : ids) {
    const InputField& field = input_field(id);
    for (std::size_t c = 0; c < field.channels; ++c) {
      std::string name(field.name);
      if (field.channels > 1) name += std::to_string(c + 1);
      values.push_back(
          {name, field.fallback ? std::optional<double>(*field.fallback) : std::nullopt, &field});
    }
  }
  return values;
}

std::vector<const InputField*> value_fields(std::span<const InputId> ids) {
  std::vector<const InputField*> fields;
  for (InputId id : ids) fields.insert(fields.end(), input_field(id).channels, &input_field(id));
  return fields;
}

void describe_out_of_range(const InputField& field, float typed, Problem& problem) {
  problem << field.long_name << " " << shortest(typed) << " out of range (" << range_text(field)
          << " " << field.unit << ")";
  if (field.celsius && field.range.contains(kelvin_to_celsius(typed))) {
    problem << ": kelvin? temperatures are read in deg C";
  }
}

std::string plain_record_text(std::span<const InputId> ids) {
  std::string held, given;
  for (InputId id : ids) {
    const InputField& field = input_field(id);
    std::string name(field.name);
    if (field.channels > 1) name += "1 to " + name + std::to_string(field.channels);
    std::string& list = field.fallback ? given : held;
    list += (list.empty() ? "" : ", ") + name;
  }
  return wrapped("In the plain format a record is one line of " + held +
                 ", in that order, separated by blanks, tabs or commas" +
                 (given.empty() ? "" : "; --set gives " + given) + ".");
}

std::string describe_inputs(std::span<const InputId> ids) {
  std::string text;
  for (InputId id : ids) {
    const InputField& field = input_field(id);
    std::string name(field.name);
    if (field.channels > 1) name += "1 to " + name + std::to_string(field.channels);
    name.resize(std::max<std::size_t>(name.size() + 1, 12), ' ');
    text += "  " + name + std::string(field.long_name) + ", " + std::string(field.unit) + ", " +
            range_text(field);
    if (field.fallback) text += " (" + shortest(*field.fallback) + " where not given)";
    text += '\n';
  }
  return text;
}

}  // namespace tbcalc::table
