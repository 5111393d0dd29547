// Flat-sea nadir emissivity per channel: one minus the Fresnel reflectivity.
#include "tbcalc/model.hpp"

namespace tbcalc {
namespace {

constexpr float kNadir = 0.0f;  // rad

}  // namespace

void klsw_loop(const float* freqs, float sstc, float* emis, std::int32_t nchan) {
  // Open-ocean water.
  flat_sea_emissivity(freqs, sstc, default_salinity_psu, emis, nchan);
}

void flat_sea_emissivity(const float* freqs, float sstc, float salinity, float* emis,
                         std::int32_t nchan) {
  const float tk = celsius_to_kelvin(sstc);
  for (std::int32_t i = 0; i < nchan; ++i) {
    float rv, rh, epsr, epsi;
    kleinswift(freqs[i], kNadir, tk, salinity, rv, rh, epsr, epsi);
    // At nadir rv and rh agree only to a few ulps; the emissivity is defined by rv.
    emis[i] = float(double(1.0f) - double(rv));
  }
}

void set_sea_surface(Environment& env, float sst_c, float salinity_psu) {
  env.sst = celsius_to_kelvin(sst_c);
  env.salinity = salinity_psu;
  // The model takes the Celsius value back from the stored kelvin one.
  flat_sea_emissivity(freqs.data(), kelvin_to_celsius(env.sst), salinity_psu, env.emis.data(),
                      std::int32_t(env.emis.size()));
}

void set_flight_level(Environment& env, float altitude_m, float air_c) {
  env.altitude = altitude_m;
  env.air = celsius_to_kelvin(air_c);
}

Environment environment_from_replies(float sst_c, float altitude_m, float air_c,
                                     float salinity_psu) {
  Environment env{};
  set_sea_surface(env, sst_c, salinity_psu);
  set_flight_level(env, altitude_m, air_c);
  return env;
}

}  // namespace tbcalc
