#include "result_lines.hpp"

#include "fortran_fields.hpp"
#include "tbcalc/model.hpp"

namespace tbcalc::dialogue {
namespace {

// Writes head, six F7.2 fields and tail at `out`; returns the end.
char* write_line(char* out, std::string_view head, std::span<const float, 6> values,
                 std::string_view tail) {
  out += head.copy(out, head.size());
  for (float v : values) {
    write_f7_2(v, std::span<char, 7>(out, 7));
    out += 7;
  }
  return out + tail.copy(out, tail.size());
}

}  // namespace

ResultLines::ResultLines() {
  write_line(text_.data(), "Freq:", freqs, " GHz\n");
  write_line(text_.data() + kFreqLength, "  Tb:", std::array<float, 6>{}, " K\n");
}

std::string_view ResultLines::format(std::span<const float, 6> tb) {
  write_line(text_.data() + kFreqLength, "  Tb:", tb, " K\n");
  return std::string_view(text_.data(), text_.size());
}

}  // namespace tbcalc::dialogue
