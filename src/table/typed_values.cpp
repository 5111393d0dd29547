#include "typed_values.hpp"

#include "number_format.hpp"

namespace tbcalc::table {

void describe_out_of_range(const TypedValue& value, float typed, Problem& problem) {
  char digits[kMaxNumberChars];
  const auto shown = [&](float x) { return std::string_view(digits, write_shortest(x, digits)); };
  const AcceptedRange& range = value.range;
  problem << value.name << " " << shown(typed) << " out of range (";
  problem << (range.low_excluded ? "above " : "") << shown(range.low);
  problem << (range.low_excluded ? ", up to " : " to ") << shown(range.high) << " " << value.unit
          << ")";
  if (value.celsius && range.contains(kelvin_to_celsius(typed))) {
    problem << ": kelvin? temperatures are read in deg C";
  }
}

}  // namespace tbcalc::table
