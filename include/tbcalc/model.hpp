// The radiometric forward model: flat-sea emissivity of sea water from the
// Klein-Swift permittivity, and the brightness temperature that a nadir-looking
// C-band radiometer on an aircraft sees over the sea.
// Every function is pure, keeps no state and validates nothing: it is safe to
// call from any number of threads at once.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace tbcalc {

// The six radiometer channels, GHz, in the order every per-channel table follows.
inline constexpr std::array<float, 6> freqs = {4.74f, 5.31f, 5.57f, 6.02f, 6.69f, 7.09f};

// degC to K as the model defines it: 273.146, not 273.15 (as a float,
// 273.14599609375). Temperatures handed to the model in kelvin are formed with
// celsius_to_kelvin; each conversion is rounded once to float.
inline constexpr float kelvin_offset = 273.146f;
constexpr float celsius_to_kelvin(float celsius) {
  return float(double(celsius) + double(kelvin_offset));
}
constexpr float kelvin_to_celsius(float kelvin) {
  return float(double(kelvin) - double(kelvin_offset));
}

// The ranges of typed values that the operator dialogue accepts, and that the
// model was made for: sea surface and air temperature in degC, altitude in m
// (0 itself excluded), wind speed in m/s, rain rate in mm/h (negative rates
// act as negative absorption). Bounds compare as floats.
struct AcceptedRange {
  float low;
  float high;
  bool low_excluded;
  constexpr bool contains(float v) const {
    return (low_excluded ? v > low : v >= low) && v <= high;
  }
};
inline constexpr AcceptedRange sst_range_c = {-5.0f, 45.0f, false};
inline constexpr AcceptedRange altitude_range_m = {0.0f, 16000.0f, true};
inline constexpr AcceptedRange air_range_c = {-70.0f, 45.0f, false};
inline constexpr AcceptedRange wind_range_ms = {0.0f, 150.0f, false};
inline constexpr AcceptedRange rain_range_mmh = {-10.0f, 150.0f, false};
// Sea surface salinity, practical salinity (psu, the parts per thousand of
// the permittivity fits): from fresh water to the saltiest open sea. The
// dialogue does not ask for it; it takes the open ocean's 36.
inline constexpr AcceptedRange salinity_range_psu = {0.0f, 40.0f, false};
inline constexpr float default_salinity_psu = 36.0f;

// The model's inputs for one sea surface, altitude and air temperature, as the
// dialogue forms them from typed values: temperatures in K through
// celsius_to_kelvin, and the emissivity table from flat_sea_emissivity at the
// Celsius value taken back from the stored kelvin one and the salinity (at
// 36, klsw_loop's table).
struct Environment {
  float sst;                              // K
  float altitude;                         // m
  float air;                              // K
  std::array<float, 6> emis;              // flat-sea emissivity per channel of `freqs`
  float salinity = default_salinity_psu;  // psu, of the emissivity table
};
// Computed for any input; the model was made for the accepted ranges above.
Environment environment_from_replies(float sst_c, float altitude_m, float air_c,
                                     float salinity_psu = default_salinity_psu);
// The same in two steps, for callers that keep the emissivity table while
// only the flight level changes (it costs more than the rest of the model):
// the sea surface temperature typed in degC and the salinity in psu, with
// their emissivity table; the altitude in m and the air temperature typed
// in degC.
void set_sea_surface(Environment& env, float sst_c, float salinity_psu = default_salinity_psu);
void set_flight_level(Environment& env, float altitude_m, float air_c);

// Polar form of the complex number x + iy: modulus `r` and argument `phi` in
// radians, 0 <= phi < 2*pi. Made for any finite x and y. For x = 0 and
// y >= 0 the argument is exactly the single-precision pi/2 (1.5707964), so
// (0, 0) gives r = 0, phi = pi/2; x = 0 with y < 0 gives 3*pi/2. A modulus
// beyond the float range is returned as inf.
void rec2sph(float x, float y, float& r, float& phi);

// Klein-Swift complex relative permittivity of sea water and the Fresnel power
// reflectivities of a flat air-sea interface.
//   freq  frequency, GHz (made for about 1 to 10 GHz; 0 divides by zero)
//   theta incidence angle from the vertical, radians (0 = nadir)
//   tk    water temperature, K (made for -5 to 45 degC, i.e. 268 to 318 K)
//   sal   salinity, parts per thousand (below 0.1 the fresh-water static
//         permittivity is used)
// Outputs, written in the order epsr, epsi, rh, rv: the real part and the
// positive loss part of the permittivity, then the horizontal and vertical
// power reflectivities (0 to 1), computed from the stored epsr and epsi.
// Outside the ranges above the polynomial fits are evaluated as they stand
// and lose their physical meaning; a frequency of 0 gives an infinite or NaN
// loss part and reflectivities.
void kleinswift(float freq, float theta, float tk, float sal, float& rv, float& rh, float& epsr,
                float& epsi);

