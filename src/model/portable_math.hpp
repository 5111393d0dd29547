// exp, log and pow in double that give the same bits wherever the code is
// built, made of +, -, *, / and exact scalings alone. C libraries round their
// exp, log and pow correctly nearly always, but not always alike: glibc takes
// variants with fused multiply-add on processors that have it, musl in
// WebAssembly has none, and now and then one differs in the last bit. The
// all-double model feeds a search that stops at a tolerance, which carries
// such a bit into its answer; with these every build answers alike.
#pragma once

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "fast_exp.hpp"

namespace tbcalc::detail {

// exp(x) to within 2^-49 relative for |x| <= 700 (fast_exp); beyond, where
// the result is 0, inf or near them, the library's, as NaN.
inline double portable_exp(double x) { return std::fabs(x) <= 700.0 ? fast_exp(x) : std::exp(x); }

// log(x) to within about 2^-52 relative for finite x > 0; the library's for
// 0, negative, infinite and NaN arguments, whose results are exact. x =
// m 2^e with m in [sqrt(1/2), sqrt(2)), read from the bits (subnormals
// scaled up first), then log m = 2 atanh(s), s = (m - 1) / (m + 1),
// |s| < 0.172, by its series to s^23 (truncation below 2^-58).
inline double portable_log(double x) {
  if (!(x > 0.0 && x <= 1.7976931348623157e308)) return std::log(x);
  int e = 0;
  if (x < 0x1p-1022) {
    x *= 0x1p54;  // exact
    e = -54;
  }
  const std::uint64_t bits = bit_cast<std::uint64_t>(x);
  e += int(bits >> 52) - 1023;
  constexpr std::uint64_t kFraction = (std::uint64_t(1) << 52) - 1;
  constexpr std::uint64_t kOne = std::uint64_t(1023) << 52;
  double m = bit_cast<double>((bits & kFraction) | kOne);  // [1, 2)
  if (m > 1.4142135623730951) {
    m *= 0.5;
    ++e;
  }
  const double s = (m - 1.0) / (m + 1.0);
  const double z = s * s;
  // 2/3 + 2/5 z + ... + 2/23 z^10 in Estrin's order: pairs, then by z^2,
  // z^4 and z^8, so that the steps need not wait for one another.
  const double z2 = z * z;
  const double z4 = z2 * z2;
  const double z8 = z4 * z4;
  const double low = ((2.0 / 3.0) + (2.0 / 5.0) * z) + z2 * ((2.0 / 7.0) + (2.0 / 9.0) * z);
  const double middle = ((2.0 / 11.0) + (2.0 / 13.0) * z) + z2 * ((2.0 / 15.0) + (2.0 / 17.0) * z);
  const double high = ((2.0 / 19.0) + (2.0 / 21.0) * z) + z2 * (2.0 / 23.0);
  const double series = (low + z4 * middle) + z8 * high;
  const double log_m = 2.0 * s + s * (z * series);
  // ln 2 in two parts, the first with its low 32 bits zero: e times it is exact.
  constexpr double kLn2High = 0x1.62e42fee00000p-1;
  constexpr double kLn2Low = 0x1.a39ef35793c76p-33;
  return double(e) * kLn2High + (double(e) * kLn2Low + log_m);
}

// x^y for x > 0, as exp(y log x): its error grows with |y log x|, below
// 2^-48 while that is at most 1. Others go to the library.
inline double portable_pow(double x, double y) {
  if (!(x > 0.0 && x <= 1.7976931348623157e308)) return std::pow(x, y);
  return portable_exp(y * portable_log(x));
}

// The C library's functions, for the float model: its results are rounded to
// float, where any such difference vanishes but by a chance of about 2^-29.
struct LibraryMath {
  static double exp(double x) { return std::exp(x); }
  static double pow(double x, double y) { return std::pow(x, y); }
};

// The portable ones, for the all-double model.
struct PortableMath {
  static double exp(double x) { return portable_exp(x); }
  static double pow(double x, double y) { return portable_pow(x, y); }
};

}  // namespace tbcalc::detail
