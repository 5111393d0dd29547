// The radiometric forward model: flat-sea emissivity of sea water from the
// Klein-Swift permittivity, and the brightness temperature that a nadir-looking
// C-band radiometer on an aircraft sees over the sea.
// Every function is pure, keeps no state and validates nothing: it is safe to
// call from any number of threads at once.
#pragma once

#include <array>
#include <cstdint>

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

}  // namespace tbcalc
