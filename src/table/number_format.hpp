// Numbers as the table programs print them, each in a bounded width whatever
// the value: a line of output can never outgrow the room made for it.
#pragma once

#include <cstddef>

namespace tbcalc::table {

// The most characters any number below takes.
inline constexpr std::size_t kMaxNumberChars = 24;

// `decimals` digits after the point (0 to 9), as printf's %.Nf would write
// it, for magnitudes below 1e12; beyond, the same digits in exponent form
// (1.000e+103). NaN is "nan" (whatever its sign bit), infinities "inf" and
// "-inf". Writes at most kMaxNumberChars into `out`; returns how many.
std::size_t write_fixed(double value, int decimals, char* out);

// The shortest decimal that reads back (correctly rounded) as the same
// float, as std::to_chars writes it; "nan", "inf", "-inf" as above. Writes at
// most kMaxNumberChars into `out`; returns how many.
std::size_t write_shortest(float value, char* out);

}  // namespace tbcalc::table
