// The chi-square quantile with one degree of freedom, through the inverse
// error function: q = 2 erfinv(level)^2.
#include <cmath>
#include <limits>

#include "portable_math.hpp"
#include "tbcalc/retrieval.hpp"

namespace tbcalc {

namespace {

// A first guess at erfinv(y), 0 <= y < 1, good to about 1e-7 relative: two
// polynomial fits in w = -log(1 - y^2) (Giles 2010, single precision).
double erfinv_guess(double y, double one_minus_y) {
  double w = -detail::portable_log(one_minus_y * (1.0 + y));
  double p;
  if (w < 5.0) {
    w -= 2.5;
    p = 2.81022636e-08;
    p = 3.43273939e-07 + p * w;
    p = -3.5233877e-06 + p * w;
    p = -4.39150654e-06 + p * w;
    p = 0.00021858087 + p * w;
    p = -0.00125372503 + p * w;
    p = -0.00417768164 + p * w;
    p = 0.246640727 + p * w;
    p = 1.50140941 + p * w;
  } else {
    w = std::sqrt(w) - 3.0;
    p = -0.000200214257;
    p = 0.000100950558 + p * w;
    p = 0.00134934322 + p * w;
    p = -0.00367342844 + p * w;
    p = 0.00573950773 + p * w;
    p = -0.0076224613 + p * w;
    p = 0.00943887047 + p * w;
    p = 1.00167406 + p * w;
    p = 2.83297682 + p * w;
  }
  return p * y;
}

}  // namespace

double chi_square_quantile(double level) {
  if (!(level > 0.0 && level < 1.0)) return std::numeric_limits<double>::quiet_NaN();
  // Halley's steps on erf(t) = level, cubically convergent from the guess.
  // Above one half the equation is taken as erfc(t) = 1 - level, which is
  // exact there and keeps its digits as the level nears 1.
  const double one_minus = 1.0 - level;
  const bool upper = level > 0.5;
  double t = erfinv_guess(level, one_minus);
  const double two_over_sqrt_pi = 1.1283791670955126;
  for (int k = 0; k < 3; ++k) {
    const double excess = upper ? one_minus - std::erfc(t) : std::erf(t) - level;
    const double slope = two_over_sqrt_pi * detail::portable_exp(-t * t);
    if (excess == 0.0 || slope == 0.0) break;
    const double newton = excess / slope;
    t -= newton / (1.0 + t * newton);  // Halley: erf'' = -2 t erf'
  }
  return 2.0 * t * t;
}

}  // namespace tbcalc
