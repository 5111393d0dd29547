// tbvrel's radiative balance for six channels, evaluated wholly in double
// precision with its derivatives by the rain rate. Each brightness
// temperature is linear in the wind-induced emissivity increment:
// Tb = c(R) + d(R) * wind_increment(W).
#pragma once

#include <array>

#include "radiative_balance.hpp"
#include "tbcalc/retrieval.hpp"

namespace tbcalc::detail {

using Six = std::array<double, 6>;

// One piece of the wind increment over the domain, on which the increment
// rises with the wind: below 7 m/s, from 7 to below 31.9 m/s, from 31.9 up.
// Across the pieces it does not: it drops by 1e-5 at 7 m/s and jumps by
// 2.4e-4 at 31.9 m/s, so the best wind for an increment is found per piece.
struct WindPiece {
  double wind_low, wind_high;            // m/s, both on the piece
  double increment_low, increment_high;  // wind_increment at those speeds
  int index;                             // in kWindIncrementPieces, from calm to gale

  // The speed on the piece whose increment is `x`, held to the piece.
  double wind_at(double x) const;
};
const std::array<WindPiece, kWindIncrementPieces.size()>& wind_pieces();

// The channels' terms at one rain rate R.
struct RainState {
  Six g, dg;           // attenuation exponent, per m, and its derivative by R
  Six up, d_up;        // transmittance of the rain below the aircraft, d/dR
  Six layer, d_layer;  // of the whole rain layer, d/dR
  Six down, d_down;    // downwelling brightness at the surface, K, d/dR
  Six gamma, d_gamma;  // total transmittance from surface to aircraft, d/dR
  Six c, d, dc, dd;    // Tb = c + d * increment, and their derivatives by R
};

// The derivatives of each brightness temperature by wind speed (K per m/s)
// and by rain rate (K per mm/h), at the state of a rain rate and a wind speed.
struct WindRainDerivatives {
  Six wind, rain;
};
WindRainDerivatives wind_rain_derivatives(const RainState& s, double wind);

// The terms of one environment that do not depend on wind or rain.
class DoubleModel {
 public:
  // The environment's own terms, widened exactly from the floats the
  // dialogue forms (as model_point widens them); or any point's (its wind
  // and rain are not used).
  explicit DoubleModel(const Environment& env);
  explicit DoubleModel(const ModelPoint& point);
  void at_rain(double rain, RainState& s) const;

  std::array<bool, 6> outside_band;
  Six log_freq;  // natural logarithm of the frequency in GHz
  Six factor;    // the wind increment's frequency factor
  Six flat_emis;
  Six column_trans;    // whole clear-air column
  Six below_trans;     // clear air between surface and aircraft
  Six sky;             // brightness above the rain layer, K
  double sst;          // K
  double share_above;  // of the clear-air absorber
  double path;         // m of rain below the aircraft
  LayerTemperatures t;
};

}  // namespace tbcalc::detail
