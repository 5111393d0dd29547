// The retrieval's settings judged once, for every surface that takes them:
// retrieve itself, tbretrieve's options and the Python module's arguments;
// and the grids of misfit_map.
#include <algorithm>
#include <cmath>
#include <cstdint>

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

namespace {

// One axis's messages: static text, so each names its axis.
struct AxisTexts {
  std::string_view points, finite, order, domain;
};

// The counts and the domain are written into the texts below.
static_assert(kMaxMisfitMapPoints == 4096 && kMaxMisfitMapCells == 4194304);
static_assert(wind_range_ms.low == 0.0f && wind_range_ms.high == 150.0f);
static_assert(rain_range_mmh.low == -10.0f && rain_range_mmh.high == 150.0f);

constexpr AxisTexts kWindTexts = {
    "the wind axis does not have 2 to 4096 points: a count from 2 to 4096 is needed",
    "a bound of the wind axis is not finite: a number of m/s is needed",
    "the wind axis's lower bound is not below its upper one: a rising axis is needed",
    "the wind axis reaches beyond the retrieval's domain: bounds within 0 to 150 m/s are needed"};
constexpr AxisTexts kRainTexts = {
    "the rain axis does not have 2 to 4096 points: a count from 2 to 4096 is needed",
    "a bound of the rain axis is not finite: a number of mm/h is needed",
    "the rain axis's lower bound is not below its upper one: a rising axis is needed",
    "the rain axis reaches beyond the retrieval's domain: bounds within -10 to 150 mm/h are "
    "needed"};

// Within an accepted range, compared in double: a bound a little beyond the
// float one would pass as a float.
bool within(const AcceptedRange& range, double v) {
  const double low = double(range.low);
  return (range.low_excluded ? v > low : v >= low) && v <= double(range.high);
}

SettingCheck check_axis(double min, double max, int points, const AcceptedRange& domain,
                        const AxisTexts& texts) {
  if (points < 2 || points > kMaxMisfitMapPoints) return {false, texts.points};
  if (!std::isfinite(min) || !std::isfinite(max)) return {false, texts.finite};
  if (!(min < max)) return {false, texts.order};
  if (!within(domain, min) || !within(domain, max)) return {false, texts.domain};
  return {true, ""};
}

}  // namespace

SettingCheck check_misfit_grid(const MisfitMapGrid& grid) {
  const SettingCheck wind =
      check_axis(grid.wind_min, grid.wind_max, grid.wind_points, wind_range_ms, kWindTexts);
  if (!wind.ok) return wind;
  const SettingCheck rain =
      check_axis(grid.rain_min, grid.rain_max, grid.rain_points, rain_range_mmh, kRainTexts);
  if (!rain.ok) return rain;
  if (std::int64_t{grid.wind_points} * grid.rain_points > kMaxMisfitMapCells) {
    return {false,
            "the grid has more than 4194304 cells (wind points times rain points): fewer points "
            "are needed"};
  }
  return {true, ""};
}

}  // namespace tbcalc
