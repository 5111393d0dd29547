// The flat-sea nadir emissivity of one channel in double precision, with its
// derivative by the salinity: kleinswift's formulas without their float
// rounding points, differentiated through the Debye relaxation, the ionic
// loss and the Fresnel reflectivity |(sqrt(eps) - 1) / (sqrt(eps) + 1)|^2.
#pragma once

namespace tbcalc::detail {

struct SeaEmissivity {
  double emissivity;  // power fraction
  double per_psu;     // its derivative by the salinity
};

//   freq  GHz; sst  K; salinity  psu (below 0.1 the static permittivity is
//   fresh water's, which does not move with it)
SeaEmissivity sea_emissivity(double freq, double sst, double salinity);

}  // namespace tbcalc::detail
