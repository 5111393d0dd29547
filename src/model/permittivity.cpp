// Klein-Swift permittivity of sea water and the Fresnel reflectivities of a
// flat surface. All arithmetic is double; the values stored in a float are the
// model's single-precision rounding points, and the float literals are the
// model's constants, widened exactly where they meet a double.
#include <cmath>

#include "sea_water.hpp"
#include "tbcalc/model.hpp"

namespace tbcalc {

using namespace detail;

namespace {

constexpr float kHalfPi = 1.5707964f;

}  // namespace

void rec2sph(float x, float y, float& r, float& phi) {
  const double xd = x;
  const double yd = y;
  r = float(std::sqrt(xd * xd + yd * yd));
  // On the positive imaginary axis the argument is pi/2 without atan2; on the
  // negative one atan2 gives -pi/2, which the wrap below turns into 3*pi/2.
  float angle = (x == 0.0f && !(y < 0.0f)) ? kHalfPi : float(std::atan2(yd, xd));
  if (angle < 0.0f) angle = float(double(angle) + double(kTwoPi));
  phi = angle;
}

void kleinswift(float freq, float theta, float tk, float sal, float& rv, float& rh, float& epsr,
                float& epsi) {
  const double t = double(tk) - double(kelvin_offset);  // degC, kept in double
  const double t2 = t * t;
  const double t3 = t2 * t;
  const double s = sal;
  const float s2 = float(s * s);
  const float s3 = float(s * s * s);
  const float omega = float(double(freq) * double(kTwoPi) * double(kHertzPerGigahertz));

  const double eps_static = static_permittivity(t, t2, t3, s, double(s2), double(s3));
  const double tau = relaxation_time(t, t2, t3, s, double(s2), double(s3));
  const double sigma = ionic_conductivity(t, s, double(s2), double(s3));

  const double omega_tau = double(omega) * tau;
  const double d = double(1.0f) + omega_tau * omega_tau;
  const double relaxing = eps_static - double(kEpsInfinity);
  epsr = float(double(kEpsInfinity) + relaxing / d);
  epsi = float(relaxing * omega_tau / d + sigma / (double(omega) * double(kVacuumPermittivity)));

  // Complex root of eps - sin^2(theta), the one with non-negative imaginary part.
  const float mu = float(std::cos(double(theta)));
  const double m = mu;
  const float x = float(double(epsr) - double(1.0f) + m * m);
  float modulus;
  float argument;
  rec2sph(x, epsi, modulus, argument);
  const float root_modulus = float(std::sqrt(double(modulus)));
  const float half_argument = float(double(argument) / double(2.0f));
  const float cos_half = float(std::cos(double(half_argument)));
  const float sin_half = float(std::sin(double(half_argument)));
  const float p = float(double(root_modulus) * double(cos_half));
  const double q = double(root_modulus) * double(sin_half);

  const double pd = p;
  const double h_minus = m - pd;
  const double h_plus = m + pd;
  rh = float((h_minus * h_minus + q * q) / (h_plus * h_plus + q * q));

  const double er_mu = double(epsr) * m;
  const double ei_mu = double(epsi) * m;
  const double v_re_minus = er_mu - pd;
  const double v_im_minus = ei_mu - q;
  const double v_re_plus = er_mu + pd;
  const double v_im_plus = ei_mu + q;
  rv = float((v_re_minus * v_re_minus + v_im_minus * v_im_minus) /
             (v_re_plus * v_re_plus + v_im_plus * v_im_plus));
}

}  // namespace tbcalc
