// The retrieval's settings judged once, for every surface that takes them:
// retrieve itself, tbretrieve's options and the Python module's arguments.
#include <algorithm>
#include <cmath>

#include "tbcalc/retrieval.hpp"

namespace tbcalc {

SettingCheck check_noise_count(std::size_t count) {
  if (count == 1 || count == 6) return {true, ""};
  return {false,
          "the noise is given as neither one value nor six: one for all channels or one per "
          "channel is needed"};
}

SettingCheck check_noise(std::span<const double> noise_k) {
  const SettingCheck count = check_noise_count(noise_k.size());
  if (!count.ok) return count;
  // Only a finite noise above 0 gives each channel a weight, the square of
  // the smallest noise over its own, that is finite and above 0 (NaN fails).
  if (std::all_of(noise_k.begin(), noise_k.end(),
                  [](double n) { return n > 0.0 && std::isfinite(n); })) {
    return {true, ""};
  }
  return {false,
          "a channel's noise is not finite and above 0: a number of kelvin above 0 is needed"};
}

SettingCheck check_options(const RetrievalOptions& options) {
  // The chi-square quantile of the intervals exists only strictly inside (0, 1).
  if (!options.intervals || (options.level > 0.0 && options.level < 1.0)) return {true, ""};
  return {false,
          "the level of the intervals is not strictly between 0 and 1: a share such as 0.95 is "
          "needed"};
}

}  // namespace tbcalc
