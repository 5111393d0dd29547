// The retrieval from C++: a scene of 10 m/s and 0.5 mm/h measured with 0.5 K
// of noise, with its confidence intervals; a noise per channel; the Jacobian.
#include <array>
#include <cstdio>
#include <string>
#include <tbcalc/retrieval.hpp>

int main() {
  tbcalc::RetrievalOptions options;
  options.intervals = true;  // and options.level, 0.6827 unless set
  const tbcalc::Retrieval r = tbcalc::retrieve(20.0f, 1500.0f, 10.0f,  // degC, m, degC
                                               {111.12, 112.75, 112.08, 114.05, 113.34, 115.25},
                                               0.5, options);  // K; noise K
  std::printf("wind %.3f m/s, sd %.3f, interval [%.3f, %.3f]\n", r.wind, r.wind_sd, r.wind_lo,
              r.wind_hi);
  std::printf("rain %.3f mm/h, sd %.3f, interval [%.3f, %.3f], %s\n", r.rain, r.rain_sd, r.rain_lo,
              r.rain_hi, std::string(tbcalc::status_name(r.status)).c_str());

  const std::array<double, 6> noise = {0.3, 0.3, 0.5, 0.5, 0.8, 0.8};  // K, per channel
  const tbcalc::Retrieval n = tbcalc::retrieve(
      20.0f, 1500.0f, 10.0f, {112.86, 114.08, 114.64, 115.64, 117.19, 118.18}, noise, options);
  std::printf("noise per channel: wind %.3f [%.3f, %.3f], rain %.3f [%.3f, %.3f]\n", n.wind,
              n.wind_lo, n.wind_hi, n.rain, n.rain_lo, n.rain_hi);

  // The derivatives the retrieval rests on, K per unit of each input.
  const tbcalc::Jacobian j = tbcalc::jacobian(
      tbcalc::model_point(tbcalc::environment_from_replies(20.0f, 1500.0f, 10.0f), 10.0, 5.0));
  std::printf("at 4.74 GHz: %.4f K per m/s, %.4f K per mm/h, %.4f K per psu\n", j.d_wind[0],
              j.d_rain[0], j.d_salinity[0]);
}
