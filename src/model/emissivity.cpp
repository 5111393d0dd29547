// Flat-sea nadir emissivity per channel: one minus the Fresnel reflectivity.
#include "tbcalc/model.hpp"

namespace tbcalc {
namespace {

constexpr float kSalinity = 36.0f;  // ppt, open-ocean water
constexpr float kNadir = 0.0f;      // rad

}  // namespace

void klsw_loop(const float* freqs, float sstc, float* emis, std::int32_t nchan) {
  const float tk = celsius_to_kelvin(sstc);
  for (std::int32_t i = 0; i < nchan; ++i) {
    float rv, rh, epsr, epsi;
    kleinswift(freqs[i], kNadir, tk, kSalinity, rv, rh, epsr, epsi);
    // At nadir rv and rh agree only to a few ulps; the emissivity is defined by rv.
    emis[i] = float(double(1.0f) - double(rv));
  }
}

void set_sea_surface(Environment& env, float sst_c) {
  env.sst = celsius_to_kelvin(sst_c);
  // The model takes the Celsius value back from the stored kelvin one.
  klsw_loop(freqs.data(), kelvin_to_celsius(env.sst), env.emis.data(),
            std::int32_t(env.emis.size()));
}

void set_flight_level(Environment& env, float altitude_m, float air_c) {
  env.altitude = altitude_m;
  env.air = celsius_to_kelvin(air_c);
}

Environment environment_from_replies(float sst_c, float altitude_m, float air_c) {
  Environment env{};
  set_sea_surface(env, sst_c);
  set_flight_level(env, altitude_m, air_c);
  return env;
}

}  // namespace tbcalc
