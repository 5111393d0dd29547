// Replies typed at a terminal, read through libedit (built only when libedit
// is there: TBCALC_LINE_EDITING): the operator can move
// along the line, edit it and recall the earlier replies of this run (kept
// in memory only). The prompt the dialogue writes is held back and shown by
// libedit, once, so that it can redraw the line around it.
#pragma once

#include <memory>

#include "console.hpp"

namespace tbcalc::dialogue {

using console::ByteSink;
using console::ByteSource;

// Only for standard input and output that are both terminals. Everything
// written up to a line end goes straight to `out_fd`; the unfinished line
// after it (a prompt) becomes libedit's prompt for the next reply.
class TerminalConsole {
 public:
  TerminalConsole(int in_fd, int out_fd);
  ~TerminalConsole();
  TerminalConsole(const TerminalConsole&) = delete;
  TerminalConsole& operator=(const TerminalConsole&) = delete;

  // False when libedit could not start; then use the plain reader instead.
  bool ready() const;
  ByteSource& source();
  ByteSink& sink();
  // Writes any text still held back; 0 or the errno value of the failure.
  int finish();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace tbcalc::dialogue
