// What a program says besides its output: the exit statuses every program
// shares, and the one owner of standard error, through which error messages
// and the progress line go. A progress line is cleared before a message, so
// the two never share a line of the screen.
#pragma once

#include <initializer_list>
#include <mutex>
#include <string>
#include <string_view>

#include "console.hpp"

namespace tbcalc::console {

inline constexpr int kExitSuccess = 0;  // all input read, all output delivered
inline constexpr int kExitFailure = 1;  // a bad record, an unreadable input, lost output
inline constexpr int kExitUsage = 2;    // the command line, or an input's header, was wrong

// Standard error, owned. Every call may come from any thread; messages are
// whole lines, never interleaved. Nothing here allocates once its buffer has
// grown to the longest message, so millions of bad records cost no heap.
class Diagnostics {
 public:
  // `terminal`: the sink is a terminal, where a progress line may be drawn.
  Diagnostics(std::string_view program, ByteSink& sink, bool terminal);
  Diagnostics(const Diagnostics&) = delete;
  Diagnostics& operator=(const Diagnostics&) = delete;

  // "PROGRAM: message" on a line of its own.
  void report(std::string_view message);
  // "PROGRAM: what: reason", reason being the text of errno value `error`.
  void report_error(std::string_view what, int error);
  // The message, then where to find help.
  void usage_error(std::string_view message);

  bool terminal() const { return terminal_; }
  // The terminal's width in columns: a progress line is cut to fit, for one
  // that wrapped would leave a line behind at every redraw (0: unknown).
  void set_width(std::size_t columns) { width_ = columns; }
  // Draws `line` over the last progress line (at a terminal only).
  void show_progress(std::string_view line);
  // Blanks the progress line, if one is shown.
  void clear_progress();

 private:
  void clear_locked();
  void write_line_locked(std::initializer_list<std::string_view> pieces);

  std::mutex mutex_;
  std::string program_;
  ByteSink& sink_;
  bool terminal_;
  std::size_t progress_width_ = 0;  // columns of the progress line on screen, 0: none
  std::size_t width_ = 0;
  std::string text_;
};

// Writes the whole of `text` to standard output, as --help and --version do.
// Returns the exit status: kExitFailure, with the reason reported, when the
// text could not be delivered.
int write_standard_output(std::string_view text, Diagnostics& diagnostics);
// The same to any sink that stands for standard output.
int write_output(std::string_view text, ByteSink& sink, Diagnostics& diagnostics);

}  // namespace tbcalc::console
