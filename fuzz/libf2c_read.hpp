// libf2c's internal READ '(f10.5)' of a 64-column buffer: the reference our
// own field reader is compared with.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>

// f2c.h defines abs, min and max as macros: it comes after every standard header.
#include <f2c.h>
#undef abs
#undef min
#undef max

extern "C" {
int s_rsfi(icilist*);
int do_fio(ftnint*, char*, ftnlen);
int e_rsfi(void);
}

namespace tbcalc::fuzzing {

struct ReadResult {
  int status;
  std::uint32_t bits;
};

inline ReadResult libf2c_read_f10_5(std::array<char, 64> columns, float initial) {
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

}  // namespace tbcalc::fuzzing
