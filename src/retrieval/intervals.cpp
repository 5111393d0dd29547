// Confidence intervals from the misfit. For the rain rate, the set where the
// profile (the misfit minimised over the wind) stays within the threshold:
// its ends are zeros of the profile minus the threshold. For the wind, the
// set of increments x for which some rain rate keeps the misfit within it:
// at each rain rate the quadratic allows x* +- h with h = sqrt((threshold -
// chi2_min) / a), so the ends of the set are the extremes over the rain rate
// of x* - h and x* + h, which are smooth there; the increments then map to
// speeds on the pieces of the wind increment.
#include "intervals.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "brent.hpp"

namespace tbcalc::detail {

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr int kMaxIterations = 100;
constexpr double kRainTolerance = 1e-6;  // mm/h, of a rain bound: far below the printed 0.001
// mm/h, of the rain rate where an increment bound is reached: an error there
// moves the bound by its square only.
constexpr double kReachTolerance = 1e-4;

// The outer end of the rain interval on one side (direction -1: below the
// solution, +1: above): the zero of profile - threshold between the outermost
// node within the threshold and its outer neighbour. Only points found within
// the threshold are returned, so the interval never claims too much.
double rain_bound(const MisfitModel& model, std::span<const Node> nodes, double threshold,
                  int direction) {
  const int n = int(nodes.size());
  int inner = direction < 0 ? 0 : n - 1;
  while (inner >= 0 && inner < n && !(nodes[std::size_t(inner)].chi2 <= threshold)) {
    inner -= direction;
  }
  if (inner < 0 || inner >= n) return std::numeric_limits<double>::quiet_NaN();  // NaN throughout
  const int outer = inner + direction;
  double bound = nodes[std::size_t(inner)].misfit.rain;
  if (outer < 0 || outer >= n) return bound;  // the end of the rain range
  brent_root(
      [&](double rain) {
        const double excess = fit_on_pieces(model.at(rain)).fit.chi2 - threshold;
        if (excess <= 0.0 && (rain - bound) * direction > 0.0) bound = rain;
        return excess;
      },
      bound, nodes[std::size_t(outer)].misfit.rain, nodes[std::size_t(inner)].chi2 - threshold,
      nodes[std::size_t(outer)].chi2 - threshold, kRainTolerance, kMaxIterations);
  return bound;
}

// At one rain rate, the increments the quadratic allows within the
// threshold: x* +- h, with x* its minimiser, and the slopes in rain of the
// two ends, each times 2 a h: sign * spread + turn for the end on the side of
// `sign`. Those stay finite where h reaches 0 at the edges of the set and,
// taking h = 0 beyond them, keep pointing back into it.
struct Reach {
  bool within;    // the quadratic's minimum is within the threshold
  double x, h;    // x* and h; h = inf where no channel feels the wind
  double spread;  // 2 a h dx*/dR
  double turn;    // 2 a h dh/dR
  double end(double sign) const { return sign * x + h; }
  double slope(double sign) const { return sign * spread + turn; }
};
Reach reach_at(const Misfit& m, double threshold) {
  const double x = m.free_x();
  const double room = threshold - m.free_chi2();
  const bool within = room >= 0.0;
  if (!(m.a > 0.0)) return {within, x, std::numeric_limits<double>::infinity(), 0.0, 0.0};
  const double h2 = within ? room / m.a : 0.0;
  const double h = std::sqrt(h2);
  const double dx = (m.db - x * m.da) / m.a;
  const double d_room = -m.slope(x);  // envelope theorem: d chi2_min / dR
  return {within, x, h, 2.0 * m.a * h * dx, d_room - h2 * m.da};
}

// The extreme increment on one side (sign -1: the lowest, as -x; +1: the
// highest): the node whose allowed increments reach furthest, then the zero
// of the reach's slope between it and the first node beyond it, in the
// direction the slope points, whose slope points back.
double increment_bound(const MisfitModel& model, std::span<const Node> nodes,
                       std::span<const Reach> reaches, double threshold, double sign) {
  const int n = int(nodes.size());
  int best = -1;
  double reach = -kInf;
  for (int k = 0; k < n; ++k) {
    const Reach& r = reaches[std::size_t(k)];
    if (r.within && (best < 0 || r.end(sign) > reach)) {
      best = k;
      reach = r.end(sign);
    }
  }
  if (best < 0) return -kInf;  // nothing within (NaN): the caller holds the solution
  if (reach == kInf) return kInf;
  const double inner_slope = reaches[std::size_t(best)].slope(sign);
  if (inner_slope == 0.0) return reach;
  const int step = inner_slope > 0.0 ? 1 : -1;
  int k = best;
  while (k + step >= 0 && k + step < n &&
         (reaches[std::size_t(k + step)].slope(sign) > 0.0) == (inner_slope > 0.0)) {
    k += step;
  }
  if (k + step < 0 || k + step >= n) return reach;  // still rising at the end of the rain range
  brent_root(
      [&](double rain) {
        const Reach r = reach_at(model.at(rain), threshold);
        if (r.within && r.end(sign) > reach) reach = r.end(sign);
        return r.slope(sign);
      },
      nodes[std::size_t(k)].misfit.rain, nodes[std::size_t(k + step)].misfit.rain,
      reaches[std::size_t(k)].slope(sign), reaches[std::size_t(k + step)].slope(sign),
      kReachTolerance, kMaxIterations);
  return reach;
}

}  // namespace

Intervals confidence_intervals(const MisfitModel& model, std::span<const Node> nodes,
                               double threshold, double wind, double rain) {
  Intervals out{wind, wind, rain, rain};
  out.rain_lo = std::fmin(rain_bound(model, nodes, threshold, -1), rain);
  out.rain_hi = std::fmax(rain_bound(model, nodes, threshold, +1), rain);

  std::array<Reach, kMaxNodes> reaches;
  const std::size_t n = std::min(nodes.size(), reaches.size());
  for (std::size_t k = 0; k < n; ++k) reaches[k] = reach_at(nodes[k].misfit, threshold);
  const std::span<const Node> used = nodes.first(n);
  const std::span<const Reach> reach(reaches.data(), n);
  const double x_lo = -increment_bound(model, used, reach, threshold, -1.0);
  const double x_hi = increment_bound(model, used, reach, threshold, +1.0);
  // The speeds whose increments lie within [x_lo, x_hi]: on each piece that
  // reaches into it, from the lowest such increment to the highest.
  for (const WindPiece& piece : wind_pieces()) {
    if (!(x_lo <= piece.increment_high && x_hi >= piece.increment_low)) continue;
    out.wind_lo = std::fmin(out.wind_lo, piece.wind_at(std::fmax(x_lo, piece.increment_low)));
    out.wind_hi = std::fmax(out.wind_hi, piece.wind_at(std::fmin(x_hi, piece.increment_high)));
  }
  return out;
}

}  // namespace tbcalc::detail
