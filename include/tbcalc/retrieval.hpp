// The inverse question: which surface wind speed and rain rate explain six
// measured brightness temperatures, and how sure is that answer; and the
// Jacobian of the forward model that it rests on.
//
// Method. Each brightness temperature is linear in the wind-induced emissivity
// increment, so for a fixed rain rate the misfit is a quadratic in the
// increment, and its minimum over each of the increment's three pieces
// (below 7, 7 to 31.9, from 31.9 m/s) follows in closed form. Each piece's
// misfit, so profiled, is a smooth function of the rain rate alone. A grid
// over the whole rain range brackets each profile's minima by the sign of its
// slope; the lowest are refined to a zero of the slope, and the lowest of all
// is the global minimum on the domain, also where two basins on either side
// of a break lie within one cell of the grid. The uncertainties are the
// linearised covariance at the solution, noise^2 (J^T J)^-1 with the analytic
// Jacobian J for wind and rain.
//
// Everything here evaluates the formulas of tbvrel in double precision with no
// rounding to float (the model's single-precision points are neither applied
// nor differentiated): brightness temperatures differ from tbvrel's by about
// 1e-5 K. Functions are pure and safe to call from any number of threads.
#pragma once

#include <array>
#include <string_view>

#include "tbcalc/model.hpp"

namespace tbcalc {

// One computation's inputs in double precision.
struct ModelPoint {
  std::array<double, 6> freq;  // GHz
  double sst;                  // K
  double altitude;             // m
  double air;                  // K, at flight level
  std::array<double, 6> emis;  // flat-sea emissivity per channel
  double wind;                 // m/s
  double rain;                 // mm/h
};

// The point of the channel table `freqs` with an environment as the dialogue
// forms it, widened exactly to double.
ModelPoint model_point(const Environment& env, double wind, double rain);

// The six brightness temperatures of a point and their partial derivatives,
// in channel order. Units are K per unit of the input (K per m/s, per mm/h,
// per unit of the channel's own flat-sea emissivity, per K, per m).
// At a break point the derivative is that of the branch the model takes
// there, which is the one from above for wind and from below for altitude:
//   wind 7 and 31.9 m/s: the quadratic and the upper line, respectively;
//   altitude 1000 m: the layer temperature is the flight-level one, whose
//     derivative by altitude is 0; altitude 4000 m: the rain path is still
//     the altitude, derivative 1;
//   rain 0: the rain opacity and its derivative are both 0 (the rain's
//     sensitivity vanishes there; d_rain is exactly 0).
// A channel outside 4 to 8 GHz gives 0 for all. Made for the accepted ranges;
// beyond them the formulas are evaluated as they stand.
struct Jacobian {
  std::array<double, 6> tb;          // K
  std::array<double, 6> d_wind;      // K per m/s
  std::array<double, 6> d_rain;      // K per mm/h
  std::array<double, 6> d_emis;      // K per unit flat-sea emissivity
  std::array<double, 6> d_sst;       // K per K, emissivity held
  std::array<double, 6> d_air;       // K per K
  std::array<double, 6> d_altitude;  // K per m
};
Jacobian jacobian(const ModelPoint& point);

enum class RetrievalStatus {
  converged,           // a well-constrained minimum inside the domain
  at_bound,            // the minimum lies on a bound of the domain, held there
  poor_fit,            // rms misfit above poor_fit_factor times the noise
  weakly_constrained,  // an uncertainty above weak_wind_sd or weak_rain_sd
  invalid_input,       // nothing was attempted
};

// "converged", "at-bound", "poor-fit", "weakly-constrained", "invalid-input".
std::string_view status_name(RetrievalStatus status);

inline constexpr double default_noise_k = 0.5;  // K per channel
inline constexpr double poor_fit_factor = 3.0;
inline constexpr double weak_wind_sd = 5.0;  // m/s
inline constexpr double weak_rain_sd = 5.0;  // mm/h

// The outcome of one retrieval. Where the status is invalid_input every
// number is NaN and iterations is 0.
struct Retrieval {
  double wind;     // m/s, within 0 to 150
  double rain;     // mm/h, within -10 to 150
  double wind_sd;  // m/s, one sigma: linearised at the solution, for the
  double rain_sd;  // mm/h  given noise; inf where the data do not constrain it
  double rms;      // K, root mean square misfit over the six channels
  int iterations;  // of the refinement of the winning basin (at most 100)
  RetrievalStatus status;
};

// The numbers of a Retrieval, described once: the table programs' output
// columns, the Python module's attributes and its type stubs all follow this
// list, in this order (the status word comes after them).
struct RetrievalField {
  std::string_view name;           // column and attribute name
  double Retrieval::*member;       // where the value is
  std::string_view units;          // UDUNITS spelling, as CF metadata wants it
  std::string_view long_name;      // a phrase for people
  std::string_view standard_name;  // from the CF standard name table, or empty
  std::string_view doc;            // one line for docstrings and stubs
  int decimals;                    // as the table programs print it
  bool interval;                   // a confidence bound: printed only on request
};
inline constexpr std::array<RetrievalField, 5> retrieval_fields = {{
    {"wind", &Retrieval::wind, "m s-1", "retrieved surface wind speed", "wind_speed",
     "Wind speed, m/s.", 3, false},
    {"rain", &Retrieval::rain, "mm h-1", "retrieved rain rate", "rainfall_rate", "Rain rate, mm/h.",
     3, false},
    {"wind_sd", &Retrieval::wind_sd, "m s-1", "one-sigma uncertainty of the wind speed", "",
     "One-sigma wind uncertainty, m/s (linearised at the solution).", 3, false},
    {"rain_sd", &Retrieval::rain_sd, "mm h-1", "one-sigma uncertainty of the rain rate", "",
     "One-sigma rain uncertainty, mm/h (linearised at the solution).", 3, false},
    {"rms", &Retrieval::rms, "K", "root mean square misfit of the brightness temperatures", "",
     "Root mean square misfit over the six channels, K.", 4, false},
}};

// The wind speed and rain rate within the dialogue's accepted ranges that
// minimise the sum over the six channels of squared differences between the
// model and `tb`: exactly the global minimum of the all-double model on the
// domain (to the rounding of the misfit, about 1e-10 of it).
//   sst_c, altitude_m, air_c  the environment as typed at the dialogue
//                             (degC, m, degC), converted as it converts them
//   tb                        measured brightness temperatures, K, in the
//                             channel order of `freqs`
//   noise_k                   the noise of each channel, K (one sigma)
// Status, first that applies: invalid_input when a value is not finite, the
// environment is outside the accepted ranges, a brightness temperature is not
// above 0 K or the noise is not above 0; poor_fit; at_bound, when the
// solution lies on a bound and the unconstrained Gauss-Newton step from it
// would leave the domain by more than 1% of that variable's uncertainty;
// weakly_constrained; converged. Never fails otherwise; every loop is bounded.
Retrieval retrieve(float sst_c, float altitude_m, float air_c, const std::array<double, 6>& tb,
                   double noise_k = default_noise_k);

}  // namespace tbcalc
