// tbretrieve's command line: tbretrieve [--noise KELVIN] [FILE...]
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tbcalc::tbretrieve {

struct Options {
  enum class Action { run, help, version, usage_error } action = Action::run;
  double noise_k = 0.5;
  std::vector<std::string> files;  // in order; "-" is standard input; none: standard input
  std::string error;               // for usage_error: what was wrong
};

// GNU style: --noise KELVIN or --noise=KELVIN, --help, --version, "--" ends
// the options, "-" alone is a file name.
Options parse_options(int argc, const char* const* argv);

// The --help text.
std::string_view usage_text();

}  // namespace tbcalc::tbretrieve
