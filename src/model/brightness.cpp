// Brightness temperature at nadir of one channel: the radiative balance of
// rough-sea emission, reflected sky, clear air and a rain layer. Each float
// local is one of the model's single-precision rounding points.
#include "radiative_balance.hpp"
#include "tbcalc/model.hpp"

namespace tbcalc {

float tbvrel(float freq, float sst, float alt, float tair, float emis,
             const std::array<float, 2>& wsrr) {
  using namespace detail;
  if (outside_band(freq)) return 0.0f;
  const double f = freq;
  const double h = alt;
  const double rain_rate = wsrr[1];

  const float rough_emis = float(
      rough_emissivity(wind_frequency_factor(f), wind_increment(double(wsrr[0])), double(emis)));
  const float column_trans = float(column_transmittance(f));
  const float share_above = float(absorber_share_above(h));
  const float below_trans = float(transmittance_below(double(column_trans), double(share_above)));

  const double r = rain_rate_magnitude(rain_rate);
  const float p = float(std::pow(r, double(kRainExponentPower)));
  const float q = float(std::pow(f, rain_frequency_exponent(double(p))));
  const float s = float(std::pow(r, double(kRainRatePower)));
  const double exponent = rain_exponent(double(q), double(s), rain_rate);
  const float rain_up = float(std::exp(exponent * rain_path(h)));
  const float rain_layer = float(std::exp(exponent * double(kRainLayerTop)));

  const LayerTemperatures t = layer_temperatures(double(tair), h);
  const double sky = sky_brightness(t.sky, double(column_trans));
  return float(brightness_at_aircraft(double(rough_emis), double(sst), sky, t, double(rain_up),
                                      double(rain_layer), double(below_trans)));
}

}  // namespace tbcalc
