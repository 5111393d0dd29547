// The inverse question: which surface wind speed and rain rate explain six
// measured brightness temperatures, and how sure is that answer; the
// Jacobian of the forward model that it rests on; and the misfit it minimises
// over a grid of the wind/rain plane, to be drawn.
//
// Method. Each brightness temperature is linear in the wind-induced emissivity
// increment, so for a fixed rain rate the noise-weighted misfit is a quadratic
// in the increment, and its minimum over each of the increment's three pieces
// (below 7, 7 to 31.9, from 31.9 m/s) follows in closed form. Each piece's
// misfit, so profiled, is a smooth function of the rain rate alone. A grid
// over the whole rain range brackets each profile's minima by the sign of its
// slope; the lowest are refined to a zero of the slope, and the lowest of all
// is the global minimum on the domain, also where two basins on either side
// of a break lie within one cell of the grid.
//
// Uncertainty, two ways. The linearised covariance at the solution,
// (J^T N^-1 J)^-1 with the analytic Jacobian J and the noise covariance N,
// gives one-sigma values cheaply; it is honest where the model is nearly
// linear over the spread of the answers. Confidence intervals, on request,
// come from the misfit itself: see Retrieval::wind_lo.
//
// Everything here evaluates the formulas of tbvrel in double precision with no
// rounding to float (the model's single-precision points are neither applied
// nor differentiated): brightness temperatures differ from tbvrel's by about
// 1e-5 K. Functions are pure and safe to call from any number of threads.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "tbcalc/model.hpp"

