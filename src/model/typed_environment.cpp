// The model's inputs for typed values that repeat, kept between calls.
#include <cstdint>

#include "bits.hpp"
#include "tbcalc/model.hpp"

namespace tbcalc {
namespace {

bool same(float a, float b) {
  return detail::bit_cast<std::uint32_t>(a) == detail::bit_cast<std::uint32_t>(b);
}

}  // namespace

const Environment& TypedEnvironment::environment(float sst_c, float altitude_m, float air_c,
                                                 float salinity_psu) {
  const bool same_sea = prepared_ && same(sst_c, sst_c_) && same(salinity_psu, salinity_);
  if (same_sea && same(altitude_m, altitude_m_) && same(air_c, air_c_)) return env_;
  if (!same_sea) set_sea_surface(env_, sst_c, salinity_psu);
  set_flight_level(env_, altitude_m, air_c);
  sst_c_ = sst_c;
  salinity_ = salinity_psu;
  altitude_m_ = altitude_m;
  air_c_ = air_c;
  prepared_ = true;
  channels_.reset();
  return env_;
}

const SixChannels& TypedEnvironment::channels(float sst_c, float altitude_m, float air_c,
                                              float salinity_psu) {
  const Environment& env = environment(sst_c, altitude_m, air_c, salinity_psu);
  if (!channels_) channels_.emplace(env);
  return *channels_;
}

}  // namespace tbcalc
