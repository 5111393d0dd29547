#include "number_format.hpp"

#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

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

// The shortest decimal of a float from 1 to 10^4 in magnitude, where the
// fixed form is never longer than the exponent form: for k = 0, 1, ... the
// nearest number of k decimals is tested against the float's rounding
// interval, half an ulp either side. Every product and difference below is
// exact in double: the float's 24 significant bits times 5^k (k <= 11) fit in
// 53. Compared with std::to_chars on every float of the range, it agrees on
// all; no decimal of the fewest digits falls on an interval's edge there, so
// the edges need no rule of their own.
std::size_t write_shortest_fixed(float value, char* out) {
  static constexpr std::array<double, 12> kPowers = {1e0, 1e1, 1e2, 1e3, 1e4,  1e5,
                                                     1e6, 1e7, 1e8, 1e9, 1e10, 1e11};
  const double x = std::fabs(double(value));
  int exponent = 0;
  std::frexp(x, &exponent);  // x = m 2^exponent, 0.5 <= m < 1
  const double half_ulp = std::ldexp(1.0, exponent - 25);
  for (std::size_t k = 0; k < kPowers.size(); ++k) {
    const double scaled = x * kPowers[k];
    const double nearest = std::nearbyint(scaled);
    if (std::fabs(nearest - scaled) < half_ulp * kPowers[k]) {
      auto digits = std::uint64_t(nearest);
      char buffer[24];
      std::size_t n = 0;
      for (std::size_t d = 0; d < k || digits > 0; ++d) {
        if (d == k && k > 0) buffer[n++] = '.';
        buffer[n++] = char('0' + digits % 10);
        digits /= 10;
      }
      if (value < 0) buffer[n++] = '-';
      for (std::size_t i = 0; i < n; ++i) out[i] = buffer[n - 1 - i];
      return n;
    }
  }
  return std::size_t(std::to_chars(out, out + kMaxNumberChars, value).ptr - out);
}

}  // namespace

std::size_t write_fixed(double value, int decimals, char* out) {
  if (const std::size_t n = write_non_finite(value, out)) return n;
  if (decimals < 0) decimals = 0;
  if (decimals > 9) decimals = 9;
  char* end = out + kMaxNumberChars;
  const auto format =
      std::fabs(value) < kFixedLimit ? std::chars_format::fixed : std::chars_format::scientific;
  return std::size_t(std::to_chars(out, end, value, format, decimals).ptr - out);
}

std::size_t write_shortest(float value, char* out) {
  if (const std::size_t n = write_non_finite(double(value), out)) return n;
  const float magnitude = std::fabs(value);
  if (magnitude >= 1.0f && magnitude < 1e4f) return write_shortest_fixed(value, out);
  return std::size_t(std::to_chars(out, out + kMaxNumberChars, value).ptr - out);
}

}  // namespace tbcalc::table
