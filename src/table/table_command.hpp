// The command line every table program shares, and the whole run: options,
// the inputs in order, the exit status. A program's main describes itself
// with a TableCommand and says what a record means; nothing else.
//
//   PROGRAM [--header] [--COLUMN NAME]... [-j N] [--quiet] [OWN OPTIONS] [FILE]...
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "console.hpp"
#include "layout.hpp"
#include "pipeline.hpp"
#include "record_kind.hpp"
#include "tbcalc/inputs.hpp"

namespace tbcalc::console {
class Diagnostics;
}

namespace tbcalc::table {

// An option of one program's own. `set` takes the value (empty for a flag)
// and returns what is wrong with it, or an empty string.
struct ProgramOption {
  std::string_view name;        // "--noise"
  std::string_view value_name;  // "KELVIN"; empty for a flag
  std::string_view help;        // lines of the --help text, without the option
  std::function<std::string(std::string_view value)> set;
};

// A value each record holds, in the order the program computes with them.
struct TableInput {
  std::string name;                   // its column's name by default, and its options' name
  std::optional<double> fallback;     // where it is not given; none: records must hold it
  const InputField* field = nullptr;  // its description: a --set value must lie in its range
};

struct TableCommand {
  std::string_view program;  // "tbretrieve"
  std::string_view version;
  std::string_view purpose;  // the --help text's first line
  std::string description;   // the formats, paragraphs for --help
  // The values a record holds, in order. Header mode reads each from the
  // column of its name (--NAME takes another), or a fallback where the
  // header has none; plain records hold those without a fallback, in order.
  // --set NAME=VALUE gives one a constant instead.
  std::vector<TableInput> inputs;
  std::vector<ProgramOption> options;
  // Once every option is read: what is wrong with them together, or an
  // empty string.
  std::function<std::string(const struct TableOptions&)> check;
};

struct TableOptions {
  enum class Action { run, help, version, usage_error } action = Action::run;
  bool header_mode = false;
  bool quiet = false;
  unsigned jobs = 1;
  // Per input of the command: its column (renamed or not), its constant
  // (--set) and its fallback.
  std::vector<RecordInput> inputs;
  std::string suffix;              // header mode: after each added column's name, never a
                                   // byte that would need quoting
  std::vector<std::string> files;  // in order; "-" is standard input; none: standard input
  std::string error;               // for usage_error: what was wrong
};

// The most jobs -j takes: beyond, threads only cost memory.
inline constexpr unsigned kMaxJobs = 256;

// GNU style: --header, --COLUMN NAME or --COLUMN=NAME, --set NAME=VALUE (a
// finite number; in the plain format only for inputs its records do not
// hold), --suffix TEXT (no comma, tab, double quote, line end or other
// control byte: the header is written as it is), -j N,
// -jN, --jobs=N, --quiet, the program's own options, --help, --version; "--" ends the
// options and "-" alone is standard input. The default for -j is the number
// of online processors.
TableOptions parse_table_options(const TableCommand& command, int argc, const char* const* argv);

std::string usage_text(const TableCommand& command);

// Where a run's bytes come from and go: the process's files and standard
// streams, or memory in tests and fuzzing.
// The input `file` ("-": standard input) and its size when it is a regular
// file (else 0); nullptr with the errno value in `error` when it cannot be
// opened.
using OpenInput = std::function<std::unique_ptr<console::ByteSource>(
    const std::string& file, std::uint64_t& size, int& error)>;

struct TableIo {
  OpenInput open;
  console::ByteSink& output;
  bool output_is_terminal;
  console::Diagnostics& diagnostics;
  ThreadStarter start_thread = table::start_thread;
};

// Reads every input of `options` in order and writes the table; returns the
// exit status.
int run_table(const TableOptions& options, const RecordKind& kind, TableIo& io);

using MakeRecordKind = std::function<std::unique_ptr<RecordKind>(const TableOptions&)>;

// Where a whole command's bytes come from and go, the process's own streams
// or any others (a page in a browser has no files).
struct CommandStreams {
  OpenInput open;
  console::ByteSink& output;
  bool output_is_terminal;
  console::ByteSink& errors;
  bool errors_are_terminal;
  std::size_t terminal_width = 0;  // columns, 0: unknown
  ThreadStarter start_thread = table::start_thread;
};

// The whole run: the command line, --help and --version, the table; returns
// the exit status.
int run_table_command(const TableCommand& command, int argc, const char* const* argv,
                      const MakeRecordKind& make_kind, const CommandStreams& streams);
// The same on the process's standard streams and its files.
int run_table_command(const TableCommand& command, int argc, const char* const* argv,
                      const MakeRecordKind& make_kind);

}  // namespace tbcalc::table
