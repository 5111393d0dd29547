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

#include "fast_exp.hpp"

namespace tbcalc::detail {

// exp(x) to within 2^-49 relative for |x| <= 700 (fast_exp); beyond, where
// the result is 0, inf or near them, the library's, as NaN.
inline double portable_exp(double x) { return std::fabs(x) <= 700.0 ? fast_exp(x) : std::exp(x); }

// log(x) to within about 2^-52 relative for finite x > 0; the library's for
// 0, negative, infinite and NaN arguments, whose results are exact. x =
// m 2^e with m in [sqrt(1/2), sqrt(2)) (frexp is exact), then
// log m = 2 atanh(s), s = (m - 1) / (m + 1), |s| < 0.172, by its series to
// s^23 (truncation below 2^-58).
inline double portable_log(double x) {
  if (!(x > 0.0 && x <= 1.7976931348623157e308)) return std::log(x);
  int e = 0;
  double m = std::frexp(x, &e);  // m in [0.5, 1)
  if (m < 0.70710678118654752) {
    m *= 2.0;
    --e;
  }
  const double s = (m - 1.0) / (m + 1.0);
  const double z = s * s;
  double series = 2.0 / 23.0;
  for (int k = 21; k >= 3; k -= 2) series = 2.0 / double(k) + z * series;
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
