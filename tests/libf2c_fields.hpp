// libf2c's internal READ '(f10.5)' and WRITE '(f7.2)' / '(i5)': the
// reference for the console's numeric fields, in tests and the fuzzer.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <string>

// f2c.h defines abs, min and max as macros: it comes after every standard header.
#include <f2c.h>
#undef abs
#undef min
#undef max

extern "C" {
int s_rsfi(icilist*);
int s_wsfi(icilist*);
int do_fio(ftnint*, char*, ftnlen);
int e_rsfi(void);
int e_wsfi(void);
}

namespace tbcalc::libf2c {

struct ReadResult {
  int status;
  std::uint32_t bits;  // of the value, `initial` when the read failed
};

inline ReadResult read_f10_5(std::array<char, 64> columns, float initial) {
  real v = initial;
  ftnint one = 1;
  icilist io = {1, columns.data(), 0, const_cast<char*>("(f10.5)"), 64, 1};
  int status = s_rsfi(&io);
  if (status == 0) status = do_fio(&one, reinterpret_cast<char*>(&v), sizeof(real));
  if (status == 0) status = e_rsfi();
  std::uint32_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  return {status, bits};
}

// The field `format` gives `value` of `size` bytes, `width` columns; empty on an error.
inline std::string write(const char* format, void* value, ftnlen size, int width) {
  std::array<char, 16> out{};
  ftnint one = 1;
  icilist io = {1, out.data(), 0, const_cast<char*>(format), width, 1};
  int status = s_wsfi(&io);
  if (status == 0) status = do_fio(&one, static_cast<char*>(value), size);
  if (status == 0) status = e_wsfi();
  return status == 0 ? std::string(out.data(), std::size_t(width)) : std::string();
}

}  // namespace tbcalc::libf2c
