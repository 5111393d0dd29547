// The console's numeric fields, character for character as Fortran formatted
// I/O gives them: the F10.5 read of a reply, the F7.2 and I5 writes of results.
#pragma once

#include <span>

namespace tbcalc::dialogue {

// Status of a field that holds a character no number can contain.
inline constexpr int kBadFieldCharacter = 115;

// Reads a 10-column F10.5 field with blanks ignored. Returns 0 and sets
// `value`, or returns kBadFieldCharacter and leaves `value` unchanged.
// Without a decimal point the last five digits are decimals; an exponent is
// E, e, D or d, or a bare sign, followed by digits; a comma or line end ends
// the field early; a field without mantissa digits reads 0. The decimal value
// is rounded to double, then to float.
int read_f10_5(std::span<const char, 10> field, float& value);

// Writes `value` right-aligned in 7 columns with 2 decimals, rounded from its
// exact binary value (ties to even). Magnitudes below 1 have no leading 0, a
// negative value that rounds to zero loses its sign, inf and nan print as
// "inf", "-inf", "nan" and "-nan", and a value too wide prints 7 asterisks.
void write_f7_2(float value, std::span<char, 7> out);

// Writes `value` right-aligned in 5 columns, or 5 asterisks when too wide.
void write_i5(int value, std::span<char, 5> out);

}  // namespace tbcalc::dialogue
