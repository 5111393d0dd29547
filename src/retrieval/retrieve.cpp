// Wind speed and rain rate from six brightness temperatures: the misfit
// profiled over the rain rate on each piece of the wind increment, a grid
// that brackets each profile's minima, a zero of the slope for the lowest,
// and the linearised covariance at the solution.
#include <algorithm>
#include <cmath>
#include <limits>

#include "brent.hpp"
#include "double_model.hpp"
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
// brackets by the sign of their slopes.
Solution global_minimum(const MisfitModel& model, const std::array<Misfit, kGridPoints>& grid) {
  std::array<Candidate, 3 * (kGridPoints + 1)> candidates;
  int count = 0;
  for (const WindPiece& piece : wind_pieces()) {
    std::array<PieceFit, kGridPoints> fits;
    for (std::size_t j = 0; j < fits.size(); ++j) fits[j] = fit_on_piece(grid[j], piece);
    if (fits.front().slope >= 0.0) candidates[std::size_t(count++)] = {&piece, -1, 0, fits[0].chi2};
    if (fits.back().slope <= 0.0) {
      candidates[std::size_t(count++)] = {&piece, -1, kGridPoints - 1, fits.back().chi2};
    }
    for (int j = 0; j + 1 < kGridPoints; ++j) {
      const PieceFit& left = fits[std::size_t(j)];
      const PieceFit& right = fits[std::size_t(j + 1)];
      if (!(left.slope < 0.0 && right.slope >= 0.0)) continue;
      const double width = grid[std::size_t(j + 1)].rain - grid[std::size_t(j)].rain;
      const double estimate = cubic_minimum(left.chi2, right.chi2, left.slope, right.slope, width);
      const double rise = std::fmax(left.chi2, right.chi2) - estimate;
      candidates[std::size_t(count++)] = {&piece, j, 0, estimate - kEstimateMargin * rise};
    }
  }
  std::stable_sort(candidates.begin(), candidates.begin() + count,
                   [](const Candidate& a, const Candidate& b) { return a.lower < b.lower; });

  const auto at_grid = [&](int j, const WindPiece& piece) {
    const Misfit& m = grid[std::size_t(j)];
    return Solution{m, &piece, fit_on_piece(m, piece), 0};
  };
  Solution best = at_grid(0, wind_pieces()[0]);
  bool found = false;
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
    }
    if (!found || here.fit.chi2 < best.fit.chi2) best = here;
    found = true;
  }
  if (!found) {
    // No slope had a sign (NaN throughout): the lowest grid point, if any.
    for (const Misfit& m : grid) {
      const ProfileFit f = fit_on_pieces(m);
      if (f.fit.chi2 < best.fit.chi2) best = {m, f.piece, f.fit, 0};
    }
  }
  // Where the pieces at 7 m/s overlap both reach the same increment: the
  // calmer speed is the answer.
  const WindPiece& calm = wind_pieces()[0];
  if (best.piece->index == 1 && best.fit.x <= calm.increment_high) best.piece = &calm;
  return best;
}

bool valid_input(float sst_c, float altitude_m, float air_c, const std::array<double, 6>& tb,
                 double noise_k) {
  if (!sst_range_c.contains(sst_c) || !altitude_range_m.contains(altitude_m) ||
      !air_range_c.contains(air_c)) {
    return false;  // NaN included
  }
  if (!(noise_k > 0.0 && noise_k < kInf)) return false;
  return std::all_of(tb.begin(), tb.end(), [](double t) { return t > 0.0 && t < kInf; });
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
  if (!valid_input(sst_c, altitude_m, air_c, tb, noise_k)) {
    return {kNan, kNan, kNan, kNan, kNan, 0, RetrievalStatus::invalid_input};
  }
  const DoubleModel model(environment_from_replies(sst_c, altitude_m, air_c));
  std::array<double, 6> weight;
  weight.fill(1.0);
  const MisfitModel misfit(model, tb, weight);
  std::array<Misfit, kGridPoints> grid;
  for (int j = 0; j < kGridPoints; ++j) grid[std::size_t(j)] = misfit.at(grid_rain(j));
  const Solution best = global_minimum(misfit, grid);
  const double wind = best.piece->wind_at(best.fit.x);
  const double rain = best.misfit.rain;

  // The residuals and the Jacobian columns for wind and rain at the solution.
  RainState s;
  misfit.at(rain, s);
  const double increment = wind_increment(wind);
  const WindRainDerivatives columns = wind_rain_derivatives(s, wind);
  double ww = 0.0, wr = 0.0, rr = 0.0, gw = 0.0, gr = 0.0, chi2 = 0.0;
  for (std::size_t i = 0; i < 6; ++i) {
    const double jw = columns.wind[i];
    const double jr = columns.rain[i];
    const double residual = s.c[i] + s.d[i] * increment - tb[i];
    ww += jw * jw;
    wr += jw * jr;
    rr += jr * jr;
    gw += jw * residual;
    gr += jr * residual;
    chi2 += residual * residual;
  }
  // Covariance noise^2 (J^T J)^-1, and the Gauss-Newton step -(J^T J)^-1 J^T r.
  // Where a column vanishes (zero rain: no rain sensitivity at all) that
  // variable is unconstrained and the other is taken alone.
  const double scale = noise_k;
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

  Retrieval result{wind,
                   rain,
                   wind_sd,
                   rain_sd,
                   std::sqrt(chi2 / 6.0),
                   best.iterations,
                   RetrievalStatus::converged};
  if (!(result.rms <= poor_fit_factor * noise_k)) {
    result.status = RetrievalStatus::poor_fit;
  } else if (on_bound_and_held(wind, wind_step, wind_sd, wind_range_ms) ||
             on_bound_and_held(rain, rain_step, rain_sd, rain_range_mmh)) {
    result.status = RetrievalStatus::at_bound;
  } else if (!(wind_sd <= weak_wind_sd && rain_sd <= weak_rain_sd)) {
    result.status = RetrievalStatus::weakly_constrained;
  }
  return result;
}

}  // namespace tbcalc
