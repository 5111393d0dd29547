// The reply path over arbitrary bytes: the line reader, cread's
// classification and appended point, then the F10.5 read, compared with
// libf2c's own read of the same 64 columns. Any difference aborts.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "cread.hpp"
#include "fortran_fields.hpp"
#include "memory_streams.hpp"
// Last: it includes f2c.h, whose macros break standard headers after it.
#include "libf2c_fields.hpp"

using namespace tbcalc::console;
using namespace tbcalc::dialogue;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  StringSource source(std::string_view(reinterpret_cast<const char*>(data), size), 7);
  StringSink sink;
  OutputBuffer out(sink);
  LineReader in(source, out);
  ReplyLine line;
  ReplyCode code = ReplyCode::value;
  while (cread(in, line, code) == ReadStatus::line) {
    if (code != ReplyCode::value) continue;
    constexpr float kUntouched = -12345.678f;
    float ours = kUntouched;
    const int status = read_f10_5(std::span<const char, 10>(line.data(), 10), ours);
    const auto theirs = tbcalc::libf2c::read_f10_5(line, kUntouched);
    std::uint32_t our_bits;
    std::memcpy(&our_bits, &ours, sizeof our_bits);
    if (status != theirs.status || our_bits != theirs.bits) {
      std::fprintf(stderr, "F10.5 differs on [%.10s]: ours %d/%08x libf2c %d/%08x\n", line.data(),
                   status, our_bits, theirs.status, theirs.bits);
      std::abort();
    }
  }
  return 0;
}
