#include "scene.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tbcalc::detail {

SceneWeights weigh_scene(float sst_c, float altitude_m, float air_c, float salinity_psu,
                         const Six& tb, const Noise& noise) {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  SceneWeights v{false, {}, kInf};
  if (!sst_range_c.contains(sst_c) || !altitude_range_m.contains(altitude_m) ||
      !air_range_c.contains(air_c) || !salinity_range_psu.contains(salinity_psu)) {
    return v;  // NaN included
  }
  if (!check_noise(noise.k).ok) return v;
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

}  // namespace tbcalc::detail
