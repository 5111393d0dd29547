// The misfit over a grid of the wind/rain plane. At a fixed rain rate the
// misfit is a quadratic in the wind increment (misfit.hpp), so each row of
// the grid takes one evaluation of the model and each node a few operations,
// at the increment of its own wind.
#include <cstddef>
#include <limits>
#include <vector>

#include "double_model.hpp"
#include "misfit.hpp"
#include "scene.hpp"
#include "wind_increment.hpp"

namespace tbcalc {

using namespace detail;

namespace {

// min + k (max - min) / (points - 1), the last set to max itself: the
// difference and the quotient may round it a unit below.
std::vector<double> axis(double min, double max, int points) {
  const auto count = std::size_t(points);
  std::vector<double> values(count);
  const double span = max - min;
  for (std::size_t k = 0; k < values.size(); ++k) {
    values[k] = min + span * double(k) / double(points - 1);
  }
  values.back() = max;
  return values;
}

}  // namespace

MisfitMap misfit_map(float sst_c, float altitude_m, float air_c, const std::array<double, 6>& tb,
                     const Noise& noise, const MisfitMapGrid& grid, float salinity_psu) {
  MisfitMap map;
  if (!check_misfit_grid(grid).ok) return map;
  map.wind = axis(grid.wind_min, grid.wind_max, grid.wind_points);
  map.rain = axis(grid.rain_min, grid.rain_max, grid.rain_points);
  map.chi2.assign(map.wind.size() * map.rain.size(), std::numeric_limits<double>::quiet_NaN());
  const SceneWeights v = weigh_scene(sst_c, altitude_m, air_c, salinity_psu, tb, noise);
  if (!v.ok) return map;

  const DoubleModel model(environment_from_replies(sst_c, altitude_m, air_c, salinity_psu));
  const MisfitModel misfit(model, tb, v.weight);
  std::vector<double> increment(map.wind.size());
  for (std::size_t i = 0; i < increment.size(); ++i) increment[i] = wind_increment(map.wind[i]);
  double* out = map.chi2.data();
  for (double rain : map.rain) {
    const Misfit m = misfit.at(rain);
    // From units of the smallest noise squared to units of each channel's
    // noise, divided twice so that a tiny noise does not underflow its square.
    for (double x : increment) *out++ = m.at(x) / v.noise_min / v.noise_min;
  }
  return map;
}

}  // namespace tbcalc
