#include "double_model.hpp"

#include <cmath>
#include <limits>

#include "fast_exp.hpp"

namespace tbcalc::detail {

double WindPiece::wind_at(double x) const {
  // Comparisons rather than fmin and fmax: the compiler may swap their
  // arguments, and which of -0 and +0 they return follows the order. -0 gives
  // the low end, as does NaN (from x, or where the parabola does not reach x).
  double w = wind_for_increment(index, x);
  if (!(w > wind_low)) w = wind_low;
  if (w > wind_high) w = wind_high;
  return w;
}

const std::array<WindPiece, kWindIncrementPieces.size()>& wind_pieces() {
  static const std::array<WindPiece, kWindIncrementPieces.size()> pieces = [] {
    std::array<WindPiece, kWindIncrementPieces.size()> p;
    for (std::size_t k = 0; k < p.size(); ++k) {
      // The piece's speeds within the accepted range, the top one below the
      // next piece's first.
      const double low = std::fmax(double(kWindIncrementPieces[k].from), double(wind_range_ms.low));
      const double high = k + 1 < p.size()
                              ? std::nextafter(double(kWindIncrementPieces[k + 1].from), 0.0)
                              : double(wind_range_ms.high);
      p[k] = {low, high, wind_increment(low), wind_increment(high), int(k)};
    }
    return p;
  }();
  return pieces;
}

WindRainDerivatives wind_rain_derivatives(const RainState& s, double wind) {
  const double increment = wind_increment(wind);
  const double slope = wind_increment_slope(wind);
  WindRainDerivatives d;
  for (std::size_t i = 0; i < 6; ++i) {
    d.wind[i] = s.d[i] * slope;
    d.rain[i] = s.dc[i] + s.dd[i] * increment;
  }
  return d;
}

// The point's wind and rain are not used: the environment's terms only.
DoubleModel::DoubleModel(const Environment& env) : DoubleModel(model_point(env, 0.0, 0.0)) {}

DoubleModel::DoubleModel(const ModelPoint& point)
    : sst(point.sst),
      share_above(absorber_share_above<PortableMath>(point.altitude)),
      path(rain_path(point.altitude)),
      t(layer_temperatures(point.air, point.altitude)) {
  for (std::size_t i = 0; i < 6; ++i) {
    const double f = point.freq[i];
    outside_band[i] = f < double(kBandLow) || f > double(kBandHigh);
    log_freq[i] = portable_log(f);
    factor[i] = wind_frequency_factor(f);
    flat_emis[i] = point.emis[i];
    column_trans[i] = column_transmittance(f);
    below_trans[i] = transmittance_below<PortableMath>(column_trans[i], share_above);
    sky[i] = sky_brightness(t.sky, column_trans[i]);
  }
}

void DoubleModel::at_rain(double rain, RainState& s) const {
  // k = 1.87e-9 f^(2.6 r^0.0736) r^1.15 and, for r > 0,
  // dk/dr = k (1.15 + 2.6 * 0.0736 r^0.0736 ln f) / r. The opacity is odd in
  // R, so dg/dR = -dk/dr on both sides; at r = 0 both are 0.
  const double r = rain_rate_magnitude(rain);
  if (r == 0.0) {
    s.g.fill(0.0);
    s.dg.fill(0.0);
  } else {
    const double log_r = portable_log(r);
    std::array<double, 2> power_exponents = {double(kRainExponentPower) * log_r,
                                             double(kRainRatePower) * log_r};
    std::array<double, 2> powers;
    fast_exps(power_exponents, powers);
    const double p = powers[0];
    const double rate_power = powers[1];
    const double frequency_exponent = rain_frequency_exponent(p);
    Six q_exponent;
    for (std::size_t i = 0; i < 6; ++i) q_exponent[i] = frequency_exponent * log_freq[i];
    Six q;
    fast_exps(q_exponent, q);
    const double slope_factor = double(kRainFrequencyExponent) * double(kRainExponentPower) * p;
    for (std::size_t i = 0; i < 6; ++i) {
      s.g[i] = rain_exponent(q[i], rate_power, rain);
      const double k = std::fabs(s.g[i]);
      s.dg[i] = -k * (double(kRainRatePower) + slope_factor * log_freq[i]) / r;
    }
  }
  Six up_exponent, layer_exponent;
  for (std::size_t i = 0; i < 6; ++i) {
    up_exponent[i] = s.g[i] * path;
    layer_exponent[i] = s.g[i] * double(kRainLayerTop);
  }
  fast_exps(up_exponent, s.up);
  fast_exps(layer_exponent, s.layer);
  for (std::size_t i = 0; i < 6; ++i) {
    s.d_up[i] = s.up[i] * path * s.dg[i];
    s.d_layer[i] = s.layer[i] * double(kRainLayerTop) * s.dg[i];
    s.down[i] = s.layer[i] * sky[i] + t.rain * (1.0 - s.layer[i]);
    s.d_down[i] = s.d_layer[i] * (sky[i] - t.rain);
    s.gamma[i] = s.up[i] * below_trans[i];
    s.d_gamma[i] = s.d_up[i] * below_trans[i];
    // Flat-sea part and the increment's share of the surface brightness.
    const double flat_surface = flat_emis[i] * sst + (1.0 - flat_emis[i]) * s.down[i];
    const double d_flat_surface = (1.0 - flat_emis[i]) * s.d_down[i];
    s.c[i] = s.gamma[i] * flat_surface + t.below * (1.0 - s.gamma[i]);
    s.dc[i] = s.d_gamma[i] * (flat_surface - t.below) + s.gamma[i] * d_flat_surface;
    s.d[i] = s.gamma[i] * factor[i] * (sst - s.down[i]);
    s.dd[i] = factor[i] * (s.d_gamma[i] * (sst - s.down[i]) - s.gamma[i] * s.d_down[i]);
    if (outside_band[i]) s.c[i] = s.d[i] = s.dc[i] = s.dd[i] = 0.0;
  }
}

}  // namespace tbcalc::detail
