// The module's docstrings, numpydoc layout, units on every parameter. The
// Parameters sections come from the functions' signatures (the inputs'
// description), the results from `retrieval_fields` and `jacobian_fields`.
#pragma once

#include <string>

#include "signature.hpp"
#include "tbcalc/retrieval.hpp"

namespace tbcalc::python::docs {

inline constexpr const char* kModule =
    R"(Nadir brightness temperatures of the sea at C band, and their inverse.

The forward model of the tbcalc console calculator on numpy arrays: the flat-sea
emissivity of sea water (Klein-Swift permittivity, at salinity 36 unless another
is given), the brightness
temperature that a nadir-looking radiometer on an aircraft sees on six channels,
its Jacobian, and the retrieval of wind speed and rain rate from six measured
brightness temperatures.

Inputs broadcast against each other in the numpy way; the six channels, in the
order of `freqs`, are the last axis of every per-channel result. Environment
values are taken as the dialogue stores typed values: as float32, temperatures
converted to kelvin with 273.146. The loops run without the GIL and stop at
Ctrl-C with KeyboardInterrupt. `tbcalc.xarray` (with xarray installed) runs
the model and the retrieval on labelled data, lazily on dask arrays.

Attributes
----------
freqs : ndarray of float32, shape (6,)
    The channel frequencies, GHz: 4.74, 5.31, 5.57, 6.02, 6.69, 7.09.
STATUSES : tuple of str
    The retrieval's status words; ``Retrieval.status_code`` indexes them.
ONE_SIGMA_LEVEL : float
    The default level of the confidence intervals: erf(1/sqrt(2)), one sigma.
RETRIEVAL_FIELDS : tuple of tuple
    The retrieval's numbers, one ``(name, units, long_name, standard_name,
    doc, interval)`` each, in the order of ``Retrieval``'s attributes: units
    in UDUNITS spelling, standard_name from the CF table or empty, interval
    True for the bounds of the confidence intervals (NaN unless asked for).
JACOBIAN_FIELDS : tuple of tuple
    The Jacobian's arrays, one ``(name, doc)`` each, in the order of
    ``Jacobian``'s attributes.
INPUTS : tuple of tuple
    The inputs of the model and the retrieval, one ``(name, units,
    long_name, standard_name, doc, default, channels)`` each: the argument
    names of these functions, the columns of the table programs and the
    variables of tbcalc.xarray; units in UDUNITS spelling, default None where
    the input must be given, channels 6 for one value per channel.
)";

// A function's docstring: the signature CPython reads from its first line,
// the summary and description, the generated Parameters, the rest.
inline std::string docstring(const Signature& signature, const char* head,
                             const std::string& tail) {
  return signature.text() + "\n--\n\n" + head + "\n" + signature.parameters_doc() + "\n" + tail;
}

inline constexpr const char* kEmissivityHead = R"(Flat-sea emissivity at nadir, per channel.
)";

inline constexpr const char* kEmissivityTail = R"(Returns
-------
ndarray of float32, shape ``(..., 6)``
    Emissivity (power fraction, about 0.36) per channel of `freqs`.

Raises
------
TypeError
    If an input does not hold real numbers.
ValueError
    If the inputs do not broadcast together.

Examples
--------
>>> tbcalc.emissivity(15.0)[0]   # 4.74 GHz
0.358515...
)";

inline constexpr const char* kBrightnessHead =
    R"(Brightness temperature seen at nadir from the aircraft, per channel.

For every element exactly the float32 values that tbcalc computes and prints
(F7.2) for the same typed replies, the dialogue's conversions and emissivity
table included. Values outside the dialogue's accepted ranges are computed as
the model defines them (it validates nothing): an emissivity above 1 at high
winds, transmittances above 1 for negative rain rates, 0 K nowhere but outside
the band. NaN gives NaN. "Accepted" is what the dialogue accepts typed.
)";

inline constexpr const char* kBrightnessTail = R"(Returns
-------
ndarray of float32, shape ``broadcast(...) + (6,)``
    Brightness temperatures, K, in the channel order of `freqs`.

Raises
------
TypeError
    If an input does not hold real numbers.
ValueError
    If the inputs do not broadcast together.
KeyboardInterrupt
    On Ctrl-C, within a few milliseconds; nothing is returned.

Examples
--------
>>> tbcalc.brightness(20, 1500, 10, 10, 5)
array([112.86..., 114.08..., 114.64..., 115.64..., 117.19..., 118.18...], dtype=float32)
>>> tbcalc.brightness(20, 1500, 10, np.linspace(0, 30, 4)[:, None], [0, 5]).shape
(4, 2, 6)
)";

