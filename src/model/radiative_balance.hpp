// The steps of the nadir radiative balance, one function each, shared by the
// single-channel tbvrel, the six-channel computation and the all-double
// evaluation behind the Jacobian and the retrieval, so that all carry out the
// same operations in the same order. Arithmetic is double and every float
// constant is widened where it is used; the model's single-precision points
// are the callers' explicit float stores.
#pragma once

#include <cmath>

#include "portable_math.hpp"
#include "wind_increment.hpp"

namespace tbcalc::detail {

constexpr float kBandLow = 4.0f;                 // GHz
constexpr float kBandHigh = 8.0f;                // GHz
constexpr float kWindFrequencyFactor = 0.15f;    // per GHz
constexpr float kAbsorberScaleHeight = 3500.0f;  // m, clear-air absorber
constexpr float kRainLayerTop = 4000.0f;         // m
constexpr float kRainCoefficient = 1.87e-9f;     // per m
constexpr float kRainFrequencyExponent = 2.6f;
constexpr float kRainExponentPower = 0.0736f;
constexpr float kRainRatePower = 1.15f;
constexpr float kLapseRate = 0.0058f;        // K per m
constexpr float kRainLayerHeight = 1000.0f;  // m, rain emission temperature
constexpr float kSkyHeight = 4500.0f;        // m, clear-air emission temperature
constexpr float kCosmicBackground = 2.7f;    // K

// Both band limits belong to the band; a NaN frequency is computed, not cut.
inline bool outside_band(float freq) { return freq < kBandLow || freq > kBandHigh; }

// The wind increment grows with frequency by this factor.
inline double wind_frequency_factor(double f) {
  return f * double(kWindFrequencyFactor) + double(1.0f);
}

// Rough-sea emissivity: not limited to 1.
inline double rough_emissivity(double frequency_factor, double increment, double flat_emis) {
  return frequency_factor * increment + flat_emis;
}

// One-way transmittance of the whole clear-air column.
inline double column_transmittance(double f) { return double(0.99456f) - f * double(0.0010505f); }

// Share of the clear-air absorber that lies above the aircraft. `Math` is
// the C library's for the float model, PortableMath for the all-double one.
template <class Math = LibraryMath>
inline double absorber_share_above(double h) {
  return Math::exp(-(h / double(kAbsorberScaleHeight)));
}

// Clear-air transmittance between the surface and the aircraft.
template <class Math = LibraryMath>
inline double transmittance_below(double column_trans, double share_above) {
  return Math::pow(column_trans, double(1.0f) - share_above);
}

// The rain below the aircraft: the whole layer once the aircraft is above it.
inline double rain_path(double alt) {
  return alt > double(kRainLayerTop) ? double(kRainLayerTop) : alt;
}

// The rain absorption coefficient k = 1.87e-9 f^(2.6 r^0.0736) r^1.15 per
// metre is built from three powers that the caller takes: p = r^0.0736 and
// s = r^1.15 of the rate's magnitude r, and q = f^(2.6 p).
inline double rain_rate_magnitude(double rain_rate) { return std::fabs(rain_rate); }

inline double rain_frequency_exponent(double p) { return double(kRainFrequencyExponent) * p; }

// Attenuation exponent per metre. The rain opacity is odd in the rain rate: a
// negative rate emits instead of absorbing and its transmittances exceed 1.
inline double rain_exponent(double q, double s, double rain_rate) {
  const double k = (q * double(kRainCoefficient)) * s;
  return rain_rate >= 0.0 ? -k : k;
}

// Emission temperatures extrapolated from flight level with the lapse rate.
struct LayerTemperatures {
  double sky;    // at 4500 m: the clear-air column's emission
  double rain;   // at 1000 m: the rain layer's emission
  double below;  // the layer between surface and aircraft
};

inline LayerTemperatures layer_temperatures(double ta, double h) {
  const double sky = ta - (double(kSkyHeight) - h) * double(kLapseRate);
  const double rain = ta - double(kLapseRate) * (double(kRainLayerHeight) - h);
  return {sky, rain, rain > ta ? rain : ta};
}

// Clear-air emission plus the cosmic background, above the rain layer.
inline double sky_brightness(double t_sky, double column_trans) {
  return t_sky * (double(1.0f) - column_trans) + column_trans * double(kCosmicBackground);
}

// Surface emission plus reflected sky, carried up through rain and clear air.
inline double brightness_at_aircraft(double rough_emis, double sst, double sky,
                                     const LayerTemperatures& t, double rain_up, double rain_layer,
                                     double below_trans) {
  const double down = rain_layer * sky + t.rain * (double(1.0f) - rain_layer);
  const double surface = rough_emis * sst + (double(1.0f) - rough_emis) * down;
  const double total_trans = rain_up * below_trans;
  return (surface * rain_up) * below_trans + t.below * (double(1.0f) - total_trans);
}

}  // namespace tbcalc::detail
