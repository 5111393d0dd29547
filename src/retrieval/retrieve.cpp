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
#include "scene.hpp"

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

// Every piece's bracketed minima, in ascending order of how low each may go.
struct Candidates {
  std::array<Candidate, kWindIncrementPieces.size() * (kGridPoints + 1)> list;
  int count;
};

using Grid = std::array<Node, kGridPoints>;

struct Solution {
  Misfit misfit;  // at the solution's rain rate
  const WindPiece* piece;
  PieceFit fit;
  int iterations;
};

// What the search leaves: the solution, and the misfits it met on the way,
// from which the intervals start.
struct Search {
  Solution best;
  Grid grid;                                 // each with the lowest of the pieces' fits
  std::array<Node, kMaxRefinements> minima;  // the refined ones, in the order found
  int minima_count;
};

// The minima of each piece's profile that the grid brackets by the sign of
// its slope, with the cubic's estimate of how low each may go. On the way,
// each grid node's chi2 becomes the lowest of the pieces' fits there.
Candidates bracket_minima(Grid& grid) {
  Candidates candidates;
  int count = 0;
  for (Node& node : grid) node.chi2 = kInf;
  for (const WindPiece& piece : wind_pieces()) {
    std::array<PieceFit, kGridPoints> fits;
    for (std::size_t j = 0; j < fits.size(); ++j) {
      fits[j] = fit_on_piece(grid[j].misfit, piece);
      grid[j].chi2 = std::fmin(grid[j].chi2, fits[j].chi2);
    }
    if (fits.front().slope >= 0.0) {
      candidates.list[std::size_t(count++)] = {&piece, -1, 0, fits[0].chi2};
    }
    if (fits.back().slope <= 0.0) {
      candidates.list[std::size_t(count++)] = {&piece, -1, kGridPoints - 1, fits.back().chi2};
    }
    for (int j = 0; j + 1 < kGridPoints; ++j) {
      const PieceFit& left = fits[std::size_t(j)];
      const PieceFit& right = fits[std::size_t(j + 1)];
      if (!(left.slope < 0.0 && right.slope >= 0.0)) continue;
      const double width = grid[std::size_t(j + 1)].misfit.rain - grid[std::size_t(j)].misfit.rain;
      const double estimate = cubic_minimum(left.chi2, right.chi2, left.slope, right.slope, width);
      const double rise = std::fmax(left.chi2, right.chi2) - estimate;
      candidates.list[std::size_t(count++)] = {&piece, j, 0, estimate - kEstimateMargin * rise};
    }
  }
  std::stable_sort(candidates.list.begin(), candidates.list.begin() + count,
                   [](const Candidate& a, const Candidate& b) { return a.lower < b.lower; });
  candidates.count = count;
  return candidates;
}

Solution at_grid_point(const Node& node, const WindPiece& piece) {
  return Solution{node.misfit, &piece, fit_on_piece(node.misfit, piece), 0};
}

// The minimum of a piece's profile in a cell of the grid: the zero of its
// slope there, the lowest point met on the way (at the zero, within the
// tolerance).
Solution refine_in_cell(const MisfitModel& model, const Grid& grid, const Candidate& c) {
  const Solution left = at_grid_point(grid[std::size_t(c.cell)], *c.piece);
  const Solution right = at_grid_point(grid[std::size_t(c.cell + 1)], *c.piece);
  Solution here = left.fit.chi2 <= right.fit.chi2 ? left : right;
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
  return here;
}

