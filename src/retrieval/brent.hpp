// Brent's methods for a function of one variable on a bracket: a minimum by
// golden sections accelerated by parabolic steps, and a zero by bisection
// accelerated by secant and inverse quadratic steps. Neither needs a
// derivative, both tolerate kinks, and every run ends within max_iterations.
#pragma once

#include <cmath>

namespace tbcalc::detail {

struct Minimum {
  double x;
  double fx;
  int iterations;
};

// Minimises f on [a, b] starting from x (a <= x <= b, f(x) = fx), to within
// 1.5e-8 |x| + absolute_tolerance.
template <class Function>
Minimum brent_minimum(Function f, double a, double b, double x, double fx,
                      double absolute_tolerance, int max_iterations) {
  constexpr double kGolden = 0.3819660112501051;  // (3 - sqrt(5)) / 2
  constexpr double kRelative = 1.5e-8;            // about sqrt of the double epsilon
  double w = x, v = x, fw = fx, fv = fx;
  double step = 0.0, previous_step = 0.0;
  int iteration = 0;
  for (; iteration < max_iterations; ++iteration) {
    const double middle = 0.5 * (a + b);
    const double tol1 = kRelative * std::fabs(x) + absolute_tolerance;
    const double tol2 = 2.0 * tol1;
    if (std::fabs(x - middle) <= tol2 - 0.5 * (b - a)) break;
    bool golden = true;
    if (std::fabs(previous_step) > tol1) {
      // A parabola through x, w and v.
      const double r = (x - w) * (fx - fv);
      double q = (x - v) * (fx - fw);
      double p = (x - v) * q - (x - w) * r;
      q = 2.0 * (q - r);
      if (q > 0.0) p = -p;
      q = std::fabs(q);
      const double older_step = previous_step;
      previous_step = step;
      if (std::fabs(p) < std::fabs(0.5 * q * older_step) && p > q * (a - x) && p < q * (b - x)) {
        step = p / q;
        const double u = x + step;
        if (u - a < tol2 || b - u < tol2) step = x < middle ? tol1 : -tol1;
        golden = false;
      }
    }
    if (golden) {
      previous_step = (x >= middle ? a : b) - x;
      step = kGolden * previous_step;
    }
    const double u = std::fabs(step) >= tol1 ? x + step : x + (step > 0.0 ? tol1 : -tol1);
    const double fu = f(u);
    if (fu <= fx) {
      (u >= x ? a : b) = x;
      v = w;
      fv = fw;
      w = x;
      fw = fx;
      x = u;
      fx = fu;
    } else {
      (u < x ? a : b) = u;
      if (fu <= fw || w == x) {
        v = w;
        fv = fw;
        w = u;
        fw = fu;
      } else if (fu <= fv || v == x || v == w) {
        v = u;
        fv = fu;
      }
    }
  }
  return {x, fx, iteration};
}

struct Root {
  double x;
  double fx;
  int iterations;
};

// A zero of f between a and b, where f(a) = fa and f(b) = fb differ in sign
// (or one is 0), to within 4 eps |x| + absolute_tolerance. The bracket is
// kept throughout, so the answer lies between a and b even where f has
// several zeros or is not continuous.
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
  return {b, fb, iteration};
}

}  // namespace tbcalc::detail
