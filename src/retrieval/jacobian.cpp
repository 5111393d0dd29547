// Analytic partial derivatives of the six brightness temperatures.
#include <cmath>

#include "double_model.hpp"
#include "sea_emissivity.hpp"

namespace tbcalc {

using namespace detail;

ModelPoint model_point(const Environment& env, double wind, double rain) {
  ModelPoint p{};
  for (std::size_t i = 0; i < 6; ++i) {
    p.freq[i] = double(freqs[i]);
    p.emis[i] = double(env.emis[i]);
  }
  p.sst = double(env.sst);
  p.altitude = double(env.altitude);
  p.air = double(env.air);
  p.wind = wind;
  p.rain = rain;
  p.salinity = double(env.salinity);
  return p;
}

Jacobian jacobian(const ModelPoint& point) {
  const DoubleModel m(point);
  RainState s;
  m.at_rain(point.rain, s);
  const double increment = wind_increment(point.wind);
  const WindRainDerivatives wind_rain = wind_rain_derivatives(s, point.wind);

  // Altitude moves the clear-air share below the aircraft, the rain path (up
  // to the top of the layer) and the extrapolated layer temperatures.
  const double d_share = -m.share_above / double(kAbsorberScaleHeight);
  const double d_path = point.altitude > double(kRainLayerTop) ? 0.0 : 1.0;
  const double lapse = double(kLapseRate);
  const double d_below_temperature = m.t.rain > point.air ? lapse : 0.0;

  Jacobian j{};
  for (std::size_t i = 0; i < 6; ++i) {
    if (m.outside_band[i]) continue;
    const double e = rough_emissivity(m.factor[i], increment, m.flat_emis[i]);
    const double surface = e * m.sst + (1.0 - e) * s.down[i];
    const double gamma = s.gamma[i];
    j.tb[i] =
        brightness_at_aircraft(e, m.sst, m.sky[i], m.t, s.up[i], s.layer[i], m.below_trans[i]);
    j.d_wind[i] = wind_rain.wind[i];
    j.d_rain[i] = wind_rain.rain[i];
    j.d_emis[i] = gamma * (m.sst - s.down[i]);
    // Salinity moves the brightness through the flat-sea emissivity alone.
    j.d_salinity[i] =
        j.d_emis[i] * sea_emissivity(point.freq[i], point.sst, point.salinity).per_psu;
    j.d_sst[i] = gamma * e;

    // Sky and rain-layer temperatures both follow the flight-level one.
    const double layer = s.layer[i];
    const double d_down_per_kelvin = layer * (1.0 - m.column_trans[i]) + (1.0 - layer);
    j.d_air[i] = gamma * (1.0 - e) * d_down_per_kelvin + (1.0 - gamma);

    const double d_below_trans =
        m.below_trans[i] * portable_log(m.column_trans[i]) * -d_share;  // d(tau^(1-x))/dh
    const double d_up = s.up[i] * s.g[i] * d_path;
    const double d_gamma = d_up * m.below_trans[i] + s.up[i] * d_below_trans;
    const double d_down = lapse * d_down_per_kelvin;
    j.d_altitude[i] = gamma * (1.0 - e) * d_down + (surface - m.t.below) * d_gamma +
                      (1.0 - gamma) * d_below_temperature;
  }
  return j;
}

}  // namespace tbcalc
