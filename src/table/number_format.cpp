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
// fixed form is never longer than the exponent form. The decimals of k
// places within half an ulp of the float, if any, include the nearest one to
// it, and with k places there are some whenever there are with fewer: so the
// fewest places are found by testing the nearest k-place decimal from the
// count that surely has one downward. Every product and difference is exact
// in double: 24 significant bits times 5^k (k <= 7) fit in 53. Compared with
// std::to_chars on every float of the range, it writes the same digits.
// `value` as exactly `width` decimal digits, zeros first, two at a time;
// returns the end.
char* write_digits(std::uint32_t value, int width, char* out) {
  static constexpr char kPairs[] =
      "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
      "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
      "8081828384858687888990919293949596979899";
  char* const end = out + width;
  char* p = end;
  for (; width >= 2; width -= 2) {
    p -= 2;
    std::memcpy(p, kPairs + 2 * (value % 100), 2);
    value /= 100;
  }
  if (width == 1) *--p = char('0' + value % 10);
  return end;
}

class ShortestFixed {
 public:
  explicit ShortestFixed(float value) : x_(std::fabs(double(value))) {
    const auto exponent = int((std::bit_cast<std::uint32_t>(value) >> 23) & 0xff) - 127;
    half_ulp_ = std::bit_cast<double>(std::uint64_t(1023 + exponent - 24) << 52);
    places_ = kSurePlaces[std::size_t(exponent)];
    while (places_ > 0 && nearest_within(places_ - 1)) --places_;
    nearest_within(places_);
  }

  std::size_t write(bool negative, char* out) const {
    char* p = out;
    if (negative) *p++ = '-';
    // Constant divisors, one per count of places: no division instruction.
    switch (places_) {
      case 0:
        return std::size_t(write_point<1>(0, p) - out);
      case 1:
        return std::size_t(write_point<10>(1, p) - out);
      case 2:
        return std::size_t(write_point<100>(2, p) - out);
      case 3:
        return std::size_t(write_point<1000>(3, p) - out);
      case 4:
        return std::size_t(write_point<10000>(4, p) - out);
      case 5:
        return std::size_t(write_point<100000>(5, p) - out);
      case 6:
        return std::size_t(write_point<1000000>(6, p) - out);
      default:
        return std::size_t(write_point<10000000>(7, p) - out);
    }
  }

 private:
  static constexpr std::array<double, 8> kPowers = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7};
  // For floats in [2^e, 2^(e+1)), e = 0 to 13: the places k whose spacing
  // 10^-k is below the ulp 2^(e-23), so that some k-place decimal is within
  // half an ulp: k = floor((23 - e) log10(2)) + 1.
  static constexpr std::array<int, 14> kSurePlaces = {7, 7, 7, 7, 6, 6, 6, 5, 5, 5, 4, 4, 4, 4};

  // Whether the nearest decimal of k places (ties to even, as std::to_chars
  // breaks them) lies within half an ulp; it is kept in digits_.
  bool nearest_within(int k) {
    const double scaled = x_ * kPowers[std::size_t(k)];
    auto digits = std::int64_t(scaled);
    const double fraction = scaled - double(digits);
    digits += fraction > 0.5 || (fraction == 0.5 && (digits & 1) != 0);
    digits_ = std::uint64_t(digits);
    return std::fabs(double(digits) - scaled) < half_ulp_ * kPowers[std::size_t(k)];
  }

  template <std::uint64_t kScale>
  char* write_point(int places, char* p) const {
    const auto whole = std::uint32_t(digits_ / kScale);
    p = write_digits(whole, whole < 10 ? 1 : whole < 100 ? 2 : whole < 1000 ? 3 : 4, p);
    if (places == 0) return p;
    *p++ = '.';
    return write_digits(std::uint32_t(digits_ % kScale), places, p);
  }

  double x_;
  double half_ulp_;
  int places_;
  std::uint64_t digits_ = 0;
};

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
  if (magnitude >= 1.0f && magnitude < 1e4f) return ShortestFixed(value).write(value < 0, out);
  return std::size_t(std::to_chars(out, out + kMaxNumberChars, value).ptr - out);
}

}  // namespace tbcalc::table