// Flat-sea emissivity at nadir for `nchan` channels, salinity 36 ppt: one
// minus kleinswift's vertical reflectivity.
//   freqs  nchan channel frequencies, GHz (made for the C band, 4 to 8 GHz)
//   sstc   sea surface temperature, degC (made for -5 to 45; outside it, as
//          kleinswift)
//   emis   receives exactly nchan emissivities (power fractions, about 0.36
//          at C band), one per entry of freqs; untouched when nchan <= 0.
// REQUIRES: freqs and emis hold at least nchan elements.
void klsw_loop(const float* freqs, float sstc, float* emis, std::int32_t nchan);

// klsw_loop at any salinity, psu (made for 0 to 40; below 0.1 kleinswift takes
// fresh water's static permittivity). At 36 it is klsw_loop, bit for bit.
void flat_sea_emissivity(const float* freqs, float sstc, float salinity, float* emis,
                         std::int32_t nchan);

// Brightness temperature, K, seen by a nadir-looking radiometer at altitude.
//   freq  channel frequency, GHz; outside 4 to 8 GHz the result is exactly 0
//   sst   sea surface temperature, K
//   alt   radar altitude, m (made for 0 < alt <= 16000)
//   tair  air temperature at flight level, K (made for 203 to 318 K)
//   emis  the channel's flat-sea emissivity at nadir (from klsw_loop)
//   wsrr  wind speed, m/s (0 to 150), then rain rate, mm/h (-10 to 150);
//         a negative rain rate acts as negative absorption
// Within these ranges every step is finite. Physically odd values are
// returned as computed: an emissivity above 1 at high winds, rain
// transmittances above 1 for negative rain rates. Beyond them the formulas
// are evaluated as they stand (a very large rain rate underflows the rain
// transmittance to 0; a very large negative one overflows to inf).
float tbvrel(float freq, float sst, float alt, float tair, float emis,
             const std::array<float, 2>& wsrr);

// tbvrel for six channels at once, made for many wind/rain pairs under one
// environment. The constructor prepares what depends only on the channel
// table, the sea surface temperature, altitude, air temperature and the
// emissivity table (clear-air transmittances, layer temperatures, sky
// brightness); brightness() then shares the rain-rate powers across the
// channels, and a zero rain rate takes no rain arithmetic at all.
//   freq  six channel frequencies, GHz (usually `freqs`)
//   sst, alt, tair, emis  as tbvrel: K, m, K, and each channel's flat-sea
//         emissivity (from klsw_loop)
// brightness(wsrr)[i] equals tbvrel(freq[i], sst, alt, tair, emis[i], wsrr)
// bit for bit, for every input, out-of-range and non-finite ones included,
// and with the same ranges and behaviour; where one gives NaN (never within
// the ranges) so does the other, though not always with the same sign bit.
// Its powers and exponentials of the rain are fast forms that give the float
// the C library's pow and exp would, as long as the library's error stays
// below 2^14 units in the last place (glibc's stays below 1); they defer to
// the library where they cannot be sure. The object is immutable once made:
// any number of threads may call brightness() on it at once.
class SixChannels {
 public:
  SixChannels(const std::array<float, 6>& freq, float sst, float alt, float tair,
              const std::array<float, 6>& emis);
  // The channels of `freqs` under an environment.
  explicit SixChannels(const Environment& env)
      : SixChannels(freqs, env.sst, env.altitude, env.air, env.emis) {}

  // Brightness temperatures, K, in the order of `freq`.
  std::array<float, 6> brightness(const std::array<float, 2>& wsrr) const;

 private:
  // Per channel, side by side so that the channels can be computed together.
  std::array<bool, 6> outside_band_;        // result exactly 0
  std::array<double, 6> freq_;              // GHz
  std::array<double, 6> log_freq_;          // its natural logarithm
  std::array<double, 6> frequency_factor_;  // of the wind increment
  std::array<float, 6> flat_emis_;
  std::array<float, 6> below_trans_;  // clear air between surface and aircraft
  std::array<double, 6> sky_;         // clear-air and cosmic brightness above the rain
  float sst_;
  double rain_path_;         // m of rain below the aircraft
  bool rain_path_is_layer_;  // the aircraft is above the rain: both transmittances agree
  float zero_rain_up_;       // the transmittance below the aircraft for a zero rain rate
  double t_sky_, t_rain_, t_below_;
};

// The model's inputs for typed values that repeat for long stretches, as
// along a flight or in an array broadcast against another: the emissivity
// table is kept while the sea surface temperature and the salinity stay the
// same to the bit, the prepared channels while all four do. Each call gives
// what environment_from_replies and SixChannels would, bit for bit. One
// object per thread: calls change it.
class TypedEnvironment {
 public:
  // degC, m, degC, psu, as typed; the references live until the next call.
  const Environment& environment(float sst_c, float altitude_m, float air_c,
                                 float salinity_psu = default_salinity_psu);
  const SixChannels& channels(float sst_c, float altitude_m, float air_c,
                              float salinity_psu = default_salinity_psu);

 private:
  Environment env_{};
  std::optional<SixChannels> channels_;
  float sst_c_ = 0, altitude_m_ = 0, air_c_ = 0, salinity_ = 0;
  bool prepared_ = false;
};

}  // namespace tbcalc
