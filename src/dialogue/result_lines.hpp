// The two result lines of a computation: the channel frequencies, then the
// brightness temperatures, each value an F7.2 field.
#pragma once

#include <array>
#include <span>
#include <string_view>

namespace tbcalc::dialogue {

// "Freq:", six F7.2 frequencies, " GHz\n", then "  Tb:", six F7.2 brightness
// temperatures (K), " K\n".
class ResultLines {
 public:
  ResultLines();
  std::string_view format(std::span<const float, 6> tb);

 private:
  static constexpr std::size_t kFreqLength = 5 + 6 * 7 + 5;
  static constexpr std::size_t kTbLength = 5 + 6 * 7 + 3;
  // The frequency line never changes: it is written once, here.
  std::array<char, kFreqLength + kTbLength> text_;
};

}  // namespace tbcalc::dialogue
