// Fast exponentials: a double exp to 2^-49, and exp and pow rounded to float
// bit for bit as float(std::exp(x)) and float(std::pow(x, y)) give them, at a
// fraction of the cost. The fast double approximation (error below 2^-44 for
// a pow) is rounded to float only when it lies far from every float rounding
// boundary: then the library's own result, within any error up to 2^14 units
// in the last place, rounds to the same float. In the rare other cases (about
// one in 4,000 calls), and for any argument whose result is not a normal
// float, the library function itself is called.
#pragma once

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "bits.hpp"

namespace tbcalc::detail {

// 2^(j/64), j = 0..63, each the double nearest to it.
extern const double kExp2Table[64];

float exp_to_float_by_library(double x);
float pow_to_float_by_library(double x, double y);

// exp(x) for |x| <= 700 (normal double results), relative error below
// 2^-49: x = k ln2/64 + r with |r| <= ln2/128, exp(r) by its Taylor
// polynomial of degree 5 (truncation below 2^-54).
inline double fast_exp(double x) {
  constexpr double kShift = 0x1.8p52;  // rounds x * 64/ln2 to an integer in the low bits
  constexpr double kSixtyFourOverLn2 = 0x1.71547652b82fep+6;
  constexpr double kLn2Over64High = 0x1.62e42fee00000p-7;  // 32 bits: k * it is exact
  constexpr double kLn2Over64Low = 0x1.a39ef35793c76p-39;
  const double shifted = x * kSixtyFourOverLn2 + kShift;
  // The low 32 bits of the shifted value hold k in two's complement.
  const std::int64_t k = std::int32_t(std::uint32_t(bit_cast<std::uint64_t>(shifted)));
  const double kd = shifted - kShift;
  const double r = (x - kd * kLn2Over64High) - kd * kLn2Over64Low;
  const double poly =
      1.0 + r * (1.0 + r * (0.5 + r * (1.0 / 6.0 + r * (1.0 / 24.0 + r * (1.0 / 120.0)))));
  const double scaled = kExp2Table[k & 63] * poly;
  // Multiply by 2^(k / 64) through the exponent field: exact for normal results.
  const std::uint64_t bits = bit_cast<std::uint64_t>(scaled) + (std::uint64_t(k >> 6) << 52);
  return bit_cast<double>(bits);
}

// True when a double lies far enough from the midpoint between two floats for
// an error of kMargin units of its last place not to change its float: the
// 29 bits that float drops are then not near half of their range.
inline bool rounds_safely_to_float(double v) {
  constexpr std::uint64_t kDropped = (std::uint64_t(1) << 29) - 1;
  constexpr std::uint64_t kMidpoint = std::uint64_t(1) << 28;
  constexpr std::uint64_t kMargin = std::uint64_t(1) << 16;
  const std::uint64_t low = bit_cast<std::uint64_t>(v) & kDropped;
  return low - (kMidpoint - kMargin) > 2 * kMargin;  // unsigned: outside the band
}

// float(std::pow(x, y)) for x > 0, given log_x = std::log(x): exp(y log x),
// whose error grows with |y log x| and stays below 2^-44 while it is at most 87.
inline float pow_to_float(double x, double y, double log_x) {
  const double exponent = y * log_x;
  if (!(x > 0.0 && std::fabs(exponent) <= 87.0)) return pow_to_float_by_library(x, y);
  const double v = fast_exp(exponent);
  return rounds_safely_to_float(v) ? float(v) : pow_to_float_by_library(x, y);
}

// exp(x[i]) rounded to float for N arguments at once, written without
// branches in the common path so that the compiler can take several lanes per
// instruction. Where the fast form cannot decide, out[i] = exact(i): the
// library's float of the quantity x[i] stands for (its exp, or the pow that
// x[i] is the exponent of).
template <std::size_t N, class Exact>
void exps_to_float(const std::array<double, N>& x, std::array<float, N>& out, Exact exact) {
  // One simple loop per step: each vectorises on its own.
  std::array<double, N> in_range;
  for (std::size_t i = 0; i < N; ++i) in_range[i] = std::fabs(x[i]) <= 87.0 ? x[i] : 0.0;
  std::array<double, N> v;
  for (std::size_t i = 0; i < N; ++i) v[i] = fast_exp(in_range[i]);
  std::uint64_t unsafe = 0;
  for (std::size_t i = 0; i < N; ++i) {
    unsafe |= std::uint64_t(!(in_range[i] == x[i])) | std::uint64_t(!rounds_safely_to_float(v[i]));
  }
  for (std::size_t i = 0; i < N; ++i) out[i] = float(v[i]);
  if (unsafe == 0) return;
  for (std::size_t i = 0; i < N; ++i) {
    if (!(in_range[i] == x[i] && rounds_safely_to_float(v[i]))) out[i] = exact(i);
  }
}

// std::exp(x[i]) to within 2^-49 relative for N arguments at once, for the
// all-double evaluation; arguments beyond |x| <= 700 (and NaN) go to std::exp.
template <std::size_t N>
void fast_exps(const std::array<double, N>& x, std::array<double, N>& out) {
  std::array<double, N> in_range;
  for (std::size_t i = 0; i < N; ++i) in_range[i] = std::fabs(x[i]) <= 700.0 ? x[i] : 0.0;
  for (std::size_t i = 0; i < N; ++i) out[i] = fast_exp(in_range[i]);
  for (std::size_t i = 0; i < N; ++i) {
    if (!(in_range[i] == x[i])) out[i] = std::exp(x[i]);
  }
}

}  // namespace tbcalc::detail
