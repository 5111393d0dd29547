// Confidence intervals of the wind speed and the rain rate from the misfit
// itself: each variable's values whose best fit, the other variable chosen
// afresh, stays within a threshold of the misfit.
#pragma once

#include <span>

#include "misfit.hpp"

namespace tbcalc::detail {

struct Intervals {
  double wind_lo, wind_hi;  // m/s
  double rain_lo, rain_hi;  // mm/h
};

// The misfit at one rain rate, with its minimum over the wind there (the
// lowest of the three pieces' fits).
struct Node {
  Misfit misfit;
  double chi2;
};

// The most nodes a search takes.
inline constexpr std::size_t kMaxNodes = 80;

// `nodes` (at most kMaxNodes) are in ascending order of rain rate, from the lowest to the highest
// of the rain range, the solution among them; a bound is searched between
// two neighbours. The solution (wind, rain) lies within the intervals
// returned; `threshold` is in the misfit's units.
Intervals confidence_intervals(const MisfitModel& model, std::span<const Node> nodes,
                               double threshold, double wind, double rain);

}  // namespace tbcalc::detail