namespace tbcalc {

// One computation's inputs in double precision.
struct ModelPoint {
  std::array<double, 6> freq;              // GHz
  double sst;                              // K
  double altitude;                         // m
  double air;                              // K, at flight level
  std::array<double, 6> emis;              // flat-sea emissivity per channel
  double wind;                             // m/s
  double rain;                             // mm/h
  double salinity = default_salinity_psu;  // psu, of the emissivity: for d_salinity alone
};

// The point of the channel table `freqs` with an environment as the dialogue
// forms it, widened exactly to double.
ModelPoint model_point(const Environment& env, double wind, double rain);

// The six brightness temperatures of a point and their partial derivatives,
// in channel order. Units are K per unit of the input (K per m/s, per mm/h,
// per unit of the channel's own flat-sea emissivity, per K, per m).
// At a break point the derivative is that of the branch the model takes
// there, which is the one from above for wind and from below for altitude:
//   wind 7 and 31.9 m/s: the quadratic and the upper line, respectively;
//   altitude 1000 m: the layer temperature is the flight-level one, whose
//     derivative by altitude is 0; altitude 4000 m: the rain path is still
//     the altitude, derivative 1;
//   rain 0: the rain opacity and its derivative are both 0 (the rain's
//     sensitivity vanishes there; d_rain is exactly 0).
//   salinity 0.1 psu: below it the static permittivity is fresh water's,
//     which does not move with salinity; the jump at 0.1 itself is not a
//     derivative and is left out.
// d_salinity is K per psu, through the flat-sea emissivity evaluated in
// double precision at the point's salinity (the point's emissivity table is
// not differentiated). A channel outside 4 to 8 GHz gives 0 for all. Made
// for the accepted ranges; beyond them the formulas are evaluated as they
// stand.
struct Jacobian {
  std::array<double, 6> tb;          // K
  std::array<double, 6> d_wind;      // K per m/s
  std::array<double, 6> d_rain;      // K per mm/h
  std::array<double, 6> d_emis;      // K per unit flat-sea emissivity
  std::array<double, 6> d_sst;       // K per K, emissivity held
  std::array<double, 6> d_air;       // K per K
  std::array<double, 6> d_altitude;  // K per m
  std::array<double, 6> d_salinity;  // K per psu, through the flat-sea emissivity
};
Jacobian jacobian(const ModelPoint& point);

// The arrays of a Jacobian, described once: the Python module's attributes,
// its docstrings and its stubs follow this list, in this order.
struct JacobianField {
  std::string_view name;
  std::array<double, 6> Jacobian::*member;
  std::string_view doc;  // one line, units included
};
inline constexpr std::array<JacobianField, 8> jacobian_fields = {{
    {"tb", &Jacobian::tb, "Brightness temperatures, K."},
    {"d_wind", &Jacobian::d_wind, "dTb/d(wind), K per m/s."},
    {"d_rain", &Jacobian::d_rain, "dTb/d(rain), K per mm/h."},
    {"d_emis", &Jacobian::d_emis, "dTb/d(the channel's flat-sea emissivity), K per unit."},
    {"d_sst", &Jacobian::d_sst, "dTb/d(sea surface temperature), K per K, emissivity held."},
    {"d_air", &Jacobian::d_air, "dTb/d(air temperature), K per K."},
    {"d_altitude", &Jacobian::d_altitude, "dTb/d(altitude), K per m."},
    {"d_salinity", &Jacobian::d_salinity,
     "dTb/d(salinity), K per psu, through the flat-sea emissivity."},
}};

// The wind increment's pieces as the forward model takes them: 0 below 7 m/s,
// 1 from 7 m/s to below 31.9f (31.899999618530273 m/s), 2 from there up
// (NaN included). The increment drops by 1e-5 at 7 m/s and jumps by 2.4e-4 at
// 31.9f, so two speeds one float apart across a break give different
// brightness temperatures.
int wind_piece(double wind);

// The float to hand to the forward model (tbvrel, SixChannels) for a wind
// speed in m/s, such as a retrieval's answer: the float nearest to `wind` on
// the same piece (wind_piece) as `wind` itself. Rounding to nearest alone
// can cross a break: 31.8999996 rounds to 31.9f, which the model takes on
// the upper piece, about 0.1 K away in every channel; this gives 31.899998f,
// the largest float below 31.9f.
// Made for any value: NaN gives NaN; a finite value beyond the float range
// gives the largest finite float of its sign. Printing the result with three
// decimals can cross the break again (31.899998 prints as 31.900): a printed
// value is faithful only where wind_piece of the value read back agrees, and
// nine significant digits always are.
float wind_for_forward_model(double wind);

enum class RetrievalStatus {
  converged,           // a well-constrained minimum inside the domain
  at_bound,            // the minimum lies on a bound of the domain, held there
  poor_fit,            // misfit above poor_fit_factor in units of the noise
  weakly_constrained,  // an uncertainty too wide to be useful (see retrieve)
  invalid_input,       // nothing was attempted
};

// "converged", "at-bound", "poor-fit", "weakly-constrained", "invalid-input".
std::string_view status_name(RetrievalStatus status);

inline constexpr double default_noise_k = 0.5;  // K per channel
inline constexpr double poor_fit_factor = 3.0;  // sigmas of misfit per channel
inline constexpr double weak_wind_sd = 5.0;     // m/s
inline constexpr double weak_rain_sd = 5.0;     // mm/h
// One sigma of a normal distribution: erf(1/sqrt 2), printed 0.6827.
inline constexpr double one_sigma_level = 0.6826894921370859;

// The rise of the misfit (chi-square, in units of the noise) that bounds a
// confidence interval of one variable at `level`: the chi-square quantile
// with one degree of freedom, 2 erfinv(level)^2, to within a few units in the
// last place. 1 at one_sigma_level, 3.8414588 at 0.95. NaN unless
// 0 < level < 1; it grows without bound as level nears 1.
double chi_square_quantile(double level);

// The noise of the six channels, K, one sigma each, in the channel order of
// `freqs`: one value for all or one per channel. It converts implicitly from
// either, so that retrieve(..., 0.5, options) and retrieve(..., per_channel,
// options) both read as they mean.
struct Noise {
  std::array<double, 6> k;
  Noise(double all_k)  // NOLINT(google-explicit-constructor): a scalar is a noise
      : k{all_k, all_k, all_k, all_k, all_k, all_k} {}
  Noise(const std::array<double, 6>& per_channel_k)  // NOLINT(google-explicit-constructor)
      : k(per_channel_k) {}
};

// What a retrieval computes beyond the answer and its linearised sigmas.
struct RetrievalOptions {
  bool intervals = false;          // fill wind_lo ... rain_hi (NaN otherwise)
  double level = one_sigma_level;  // of the intervals: 0 < level < 1
};

// Whether a setting of the retrieval can be used. Where it cannot, `message`
// says what is wrong and what is needed, in static text without the value:
// the caller, who knows how the value was given (an option's text, an
// argument's name), adds it. retrieve makes these checks itself and answers
// invalid_input where one fails.
struct SettingCheck {
  bool ok;
  std::string_view message;  // empty where ok
};

// The noise as given: one value for all channels or six, one per channel
// (check_noise_count alone judges the count), each finite and above 0 K.
SettingCheck check_noise_count(std::size_t count);
SettingCheck check_noise(std::span<const double> noise_k);

// The options: where intervals are asked for, a level strictly between 0 and
// 1 (NaN is not); without them the level is not used and any value passes.
SettingCheck check_options(const RetrievalOptions& options);

// The outcome of one retrieval. Where the status is invalid_input every
// number is NaN and iterations is 0.
struct Retrieval {
  double wind;     // m/s, within 0 to 150
  double rain;     // mm/h, within -10 to 150
  double wind_sd;  // m/s, one sigma: linearised at the solution, for the
  double rain_sd;  // mm/h  given noise; inf where the data do not constrain it
  double rms;      // K, root mean square misfit over the six channels, unweighted
  // Confidence intervals at the requested level, NaN unless requested: for
  // the wind, every speed whose best fit (the rain chosen afresh for it)
  // raises the misfit above its minimum by no more than
  // chi_square_quantile(level), in units of the noise; for the rain alike.
  // Where the model is linear over the spread of the answers this is the
  // solution plus or minus z sigma (z = 1 at one_sigma_level); where it is
  // not, the interval follows the misfit: it is asymmetric, it is cut by the
  // domain (wind 0 to 150 m/s, rain -10 to 150 mm/h) instead of being
  // stretched across it, and near zero rain, where the rain's effect vanishes
  // and a linearised sigma is too small, it is as wide as the data allow.
  // Where the set is not one interval (two basins of the misfit both low
  // enough) these are its hull. Always wind_lo <= wind <= wind_hi and
  // rain_lo <= rain <= rain_hi. Each end is searched next to the nodes of the
  // rain grid (64, spaced evenly in sqrt(|rain|)) and the basins refined, and
  // is found to about 1e-6 of its unit; only points found within the set are
  // reported, so a stretch of the set that holds none of those nodes is missed
  // rather than guessed.
  double wind_lo;  // m/s
  double wind_hi;  // m/s
  double rain_lo;  // mm/h
  double rain_hi;  // mm/h
  int iterations;  // of the refinement of the winning basin (at most 100)
  RetrievalStatus status;
};

// The numbers of a Retrieval, described once: the table programs' output
// columns, the Python module's attributes and its type stubs all follow this
// list, in this order (the status word comes after them).
struct RetrievalField {
  std::string_view name;           // column and attribute name
  double Retrieval::*member;       // where the value is
  std::string_view units;          // UDUNITS spelling, as CF metadata wants it
  std::string_view long_name;      // a phrase for people
  std::string_view standard_name;  // from the CF standard name table, or empty
  std::string_view doc;            // one line for docstrings and stubs
  int decimals;                    // as the table programs print it
  bool interval;                   // a confidence bound: printed only on request
};
inline constexpr std::array<RetrievalField, 9> retrieval_fields = {{
    {"wind", &Retrieval::wind, "m s-1", "retrieved surface wind speed", "wind_speed",
     "Wind speed, m/s.", 3, false},
    {"rain", &Retrieval::rain, "mm h-1", "retrieved rain rate", "rainfall_rate", "Rain rate, mm/h.",
     3, false},
    {"wind_sd", &Retrieval::wind_sd, "m s-1", "one-sigma uncertainty of the wind speed", "",
     "One-sigma wind uncertainty, m/s (linearised at the solution).", 3, false},
    {"rain_sd", &Retrieval::rain_sd, "mm h-1", "one-sigma uncertainty of the rain rate", "",
     "One-sigma rain uncertainty, mm/h (linearised at the solution).", 3, false},
    {"rms", &Retrieval::rms, "K", "root mean square misfit of the brightness temperatures", "",
     "Root mean square misfit over the six channels, K.", 4, false},
    {"wind_lo", &Retrieval::wind_lo, "m s-1", "lower confidence bound of the wind speed", "",
     "Lower bound of the wind's confidence interval, m/s (from the misfit itself).", 3, true},
    {"wind_hi", &Retrieval::wind_hi, "m s-1", "upper confidence bound of the wind speed", "",
     "Upper bound of the wind's confidence interval, m/s (from the misfit itself).", 3, true},
    {"rain_lo", &Retrieval::rain_lo, "mm h-1", "lower confidence bound of the rain rate", "",
     "Lower bound of the rain's confidence interval, mm/h (from the misfit itself).", 3, true},
    {"rain_hi", &Retrieval::rain_hi, "mm h-1", "upper confidence bound of the rain rate", "",
     "Upper bound of the rain's confidence interval, mm/h (from the misfit itself).", 3, true},
}};

// The wind speed and rain rate within the dialogue's accepted ranges that
// minimise the noise-weighted misfit chi2 = sum over the six channels of
// ((model - tb) / noise)^2: exactly the global minimum of the all-double
// model on the domain (to the rounding of the misfit, about 1e-10 of it).
//   sst_c, altitude_m, air_c  the environment as typed at the dialogue
//                             (degC, m, degC), converted as it converts them
//   tb                        measured brightness temperatures, K, in the
//                             channel order of `freqs`
//   noise                     each channel's noise, K, one sigma; a noisy
//                             channel counts for less. Only the ratios
//                             between channels move the answer; the size
//                             scales sigmas, intervals and the fit test.
//   options                   intervals on request, at a level
// Status, first that applies:
//   invalid_input   a value is not finite, the environment is outside the
//                   accepted ranges, a brightness temperature is not above
//                   0 K, or check_noise or check_options fails (a channel's
//                   noise not above 0, intervals requested at a level not
//                   strictly between 0 and 1);
//   poor_fit        sqrt(chi2 / 6) > poor_fit_factor: the misfit per channel
//                   is above three sigmas of the noise (for equal noise, the
//                   rms misfit above three times the noise); or the misfit is
//                   not finite (NaN, or beyond the range of double, as for
//                   brightness temperatures and noise near 1e308 K): a fit
//                   that cannot be measured is never converged;
//   at_bound        the solution lies on a bound and the unconstrained
//                   Gauss-Newton step from it would leave the domain by more
//                   than 1% of that variable's sigma;
//   weakly_constrained  with intervals: the half-width of the wind's or the
//                   rain's interval, divided by sqrt(chi_square_quantile(
//                   level)) (a one-sigma equivalent, so the rule does not
//                   move with the level), above weak_wind_sd or weak_rain_sd;
//                   without: wind_sd or rain_sd above them. Near zero rain the
//                   linearised rain_sd is inf or too small; the interval is
//                   the honest measure there;
//   converged.
// Never fails otherwise; every loop is bounded. Intervals take about 1.4
// times the time of the answer alone.
Retrieval retrieve(float sst_c, float altitude_m, float air_c, const std::array<double, 6>& tb,
                   const Noise& noise, const RetrievalOptions& options,
                   float salinity_psu = default_salinity_psu);

// The same with one noise for all channels and no intervals.
Retrieval retrieve(float sst_c, float altitude_m, float air_c, const std::array<double, 6>& tb,
                   double noise_k = default_noise_k);

// A grid over the wind/rain plane: evenly spaced points, both ends included.
struct MisfitMapGrid {
  double wind_min = 0.0, wind_max = 150.0;  // m/s
  int wind_points = 151;
  double rain_min = -10.0, rain_max = 150.0;  // mm/h
  int rain_points = 161;
};

// The most points per axis and cells in all that a map may have: 32 MiB of
// misfit at most, as much as a picture can show and a browser's memory hold.
inline constexpr int kMaxMisfitMapPoints = 4096;
inline constexpr std::int64_t kMaxMisfitMapCells = std::int64_t{1} << 22;

// What is wrong with a grid, as the other checks say it: on each axis 2 to
// kMaxMisfitMapPoints points, finite bounds, the lower below the upper, both
// within the retrieval's domain (wind_range_ms, rain_range_mmh); and no more
// than kMaxMisfitMapCells cells.
SettingCheck check_misfit_grid(const MisfitMapGrid& grid);

// The misfit on a grid: one value per pair of a wind and a rain rate.
struct MisfitMap {
  std::vector<double> wind;  // m/s, the grid's wind_points values
  std::vector<double> rain;  // mm/h, the grid's rain_points values
  // chi2[j * wind.size() + i] at rain[j], wind[i]: sum over the channels of
  // ((model - tb) / noise)^2, the misfit retrieve() minimises, in units of the noise.
  std::vector<double> chi2;
};

// The misfit that retrieve minimises, over a grid of the wind/rain plane, for
// drawing its valleys: the basins on either side of the breaks at 7 and
// 31.9 m/s, the flat floor near zero rain. Arguments as retrieve's. The
// grid's values are min + i (max - min) / (points - 1), the last exactly
// max; every node is computed, none interpolated (the misfit jumps at the
// breaks). No node is below retrieve's minimum but by rounding (some 1e-11
// of it); where the node nearest retrieve's answer rises above that minimum
// by less than chi_square_quantile(level), the lowest node lies within
// retrieve's intervals at that level.
// A grid that fails check_misfit_grid gives three empty vectors; a scene that
// retrieve calls invalid_input gives the grid's axes and chi2 all NaN.
// Otherwise a value is finite unless the misfit overflows double (brightness
// temperatures near 1e308 K). One evaluation of the model per rain rate of
// the grid and a few operations per node: the default grid takes about the
// time of five retrievals.
MisfitMap misfit_map(float sst_c, float altitude_m, float air_c, const std::array<double, 6>& tb,
                     const Noise& noise, const MisfitMapGrid& grid = {},
                     float salinity_psu = default_salinity_psu);

}  // namespace tbcalc