// The global minimum of the misfit over the domain: the lowest of the
// pieces' profiles, each smooth in the rain rate. Basins are refined, the
// likeliest first, until the estimates of the rest lie above the best found.
Search search_domain(const MisfitModel& model) {
  Search search;
  for (int j = 0; j < kGridPoints; ++j) {
    search.grid[std::size_t(j)].misfit = model.at(grid_rain(j));
  }
  const Candidates candidates = bracket_minima(search.grid);
  Solution& best = search.best;
  best = at_grid_point(search.grid[0], wind_pieces()[0]);
  bool found = false;
  search.minima_count = 0;
  for (int k = 0; k < candidates.count && search.minima_count < kMaxRefinements; ++k) {
    const Candidate& c = candidates.list[std::size_t(k)];
    if (found && !(c.lower < best.fit.chi2)) break;
    const Solution here = c.cell < 0 ? at_grid_point(search.grid[std::size_t(c.end)], *c.piece)
                                     : refine_in_cell(model, search.grid, c);
    if (c.cell >= 0) {
      search.minima[std::size_t(search.minima_count++)] = {here.misfit,
                                                           fit_on_pieces(here.misfit).fit.chi2};
    }
    if (!found || here.fit.chi2 < best.fit.chi2) best = here;
    found = true;
  }
  if (!found) {
    // No slope had a sign (NaN throughout): the lowest grid point, if any.
    for (const Node& node : search.grid) {
      const ProfileFit f = fit_on_pieces(node.misfit);
      if (f.fit.chi2 < best.fit.chi2) best = {node.misfit, f.piece, f.fit, 0};
    }
  }
  // Where the pieces at 7 m/s overlap both reach the same increment: the
  // calmer speed is the answer.
  const WindPiece& calm = wind_pieces()[0];
  if (best.piece->index == 1 && best.fit.x <= calm.increment_high) best.piece = &calm;
  return search;
}

// The weighted least squares linearised at the solution: J^T W J and
// J^T W r for the Jacobian columns J of wind and rain and the residuals r.
struct NormalEquations {
  double ww, wr, rr;  // J^T W J
  double gw, gr;      // J^T W r
  double chi2;        // r^T W r, in units of the smallest noise squared
  double sum2;        // r^T r, K^2
};

NormalEquations normal_equations(const RainState& s, double wind, const Six& tb,
                                 const Six& weight) {
  const double increment = wind_increment(wind);
  const WindRainDerivatives columns = wind_rain_derivatives(s, wind);
  NormalEquations n{0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0};
  for (std::size_t i = 0; i < 6; ++i) {
    const double w = weight[i];
    const double jw = columns.wind[i];
    const double jr = columns.rain[i];
    const double residual = s.c[i] + s.d[i] * increment - tb[i];
    n.ww += w * jw * jw;
    n.wr += w * jw * jr;
    n.rr += w * jr * jr;
    n.gw += w * jw * residual;
    n.gr += w * jr * residual;
    n.chi2 += w * residual * residual;
    n.sum2 += residual * residual;
  }
  return n;
}

struct Linearised {
  double wind_sd, rain_sd;      // m/s, mm/h; inf where unconstrained
  double wind_step, rain_step;  // m/s, mm/h
};

// Covariance noise_min^2 (J^T W J)^-1, and the Gauss-Newton step
// -(J^T W J)^-1 J^T W r. Where a column vanishes (zero rain: no rain
// sensitivity at all) that variable is unconstrained and the other is taken
// alone.
Linearised covariance_and_step(const NormalEquations& n, double noise_min) {
  const double scale = noise_min;
  Linearised l{kInf, kInf, 0.0, 0.0};
  const double det = n.ww * n.rr - n.wr * n.wr;
  if (n.ww > 0.0 && n.rr > 0.0 && det > 1e-12 * n.ww * n.rr) {
    l.wind_sd = scale * std::sqrt(n.rr / det);
    l.rain_sd = scale * std::sqrt(n.ww / det);
    l.wind_step = -(n.rr * n.gw - n.wr * n.gr) / det;
    l.rain_step = -(n.ww * n.gr - n.wr * n.gw) / det;
  } else if (n.ww > 0.0 && n.rr == 0.0) {
    l.wind_sd = scale / std::sqrt(n.ww);
    l.wind_step = -n.gw / n.ww;
  } else if (n.rr > 0.0 && n.ww == 0.0) {
    l.rain_sd = scale / std::sqrt(n.rr);
    l.rain_step = -n.gr / n.rr;
  }
  return l;
}

// The confidence intervals where the misfit rises by `rise` above the
// solution's, searched next to the grid, the refined minima and the solution,
// in order of rain rate.
Intervals intervals_around(const MisfitModel& model, const Search& search,
                           const Misfit& at_solution, double rise, double wind, double rain) {
  std::array<Node, kMaxRefinements + 1> minima;
  std::copy(search.minima.begin(), search.minima.begin() + search.minima_count, minima.begin());
  int minima_count = search.minima_count;
  const double solution_chi2 = fit_on_pieces(at_solution).fit.chi2;
  minima[std::size_t(minima_count++)] = {at_solution, solution_chi2};
  const auto by_rain = [](const Node& a, const Node& b) { return a.misfit.rain < b.misfit.rain; };
  std::sort(minima.begin(), minima.begin() + minima_count, by_rain);
  std::array<Node, kGridPoints + kMaxRefinements + 1> nodes;
  static_assert(nodes.size() <= kMaxNodes);
  std::merge(search.grid.begin(), search.grid.end(), minima.begin(), minima.begin() + minima_count,
             nodes.begin(), by_rain);
  return confidence_intervals(
      model, std::span<const Node>(nodes.data(), std::size_t(kGridPoints + minima_count)),
      solution_chi2 + rise, wind, rain);
}

