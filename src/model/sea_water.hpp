// The Klein-Swift terms of sea water that kleinswift combines, in double
// precision, and their derivatives by the salinity: the flat-sea
// emissivity's sensitivity to salinity (the Jacobian's) is taken from the
// same polynomials the model evaluates.
//   t, t2, t3  water temperature, degC, and its square and cube
//   s, s2, s3  salinity, psu, and its square and cube (kleinswift rounds
//              s2 and s3 to float; the derivatives take s alone)
#pragma once

namespace tbcalc::detail {

constexpr float kTwoPi = 6.2831855f;
constexpr float kHertzPerGigahertz = 1e9f;
constexpr float kEpsInfinity = 4.9f;               // high-frequency permittivity
constexpr float kVacuumPermittivity = 8.854e-12f;  // F/m
constexpr float kSalineThreshold = 0.1f;           // psu; below it the water is fresh

// Static permittivity, the Debye model's low-frequency limit.
double static_permittivity(double t, double t2, double t3, double s, double s2, double s3);
// Debye relaxation time, s. Salinity enters even for fresh water.
double relaxation_time(double t, double t2, double t3, double s, double s2, double s3);
// Ionic conductivity, S/m: the 25 degC value over a temperature factor,
// which the model rounds to float.
double ionic_conductivity(double t, double s, double s2, double s3);

// Their derivatives by the salinity, per psu, with every term in double. The
// static permittivity's is 0 below the saline threshold, where it is fresh
// water's.
double static_permittivity_salinity_slope(double t, double t2, double t3, double s);
double relaxation_time_salinity_slope(double t, double t2, double t3, double s);
double ionic_conductivity_salinity_slope(double t, double s);

}  // namespace tbcalc::detail
