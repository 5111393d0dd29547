// The two result lines of a computation: the channel frequencies, then the
// brightness temperatures, each value an F7.2 field.
#pragma once

#include <cstddef>
#include <span>

namespace tbcalc::dialogue {

// Bytes of the two lines together, line ends included.
inline constexpr std::size_t kResultLinesSize = (5 + 6 * 7 + 5) + (5 + 6 * 7 + 3);

// Writes "Freq:", six F7.2 frequencies, " GHz\n", then "  Tb:", six F7.2
// brightness temperatures (K), " K\n": exactly kResultLinesSize bytes.
void write_result_lines(std::span<const float, 6> tb, std::span<char, kResultLinesSize> out);

}  // namespace tbcalc::dialogue
