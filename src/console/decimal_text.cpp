#include "decimal_text.hpp"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string_view>
#include <vector>

namespace tbcalc::console::detail {
namespace {

// Significant digits kept of a longer decimal, the rest standing as one
// nonzero digit if any is: more than the 767 that can ever decide which way a
// decimal rounds to a double, so strtod rounds the kept text as the whole.
constexpr std::size_t kKeptDigits = 800;
// A written exponent stops growing once it reaches this, as libstdc++'s
// reader does: only a mantissa of millions of digits could tell.
constexpr long long kExponentCap = 0x10000000;
// Beyond this power of ten any kept decimal is zero or infinite already.
constexpr long long kScaleLimit = 99999;
constexpr float kInfinity = std::numeric_limits<float>::infinity();

bool is_digit(char c) { return c >= '0' && c <= '9'; }

char lower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

bool starts_with_word(const char* p, const char* last, std::string_view word) {
  if (last - p < std::ptrdiff_t(word.size())) return false;
  for (const char w : word) {
    if (lower(*p++) != w) return false;
  }
  return true;
}

// "inf", "infinity", "nan" and "nan(...)" after an optional '-'.
std::from_chars_result read_special(const char* first, const char* last, double& value) {
  const char* p = first;
  const bool negative = *p == '-';
  p += negative;
  if (starts_with_word(p, last, "nan")) {
    p += 3;
    if (p != last && *p == '(') {
      const char* q = p + 1;
      while (q != last && (is_digit(*q) || (lower(*q) >= 'a' && lower(*q) <= 'z') || *q == '_')) {
        ++q;
      }
      if (q != last && *q == ')') p = q + 1;
    }
    value = std::copysign(std::numeric_limits<double>::quiet_NaN(), negative ? -1.0 : 1.0);
    return {p, std::errc()};
  }
  if (starts_with_word(p, last, "inf")) {
    p += 3;
    if (starts_with_word(p, last, "inity")) p += 5;
    value = negative ? -std::numeric_limits<double>::infinity()
                     : std::numeric_limits<double>::infinity();
    return {p, std::errc()};
  }
  return {first, std::errc::invalid_argument};
}

std::to_chars_result copy_out(std::string_view text, char* first, char* last) {
  if (std::size_t(last - first) < text.size()) return {last, std::errc::value_too_large};
  std::memcpy(first, text.data(), text.size());
  return {first + text.size(), std::errc()};
}

std::to_chars_result write_special(double value, char* first, char* last) {
  const std::string_view word = std::isnan(value) ? "-nan" : "-inf";
  return copy_out(std::signbit(value) ? word : word.substr(1), first, last);
}

// A decimal of at most 9 significant digits: d.ddd times 10^exponent.
struct ShortDecimal {
  std::array<char, 9> digits;
  int count = 0;
  int exponent = 0;
};

// The `count`-digit decimal nearest `magnitude` (ties to even): printf's %.*e.
ShortDecimal nearest_decimal(float magnitude, int count) {
  std::array<char, 32> text;
  std::snprintf(text.data(), text.size(), "%.*e", count - 1, double(magnitude));
  ShortDecimal d;
  const char* p = text.data();
  for (; *p != 'e'; ++p) {
    if (is_digit(*p)) d.digits[std::size_t(d.count++)] = *p;
  }
  d.exponent = int(std::strtol(p + 1, nullptr, 10));
  return d;
}

// The next decimal up with as many digits.
ShortDecimal next_up(ShortDecimal d) {
  int i = d.count - 1;
  for (; i >= 0 && d.digits[std::size_t(i)] == '9'; --i) d.digits[std::size_t(i)] = '0';
  if (i >= 0) {
    ++d.digits[std::size_t(i)];
  } else {
    d.digits[0] = '1';  // 9.99 to 10.0: one digit moves into the exponent
    ++d.exponent;
  }
  return d;
}

// Whether `d` reads back as `magnitude`. Nine digits times an exact power of
// ten round once to a double, and that double rounds to the right float unless
// it lies exactly halfway between two floats (halfway points are doubles, so
// any other double rounding error would need one nearer than the nearest
// double). That case, and other powers, strtof decides.
bool reads_back(const ShortDecimal& d, float magnitude) {
  static constexpr std::array<double, 23> kPowers = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                     1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                                     1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  const int power = d.exponent - (d.count - 1);
  if (power > -23 && power < 23) {
    double digits = 0;
    for (int i = 0; i < d.count; ++i) digits = digits * 10 + (d.digits[std::size_t(i)] - '0');
    const double scaled =
        power < 0 ? digits / kPowers[std::size_t(-power)] : digits * kPowers[std::size_t(power)];
    const float rounded = float(scaled);
    const float other = std::nextafter(rounded, scaled < double(rounded) ? 0.0f : kInfinity);
    if (2 * scaled != double(rounded) + double(other)) return rounded == magnitude;
  }
  std::array<char, 24> text;
  std::memcpy(text.data(), d.digits.data(), std::size_t(d.count));
  text[std::size_t(d.count)] = 'e';
  *std::to_chars(text.data() + d.count + 1, text.data() + text.size() - 1, power).ptr = '\0';
  const int kept_errno = errno;  // the C++ functions leave errno alone
  const bool same = std::strtof(text.data(), nullptr) == magnitude;
  errno = kept_errno;
  return same;
}

// Whether a `count`-digit decimal reads back as `magnitude`; if so, `d` is
// the nearest such. The nearest of all may fall just outside below a power of
// two, where the floats are twice as close as above; the next one up is then
// the only one of that length that can read back.
bool reads_back(float magnitude, int count, ShortDecimal& d) {
  d = nearest_decimal(magnitude, count);
  if (reads_back(d, magnitude)) return true;
  d = next_up(d);
  return reads_back(d, magnitude);
}

// The shortest decimal that reads back as `magnitude`, the nearest of that
// length. A decimal that reads back is one of every longer length too, so the
// length is searched by halves; nine digits always read back.
ShortDecimal shortest_decimal(float magnitude) {
  ShortDecimal best, candidate;
  int low = 1, high = 9;  // the shortest length lies in [low, high]
  while (low < high) {
    const int middle = (low + high) / 2;
    if (reads_back(magnitude, middle, candidate)) {
      best = candidate;
      high = middle;
    } else {
      low = middle + 1;
    }
  }
  if (best.count != high) best = nearest_decimal(magnitude, high);
  return best;
}

}  // namespace

std::from_chars_result from_chars(const char* first, const char* last, double& value) {
  // The decimal as strtod should see it: sign, significant digits, exponent;
  // no point, so no locale can read it otherwise.
  if (first == last) return {first, std::errc::invalid_argument};
  std::array<char, 1 + kKeptDigits + 1 + 2 + 20 + 1> text;
  char* out = text.data();
  const char* p = first;
  const bool negative = *p == '-';
  if (negative) *out++ = '-';
  p += negative;
  char* const digits = out;
  long long scale = 0;  // the decimal is the kept digits times 10^scale
  bool dropped_nonzero = false;
  const auto take = [&](char c, bool fraction) {
    if (out == digits && c == '0') {
      scale -= fraction;
    } else if (std::size_t(out - digits) < kKeptDigits) {
      *out++ = c;
      scale -= fraction;
    } else {
      dropped_nonzero = dropped_nonzero || c != '0';
      scale += !fraction;
    }
  };
  const char* const start = p;
  for (; p != last && is_digit(*p); ++p) take(*p, false);
  bool some_digit = p != start;
  if (p != last && *p == '.') {
    const char* const fraction = ++p;
    for (; p != last && is_digit(*p); ++p) take(*p, true);
    some_digit = some_digit || p != fraction;
  }
  if (!some_digit) return read_special(first, last, value);
  if (p != last && (*p == 'e' || *p == 'E')) {
    const char* q = p + 1;
    const bool exponent_negative = q != last && *q == '-';
    if (q != last && (*q == '-' || *q == '+')) ++q;
    if (q != last && is_digit(*q)) {
      long long written = 0;
      for (; q != last && is_digit(*q); ++q) {
        if (written < kExponentCap) written = written * 10 + (*q - '0');
      }
      scale += exponent_negative ? -written : written;
      p = q;
    }
  }
  if (out == digits) {  // zero, whatever the exponent
    value = negative ? -0.0 : 0.0;
    return {p, std::errc()};
  }
  if (dropped_nonzero) {
    *out++ = '1';
    --scale;
  }
  scale = scale < -kScaleLimit ? -kScaleLimit : scale > kScaleLimit ? kScaleLimit : scale;
  *out++ = 'e';
  *std::to_chars(out, text.data() + text.size() - 1, scale).ptr = '\0';
  // Not errno: C libraries differ on when a tiny result is a range error.
  const int kept_errno = errno;
  const double read = std::strtod(text.data(), nullptr);
  errno = kept_errno;
  if (read == 0 || std::isinf(read)) return {p, std::errc::result_out_of_range};
  value = read;
  return {p, std::errc()};
}

std::to_chars_result to_chars(char* first, char* last, double value, std::chars_format format,
                              int precision) {
  if (!std::isfinite(value)) return write_special(value, first, last);
  const char* const pattern = format == std::chars_format::fixed ? "%.*f" : "%.*e";
  // Room for any double to 190 decimals; past that (never the tables' case)
  // the heap.
  std::array<char, 512> room;
  const int length = std::snprintf(room.data(), room.size(), pattern, precision, value);
  if (length < 0) return {last, std::errc::value_too_large};
  if (std::size_t(length) < room.size()) {
    return copy_out(std::string_view(room.data(), std::size_t(length)), first, last);
  }
  std::vector<char> large(std::size_t(length) + 1);
  std::snprintf(large.data(), large.size(), pattern, precision, value);
  return copy_out(std::string_view(large.data(), std::size_t(length)), first, last);
}

std::to_chars_result to_chars(char* first, char* last, float value) {
  if (!std::isfinite(value)) return write_special(double(value), first, last);
  const ShortDecimal d = shortest_decimal(std::fabs(value));
  const int n = d.count;
  const int x = d.exponent;
  const int last_place = x - n + 1;               // the power of ten of the last digit
  const int scientific_length = n + (n > 1) + 4;  // a float's exponent has two digits
  const int fixed_length = last_place >= 0 ? n + last_place : x >= 0 ? n + 1 : n + 1 - x;
  std::array<char, 64> text;
  char* out = text.data();
  if (std::signbit(value)) *out++ = '-';
  if (fixed_length > scientific_length) {
    *out++ = d.digits[0];
    if (n > 1) *out++ = '.';
    out = std::copy(d.digits.begin() + 1, d.digits.begin() + n, out);
    out += std::snprintf(out, 8, "e%c%02d", x < 0 ? '-' : '+', x < 0 ? -x : x);
  } else if (last_place >= 0) {
    // A whole number: its exact digits, which may differ from the shortest
    // decimal's trailing zeros (printf's %.0f).
    out += std::snprintf(out, 48, "%.0f", std::fabs(double(value)));
  } else if (x >= 0) {
    out = std::copy(d.digits.begin(), d.digits.begin() + x + 1, out);
    *out++ = '.';
    out = std::copy(d.digits.begin() + x + 1, d.digits.begin() + n, out);
  } else {
    *out++ = '0';
    *out++ = '.';
    out = std::fill_n(out, -x - 1, '0');
    out = std::copy(d.digits.begin(), d.digits.begin() + n, out);
  }
  return copy_out(std::string_view(text.data(), std::size_t(out - text.data())), first, last);
}

}  // namespace tbcalc::console::detail
