#include "number_format.hpp"

#include <charconv>
#include <cmath>
#include <cstring>

#include "decimal_text.hpp"

namespace tbcalc::table {
namespace {

// Below this magnitude a fixed-point number with 9 decimals still fits.
constexpr double kFixedLimit = 1e12;

std::size_t write_word(const char* word, char* out) {
  const std::size_t n = std::strlen(word);
  std::memcpy(out, word, n);
  return n;
}

// NaN and the infinities, or 0 when the value is finite.
std::size_t write_non_finite(double value, char* out) {
  if (std::isnan(value)) return write_word("nan", out);
  if (std::isinf(value)) return write_word(value < 0 ? "-inf" : "inf", out);
  return 0;
}

}  // namespace

std::size_t write_fixed(double value, int decimals, char* out) {
  if (const std::size_t n = write_non_finite(value, out)) return n;
  if (decimals < 0) decimals = 0;
  if (decimals > 9) decimals = 9;
  char* end = out + kMaxNumberChars;
  const auto format =
      std::fabs(value) < kFixedLimit ? std::chars_format::fixed : std::chars_format::scientific;
  return std::size_t(console::write_double(out, end, value, format, decimals).ptr - out);
}

std::size_t write_shortest(float value, char* out) {
  if (const std::size_t n = write_non_finite(double(value), out)) return n;
  return std::size_t(console::write_float_shortest(out, out + kMaxNumberChars, value).ptr - out);
}

}  // namespace tbcalc::table
