#include "fields.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <system_error>

#include "decimal_text.hpp"

namespace tbcalc::table {
namespace {

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }
bool ends_plain_field(char c) { return is_blank(c) || c == ','; }

std::string_view trim_blanks(std::string_view s) {
  while (!s.empty() && is_blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && is_blank(s.back())) s.remove_suffix(1);
  return s;
}

// Plain decimals ("-12.375", "1500") are most of a table. When the digits make
// an integer up to 2^53 with at most 22 of them after the point, integer and
// power of ten are exact doubles and one division rounds correctly: the
// value from_chars would give, at a fraction of its cost. false: not such a
// decimal, and read_double (from_chars where the library has it) decides.
bool read_plain_decimal(std::string_view text, double& value) {
  static constexpr std::array<double, 23> kPowers = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                     1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                                     1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  const char* p = text.data();
  const char* const end = p + text.size();
  const bool negative = p != end && *p == '-';
  p += negative;
  const char* const start = p;
  while (p != end && *p == '0') ++p;  // leading zeros count for nothing
  const char* const first = p;
  std::uint64_t mantissa = 0;
  const auto digit = [](char c) { return unsigned(c - '0') < 10; };
  for (; p != end && digit(*p); ++p) mantissa = mantissa * 10 + std::uint64_t(*p - '0');
  const auto whole = std::size_t(p - first);
  std::size_t decimals = 0;
  if (p != end && *p == '.') {
    const char* const fraction = ++p;
    for (; p != end && digit(*p); ++p) mantissa = mantissa * 10 + std::uint64_t(*p - '0');
    decimals = std::size_t(p - fraction);
  }
  // At most 19 digits after the leading zeros cannot overflow; one digit at
  // least, and nothing after them.
  const bool some_digit = whole + decimals > 0 || first != start;
  if (p != end || !some_digit || whole + decimals > 19 || decimals >= kPowers.size() ||
      mantissa > (std::uint64_t(1) << 53)) {
    return false;
  }
  value = double(mantissa) / kPowers[decimals];
  if (negative) value = -value;
  return true;
}

}  // namespace

bool read_number(std::string_view field, double& value, Problem& problem) {
  std::string_view digits = field;
  if (digits.size() > 1 && digits[0] == '+' && digits[1] != '-') digits.remove_prefix(1);
  if (read_plain_decimal(digits, value)) return true;
  const auto [end, error] =
      console::read_double(digits.data(), digits.data() + digits.size(), value);
  if (error == std::errc::result_out_of_range) {
    problem << "number out of range: ";
  } else if (error != std::errc() || end != digits.data() + digits.size()) {
    problem << "not a number: ";
  } else if (!std::isfinite(value)) {
    problem << "not a finite number: ";
  } else {
    return true;
  }
  problem.quote(field);
  return false;
}

bool is_blank_or_comment(std::string_view line, char delimiter) {
  const auto first = std::find_if(line.begin(), line.end(),
                                  [delimiter](char c) { return c == delimiter || !is_blank(c); });
  return first == line.end() || *first == '#';
}

bool split_plain(std::string_view line, std::span<double> values, std::string_view count_word,
                 Problem& problem) {
  std::size_t at = 0;
  auto skip_blanks = [&] {
    while (at < line.size() && is_blank(line[at])) ++at;
  };
  skip_blanks();

  std::size_t count = 0;
  for (;;) {
    const std::size_t start = at;
    while (at < line.size() && !ends_plain_field(line[at])) ++at;
    if (at == start) {
      problem << "empty field before a comma";
      return false;
    }
    if (count == values.size()) {
      problem << "more than " << count_word << " numbers";
      return false;
    }
    if (!read_number(line.substr(start, at - start), values[count], problem)) return false;
    ++count;
    skip_blanks();
    if (at == line.size()) break;
    if (line[at] == ',') {
      ++at;
      skip_blanks();
      if (at == line.size()) {
        problem << "the line ends with a comma";
        return false;
      }
    }
  }
  if (count < values.size()) {
    std::array<char, 24> room;
    problem << count_word << " numbers expected, found " << decimal(count, room);
    return false;
  }
  return true;
}

