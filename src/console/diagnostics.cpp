#include "diagnostics.hpp"

#include <unistd.h>

#include <cstring>
#include <initializer_list>

namespace tbcalc::console {

Diagnostics::Diagnostics(std::string_view program, ByteSink& sink, bool terminal)
    : program_(program), sink_(sink), terminal_(terminal) {
  // Room for the usual message at once: one about memory running out must
  // not need more of it.
  text_.reserve(512);
}

void Diagnostics::clear_locked() {
  if (progress_width_ == 0) return;
  // Spaces over the old line, the cursor back at its start: works on any
  // terminal, with no control sequences.
  text_.assign(1, '\r');
  text_.append(progress_width_, ' ');
  text_.push_back('\r');
  sink_.write(text_);
  progress_width_ = 0;
}

void Diagnostics::write_line_locked(std::initializer_list<std::string_view> pieces) {
  text_.clear();
  for (std::string_view piece : pieces) text_.append(piece.data(), piece.size());
  text_.push_back('\n');
  // Nothing more can be done when standard error itself fails.
  sink_.write(text_);
}

void Diagnostics::report(std::string_view message) {
  const std::lock_guard lock(mutex_);
  clear_locked();
  write_line_locked({program_, ": ", message});
}

void Diagnostics::report_error(std::string_view what, int error) {
  const std::lock_guard lock(mutex_);
  clear_locked();
  write_line_locked({program_, ": ", what, ": ", std::strerror(error)});
}

void Diagnostics::usage_error(std::string_view message) {
  const std::lock_guard lock(mutex_);
  clear_locked();
  write_line_locked({program_, ": ", message});
  write_line_locked({"Try '", program_, " --help' for more information."});
}

void Diagnostics::show_progress(std::string_view line) {
  if (!terminal_) return;
  if (width_ > 1 && line.size() > width_ - 1) line = line.substr(0, width_ - 1);
  const std::lock_guard lock(mutex_);
  text_.assign(1, '\r');
  text_.append(line.data(), line.size());
  // Pad over what is left of a longer previous line.
  if (line.size() < progress_width_) text_.append(progress_width_ - line.size(), ' ');
  text_.push_back('\r');
  sink_.write(text_);
  progress_width_ = line.size();
}

void Diagnostics::clear_progress() {
  const std::lock_guard lock(mutex_);
  clear_locked();
}

int write_standard_output(std::string_view text, Diagnostics& diagnostics) {
  FdSink sink(STDOUT_FILENO);
  return write_output(text, sink, diagnostics);
}

int write_output(std::string_view text, ByteSink& sink, Diagnostics& diagnostics) {
  if (const int error = sink.write(text); error != 0) {
    diagnostics.report_error("error writing standard output", error);
    return kExitFailure;
  }
  return kExitSuccess;
}

}  // namespace tbcalc::console
