// One scene as the computations on the misfit take it: the environment as
// typed, six measured brightness temperatures and their noise, judged once
// for retrieve and misfit_map alike, with the relative weights of the
// channels that the misfit is computed with.
#pragma once

#include "double_model.hpp"

namespace tbcalc::detail {

struct SceneWeights {
  bool ok;           // false: nothing may be computed
  Six weight;        // per channel, (smallest noise / noise)^2
  double noise_min;  // K, the smallest noise: the misfit's unit is its square
};

// ok unless a value is not finite, the environment or the salinity lies
// outside the accepted ranges, a brightness temperature is not above 0 K, or
// check_noise fails.
SceneWeights weigh_scene(float sst_c, float altitude_m, float air_c, float salinity_psu,
                         const Six& tb, const Noise& noise);

}  // namespace tbcalc::detail
