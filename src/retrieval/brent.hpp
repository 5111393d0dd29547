// Brent's method for a zero of a function of one variable on a bracket:
// bisection accelerated by secant and inverse quadratic steps. It needs no
// derivative, tolerates kinks, and every run ends within max_iterations.
#pragma once

#include <cmath>

namespace tbcalc::detail {

// How the search ended. Where it ended is for f to note: each caller keeps,
// of the points f is evaluated at, the one it is after.
struct Root {
  int iterations;
};

// Searches a zero of f between a and b, where f(a) = fa and f(b) = fb differ
// in sign (or one is 0), to within 4 eps |x| + absolute_tolerance. The
// bracket is kept throughout, so every point tried lies between a and b even
// where f has several zeros or is not continuous.
template <class Function>
Root brent_root(Function f, double a, double b, double fa, double fb, double absolute_tolerance,
                int max_iterations) {
  constexpr double kEpsilon = 0x1p-52;
  double c = a, fc = fa;
  double step = b - a, previous_step = step;
  int iteration = 0;
  for (;; ++iteration) {
    // b is the best estimate, c the other end of the bracket, a the previous b.
    if ((fb > 0.0 && fc > 0.0) || (fb < 0.0 && fc < 0.0)) {
      c = a;
      fc = fa;
      step = previous_step = b - a;
    }
    if (std::fabs(fc) < std::fabs(fb)) {
      a = b;
      b = c;
      c = a;
      fa = fb;
      fb = fc;
      fc = fa;
    }
    const double tol = 2.0 * kEpsilon * std::fabs(b) + 0.5 * absolute_tolerance;
    const double half = 0.5 * (c - b);
    if (std::fabs(half) <= tol || fb == 0.0 || iteration >= max_iterations) break;
    if (std::fabs(previous_step) >= tol && std::fabs(fa) > std::fabs(fb)) {
      // Secant through a and b, or inverse quadratic through a, b and c.
      const double s = fb / fa;
      double p, q;
      if (a == c) {
        p = 2.0 * half * s;
        q = 1.0 - s;
      } else {
        const double qa = fa / fc, r = fb / fc;
        p = s * (2.0 * half * qa * (qa - r) - (b - a) * (r - 1.0));
        q = (qa - 1.0) * (r - 1.0) * (s - 1.0);
      }
      if (p > 0.0) {
        q = -q;
      } else {
        p = -p;
      }
      if (2.0 * p < std::fmin(3.0 * half * q - std::fabs(tol * q), std::fabs(previous_step * q))) {
        previous_step = step;
        step = p / q;
      } else {
        step = previous_step = half;
      }
    } else {
      step = previous_step = half;
    }
    a = b;
    fa = fb;
    b += std::fabs(step) > tol ? step : (half > 0.0 ? tol : -tol);
    fb = f(b);
  }
  return {iteration};
}

}  // namespace tbcalc::detail
