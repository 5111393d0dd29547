#include "sea_emissivity.hpp"

#include <complex>

#include "sea_water.hpp"
#include "tbcalc/model.hpp"

namespace tbcalc::detail {

SeaEmissivity sea_emissivity(double freq, double sst, double salinity) {
  const double t = sst - double(kelvin_offset);
  const double t2 = t * t, t3 = t2 * t;
  const double s = salinity, s2 = s * s, s3 = s2 * s;
  const double omega = freq * double(kTwoPi) * double(kHertzPerGigahertz);
  const double conduction = 1.0 / (omega * double(kVacuumPermittivity));

  const double eps_static = static_permittivity(t, t2, t3, s, s2, s3);
  const double tau = relaxation_time(t, t2, t3, s, s2, s3);
  const double sigma = ionic_conductivity(t, s, s2, s3);
  const double d_eps_static = static_permittivity_salinity_slope(t, t2, t3, s);
  const double d_tau = relaxation_time_salinity_slope(t, t2, t3, s);
  const double d_sigma = ionic_conductivity_salinity_slope(t, s);

  // Debye relaxation with conduction loss, and its change with salinity.
  const double x = omega * tau, dx = omega * d_tau;
  const double d = 1.0 + x * x, dd = 2.0 * x * dx;
  const double relaxing = eps_static - double(kEpsInfinity);
  const double eps_real = double(kEpsInfinity) + relaxing / d;
  const double eps_loss = relaxing * x / d + sigma * conduction;
  const double d_real = d_eps_static / d - relaxing * dd / (d * d);
  const double d_loss =
      (d_eps_static * x + relaxing * dx) / d - relaxing * x * dd / (d * d) + d_sigma * conduction;

  // At nadir the reflection coefficient is (root - 1) / (root + 1), root the
  // square root of eps with non-negative imaginary part.
  const std::complex<double> eps(eps_real, eps_loss), d_eps(d_real, d_loss);
  const std::complex<double> root = std::sqrt(eps);
  const std::complex<double> r = (root - 1.0) / (root + 1.0);
  const std::complex<double> dr = d_eps / (root * (root + 1.0) * (root + 1.0));
  const double reflectivity = std::norm(r);
  const double d_reflectivity = 2.0 * std::real(std::conj(r) * dr);
  return {1.0 - reflectivity, -d_reflectivity};
}

}  // namespace tbcalc::detail
