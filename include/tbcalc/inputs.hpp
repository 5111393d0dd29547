// The inputs of the forward model and of the retrieval, described once: the
// table programs take their columns, range checks, messages and help from
// this table, the Python module its argument names, docstrings and stubs,
// tbcalc.xarray its variables and CF attributes, the dialogue its ranges.
// A new input is a new entry here and in the lists of the computations that
// take it, and the code that computes with it.
#pragma once

#include <array>
#include <cstddef>
#include <limits>
#include <optional>
#include <string_view>

#include "tbcalc/model.hpp"

namespace tbcalc {

enum class InputId { sst, altitude, air, wind, rain, tb, salinity };

struct InputField {
  InputId id;
  std::string_view name;           // column, argument and variable name
  std::string_view long_name;      // for people: messages, help, CF long_name
  std::string_view unit;           // as messages and help texts write it
  std::string_view cf_units;       // UDUNITS spelling, as CF metadata wants it
  std::string_view standard_name;  // from the CF standard name table
  AcceptedRange range;             // of a value as typed (compared as a float)
  std::optional<float> fallback;   // taken where the input is not given; none: required
  std::size_t channels;            // 1, or 6: one value per channel of `freqs`
  bool celsius;                    // a temperature, typed in deg C
  std::string_view doc;            // one line, for help texts, docstrings and stubs
};

// Above 0 K, as a measured brightness temperature must be.
inline constexpr AcceptedRange brightness_range_k = {0.0f, std::numeric_limits<float>::infinity(),
                                                     true};

inline constexpr std::array<InputField, 7> inputs = {{
    {InputId::sst, "sst", "sea surface temperature", "deg C", "degC", "sea_surface_temperature",
     sst_range_c, std::nullopt, 1, true, "Sea surface temperature, degC."},
    {InputId::altitude, "altitude", "radar altitude", "m", "m", "height", altitude_range_m,
     std::nullopt, 1, false, "Radar altitude of the aircraft above the sea, m."},
    {InputId::air, "air", "air temperature", "deg C", "degC", "air_temperature", air_range_c,
     std::nullopt, 1, true, "Air temperature at flight level, degC."},
    {InputId::wind, "wind", "wind speed", "m/s", "m s-1", "wind_speed", wind_range_ms, std::nullopt,
     1, false, "Surface wind speed, m/s."},
    {InputId::rain, "rain", "rain rate", "mm/h", "mm h-1", "rainfall_rate", rain_range_mmh,
     std::nullopt, 1, false, "Rain rate, mm/h (negative rates act as negative absorption)."},
    {InputId::tb, "tb", "brightness temperature", "K", "K", "brightness_temperature",
     brightness_range_k, std::nullopt, 6, false,
     "Measured brightness temperatures, K, one per channel of freqs."},
    {InputId::salinity, "salinity", "sea surface salinity", "psu", "1e-3", "sea_surface_salinity",
     salinity_range_psu, default_salinity_psu, 1, false,
     "Sea surface salinity, psu (practical salinity)."},
}};

constexpr const InputField& input_field(InputId id) { return inputs[std::size_t(id)]; }
static_assert([] {
  for (std::size_t k = 0; k < inputs.size(); ++k) {
    if (inputs[k].id != InputId(k)) return false;
  }
  return true;
}());

// The inputs of each computation, in the order every surface takes them.
inline constexpr std::array<InputId, 6> forward_inputs = {
    InputId::sst, InputId::altitude, InputId::air, InputId::wind, InputId::rain, InputId::salinity};
inline constexpr std::array<InputId, 5> retrieval_inputs = {
    InputId::sst, InputId::altitude, InputId::air, InputId::tb, InputId::salinity};

// Where an input's first value stands among the values of `ids` taken one
// after another, a six-channel input's six included.
template <std::size_t N>
constexpr std::size_t value_index(const std::array<InputId, N>& ids, InputId id) {
  std::size_t index = 0;
  for (InputId each : ids) {
    if (each == id) return index;
    index += input_field(each).channels;
  }
  return index;
}

// How many values the inputs `ids` are, a six-channel input's six included.
template <std::size_t N>
constexpr std::size_t value_count(const std::array<InputId, N>& ids) {
  std::size_t count = 0;
  for (InputId each : ids) count += input_field(each).channels;
  return count;
}

}  // namespace tbcalc