inline constexpr const char* kJacobianHead =
    R"(Brightness temperatures and their partial derivatives, per channel.

The formulas of the model evaluated in float64 without its float32 rounding
points (brightness temperatures differ from `brightness` by about 1e-5 K),
differentiated analytically. At a break point the derivative is that of the
branch the model takes there: for wind 7 and 31.9 m/s the piece from above,
for altitude 1000 and 4000 m the one from below; at zero rain the rain's
sensitivity is exactly 0; below salinity 0.1 the static permittivity is fresh
water's, and the jump at 0.1 is left out. The inputs are taken as float32,
as for `brightness`.
)";

// The Returns section, one line per entry of `jacobian_fields`.
inline std::string jacobian_tail() {
  std::string doc =
      "Returns\n-------\nJacobian\n    Arrays of float64, shape ``broadcast(...) + (6,)``:\n\n";
  for (const JacobianField& f : jacobian_fields) {
    doc += "    " + std::string(f.name) + "\n        " + std::string(f.doc) + "\n";
  }
  return doc + R"(
Raises
------
TypeError
    If an input does not hold real numbers.
ValueError
    If the inputs do not broadcast together.
KeyboardInterrupt
    On Ctrl-C, within a few milliseconds; nothing is returned.
)";
}

inline constexpr const char* kRetrieveHead =
    R"(Wind speed and rain rate from six measured brightness temperatures.

The global minimum, over wind 0 to 150 m/s and rain -10 to 150 mm/h, of the
sum of squared differences between the model and `tb`, each in units of its
channel's noise, with uncertainties linearised at the solution and, on
request, confidence intervals from the misfit itself. Every element is
retrieved on its own; the work runs without the GIL. The environment and
the salinity broadcast against the leading axes of `tb`, taken as float32
as the dialogue stores typed values.
)";

inline constexpr const char* kNoise = R"(noise_k : array_like, optional
    Noise of the channels, K, one sigma (default 0.5). With as many axes as
    `tb`, its last axis is the channels (six, or one for all) and the others
    broadcast against tb's: ``[[0.3, 0.3, 0.5, 0.5, 0.8, 0.8]]`` for a noise
    per channel of ``tb`` of shape ``(n, 6)``. With fewer axes it is one
    noise for all channels of each element, broadcast against the leading
    axes of `tb` as the environment is: a number, or shape ``(n,)``. More
    axes than `tb` are an error: for several rows of noise per channel, give
    `tb` an axis to match (``tb[np.newaxis]``).)";

inline constexpr const char* kIntervals = R"(intervals : bool, optional, keyword only
    Also compute the confidence intervals ``wind_lo``, ``wind_hi``,
    ``rain_lo``, ``rain_hi`` (NaN otherwise): every wind whose best fit, the
    rain chosen afresh, raises the misfit by no more than the chi-square
    quantile of `level` (one degree of freedom), and likewise for the rain.
    Unlike +- sigma they are honest where the problem is not linear (near
    zero rain), asymmetric, and bounded by the domain. About 1.4 times the
    time.)";

inline constexpr const char* kLevel = R"(level : float, optional, keyword only
    Level of the intervals, 0 < level < 1 (default 0.6827, one sigma).)";

inline constexpr const char* kRetrieveReturns = R"(Returns
-------
Retrieval
    Arrays of the broadcast shape, one per entry of `RETRIEVAL_FIELDS`
    (float64), then the iterations, the status code and its word:

)";

inline constexpr const char* kRetrieveTail = R"(    iterations : int32
        Iterations of the refinement, at most 100.
    status_code : uint8
        The status as its position in `STATUSES`.
    status : str, one dtype (the longest word's width)
        ``STATUSES[status_code]``: 'converged', 'at-bound', 'poor-fit' (the
        misfit per channel above three sigmas of the noise, or not finite),
        'weakly-constrained' (with intervals, an interval's half-width per
        unit of its z above 5 m/s or 5 mm/h; without, a sigma above them) or
        'invalid-input' (a value not finite, the environment or the salinity
        outside the accepted ranges, a temperature not above 0 K or a noise
        not above 0; the numbers are then NaN).

Raises
------
TypeError
    If an input does not hold real numbers.
ValueError
    If the last axis of `tb` is not 6 long, `noise_k` has more axes than
    `tb`, the last axis of a per-channel `noise_k` is not 6 or 1 long, the
    inputs do not broadcast, or intervals are asked for at a level not
    strictly between 0 and 1.
KeyboardInterrupt
    On Ctrl-C, within a few milliseconds; nothing is returned.

Examples
--------
>>> r = tbcalc.retrieve(20, 1500, 10, tbcalc.brightness(20, 1500, 10, 10, 5))
>>> float(r.wind), float(r.rain), str(r.status)
(10.0..., 5.0..., 'converged')
)";

