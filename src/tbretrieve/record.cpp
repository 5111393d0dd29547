#include "record.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <system_error>

namespace tbcalc::tbretrieve {
namespace {

constexpr std::size_t kFields = 9;
constexpr std::size_t kShownBytes = 24;  // of a bad field, in a message

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }
bool ends_field(char c) { return is_blank(c) || c == ','; }

// The field as a message can show it: bytes that do not print become '?'.
void show(std::string_view field, Problem& problem) {
  problem << "'";
  for (char c : field.substr(0, kShownBytes)) {
    const char printable = (c >= ' ' && c <= '~') ? c : '?';
    problem << std::string_view(&printable, 1);
  }
  problem << (field.size() > kShownBytes ? "...'" : "'");
}

ParsedLine bad(std::string_view problem) {
  ParsedLine p{LineKind::bad, {}, {}};
  p.problem << problem;
  return p;
}

// Reads a whole field as a finite number, or says what is wrong with it.
bool read_number(std::string_view field, double& value, Problem& problem) {
  std::string_view digits = field;
  if (digits.size() > 1 && digits[0] == '+' && digits[1] != '-') digits.remove_prefix(1);
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (error == std::errc::result_out_of_range) {
    problem << "number out of range: ";
  } else if (error != std::errc() || end != digits.data() + digits.size()) {
    problem << "not a number: ";
  } else if (!std::isfinite(value)) {
    problem << "not a finite number: ";
  } else {
    return true;
  }
  show(field, problem);
  return false;
}

}  // namespace

Problem& Problem::operator<<(std::string_view text) {
  const std::size_t n = std::min(text.size(), text_.size() - size_);
  std::copy_n(text.begin(), n, text_.begin() + std::ptrdiff_t(size_));
  size_ += n;
  return *this;
}

ParsedLine parse_line(std::string_view line) {
  std::size_t at = 0;
  auto skip_blanks = [&] {
    while (at < line.size() && is_blank(line[at])) ++at;
  };
  skip_blanks();
  if (at == line.size() || line[at] == '#') return {LineKind::copy, {}, {}};

  std::array<double, kFields> values{};
  std::size_t count = 0;
  for (;;) {
    const std::size_t start = at;
    while (at < line.size() && !ends_field(line[at])) ++at;
    if (at == start) return bad("empty field before a comma");
    if (count == kFields) return bad("more than nine numbers");
    ParsedLine failed{LineKind::bad, {}, {}};
    if (!read_number(line.substr(start, at - start), values[count], failed.problem)) return failed;
    ++count;
    skip_blanks();
    if (at == line.size()) break;
    if (line[at] == ',') {
      ++at;
      skip_blanks();
      if (at == line.size()) return bad("the line ends with a comma");
    }
  }
  if (count < kFields) {
    const char found = char('0' + count);
    ParsedLine p = bad("nine numbers expected, found ");
    p.problem << std::string_view(&found, 1);
    return p;
  }
  Record r{float(values[0]), float(values[1]), float(values[2]), {}};
  for (std::size_t i = 0; i < 6; ++i) r.tb[i] = values[3 + i];
  return {LineKind::record, r, {}};
}

}  // namespace tbcalc::tbretrieve
