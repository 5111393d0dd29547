// The environment values a record holds, as the dialogue accepts them typed:
// what messages call them, their units and ranges, and the message for one
// outside its range.
#pragma once

#include <array>
#include <string_view>

#include "problem.hpp"
#include "tbcalc/model.hpp"

namespace tbcalc::table {

struct TypedValue {
  std::string_view name;  // as a message names it
  AcceptedRange range;
  std::string_view unit;
  bool celsius;  // a temperature, typed in deg C
};

// In the dialogue's order: sea surface temperature, altitude, air
// temperature, wind speed, rain rate.
inline constexpr std::array<TypedValue, 5> typed_values = {{
    {"sea surface temperature", sst_range_c, "deg C", true},
    {"altitude", altitude_range_m, "m", false},
    {"air temperature", air_range_c, "deg C", true},
    {"wind speed", wind_range_ms, "m/s", false},
    {"rain rate", rain_range_mmh, "mm/h", false},
}};

// "wind speed 200 out of range (0 to 150 m/s)". A temperature that would be
// within its range in kelvin says so: a file of kelvin is a common mistake.
void describe_out_of_range(const TypedValue& value, float typed, Problem& problem);

}  // namespace tbcalc::table
