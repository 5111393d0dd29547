// Wind speed and rain rate from six brightness temperatures: the misfit
// profiled over the rain rate on each piece of the wind increment, a grid
// that brackets each profile's minima, a zero of the slope for the lowest,
// the linearised covariance at the solution and, on request, the intervals.
#include <algorithm>
#include <cmath>
#include <limits>

#include "brent.hpp"
#include "double_model.hpp"
#include "intervals.hpp"
#include "misfit.hpp"

namespace tbcalc {

using namespace detail;

namespace {

constexpr double kNan = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// Grid over the rain range, even in sign(R) sqrt(|R|): finer near zero rain,
// where the rain's effect grows from nothing, coarser where it saturates.
constexpr int kGridPoints = 64;
// Basins refined at most; the grid's estimates of the others rule them out.
constexpr int kMaxRefinements = 8;
constexpr int kMaxIterations = 100;
constexpr double kRainTolerance = 1e-9;  // mm/h, absolute term of the zero's tolerance
// A basin is refined unless the cubic through its cell's ends, lowered by
// this share of the cell's rise, stays above the best minimum found: the
// cubic's error within a cell is a small share of that rise.
constexpr double kEstimateMargin = 0.25;
// At a bound, the unconstrained step must leave the domain by this share of
// the variable's uncertainty before the bound counts as holding the solution.
constexpr double kBoundShare = 0.01;

double grid_rain(int j) {
  const double low = -std::sqrt(-double(rain_range_mmh.low));
  const double high = std::sqrt(double(rain_range_mmh.high));
  if (j == 0) return double(rain_range_mmh.low);
  if (j == kGridPoints - 1) return double(rain_range_mmh.high);
  const double v = low + (high - low) * double(j) / double(kGridPoints - 1);
  return std::copysign(v * v, v);
}

// The lowest value of the cubic with values p0, p1 and slopes s0 < 0 <= s1
// at the ends of a cell `width` wide.
double cubic_minimum(double p0, double p1, double s0, double s1, double width) {
  const double m0 = s0 * width, m1 = s1 * width, rise = p0 - p1;
  // Its slope in t = 0..1 is a t^2 + b t + m0, negative at 0, not at 1.
  const double a = 6.0 * rise + 3.0 * (m0 + m1);
  const double b = -6.0 * rise - 4.0 * m0 - 2.0 * m1;
  double t = 1.0;
  const double discriminant = b * b - 4.0 * a * m0;
  if (a == 0.0) {
    if (b != 0.0) t = -m0 / b;
  } else if (discriminant >= 0.0) {
    const double q = -0.5 * (b + std::copysign(std::sqrt(discriminant), b));
    const double t1 = q / a, t2 = q != 0.0 ? m0 / q : 2.0;
    t = t1 >= 0.0 && t1 <= 1.0 ? t1 : t2;
  }
  t = std::fmin(std::fmax(t, 0.0), 1.0);
  const double t2 = t * t, t3 = t2 * t;
  return (2 * t3 - 3 * t2 + 1) * p0 + (t3 - 2 * t2 + t) * m0 + (-2 * t3 + 3 * t2) * p1 +
         (t3 - t2) * m1;
}

// A minimum of one piece's profile: in a cell of the grid (to be refined),
// or at a grid point at an end of the rain range (exact already).
struct Candidate {
  const WindPiece* piece;
  int cell;      // between grid points cell and cell + 1; -1: at grid point `end`
  int end;       // the grid point, for an end of the rain range
  double lower;  // the cell's minimum is not expected below this
};

struct Solution {
  Misfit misfit;  // at the solution's rain rate
  const WindPiece* piece;
  PieceFit fit;
  int iterations;
};

// The global minimum of the misfit over the domain: the lowest of the three
// pieces' profiles, each smooth in the rain rate, whose minima the grid
// brackets by the sign of their slopes. On the way, each grid node's chi2
// becomes the lowest of the pieces' fits there, and the refined minima are
// appended to `minima`.
Solution global_minimum(const MisfitModel& model, std::array<Node, kGridPoints>& grid,
                        std::array<Node, kMaxRefinements + 1>& minima, int& minima_count) {
  std::array<Candidate, kWindIncrementPieces.size() * (kGridPoints + 1)> candidates;
  int count = 0;
  for (Node& node : grid) node.chi2 = kInf;
  for (const WindPiece& piece : wind_pieces()) {
    std::array<PieceFit, kGridPoints> fits;
    for (std::size_t j = 0; j < fits.size(); ++j) {
      fits[j] = fit_on_piece(grid[j].misfit, piece);
      grid[j].chi2 = std::fmin(grid[j].chi2, fits[j].chi2);
    }
    if (fits.front().slope >= 0.0) candidates[std::size_t(count++)] = {&piece, -1, 0, fits[0].chi2};
    if (fits.back().slope <= 0.0) {
      candidates[std::size_t(count++)] = {&piece, -1, kGridPoints - 1, fits.back().chi2};
    }
    for (int j = 0; j + 1 < kGridPoints; ++j) {
      const PieceFit& left = fits[std::size_t(j)];
      const PieceFit& right = fits[std::size_t(j + 1)];
      if (!(left.slope < 0.0 && right.slope >= 0.0)) continue;
      const double width = grid[std::size_t(j + 1)].misfit.rain - grid[std::size_t(j)].misfit.rain;
      const double estimate = cubic_minimum(left.chi2, right.chi2, left.slope, right.slope, width);
      const double rise = std::fmax(left.chi2, right.chi2) - estimate;
      candidates[std::size_t(count++)] = {&piece, j, 0, estimate - kEstimateMargin * rise};
    }
  }
  std::stable_sort(candidates.begin(), candidates.begin() + count,
                   [](const Candidate& a, const Candidate& b) { return a.lower < b.lower; });

  const auto at_grid = [&](int j, const WindPiece& piece) {
    const Misfit& m = grid[std::size_t(j)].misfit;
    return Solution{m, &piece, fit_on_piece(m, piece), 0};
  };
  Solution best = at_grid(0, wind_pieces()[0]);
  bool found = false;
  minima_count = 0;
  int refinements = 0;
  for (int k = 0; k < count && refinements < kMaxRefinements; ++k) {
    const Candidate& c = candidates[std::size_t(k)];
    if (found && !(c.lower < best.fit.chi2)) break;
    Solution here = at_grid(c.end, *c.piece);
    if (c.cell >= 0) {
      // The zero of the profile's slope in the cell; the lowest point met
      // on the way is the minimum (at the zero, within the tolerance).
      const Solution left = at_grid(c.cell, *c.piece), right = at_grid(c.cell + 1, *c.piece);
      here = left.fit.chi2 <= right.fit.chi2 ? left : right;
      const Root root = brent_root(
          [&](double rain) {
            const Misfit m = model.at(rain);
            const PieceFit f = fit_on_piece(m, *c.piece);
            if (f.chi2 < here.fit.chi2) {
              here.misfit = m;
              here.fit = f;
            }
            return f.slope;
          },
          left.misfit.rain, right.misfit.rain, left.fit.slope, right.fit.slope, kRainTolerance,
          kMaxIterations);
      here.iterations = root.iterations;
      ++refinements;
      minima[std::size_t(minima_count++)] = {here.misfit, fit_on_pieces(here.misfit).fit.chi2};
    }
    if (!found || here.fit.chi2 < best.fit.chi2) best = here;
    found = true;
  }
  if (!found) {
    // No slope had a sign (NaN throughout): the lowest grid point, if any.
    for (const Node& node : grid) {
      const ProfileFit f = fit_on_pieces(node.misfit);
      if (f.fit.chi2 < best.fit.chi2) best = {node.misfit, f.piece, f.fit, 0};
    }
  }
  // Where the pieces at 7 m/s overlap both reach the same increment: the
  // calmer speed is the answer.
  const WindPiece& calm = wind_pieces()[0];
  if (best.piece->index == 1 && best.fit.x <= calm.increment_high) best.piece = &calm;
  return best;
}

struct Validated {
  bool ok;
  std::array<double, 6> weight;  // (smallest noise / noise)^2
  double noise_min;              // K
};

Validated validate(float sst_c, float altitude_m, float air_c, const std::array<double, 6>& tb,
                   const Noise& noise, const RetrievalOptions& options) {
  Validated v{false, {}, kInf};
  if (!sst_range_c.contains(sst_c) || !altitude_range_m.contains(altitude_m) ||
      !air_range_c.contains(air_c)) {
    return v;  // NaN included
  }
  if (!check_options(options).ok || !check_noise(noise.k).ok) return v;
  if (!std::all_of(tb.begin(), tb.end(), [](double t) { return t > 0.0 && t < kInf; })) return v;
  for (double n : noise.k) v.noise_min = std::fmin(v.noise_min, n);
  // Relative weights keep the misfit's size independent of the noise's, so
  // that neither tiny nor huge noises overflow it.
  for (std::size_t i = 0; i < 6; ++i) {
    const double ratio = v.noise_min / noise.k[i];
    v.weight[i] = ratio * ratio;
  }
  v.ok = true;
  return v;
}

bool on_bound_and_held(double value, double step, double sd, const AcceptedRange& range) {
  const double margin = kBoundShare * sd;
  return (value <= double(range.low) && value + step < double(range.low) - margin) ||
         (value >= double(range.high) && value + step > double(range.high) + margin);
}

}  // namespace

std::string_view status_name(RetrievalStatus status) {
  switch (status) {
    case RetrievalStatus::converged:
      return "converged";
    case RetrievalStatus::at_bound:
      return "at-bound";
    case RetrievalStatus::poor_fit:
      return "poor-fit";
    case RetrievalStatus::weakly_constrained:
      return "weakly-constrained";
    case RetrievalStatus::invalid_input:
      return "invalid-input";
  }
  return "invalid-input";
}

Retrieval retrieve(float sst_c, float altitude_m, float air_c, const std::array<double, 6>& tb,
                   double noise_k) {
  return retrieve(sst_c, altitude_m, air_c, tb, Noise(noise_k), RetrievalOptions{});
}

Retrieval retrieve(float sst_c, float altitude_m, float air_c, const std::array<double, 6>& tb,
                   const Noise& noise, const RetrievalOptions& options) {
  const Validated v = validate(sst_c, altitude_m, air_c, tb, noise, options);
  if (!v.ok) {
    return {
        kNan, kNan, kNan, kNan, kNan, kNan, kNan, kNan, kNan, 0, RetrievalStatus::invalid_input};
  }
  const DoubleModel model(environment_from_replies(sst_c, altitude_m, air_c));
  const MisfitModel misfit(model, tb, v.weight);
  std::array<Node, kGridPoints> grid;
  for (int j = 0; j < kGridPoints; ++j) grid[std::size_t(j)].misfit = misfit.at(grid_rain(j));
  std::array<Node, kMaxRefinements + 1> minima;
  int minima_count = 0;
  const Solution best = global_minimum(misfit, grid, minima, minima_count);
  const double wind = best.piece->wind_at(best.fit.x);
  const double rain = best.misfit.rain;

  // The residuals and the Jacobian columns for wind and rain at the solution.
  RainState s;
  const Misfit at_solution = misfit.at(rain, s);
  const double increment = wind_increment(wind);
  const WindRainDerivatives columns = wind_rain_derivatives(s, wind);
  double ww = 0.0, wr = 0.0, rr = 0.0, gw = 0.0, gr = 0.0, chi2 = 0.0, sum2 = 0.0;
  for (std::size_t i = 0; i < 6; ++i) {
    const double w = v.weight[i];
    const double jw = columns.wind[i];
    const double jr = columns.rain[i];
    const double residual = s.c[i] + s.d[i] * increment - tb[i];
    ww += w * jw * jw;
    wr += w * jw * jr;
    rr += w * jr * jr;
    gw += w * jw * residual;
    gr += w * jr * residual;
    chi2 += w * residual * residual;
    sum2 += residual * residual;
  }
  // Covariance noise_min^2 (J^T W J)^-1, and the Gauss-Newton step
  // -(J^T W J)^-1 J^T W r. Where a column vanishes (zero rain: no rain
  // sensitivity at all) that variable is unconstrained and the other is
  // taken alone.
  const double scale = v.noise_min;
  double wind_sd = kInf, rain_sd = kInf, wind_step = 0.0, rain_step = 0.0;
  const double det = ww * rr - wr * wr;
  if (ww > 0.0 && rr > 0.0 && det > 1e-12 * ww * rr) {
    wind_sd = scale * std::sqrt(rr / det);
    rain_sd = scale * std::sqrt(ww / det);
    wind_step = -(rr * gw - wr * gr) / det;
    rain_step = -(ww * gr - wr * gw) / det;
  } else if (ww > 0.0 && rr == 0.0) {
    wind_sd = scale / std::sqrt(ww);
    wind_step = -gw / ww;
  } else if (rr > 0.0 && ww == 0.0) {
    rain_sd = scale / std::sqrt(rr);
    rain_step = -gr / rr;
  }

  Retrieval result{wind, rain, wind_sd, rain_sd,         std::sqrt(sum2 / 6.0),     kNan,
                   kNan, kNan, kNan,    best.iterations, RetrievalStatus::converged};
  bool weak = !(wind_sd <= weak_wind_sd && rain_sd <= weak_rain_sd);
  if (options.intervals) {
    // The nodes the bounds are searched between: the grid, the refined
    // minima and the solution, in order of rain rate.
    const double solution_chi2 = fit_on_pieces(at_solution).fit.chi2;
    minima[std::size_t(minima_count++)] = {at_solution, solution_chi2};
    const auto by_rain = [](const Node& a, const Node& b) { return a.misfit.rain < b.misfit.rain; };
    std::sort(minima.begin(), minima.begin() + minima_count, by_rain);
    std::array<Node, kGridPoints + kMaxRefinements + 1> nodes;
    static_assert(nodes.size() <= kMaxNodes);
    std::merge(grid.begin(), grid.end(), minima.begin(), minima.begin() + minima_count,
               nodes.begin(), by_rain);
    const double q = chi_square_quantile(options.level);
    const double threshold = solution_chi2 + q * scale * scale;
    const Intervals bounds = confidence_intervals(
        misfit, std::span<const Node>(nodes.data(), std::size_t(kGridPoints + minima_count)),
        threshold, wind, rain);
    result.wind_lo = bounds.wind_lo;
    result.wind_hi = bounds.wind_hi;
    result.rain_lo = bounds.rain_lo;
    result.rain_hi = bounds.rain_hi;
    // Half-widths as one-sigma equivalents, so the rule holds at any level.
    const double z = std::sqrt(q);
    weak = !(bounds.wind_hi - bounds.wind_lo <= 2.0 * z * weak_wind_sd &&
             bounds.rain_hi - bounds.rain_lo <= 2.0 * z * weak_rain_sd);
  }

  // A misfit beyond the range of double compares as inf <= inf with a noise
  // as large: not finite, the fit is unknown and never converged.
  const double misfit_per_channel = std::sqrt(chi2 / 6.0);
  if (!(std::isfinite(misfit_per_channel) && misfit_per_channel <= poor_fit_factor * scale)) {
    result.status = RetrievalStatus::poor_fit;
  } else if (on_bound_and_held(wind, wind_step, wind_sd, wind_range_ms) ||
             on_bound_and_held(rain, rain_step, rain_sd, rain_range_mmh)) {
    result.status = RetrievalStatus::at_bound;
  } else if (weak) {
    result.status = RetrievalStatus::weakly_constrained;
  }
  return result;
}

}  // namespace tbcalc
