#include "result_lines.hpp"

#include <array>
#include <cstring>
#include <string_view>

#include "fortran_fields.hpp"
#include "tbcalc/model.hpp"

namespace tbcalc::dialogue {
namespace {

constexpr std::string_view kTbHead = "  Tb:";
constexpr std::string_view kTbTail = " K\n";
constexpr std::size_t kFieldWidth = 7;

// The frequency line never changes: it is formatted once.
struct FrequencyLine {
  static constexpr std::size_t kSize = kResultLinesSize - (5 + 6 * kFieldWidth + 3);
  std::array<char, kSize> text;
  FrequencyLine() {
    constexpr std::string_view head = "Freq:";
    constexpr std::string_view tail = " GHz\n";
    char* out = text.data() + head.copy(text.data(), head.size());
    for (float f : freqs) {
      write_f7_2(f, std::span<char, kFieldWidth>(out, kFieldWidth));
      out += kFieldWidth;
    }
    tail.copy(out, tail.size());
  }
};

}  // namespace

void write_result_lines(std::span<const float, 6> tb, std::span<char, kResultLinesSize> out) {
  static const FrequencyLine frequency_line;
  char* at = out.data();
  std::memcpy(at, frequency_line.text.data(), FrequencyLine::kSize);
  at += FrequencyLine::kSize;
  std::memcpy(at, kTbHead.data(), kTbHead.size());
  at += kTbHead.size();
  for (float v : tb) {
    write_f7_2(v, std::span<char, kFieldWidth>(at, kFieldWidth));
    at += kFieldWidth;
  }
  std::memcpy(at, kTbTail.data(), kTbTail.size());
}

}  // namespace tbcalc::dialogue
