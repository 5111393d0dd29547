#include "fortran_fields.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace tbcalc::dialogue {
namespace {

constexpr int kFieldEnd = '\n';       // the end of the 10 columns acts as a line end
constexpr long kImpliedDecimals = 5;  // the .5 of F10.5

bool is_digit(int c) { return c >= '0' && c <= '9'; }

// The field's characters with blanks skipped, then kFieldEnd for ever.
class FieldCursor {
 public:
  explicit FieldCursor(std::span<const char, 10> field) : field_(field) {}
  int next() {
    while (pos_ < field_.size() && field_[pos_] == ' ') ++pos_;
    if (pos_ == field_.size()) return kFieldEnd;
    return static_cast<unsigned char>(field_[pos_++]);
  }

 private:
  std::span<const char, 10> field_;
  std::size_t pos_ = 0;
};

// The digits read so far: their integer value, and the text for the rare
// conversion that needs the C library.
struct Mantissa {
  std::uint64_t value = 0;  // at most 10 digits: exact in a double
  std::array<char, 10> digits;
  std::size_t count = 0;
  void push(int c) {
    value = value * 10 + std::uint64_t(c - '0');
    digits[count++] = char(c);
  }
};

// mantissa * 10^exponent, correctly rounded to double. Powers of ten up to
// 10^22 are exact doubles, so one IEEE multiply or divide of two exact
// values rounds correctly; other exponents go through strtod.
double decimal_to_double(const Mantissa& m, long exponent) {
  static constexpr std::array<double, 23> kPowersOfTen = {
      1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
      1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  const double v = double(m.value);
  if (exponent >= -22 && exponent <= 0) return v / kPowersOfTen[std::size_t(-exponent)];
  if (exponent > 0 && exponent <= 22) return v * kPowersOfTen[std::size_t(exponent)];
  char text[32];
  std::snprintf(text, sizeof text, "%.*se%ld", int(m.count), m.digits.data(), exponent);
  return std::strtod(text, nullptr);
}

void right_align(std::string_view text, std::span<char> out) {
  const std::size_t pad = out.size() - text.size();
  std::fill_n(out.begin(), pad, ' ');
  std::copy(text.begin(), text.end(), out.begin() + std::ptrdiff_t(pad));
}

void fill_stars(std::span<char> out) { std::fill(out.begin(), out.end(), '*'); }

// Writes the two decimal digits of 0 <= n < 100 at out[0] and out[1].
void put_digit_pair(std::uint32_t n, char* out) {
  static constexpr char kPairs[] =
      "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
      "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
      "8081828384858687888990919293949596979899";
  std::memcpy(out, kPairs + 2 * n, 2);
}

}  // namespace

int read_f10_5(std::span<const char, 10> field, float& value) {
  FieldCursor cursor(field);
  Mantissa mantissa;
  long exponent = -kImpliedDecimals;

  int c = cursor.next();
  const bool negative = c == '-';
  if (c == '-' || c == '+') c = cursor.next();
  while (c == '0') c = cursor.next();  // leading zeros carry no value
  for (; is_digit(c); c = cursor.next()) mantissa.push(c);
  if (c == '.') {
    exponent = 0;  // an explicit point overrides the implied decimals
    c = cursor.next();
    if (mantissa.count == 0) {
      for (; c == '0'; c = cursor.next()) --exponent;
    }
    for (; is_digit(c); c = cursor.next()) {
      mantissa.push(c);
      --exponent;
    }
  }

  bool has_exponent = true;
  bool negative_exponent = false;
  if (c == 'E' || c == 'e' || c == 'D' || c == 'd') {
    c = cursor.next();
    if (c == '-' || c == '+') {
      negative_exponent = c == '-';
      c = cursor.next();
    }
  } else if (c == '-' || c == '+') {  // 1-2 means 1e-2
    negative_exponent = c == '-';
    c = cursor.next();
  } else {
    has_exponent = false;
  }
  if (has_exponent) {
    if (!is_digit(c)) return kBadFieldCharacter;
    long power = 0;
    for (; is_digit(c); c = cursor.next()) power = power * 10 + (c - '0');
    exponent += negative_exponent ? -power : power;
  }
  if (c != kFieldEnd && c != ',') return kBadFieldCharacter;

  if (mantissa.count == 0) {
    value = 0.0f;
    return 0;
  }
  const double magnitude = decimal_to_double(mantissa, exponent);
  value = float(negative ? -magnitude : magnitude);
  return 0;
}

void write_f7_2(float value, std::span<char, 7> out) {
  // A float has 24 significant bits and 100 needs 5, so the product is exact
  // and the one rounding is to the nearest hundredth, ties to even: adding
  // and taking away 2^52 rounds a smaller double to an integer in the
  // default rounding mode.
  const double exact = std::fabs(double(value)) * 100.0;
  if (!(exact < 1e7)) {  // too wide, inf or nan
    if (std::isnan(value)) return right_align(std::signbit(value) ? "-nan" : "nan", out);
    if (std::isinf(value)) return right_align(value < 0.0f ? "-inf" : "inf", out);
    return fill_stars(out);
  }
  constexpr double kIntegerRounder = 4503599627370496.0;  // 2^52
  const double hundredths = (exact + kIntegerRounder) - kIntegerRounder;
  const auto scaled = std::uint32_t(hundredths);
  const std::uint32_t whole = scaled / 100;
  const std::uint32_t fraction = scaled % 100;
  // A negative value that rounds to zero is printed without its sign.
  const bool minus = value < 0.0f && scaled != 0;

  // Four columns are left before the point, for the sign and the digits.
  if (whole >= 10000 || (minus && whole >= 1000)) return fill_stars(out);
  std::memset(out.data(), ' ', 4);
  out[4] = '.';
  put_digit_pair(fraction, &out[5]);
  // Up to four digits before the point, two at a time, no leading zeros.
  std::size_t at = 4;
  std::uint32_t rest = whole;
  if (rest >= 100) {
    put_digit_pair(rest % 100, &out[2]);
    rest /= 100;
    at = 2;
  }
  if (rest >= 10) {
    at -= 2;
    put_digit_pair(rest, &out[at]);
  } else if (rest != 0) {
    out[--at] = char('0' + rest);
  }
  if (minus) out[--at] = '-';
}

void write_i5(int value, std::span<char, 5> out) {
  std::array<char, 12> text;
  std::size_t end = text.size();
  const bool minus = value < 0;
  auto rest = minus ? std::uint32_t(0) - std::uint32_t(value) : std::uint32_t(value);
  do {
    text[--end] = char('0' + rest % 10);
    rest /= 10;
  } while (rest != 0);
  if (minus) text[--end] = '-';
  const std::size_t width = text.size() - end;
  if (width > out.size()) return fill_stars(out);
  right_align(std::string_view(text.data() + end, width), out);
}

}  // namespace tbcalc::dialogue
