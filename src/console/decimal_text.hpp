// Decimal text of floating-point numbers, the same bytes wherever the programs
// are built: reading as std::from_chars and writing as std::to_chars do in
// libstdc++. Elsewhere (the libc++ of WebAssembly builds has no floating-point
// overloads) the C library's correctly rounded strtod and printf take their
// place, with the syntax, the errors and the choice of form decided here.
#pragma once

#include <charconv>
#include <system_error>
#include <version>

// The C++ library's own conversions are taken where they are libstdc++'s,
// whose errors the stand-ins copy; other libraries' may say out of range
// where libstdc++ does not.
#if defined(__cpp_lib_to_chars) && defined(__GLIBCXX__)
#define TBCALC_LIBRARY_CHARCONV 1
#else
#define TBCALC_LIBRARY_CHARCONV 0
#endif

namespace tbcalc::console {

namespace detail {

// The stand-ins for std::from_chars and std::to_chars, as they are used
// below, always built so that they can be compared with the C++ library.
// They need the C library's LC_NUMERIC to be "C", as it is when no one calls
// setlocale (and always with musl).
std::from_chars_result from_chars(const char* first, const char* last, double& value);
std::to_chars_result to_chars(char* first, char* last, double value, std::chars_format format,
                              int precision);
std::to_chars_result to_chars(char* first, char* last, float value);

}  // namespace detail

// The number at the start of [first, last), as std::from_chars(first, last,
// value) reads it: an optional '-', digits with an optional point (at least
// one digit), an optional exponent ('e' or 'E', an optional sign, digits); or
// "inf", "infinity", "nan", "nan(letters, digits, _)" in any case, after an
// optional '-'. No '+', blank or "0x" in front. The value is the double
// nearest the decimal, ties to even. Returns where the number ends, and:
//   errc()                     value set (a NaN is quiet; its sign is the text's)
//   errc::invalid_argument     no number at `first`; ptr == first, value untouched
//   errc::result_out_of_range  a decimal that is not zero but rounds to zero, or
//                              one beyond the largest double; value untouched
inline std::from_chars_result read_double(const char* first, const char* last, double& value) {
#if TBCALC_LIBRARY_CHARCONV
  return std::from_chars(first, last, value);
#else
  return detail::from_chars(first, last, value);
#endif
}

// `value` as std::to_chars(first, last, value, format, precision) writes it,
// which is printf's %.*f (format fixed) or %.*e (format scientific) in the
// "C" locale: the exact value rounded to `precision` digits after the point,
// ties to even; a negative precision is 6. "inf", "-inf", "nan", "-nan" for
// the others. REQUIRES: format is fixed or scientific. Returns the end of
// the text, or {last, errc::value_too_large} when it does not fit.
inline std::to_chars_result write_double(char* first, char* last, double value,
                                         std::chars_format format, int precision) {
#if TBCALC_LIBRARY_CHARCONV
  return std::to_chars(first, last, value, format, precision);
#else
  return detail::to_chars(first, last, value, format, precision);
#endif
}

// `value` as std::to_chars(first, last, value) writes a float: the fewest
// significant digits that read back as the same float, the closest such
// decimal to it (ties to even), in fixed or scientific form (exponent of two
// digits at least), whichever is shorter, fixed on a tie. A fixed whole
// number is the float's exact value ("1234567823360" for 1.2345678e12f).
// "-0", "inf", "-inf", "nan", "-nan" as signed. Returns the end of the text,
// or {last, errc::value_too_large} when it does not fit (15 chars always do).
inline std::to_chars_result write_float_shortest(char* first, char* last, float value) {
#if TBCALC_LIBRARY_CHARCONV
  return std::to_chars(first, last, value);
#else
  return detail::to_chars(first, last, value);
#endif
}

}  // namespace tbcalc::console
