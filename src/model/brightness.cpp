// Brightness temperature at nadir from a one-dimensional radiative balance:
// rough-sea emission, reflected sky, clear air and a rain layer. Arithmetic is
// double; each float local is one of the model's single-precision points.
#include <cmath>

#include "tbcalc/model.hpp"

namespace tbcalc {
namespace {

constexpr float kBandLow = 4.0f;                 // GHz
constexpr float kBandHigh = 8.0f;                // GHz
constexpr float kCalmBreak = 7.0f;               // m/s: wind below it, the increment is linear
constexpr float kGaleBreak = 31.9f;              // m/s: from it up, linear again
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

// Foam and roughness raise the emissivity with wind; the three pieces are
// separate fits and do not join exactly at the break points.
double wind_increment(float wind) {
  const double w = wind;
  if (wind < kCalmBreak) return double(0.000405f) * w;
  if (wind < kGaleBreak) {
    return (double(0.002853f) - double(0.00041f) * w) + (double(0.000058f) * w) * w;
  }
  return double(0.003317f) * w + double(-0.056776f);
}

}  // namespace

float tbvrel(float freq, float sst, float alt, float tair, float emis,
             const std::array<float, 2>& wsrr) {
  if (freq < kBandLow || freq > kBandHigh) return 0.0f;
  const double f = freq;
  const double h = alt;
  const double ta = tair;
  const float rain_rate = wsrr[1];

  const float rough_emis = float(
      (f * double(kWindFrequencyFactor) + double(1.0f)) * wind_increment(wsrr[0]) + double(emis));
  const double e = rough_emis;

  // Clear air: the whole column's transmittance, and the share of its
  // absorber that lies below the aircraft.
  const float column_trans = float(double(0.99456f) - f * double(0.0010505f));
  const double tau = column_trans;
  const float above_share = float(std::exp(-(h / double(kAbsorberScaleHeight))));
  const float below_trans = float(std::pow(tau, double(1.0f) - double(above_share)));

  // Rain: the opacity is odd in the rain rate, so a negative rate emits
  // instead of absorbing and its transmittances exceed 1.
  const double rain_path = double(alt > kRainLayerTop ? kRainLayerTop : alt);
  const double r = std::fabs(double(rain_rate));
  const float p = float(std::pow(r, double(kRainExponentPower)));
  const double b = double(kRainFrequencyExponent) * double(p);
  const float q = float(std::pow(f, b));
  const float s = float(std::pow(r, double(kRainRatePower)));
  const double k = (double(q) * double(kRainCoefficient)) * double(s);
  const double g = rain_rate >= 0.0f ? -k : k;
  const float rain_up = float(std::exp(g * rain_path));
  const float rain_layer = float(std::exp(g * double(kRainLayerTop)));

  // Emission temperatures extrapolated from flight level with the lapse rate.
  const double t_sky = ta - (double(kSkyHeight) - h) * double(kLapseRate);
  const double t_rain = ta - double(kLapseRate) * (double(kRainLayerHeight) - h);
  const double t_below = t_rain > ta ? t_rain : ta;

  const double sky = t_sky * (double(1.0f) - tau) + tau * double(kCosmicBackground);
  const double down = double(rain_layer) * sky + t_rain * (double(1.0f) - double(rain_layer));
  const double surface = e * double(sst) + (double(1.0f) - e) * down;
  const double total_trans = double(rain_up) * double(below_trans);
  return float((surface * double(rain_up)) * double(below_trans) +
               t_below * (double(1.0f) - total_trans));
}

}  // namespace tbcalc
