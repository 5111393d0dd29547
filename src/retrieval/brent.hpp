// Brent's minimisation of a function of one variable on a bracket: golden
// sections, accelerated by parabolic steps where the function allows. Needs
// no derivative and tolerates kinks; every run ends within max_iterations.
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

}  // namespace tbcalc::detail
