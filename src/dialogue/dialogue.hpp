// The operator dialogue: five prompts with validation and navigation, the
// emissivity table per accepted sea surface temperature, and the two result
// lines after every accepted rain rate.
#pragma once

#include "console.hpp"

namespace tbcalc::dialogue {

using console::LineReader;
using console::OutputBuffer;

enum class Outcome {
  exited,        // the operator left (EX, or an empty line or NO where that ends)
  end_of_input,  // input ended at a prompt
  read_error,    // reading input failed: in.error() says why
  write_error,   // output was lost: out.error() says why
};

// Runs one whole session. Output may still be held in `out` on return.
Outcome run_dialogue(LineReader& in, OutputBuffer& out);

}  // namespace tbcalc::dialogue
