// Decimal text of numbers: the C library stand-ins against the C++ library's
// own charconv (libstdc++ here), on edge cases and on random and adversarial
// inputs by the million: the same end, error, value and text.
#include "decimal_text.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <random>
#include <string>

namespace tbcalc::console {
namespace {

#ifdef __cpp_lib_to_chars
using std::chars_format;
constexpr double kUntouched = 7;  // what a reader finds in the value
constexpr double kNan = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr auto fixed = chars_format::fixed, scientific = chars_format::scientific;
std::uint64_t bits(double v) { return std::bit_cast<std::uint64_t>(v); }

bool reads_alike(const std::string& s) {
  double ours = kUntouched, theirs = kUntouched;
  const auto a = detail::from_chars(s.data(), s.data() + s.size(), ours);
  const auto b = std::from_chars(s.data(), s.data() + s.size(), theirs);
  return a.ptr == b.ptr && a.ec == b.ec && bits(ours) == bits(theirs);
}

// The same text; and ours, in room one char short, value_too_large.
bool writes_alike(auto... value_and_format) {
  char a[1500], b[1500];
  const auto x = detail::to_chars(a, a + sizeof a, value_and_format...);
  const auto y = std::to_chars(b, b + sizeof b, value_and_format...);
  const auto z = detail::to_chars(a, x.ptr - 1, value_and_format...);
  return x.ec == std::errc() && y.ec == x.ec &&
         std::string_view(a, x.ptr) == std::string_view(b, y.ptr) && z.ptr == x.ptr - 1 &&
         z.ec == std::errc::value_too_large;
}

TEST(DecimalText, ReadsEdgeCasesAsFromChars) {
  // Subnormal; just above and below half the least double; just below and
  // above half-way past the largest; zero with a huge exponent.
  const char* const numbers[] = {
      "1e-310", "2.4703282292062328e-324", "2.4703282292062327e-324",  "-1e-400",
      "1e400",  "1.7976931348623158e308",  "1.797693134862315808e308", "0e999999999999"};
  // Exponents and points without digits, signs, blanks, hex, the words.
  const char* const syntax[] = {"-0",       "00012", "1e",      "1e+",       "1e+-5", "1E+2x",
                                ".5",       "5.",    "5.e3",    "1..2",      "0x1p3", "",
                                ".",        "-",     "-.",      "+1",        " 1",    "e5",
                                "--1",      "in",    "+inf",    "nan(",      "nan()", "NaN(ab_1)",
                                "nan(a-b)", "-nan",  "infinit", "-INFINITYx"};
  for (const std::string s : numbers) EXPECT_TRUE(reads_alike(s)) << s;
  for (const std::string s : syntax) EXPECT_TRUE(reads_alike(s)) << s;
  // Long mantissas, and a 64 KiB field whose exponent outweighs its zeros.
  const std::string zeros(65300, '0');
  for (const std::string& s : {"0." + zeros.substr(0, 400) + "1e401",
                               std::string(500, '9') + "e-500", "0." + zeros + "1e65536000000"}) {
    EXPECT_TRUE(reads_alike(s)) << s.substr(0, 40);
  }
}

TEST(DecimalText, ReadsRandomTextAsFromChars) {
  std::mt19937_64 rng(1);
  const auto below = [&](std::size_t n) { return std::size_t(rng() % n); };
  const auto digits = [&](std::size_t count) {
    std::string s;
    const bool sparse = below(2) == 0;  // zeros three times in four
    while (s.size() < count) s += sparse && below(4) ? '0' : char('0' + below(10));
    return s;
  };
  const std::size_t lengths[] = {0, 1, 2, 3, 5, 12, 17, 19, 20, 21, 25, 40, 330, 800, 1000};
  const auto some_digits = [&] { return digits(lengths[below(std::size(lengths))]); };
  const std::string letters = "0123456789.eE+-nNaAiIfFtTyY()_x ";
  for (int i = 0; i < 400000; ++i) {
    std::string s;
    if (i % 4 == 0) {  // letters the syntax uses
      for (std::size_t n = below(10); n > 0; --n) s += letters[below(letters.size())];
    } else {  // [-]digits[.digits][e[signs]digits][letter]
      s = std::string(below(2), '-') + some_digits();
      if (below(2)) s += '.' + some_digits();
      if (below(3))
        s += "eE"[below(2)] + std::string(below(3), "+-"[below(2)]) +
             digits(below(2) ? below(4) : below(25));
      if (below(4) == 0) s += letters[below(letters.size())];
    }
    ASSERT_TRUE(reads_alike(s)) << s;
  }
}

TEST(DecimalText, ReadsHalfwayDecimalsAsFromChars) {
  if (std::numeric_limits<long double>::digits < 64) GTEST_SKIP() << "midpoints need 64 bits";
  std::mt19937_64 rng(2);
  for (int i = 0; i < 20000; ++i) {
    // Exactly halfway between two doubles (zero and the least, the largest
    // and 2^1024 among them), then a little above and below.
    const double d = i < 2 ? DBL_MAX * i : std::bit_cast<double>(rng() >> (i % 3 == 0 ? 12 : 1));
    if (!std::isfinite(d)) continue;
    const long double next = d == DBL_MAX ? std::ldexp(1.0L, 1024) : std::nextafter(d, kInf);
    char text[1000];
    std::snprintf(text, sizeof text, "%.850Le", (d + next) / 2);
    std::string mantissa = text, exponent = mantissa.substr(mantissa.find('e'));
    mantissa.erase(mantissa.find_last_not_of("0e", mantissa.find('e')) + 1);  // exact without zeros
    std::string under = mantissa;
    --under.back();
    for (const std::string& s : {mantissa, mantissa + "0000000000001", under + "999999"}) {
      ASSERT_TRUE(reads_alike(s + exponent)) << s + exponent;
    }
  }
}

TEST(DecimalText, WritesEdgeCasesAsToChars) {
  // Whole numbers in exact digits (1234567823360), 2^87 whose nearest 8 digits
  // read as the float below, the least and largest, ties, the words.
  const float floats[] = {1.2345678e12f, 1e23f,       1e4f,         1e5f,        1e-3f,
                          1e-4f,         0.3f,        -0.0f,        0x1p87f,     FLT_TRUE_MIN,
                          FLT_MAX,       float(kNan), float(-kNan), float(-kInf)};
  for (const float v : floats) EXPECT_TRUE(writes_alike(v)) << v;
  // Ties to even, negative zero, a negative precision, past 512 chars.
  const double doubles[] = {0.5,   2.5,          0.125,   -0.001, -0.0, 1e22,
                            1e300, DBL_TRUE_MIN, DBL_MAX, -kNan,  kInf};
  for (const double v : doubles) {
    for (const int p : {-1, 0, 2, 3, 17, 1100}) {
      EXPECT_TRUE(writes_alike(v, fixed, p) && writes_alike(v, scientific, p)) << v << ' ' << p;
    }
  }
}

TEST(DecimalText, WritesRandomDoublesAsToChars) {
  std::mt19937_64 rng(3);
  for (int i = 0; i < 200000; ++i) {
    // Every bit pattern, and short binary fractions, whose decimals tie.
    const double v =
        i % 2 ? std::bit_cast<double>(rng())
              : double(std::int64_t(rng() % 2000001) - 1000000) / double(1 << (rng() % 12));
    for (int p = -1; p <= 9; ++p) {
      ASSERT_TRUE(writes_alike(v, fixed, p) && writes_alike(v, scientific, p)) << v << ' ' << p;
    }
  }
}

TEST(DecimalText, WritesFloatsAsToChars) {
  std::mt19937 rng(4);
  for (std::uint32_t i = 0; i < 3000000; ++i) {
    // Every float of 8 significant bits or fewer, then any bit pattern.
    const float v = std::bit_cast<float>(i < (1u << 17) ? i << 15 : std::uint32_t(rng()));
    ASSERT_TRUE(writes_alike(v)) << v;
  }
}
#endif  // a C++ library without them has nothing to compare with: no tests

}  // namespace
}  // namespace tbcalc::console
