#include "command_line.hpp"

namespace tbcalc::dialogue {

Invocation read_command_line(int argc, const char* const* argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--") break;
    if (arg == "--help") return Invocation::help;
    if (arg == "--version") return Invocation::version;
  }
  return Invocation::dialogue;
}

std::string_view help_text() {
  return "Usage: tbcalc [OPTION]\n"
         "Compute the six nadir brightness temperatures of the sea at C band, asking\n"
         "for each value at a prompt.\n"
         "\n"
         "Five prompts read a line each from standard input: sea surface temperature\n"
         "(deg C, -5 to 45), radar altitude (m, above 0 up to 16000), flight-level air\n"
         "temperature (deg C, -70 to 45), wind speed (m/s, 0 to 150) and rain rate\n"
         "(mm/h, -10 to 150). After each rain rate two lines give the brightness\n"
         "temperatures (K) at 4.74, 5.31, 5.57, 6.02, 6.69 and 7.09 GHz, and the wind\n"
         "speed is asked again. An empty line or NO ends the run at the sea and air\n"
         "temperature prompts, and elsewhere goes back: from the altitude to the sea\n"
         "surface temperature, from wind or rain to the altitude. EX ends the run at any\n"
         "prompt. For a table of records, use tbforward.\n"
         "\n"
         "Options:\n"
         "  --help          display this help and exit\n"
         "  --version       output version information and exit\n"
         "Other arguments are ignored.\n"
         "\n"
         "Exit status: 0 when the run ended at a prompt, 1 if standard input could not\n"
         "be read or the output failed.\n";
}

}  // namespace tbcalc::dialogue
