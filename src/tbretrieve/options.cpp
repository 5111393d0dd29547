#include "options.hpp"

#include <charconv>
#include <cmath>

#include "tbcalc/retrieval.hpp"

namespace tbcalc::tbretrieve {
namespace {

bool read_noise(std::string_view text, double& noise) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), noise);
  return error == std::errc() && end == text.data() + text.size() && std::isfinite(noise) &&
         noise > 0.0;
}

Options usage_error(std::string message) {
  Options o;
  o.action = Options::Action::usage_error;
  o.error = std::move(message);
  return o;
}

}  // namespace

std::string_view usage_text() {
  return "Usage: tbretrieve [--noise KELVIN] [FILE...]\n"
         "Retrieve surface wind speed and rain rate from six nadir brightness temperatures.\n"
         "\n"
         "Each input line holds nine numbers separated by blanks, tabs or commas: sea\n"
         "surface temperature (deg C), radar altitude (m), flight-level air temperature\n"
         "(deg C), then the brightness temperatures (K) at 4.74, 5.31, 5.57, 6.02, 6.69\n"
         "and 7.09 GHz. Each gives one output line: wind (m/s), rain (mm/h), their\n"
         "one-sigma uncertainties, the rms misfit (K) and a status word. Blank lines\n"
         "and lines starting with # are copied. With no FILE, or when FILE is -, read\n"
         "standard input.\n"
         "\n"
         "  --noise KELVIN  noise of each channel, one sigma (default 0.5)\n"
         "  --help          display this help and exit\n"
         "  --version       output version information and exit\n"
         "\n"
         "Exit status: 0 if every line was read, 1 if a line was bad or input or\n"
         "output failed, 2 for a usage error.\n";
}

Options parse_options(int argc, const char* const* argv) {
  Options o;
  o.noise_k = default_noise_k;
  bool options_ended = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (options_ended || arg == "-" || arg.empty() || arg[0] != '-') {
      o.files.emplace_back(arg);
    } else if (arg == "--") {
      options_ended = true;
    } else if (arg == "--help") {
      o.action = Options::Action::help;
      return o;
    } else if (arg == "--version") {
      o.action = Options::Action::version;
      return o;
    } else if (arg == "--noise" || arg.starts_with("--noise=")) {
      std::string_view value;
      if (arg == "--noise") {
        if (i + 1 == argc) return usage_error("option '--noise' requires an argument");
        value = argv[++i];
      } else {
        value = arg.substr(8);
      }
      if (!read_noise(value, o.noise_k)) {
        return usage_error("invalid noise '" + std::string(value) +
                           "': a positive number of kelvin is needed");
      }
    } else {
      return usage_error("unrecognized option '" + std::string(arg) + "'");
    }
  }
  if (o.files.empty()) o.files.emplace_back("-");
  return o;
}

}  // namespace tbcalc::tbretrieve
