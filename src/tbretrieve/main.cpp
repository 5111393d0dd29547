// tbretrieve: wind speed and rain rate from brightness temperatures, a filter.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "filter.hpp"
#include "options.hpp"

namespace {

constexpr int kExitSuccess = EXIT_SUCCESS;
constexpr int kExitFailure = EXIT_FAILURE;
constexpr int kExitUsage = 2;

void say(std::string_view message) {
  std::fprintf(stderr, "tbretrieve: %.*s\n", int(message.size()), message.data());
}

int write_all(const std::string_view text) {
  tbcalc::console::FdSink sink(STDOUT_FILENO);
  const int error = sink.write(text);
  if (error == 0) return kExitSuccess;
  say(std::string("error writing standard output: ") + std::strerror(error));
  return kExitFailure;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace tbcalc::tbretrieve;
  const Options options = parse_options(argc, argv);
  switch (options.action) {
    case Options::Action::help:
      return write_all(usage_text());
    case Options::Action::version:
      return write_all("tbretrieve (tbcalc) " TBCALC_VERSION "\n");
    case Options::Action::usage_error:
      say(options.error);
      std::fprintf(stderr, "Try 'tbretrieve --help' for more information.\n");
      return kExitUsage;
    case Options::Action::run:
      break;
  }

  tbcalc::console::FdSink output(STDOUT_FILENO);
  tbcalc::console::OutputBuffer out(output);
  // At a terminal, what came before a bad line is shown before its message.
  const bool terminal = ::isatty(STDOUT_FILENO) != 0;
  const ErrorReport report = [&out, terminal](std::string_view message) {
    if (terminal) out.flush();
    say(message);
  };
  bool failed = false;
  for (const std::string& file : options.files) {
    const bool is_stdin = file == "-";
    const std::string name = is_stdin ? "standard input" : file;
    const int fd = is_stdin ? STDIN_FILENO : ::open(file.c_str(), O_RDONLY);
    if (fd < 0) {
      say(name + ": " + std::strerror(errno));
      failed = true;
      continue;
    }
    tbcalc::console::FdSource source(fd);
    tbcalc::console::LineReader in(source, out);
    const FilterResult result = run_filter(in, out, options.noise_k, name, report);
    if (!is_stdin) ::close(fd);
    if (result.bad_lines > 0) failed = true;
    if (result.end == FilterResult::read_error) {
      say(name + ": " + std::strerror(in.error()));
      failed = true;
    }
    if (result.end == FilterResult::write_error) break;
  }
  if (!out.flush()) {
    say(std::string("error writing standard output: ") + std::strerror(out.error()));
    return kExitFailure;
  }
  return failed ? kExitFailure : kExitSuccess;
}