// Too uncertain to be useful. With intervals their half-widths count, as
// one-sigma equivalents (z sigma at the quantile z^2) so that the rule holds
// at any level; without, the linearised sigmas.
bool weakly_constrained(const Retrieval& r, bool intervals, double quantile) {
  if (!intervals) return !(r.wind_sd <= weak_wind_sd && r.rain_sd <= weak_rain_sd);
  const double z = std::sqrt(quantile);
  return !(r.wind_hi - r.wind_lo <= 2.0 * z * weak_wind_sd &&
           r.rain_hi - r.rain_lo <= 2.0 * z * weak_rain_sd);
}

bool on_bound_and_held(double value, double step, double sd, const AcceptedRange& range) {
  const double margin = kBoundShare * sd;
  return (value <= double(range.low) && value + step < double(range.low) - margin) ||
         (value >= double(range.high) && value + step > double(range.high) + margin);
}

// The status of a retrieval that was attempted, the first that applies.
RetrievalStatus classify(const Retrieval& r, double chi2, double noise_min, const Linearised& l,
                         bool weak) {
  // A misfit beyond the range of double compares as inf <= inf with a noise
  // as large: not finite, the fit is unknown and never converged.
  const double misfit_per_channel = std::sqrt(chi2 / 6.0);
  if (!(std::isfinite(misfit_per_channel) && misfit_per_channel <= poor_fit_factor * noise_min)) {
    return RetrievalStatus::poor_fit;
  }
  if (on_bound_and_held(r.wind, l.wind_step, l.wind_sd, wind_range_ms) ||
      on_bound_and_held(r.rain, l.rain_step, l.rain_sd, rain_range_mmh)) {
    return RetrievalStatus::at_bound;
  }
  return weak ? RetrievalStatus::weakly_constrained : RetrievalStatus::converged;
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
                   const Noise& noise, const RetrievalOptions& options, float salinity_psu) {
  const SceneWeights v = weigh_scene(sst_c, altitude_m, air_c, salinity_psu, tb, noise);
  if (!v.ok || !check_options(options).ok) {
    return {
        kNan, kNan, kNan, kNan, kNan, kNan, kNan, kNan, kNan, 0, RetrievalStatus::invalid_input};
  }
  const DoubleModel model(environment_from_replies(sst_c, altitude_m, air_c, salinity_psu));
  const MisfitModel misfit(model, tb, v.weight);
  const Search search = search_domain(misfit);
  const double wind = search.best.piece->wind_at(search.best.fit.x);
  const double rain = search.best.misfit.rain;

  RainState s;
  const Misfit at_solution = misfit.at(rain, s);
  const NormalEquations n = normal_equations(s, wind, tb, v.weight);
  const Linearised l = covariance_and_step(n, v.noise_min);
  Retrieval result{.wind = wind,
                   .rain = rain,
                   .wind_sd = l.wind_sd,
                   .rain_sd = l.rain_sd,
                   .rms = std::sqrt(n.sum2 / 6.0),
                   .wind_lo = kNan,
                   .wind_hi = kNan,
                   .rain_lo = kNan,
                   .rain_hi = kNan,
                   .iterations = search.best.iterations,
                   .status = RetrievalStatus::converged};
  double quantile = kNan;
  if (options.intervals) {
    quantile = chi_square_quantile(options.level);
    const double rise = quantile * v.noise_min * v.noise_min;
    const Intervals bounds = intervals_around(misfit, search, at_solution, rise, wind, rain);
    result.wind_lo = bounds.wind_lo;
    result.wind_hi = bounds.wind_hi;
    result.rain_lo = bounds.rain_lo;
    result.rain_hi = bounds.rain_hi;
  }
  result.status = classify(result, n.chi2, v.noise_min, l,
                           weakly_constrained(result, options.intervals, quantile));
  return result;
}

}  // namespace tbcalc
