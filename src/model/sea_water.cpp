// The Klein-Swift polynomials in temperature and salinity, each coefficient
// a float widened where it is used, and their derivatives by the salinity
// from the same coefficients.
#include "sea_water.hpp"

#include <cmath>

namespace tbcalc::detail {
namespace {

constexpr float kConductivityReference = 25.0f;  // degC of the sigma25 fit

// Static permittivity of fresh water and of sea water at zero salinity, by
// powers of t; the salinity factor a(S, t) = 1 + a0 S t - a1 S + a2 S^2 - a3 S^3.
constexpr float kFresh[4] = {88.045f, 0.4147f, 6.295e-4f, 1.075e-5f};
constexpr float kSaline[4] = {87.134f, 0.1949f, 0.01276f, 2.491e-4f};
constexpr float kSalineFactor[4] = {1.613e-5f, 0.003656f, 3.21e-5f, 4.232e-7f};
// Relaxation time at zero salinity, s, and its factor b(S, t), alike.
constexpr float kTau[4] = {1.768e-11f, 6.086e-13f, 1.104e-14f, 8.111e-17f};
constexpr float kTauFactor[4] = {2.282e-5f, 7.638e-4f, 7.76e-6f, 1.105e-8f};
// The conductivity's temperature exponent beta, by powers of delta = 25 - t,
// and its salinity term; sigma25 = S (c0 - c1 S + c2 S^2 - c3 S^3).
constexpr float kBeta[3] = {2.033e-2f, 1.266e-4f, 2.464e-6f};
constexpr float kBetaSalinity[3] = {1.849e-5f, 2.551e-7f, 2.551e-8f};
constexpr float kSigma25[4] = {0.182521f, 1.46192e-3f, 2.09324e-5f, 1.28205e-7f};

double w(float c) { return double(c); }

double saline_static(double t, double t2, double t3) {
  return w(kSaline[0]) - w(kSaline[1]) * t - w(kSaline[2]) * t2 + w(kSaline[3]) * t3;
}

double tau_at_zero_salinity(double t, double t2, double t3) {
  return w(kTau[0]) - w(kTau[1]) * t + w(kTau[2]) * t2 - w(kTau[3]) * t3;
}

double beta_salinity_term(double delta) {
  return w(kBetaSalinity[0]) - w(kBetaSalinity[1]) * delta + w(kBetaSalinity[2]) * (delta * delta);
}

double beta(double delta, double s) {
  return (w(kBeta[0]) + w(kBeta[1]) * delta + w(kBeta[2]) * (delta * delta)) -
         s * beta_salinity_term(delta);
}

}  // namespace

double static_permittivity(double t, double t2, double t3, double s, double s2, double s3) {
  if (s < double(kSalineThreshold)) {
    return w(kFresh[0]) - w(kFresh[1]) * t + w(kFresh[2]) * t2 + w(kFresh[3]) * t3;
  }
  const double a = double(1.0f) + w(kSalineFactor[0]) * s * t - w(kSalineFactor[1]) * s +
                   w(kSalineFactor[2]) * s2 - w(kSalineFactor[3]) * s3;
  return saline_static(t, t2, t3) * a;
}

double relaxation_time(double t, double t2, double t3, double s, double s2, double s3) {
  const double b = double(1.0f) + w(kTauFactor[0]) * s * t - w(kTauFactor[1]) * s -
                   w(kTauFactor[2]) * s2 + w(kTauFactor[3]) * s3;
  return tau_at_zero_salinity(t, t2, t3) * b;
}

double ionic_conductivity(double t, double s, double s2, double s3) {
  const double delta = double(kConductivityReference) - t;
  const double sigma25 =
      s * (w(kSigma25[0]) - w(kSigma25[1]) * s + w(kSigma25[2]) * s2 - w(kSigma25[3]) * s3);
  const float temperature_factor = float(std::exp(delta * beta(delta, s)));
  return sigma25 / double(temperature_factor);
}

double static_permittivity_salinity_slope(double t, double t2, double t3, double s) {
  if (s < double(kSalineThreshold)) return 0.0;
  const double da = w(kSalineFactor[0]) * t - w(kSalineFactor[1]) + 2.0 * w(kSalineFactor[2]) * s -
                    3.0 * w(kSalineFactor[3]) * s * s;
  return saline_static(t, t2, t3) * da;
}

double relaxation_time_salinity_slope(double t, double t2, double t3, double s) {
  const double db = w(kTauFactor[0]) * t - w(kTauFactor[1]) - 2.0 * w(kTauFactor[2]) * s +
                    3.0 * w(kTauFactor[3]) * s * s;
  return tau_at_zero_salinity(t, t2, t3) * db;
}

double ionic_conductivity_salinity_slope(double t, double s) {
  // sigma = sigma25(S) exp(-delta beta(S)), beta falling with S.
  const double delta = double(kConductivityReference) - t;
  const double sigma25 = s * (w(kSigma25[0]) - w(kSigma25[1]) * s + w(kSigma25[2]) * s * s -
                              w(kSigma25[3]) * s * s * s);
  const double d_sigma25 = w(kSigma25[0]) - 2.0 * w(kSigma25[1]) * s +
                           3.0 * w(kSigma25[2]) * s * s - 4.0 * w(kSigma25[3]) * s * s * s;
  const double factor = std::exp(-delta * beta(delta, s));
  return (d_sigma25 + sigma25 * delta * beta_salinity_term(delta)) * factor;
}

}  // namespace tbcalc::detail
