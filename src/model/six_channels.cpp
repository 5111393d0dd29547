// Six channels of one computation at once: the terms that stay fixed while
// only wind and rain change are prepared once, the rain-rate powers are
// shared across the channels, and every power and exponential of the rain is
// taken through the float-exact fast forms, all channels side by side.
// Every other step is tbvrel's own.
#include "fast_exp.hpp"
#include "radiative_balance.hpp"
#include "tbcalc/model.hpp"

namespace tbcalc {

using namespace detail;

SixChannels::SixChannels(const std::array<float, 6>& freq, float sst, float alt, float tair,
                         const std::array<float, 6>& emis)
    : sst_(sst), rain_path_(rain_path(double(alt))) {
  const double h = alt;
  const float share_above = float(absorber_share_above(h));
  const LayerTemperatures t = layer_temperatures(double(tair), h);
  t_sky_ = t.sky;
  t_rain_ = t.rain;
  t_below_ = t.below;
  // With the aircraft above the rain layer both transmittances take the same
  // exponent, so one exponential serves both.
  rain_path_is_layer_ = rain_path_ == double(kRainLayerTop);
  // A zero rain rate gives the exponent -0 exactly (k = 0): the layer's
  // transmittance is 1, the one below the aircraft exp(-0 * path), which is 1
  // unless the path is not finite.
  zero_rain_up_ = float(std::exp(-0.0 * rain_path_));
  for (std::size_t i = 0; i < 6; ++i) {
    const double f = freq[i];
    const float column_trans = float(column_transmittance(f));
    outside_band_[i] = outside_band(freq[i]);
    freq_[i] = f;
    log_freq_[i] = std::log(f);
    frequency_factor_[i] = wind_frequency_factor(f);
    flat_emis_[i] = emis[i];
    below_trans_[i] = float(transmittance_below(double(column_trans), double(share_above)));
    sky_[i] = sky_brightness(t.sky, double(column_trans));
  }
}

std::array<float, 6> SixChannels::brightness(const std::array<float, 2>& wsrr) const {
  const float rain_rate = wsrr[1];
  std::array<float, 6> rain_up;
  std::array<float, 6> rain_layer;
  if (rain_rate == 0.0f) {
    rain_up.fill(zero_rain_up_);
    rain_layer.fill(1.0f);
  } else {
    const double r = rain_rate_magnitude(double(rain_rate));
    const double log_r = std::log(r);
    const float p = pow_to_float(r, double(kRainExponentPower), log_r);
    const float s = pow_to_float(r, double(kRainRatePower), log_r);
    const double frequency_exponent = rain_frequency_exponent(double(p));

    // q = f^(2.6 p) per channel, as exp of (2.6 p) ln f.
    std::array<double, 6> q_exponent;
    for (std::size_t i = 0; i < 6; ++i) q_exponent[i] = frequency_exponent * log_freq_[i];
    // ln f is finite for every positive finite frequency; any other
    // frequency makes the exponent non-finite and goes to the library's pow.
    std::array<float, 6> q;
    exps_to_float(q_exponent, q, [&](std::size_t i) {
      return pow_to_float_by_library(freq_[i], frequency_exponent);
    });

    std::array<double, 6> layer_exponents;
    std::array<double, 6> up_exponents;
    for (std::size_t i = 0; i < 6; ++i) {
      const double exponent = rain_exponent(double(q[i]), double(s), double(rain_rate));
      layer_exponents[i] = exponent * double(kRainLayerTop);
      up_exponents[i] = exponent * rain_path_;
    }
    exps_to_float(layer_exponents, rain_layer,
                  [&](std::size_t i) { return exp_to_float_by_library(layer_exponents[i]); });
    if (rain_path_is_layer_) {
      rain_up = rain_layer;
    } else {
      exps_to_float(up_exponents, rain_up,
                    [&](std::size_t i) { return exp_to_float_by_library(up_exponents[i]); });
    }
  }

  const LayerTemperatures t = {t_sky_, t_rain_, t_below_};
  const double increment = wind_increment(double(wsrr[0]));
  std::array<float, 6> tb;
  for (std::size_t i = 0; i < 6; ++i) {
    const float rough_emis =
        float(rough_emissivity(frequency_factor_[i], increment, double(flat_emis_[i])));
    tb[i] = outside_band_[i] ? 0.0f
                             : float(brightness_at_aircraft(
                                   double(rough_emis), double(sst_), sky_[i], t, double(rain_up[i]),
                                   double(rain_layer[i]), double(below_trans_[i])));
  }
  return tb;
}

}  // namespace tbcalc
