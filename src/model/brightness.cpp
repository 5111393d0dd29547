// Brightness temperature at nadir of one channel: the radiative balance of
// rough-sea emission, reflected sky, clear air and a rain layer.
#include "radiative_balance.hpp"
#include "tbcalc/model.hpp"

namespace tbcalc {

float tbvrel(float freq, float sst, float alt, float tair, float emis,
             const std::array<float, 2>& wsrr) {
  using namespace detail;
  if (outside_band(freq)) return 0.0f;
  const double f = freq;
  const double h = alt;
  const float rain_rate = wsrr[1];

  const float rough_emis =
      rough_emissivity(wind_frequency_factor(f), wind_increment(wsrr[0]), emis);
  const float column_trans = column_transmittance(f);
  const float below_trans = transmittance_below(double(column_trans), absorber_share_above(h));

  const double r = rain_rate_magnitude(rain_rate);
  const float p = float(std::pow(r, double(kRainExponentPower)));
  const float q = float(std::pow(f, rain_frequency_exponent(p)));
  const float s = float(std::pow(r, double(kRainRatePower)));
  const double exponent = rain_exponent(q, s, rain_rate);
  const float rain_up = float(std::exp(exponent * rain_path(alt)));
  const float rain_layer = float(std::exp(exponent * double(kRainLayerTop)));

  const LayerTemperatures t = layer_temperatures(double(tair), h);
  const double sky = sky_brightness(t.sky, double(column_trans));
  return brightness_at_aircraft(rough_emis, sst, sky, t, rain_up, rain_layer, below_trans);
}

}  // namespace tbcalc
