// tbcalc's command line. The program is the dialogue on standard input; its
// arguments can only ask for the help or the version instead. Any other
// argument is ignored, as it always was, so that scripts which pass one keep
// their dialogue.
#pragma once

#include <string_view>

namespace tbcalc::dialogue {

enum class Invocation { dialogue, help, version };

// The first --help or --version among the arguments before a "--" decides;
// without either, and with no arguments, the dialogue runs.
Invocation read_command_line(int argc, const char* const* argv);

// What --help prints, ending with a line end.
std::string_view help_text();

}  // namespace tbcalc::dialogue