LineWords count_words(std::string_view line,
                      const std::function<bool(std::string_view)>& is_input_name) {
  LineWords words;
  if (const std::size_t at = line.find_first_of(",\t;"); at != std::string_view::npos) {
    words.delimiter = line[at];
  }
  std::size_t at = 0;
  while (at < line.size()) {
    const std::size_t start = at;
    while (at < line.size() && !ends_plain_field(line[at]) && line[at] != ';') ++at;
    const std::string_view field = field_text(line.substr(start, at - start));
    ++at;
    double ignored;
    Problem problem;
    if (field.empty()) continue;
    if (read_number(field, ignored, problem)) {
      ++words.numbers;
      continue;
    }
    ++words.names;
    words.names_an_input = words.names_an_input || is_input_name(field);
  }
  return words;
}

std::string in_words(std::size_t count) {
  static constexpr std::array<std::string_view, 13> kWords = {
      "no",    "one",   "two",  "three", "four",   "five",  "six",
      "seven", "eight", "nine", "ten",   "eleven", "twelve"};
  return count < kWords.size() ? std::string(kWords[count]) : std::to_string(count);
}

bool split_delimited(std::string_view line, char delimiter, std::vector<std::string_view>& fields,
                     Problem& problem) {
  fields.clear();
  std::size_t at = 0;
  for (;;) {
    const std::size_t start = at;
    if (at < line.size() && line[at] == '"') {
      // A quoted field: a doubled quote is a quote, a single one closes it.
      ++at;
      for (;;) {
        const std::size_t quote = line.find('"', at);
        if (quote == std::string_view::npos) {
          problem << "a quoted field is not closed";
          return false;
        }
        at = quote + 1;
        if (at < line.size() && line[at] == '"') {
          ++at;
          continue;
        }
        break;
      }
      if (at < line.size() && line[at] != delimiter) {
        std::array<char, 24> room;
        problem << "text after the closing quote of field " << decimal(fields.size() + 1, room);
        return false;
      }
    } else {
      const std::size_t next = line.find(delimiter, at);
      at = next == std::string_view::npos ? line.size() : next;
    }
    fields.push_back(line.substr(start, at - start));
    if (at == line.size()) return true;
    ++at;  // the delimiter
  }
}

std::string_view field_text(std::string_view raw) {
  std::string_view s = trim_blanks(raw);
  if (s.size() >= 2 && s.front() == '"' && s.back() == '"') s = s.substr(1, s.size() - 2);
  return s;
}

std::string column_name(std::string_view raw) {
  const std::string_view trimmed = trim_blanks(raw);
  const bool quoted = trimmed.size() >= 2 && trimmed.front() == '"' && trimmed.back() == '"';
  if (!quoted) return std::string(trimmed);
  std::string name;
  const std::string_view inside = trimmed.substr(1, trimmed.size() - 2);
  for (std::size_t i = 0; i < inside.size(); ++i) {
    name += inside[i];
    if (inside[i] == '"' && i + 1 < inside.size() && inside[i + 1] == '"') ++i;
  }
  return name;
}

bool same_name(std::string_view a, std::string_view b) {
  const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [&](char x, char y) { return lower(x) == lower(y); });
}

char detect_delimiter(std::string_view header) {
  std::size_t tabs = 0, commas = 0;
  // As splitting reads quotes: only a field's first character opens one.
  bool field_start = true, quoted = false;
  for (std::size_t i = 0; i < header.size(); ++i) {
    const char c = header[i];
    if (quoted) {
      if (c == '"' && i + 1 < header.size() && header[i + 1] == '"') {
        ++i;
      } else if (c == '"') {
        quoted = false;
      }
      continue;
    }
    quoted = c == '"' && field_start;
    field_start = c == ',' || c == '\t';
    tabs += c == '\t';
    commas += c == ',';
  }
  return tabs > commas ? '\t' : ',';
}

}  // namespace tbcalc::table
