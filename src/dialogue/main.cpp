// tbcalc: the operator dialogue on standard input and output.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "console.hpp"
#include "dialogue.hpp"

namespace {

constexpr int kExitSuccess = EXIT_SUCCESS;
constexpr int kExitFailure = EXIT_FAILURE;

int fail(const char* what, int error) {
  std::fprintf(stderr, "tbcalc: %s: %s\n", what, std::strerror(error));
  return kExitFailure;
}

}  // namespace

int main() {
  using namespace tbcalc::dialogue;
  FdSource input(STDIN_FILENO);
  FdSink output(STDOUT_FILENO);
  OutputBuffer out(output);
  LineReader in(input, out);

  const Outcome outcome = run_dialogue(in, out);
  // At a terminal, end of input leaves the cursor after a prompt: end the line
  // so the shell's prompt starts on its own.
  if (outcome == Outcome::end_of_input && isatty(STDIN_FILENO)) out.append("\n");
  if (!out.flush()) return fail("error writing standard output", out.error());
  if (outcome == Outcome::read_error) return fail("error reading standard input", in.error());
  return kExitSuccess;
}
