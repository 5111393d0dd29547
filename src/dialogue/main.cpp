// tbcalc: the operator dialogue on standard input and output.
#include <unistd.h>

#include "command_line.hpp"
#include "console.hpp"
#include "diagnostics.hpp"
#include "dialogue.hpp"
#ifdef TBCALC_LINE_EDITING
#include "line_editor.hpp"
#endif

namespace {

using namespace tbcalc::console;
using namespace tbcalc::dialogue;

// One run over the given streams; `finish` delivers what the sink still holds.
template <class Finish>
int run(ByteSource& source, ByteSink& sink, Finish finish) {
  FdSink error_sink(STDERR_FILENO);
  Diagnostics diagnostics("tbcalc", error_sink, false);
  const auto fail = [&](const char* what, int error) {
    diagnostics.report_error(what, error);
    return kExitFailure;
  };
  OutputBuffer out(sink);
  LineReader in(source, out);
  const Outcome outcome = run_dialogue(in, out);
  // At a terminal, end of input leaves the cursor after a prompt: end the line
  // so the shell's prompt starts on its own.
  if (outcome == Outcome::end_of_input && isatty(STDIN_FILENO)) out.append("\n");
  if (!out.flush()) return fail("error writing standard output", out.error());
  if (const int error = finish(); error != 0) return fail("error writing standard output", error);
  if (outcome == Outcome::read_error) return fail("error reading standard input", in.error());
  return kExitSuccess;
}

}  // namespace

int main(int argc, char** argv) {
  if (const Invocation invocation = read_command_line(argc, argv);
      invocation != Invocation::dialogue) {
    FdSink error_sink(STDERR_FILENO);
    Diagnostics diagnostics("tbcalc", error_sink, false);
    return write_standard_output(
        invocation == Invocation::help ? help_text() : "tbcalc (tbcalc) " TBCALC_VERSION "\n",
        diagnostics);
  }
#ifdef TBCALC_LINE_EDITING
  // A person at a terminal edits and recalls replies; anything else is read
  // as it comes, and libedit is not even started.
  if (isatty(STDIN_FILENO) && isatty(STDOUT_FILENO)) {
    TerminalConsole console(STDIN_FILENO, STDOUT_FILENO);
    if (console.ready()) {
      return run(console.source(), console.sink(), [&] { return console.finish(); });
    }
  }
#endif
  FdSource input(STDIN_FILENO);
  FdSink output(STDOUT_FILENO);
  return run(input, output, [] { return 0; });
}
