// Wind speed and rain rate from six brightness temperatures: the misfit
// profiled over the rain rate, a coarse grid for the global minimum, Brent's
// method within its basins, and the linearised covariance at the solution.
#include <algorithm>
#include <cmath>
#include <limits>

#include "brent.hpp"
#include "double_model.hpp"

namespace tbcalc {

using namespace detail;

namespace {

constexpr double kNan = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// Grid over the rain range, even in sign(R) sqrt(|R|): finer near zero rain,
// where the rain's effect grows from nothing, coarser where it saturates.
constexpr int kGridPoints = 64;
// Basins refined: more than one, for the misfit can have several minima.
constexpr int kBasins = 3;
constexpr int kMaxIterations = 100;
constexpr double kRainTolerance = 1e-9;  // mm/h, absolute part of Brent's tolerance
// At a bound, the unconstrained step must leave the domain by this share of
// the variable's uncertainty before the bound counts as holding the solution.
constexpr double kBoundShare = 0.01;

struct ProfilePoint {
  double rain;
  double wind;
  double chi2;  // sum of squared differences, K^2
};

// The misfit at a rain rate, minimised over the wind speed in closed form.
class Profile {
 public:
  Profile(const DoubleModel& model, const std::array<double, 6>& tb) : model_(model), tb_(tb) {}

  ProfilePoint at(double rain) const {
    RainState s;
    model_.at_rain(rain, s);
    // Tb = c + d * increment: least squares in the increment.
    double numerator = 0.0, denominator = 0.0;
    for (std::size_t i = 0; i < 6; ++i) {
      numerator += s.d[i] * (tb_[i] - s.c[i]);
      denominator += s.d[i] * s.d[i];
    }
    const double best = denominator > 0.0 ? numerator / denominator : 0.0;
    const double wind = wind_for_increment(best);
    return {rain, wind, chi2(s, wind_increment(wind))};
  }

  double chi2(const RainState& s, double increment) const {
    double sum = 0.0;
    for (std::size_t i = 0; i < 6; ++i) {
      const double r = s.c[i] + s.d[i] * increment - tb_[i];
      sum += r * r;
    }
    return sum;
  }

 private:
  const DoubleModel& model_;
  const std::array<double, 6>& tb_;
};

double grid_rain(int j) {
  const double low = -std::sqrt(-double(rain_range_mmh.low));
  const double high = std::sqrt(double(rain_range_mmh.high));
  if (j == 0) return double(rain_range_mmh.low);
  if (j == kGridPoints - 1) return double(rain_range_mmh.high);
  const double v = low + (high - low) * double(j) / double(kGridPoints - 1);
  return std::copysign(v * v, v);
}

// The global minimum of the profile over the rain range.
ProfilePoint global_minimum(const Profile& profile, int& iterations) {
  std::array<ProfilePoint, kGridPoints> grid;
  for (int j = 0; j < kGridPoints; ++j) grid[std::size_t(j)] = profile.at(grid_rain(j));

  // Grid points no higher than their neighbours, lowest first.
  std::array<int, kGridPoints> basins;
  int count = 0;
  for (int j = 0; j < kGridPoints; ++j) {
    const double here = grid[std::size_t(j)].chi2;
    const bool left = j == 0 || here <= grid[std::size_t(j - 1)].chi2;
    const bool right = j == kGridPoints - 1 || here <= grid[std::size_t(j + 1)].chi2;
    if (left && right) basins[std::size_t(count++)] = j;
  }
  if (count == 0) basins[std::size_t(count++)] = 0;  // all NaN: nothing to compare
  std::sort(basins.begin(), basins.begin() + count,
            [&](int a, int b) { return grid[std::size_t(a)].chi2 < grid[std::size_t(b)].chi2; });

  ProfilePoint best = grid[std::size_t(basins[0])];
  iterations = 0;
  for (int k = 0; k < std::min(count, kBasins); ++k) {
    const int j = basins[std::size_t(k)];
    const double a = grid_rain(std::max(j - 1, 0));
    const double b = grid_rain(std::min(j + 1, kGridPoints - 1));
    const ProfilePoint& start = grid[std::size_t(j)];
    const Minimum m = brent_minimum([&](double rain) { return profile.at(rain).chi2; }, a, b,
                                    start.rain, start.chi2, kRainTolerance, kMaxIterations);
    if (k == 0 || m.fx < best.chi2) {
      best = profile.at(m.x);
      iterations = m.iterations;
    }
  }
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
  const Profile profile(model, tb);
  int iterations = 0;
  const ProfilePoint best = global_minimum(profile, iterations);

  // The Jacobian columns for wind and rain at the solution.
  RainState s;
  model.at_rain(best.rain, s);
  const double increment = wind_increment(best.wind);
  const WindRainDerivatives columns = wind_rain_derivatives(s, best.wind);
  double ww = 0.0, wr = 0.0, rr = 0.0, gw = 0.0, gr = 0.0;
  for (std::size_t i = 0; i < 6; ++i) {
    const double jw = columns.wind[i];
    const double jr = columns.rain[i];
    const double residual = s.c[i] + s.d[i] * increment - tb[i];
    ww += jw * jw;
    wr += jw * jr;
    rr += jr * jr;
    gw += jw * residual;
    gr += jr * residual;
  }
  // Covariance noise^2 (J^T J)^-1, and the Gauss-Newton step -(J^T J)^-1 J^T r.
  // Where a column vanishes (zero rain: no rain sensitivity at all) that
  // variable is unconstrained and the other is taken alone.
  double wind_sd = kInf, rain_sd = kInf, wind_step = 0.0, rain_step = 0.0;
  const double det = ww * rr - wr * wr;
  if (ww > 0.0 && rr > 0.0 && det > 1e-12 * ww * rr) {
    wind_sd = noise_k * std::sqrt(rr / det);
    rain_sd = noise_k * std::sqrt(ww / det);
    wind_step = -(rr * gw - wr * gr) / det;
    rain_step = -(ww * gr - wr * gw) / det;
  } else if (ww > 0.0 && rr == 0.0) {
    wind_sd = noise_k / std::sqrt(ww);
    wind_step = -gw / ww;
  } else if (rr > 0.0 && ww == 0.0) {
    rain_sd = noise_k / std::sqrt(rr);
    rain_step = -gr / rr;
  }

  Retrieval result{best.wind,
                   best.rain,
                   wind_sd,
                   rain_sd,
                   std::sqrt(best.chi2 / 6.0),
                   iterations,
                   RetrievalStatus::converged};
  if (!(result.rms <= poor_fit_factor * noise_k)) {
    result.status = RetrievalStatus::poor_fit;
  } else if (on_bound_and_held(best.wind, wind_step, wind_sd, wind_range_ms) ||
             on_bound_and_held(best.rain, rain_step, rain_sd, rain_range_mmh)) {
    result.status = RetrievalStatus::at_bound;
  } else if (!(wind_sd <= weak_wind_sd && rain_sd <= weak_rain_sd)) {
    result.status = RetrievalStatus::weakly_constrained;
  }
  return result;
}

}  // namespace tbcalc