// The retrieve docstring's Returns and the rest, one entry per field of the
// result.
inline std::string retrieve_tail() {
  std::string doc = kRetrieveReturns;
  for (const RetrievalField& f : retrieval_fields) {
    doc += "    " + std::string(f.name) + " : " + std::string(f.units) + "\n        " +
           std::string(f.doc) + "\n";
  }
  return doc + kRetrieveTail;
}

inline constexpr const char* kMisfitMapHead =
    R"(The misfit that `retrieve` minimises, over a grid of wind and rain.

For one scene: at every node of an even grid over the wind/rain plane, the
sum over the channels of ((model - tb) / noise)**2, in units of the noise,
as `retrieve` computes it, for drawing its valleys (the basins on either
side of the breaks at 7 and 31.9 m/s, the flat floor near zero rain) with
``matplotlib.pyplot.pcolormesh(m.wind, m.rain, m.chi2)``. Every node is
computed, none interpolated. The environment and the salinity are numbers,
taken as float32 as the dialogue stores typed values.
)";

inline constexpr const char* kMisfitNoise = R"(noise_k : float or array_like of 6, optional
    Noise of the channels, K, one sigma (default 0.5): one for all channels
    or one per channel, in the order of `freqs`.)";

// A grid axis's entry in the Parameters section, from the limits that
// check_misfit_grid applies.
inline std::string grid_axis_doc(const char* name, const char* unit, const AcceptedRange& range) {
  return std::string(name) + " : tuple, optional, keyword only\n    The grid's " + name +
         " axis, ``(min, max, points)``: min below max, in " + unit + ",\n    accepted " +
         accepted(range) + "; 2 to " + std::to_string(kMaxMisfitMapPoints) +
         " points, both ends included; at most\n    " + std::to_string(kMaxMisfitMapCells) +
         " nodes in all.";
}

inline constexpr const char* kMisfitMapTail = R"(Returns
-------
MisfitMap
    ``wind`` (m/s) and ``rain`` (mm/h), float64 of shapes ``(nw,)`` and
    ``(nr,)``: the nodes, ``min + i * (max - min) / (points - 1)``, the
    last exactly max; ``chi2``, float64 of shape ``(nr, nw)``, a row per
    rain rate. Where `retrieve` would answer 'invalid-input' (a value not
    finite, the environment or the salinity outside the accepted ranges, a
    temperature not above 0 K, a noise not above 0), chi2 is all NaN.

Raises
------
TypeError
    If an input does not hold real numbers, or an axis is not two numbers
    and an integer.
ValueError
    If a value of the environment is not one number, `tb` is not six,
    `noise_k` neither one nor six, or the grid cannot be used (the message
    says why).

Examples
--------
>>> tb = tbcalc.brightness(20, 1500, 10, 10, 5)
>>> m = tbcalc.misfit_map(20, 1500, 10, tb)
>>> m.chi2.shape
(161, 151)
>>> j, i = np.unravel_index(np.argmin(m.chi2), m.chi2.shape)
>>> float(m.wind[i]), float(m.rain[j])
(10.0, 5.0)
)";

inline constexpr const char* kCheckRetrievalOptions =
    R"(ValueError, as `retrieve` raises it, unless `level` suits `intervals`.

For tbcalc.xarray, which checks before it builds a lazy computation.
)";

inline constexpr const char* kJacobianClass =
    "The result of jacobian(): arrays of shape (..., 6), float64, one per entry of "
    "JACOBIAN_FIELDS.";

inline constexpr const char* kRetrievalClass =
    "The result of retrieve(): arrays of the broadcast shape.";

inline constexpr const char* kMisfitMapClass =
    "The result of misfit_map(): the grid's axes and the misfit at its nodes.";
inline constexpr const char* kMisfitMapWind = "Wind speeds of the grid, m/s, shape (nw,).";
inline constexpr const char* kMisfitMapRain = "Rain rates of the grid, mm/h, shape (nr,).";
inline constexpr const char* kMisfitMapChi2 =
    "Misfit in units of the noise, shape (nr, nw): chi2[j, i] at rain[j], wind[i].";

}  // namespace tbcalc::python::docs
