#include "table_command.hpp"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <new>

#include "diagnostics.hpp"
#include "fields.hpp"
#include "pipeline.hpp"
#include "record_inputs.hpp"
#include "table_reader.hpp"

namespace tbcalc::table {
namespace {

using console::Diagnostics;

unsigned online_processors() {
  const long n = ::sysconf(_SC_NPROCESSORS_ONLN);
  return n < 1 ? 1u : unsigned(std::min<long>(n, kMaxJobs));
}

bool read_jobs(std::string_view text, unsigned& jobs) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), jobs);
  return error == std::errc() && end == text.data() + text.size() && jobs >= 1 && jobs <= kMaxJobs;
}

TableOptions usage_error(std::string message) {
  TableOptions o;
  o.action = TableOptions::Action::usage_error;
  o.error = std::move(message);
  return o;
}

// The value of an option written "--name VALUE" or "--name=VALUE"; false when
// `arg` is not that option. A missing value is reported in `error`.
bool option_value(std::string_view name, std::string_view arg, int argc, const char* const* argv,
                  int& i, std::string_view& value, std::string& error) {
  if (arg == name) {
    if (i + 1 == argc) {
      error = "option '" + std::string(name) + "' requires an argument";
    } else {
      value = argv[++i];
    }
    return true;
  }
  if (arg.size() > name.size() && arg.starts_with(name) && arg[name.size()] == '=') {
    value = arg.substr(name.size() + 1);
    return true;
  }
  return false;
}

// What is wrong with a suffix of the added columns' names: they are written
// into the header as they are, so a byte that would need quoting there would
// split or end it, and a control byte would reach whoever reads it.
std::string suffix_problem(std::string_view suffix) {
  for (char c : suffix) {
    const char* what = c == ','                             ? "a comma"
                       : c == '\t'                          ? "a tab"
                       : c == '"'                           ? "a double quote"
                       : c == '\r'                          ? "a carriage return"
                       : c == '\n'                          ? "a line feed"
                       : (c >= '\0' && c < ' ') || c == 127 ? "a control character"
                                                            : nullptr;
    if (what == nullptr) continue;
    std::string shown;
    for (char b : suffix) shown += printable(b);
    return "invalid suffix '" + shown + "': a column name here cannot hold " + what;
  }
  return "";
}

// --set NAME=VALUE: a constant for the input NAME, a finite number.
std::string set_constant(const TableCommand& command, std::string_view setting,
                         std::vector<RecordInput>& inputs) {
  const std::size_t equals = setting.find('=');
  const std::string_view name = setting.substr(0, equals);
  for (std::size_t c = 0; c < command.inputs.size(); ++c) {
    if (command.inputs[c].name != name) continue;
    double value = 0;
    Problem problem;
    if (equals == std::string_view::npos ||
        !read_number(setting.substr(equals + 1), value, problem)) {
      return "invalid setting '" + std::string(setting) + "': NAME=VALUE with a number is needed" +
             (problem.empty() ? "" : " (" + std::string(problem.view()) + ")");
    }
    // Taken as a typed value is: out of range, every record would be bad.
    if (const InputField* field = command.inputs[c].field;
        field && !field->range.contains(float(value))) {
      describe_out_of_range(*field, float(value), problem);
      return "invalid setting '" + std::string(setting) + "': " + std::string(problem.view());
    }
    inputs[c].constant = value;
    return "";
  }
  std::string names;
  for (const TableInput& input : command.inputs)
    names += (names.empty() ? "" : ", ") + std::string(input.name);
  return "invalid setting '" + std::string(setting) + "': the inputs are " + names;
}

// A file, or standard input, closed with the source.
class FileSource final : public console::ByteSource {
 public:
  explicit FileSource(int fd) : fd_(fd), source_(fd) {}
  ~FileSource() override {
    if (fd_ != STDIN_FILENO) ::close(fd_);
  }
  long read(std::span<char> into) override { return source_.read(into); }
  bool input_waiting() override { return source_.input_waiting(); }

 private:
  int fd_;
  console::FdSource source_;
};

std::unique_ptr<console::ByteSource> open_file(const std::string& file, std::uint64_t& size,
                                               int& error) {
  const int fd = file == "-" ? STDIN_FILENO : ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = errno;
    return nullptr;
  }
  struct stat st {};
  size = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) ? std::uint64_t(st.st_size) : 0;
  return std::make_unique<FileSource>(fd);
}

}  // namespace

TableOptions parse_table_options(const TableCommand& command, int argc, const char* const* argv) {
  TableOptions o;
  o.jobs = online_processors();
  for (const TableInput& input : command.inputs) {
    o.inputs.push_back({std::string(input.name), std::nullopt, input.fallback});
  }
  std::vector<bool> renamed(command.inputs.size(), false);
  bool options_ended = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    std::string_view value;
    std::string error;
    if (options_ended || arg == "-" || arg.empty() || arg[0] != '-') {
      o.files.emplace_back(arg);
      continue;
    }
    if (arg == "--") {
      options_ended = true;
    } else if (arg == "--help") {
      o.action = TableOptions::Action::help;
      return o;
    } else if (arg == "--version") {
      o.action = TableOptions::Action::version;
      return o;
    } else if (arg == "--header") {
      o.header_mode = true;
    } else if (arg == "-q" || arg == "--quiet") {
      o.quiet = true;
    } else if (option_value("--suffix", arg, argc, argv, i, value, error)) {
      if (!error.empty()) return usage_error(error);
      if (std::string problem = suffix_problem(value); !problem.empty()) {
        return usage_error(problem);
      }
      o.suffix = value;
    } else if (option_value("--set", arg, argc, argv, i, value, error)) {
      if (!error.empty()) return usage_error(error);
      if (std::string problem = set_constant(command, value, o.inputs); !problem.empty()) {
        return usage_error(problem);
      }
    } else if (option_value("--jobs", arg, argc, argv, i, value, error) ||
               option_value("-j", arg, argc, argv, i, value, error) ||
               (arg.starts_with("-j") && (value = arg.substr(2), true))) {
      if (!error.empty()) return usage_error(error);
      if (!read_jobs(value, o.jobs)) {
        return usage_error("invalid number of jobs '" + std::string(value) +
                           "': a whole number from 1 to " + std::to_string(kMaxJobs) +
                           " is needed");
      }
    } else {
      bool known = false;
      for (std::size_t c = 0; c < command.inputs.size() && !known; ++c) {
        const std::string name = "--" + std::string(command.inputs[c].name);
        if (!option_value(name, arg, argc, argv, i, value, error)) continue;
        known = true;
        if (!error.empty()) return usage_error(error);
        if (value.empty()) return usage_error("option '" + name + "' needs a column name");
        o.inputs[c].name = value;
        // A column asked for by name must be there: no fallback hides its absence.
        o.inputs[c].fallback.reset();
        renamed[c] = true;
      }
      for (const ProgramOption& option : command.options) {
        if (known) break;
        if (option.value_name.empty()) {
          if (arg != option.name) continue;
        } else if (!option_value(option.name, arg, argc, argv, i, value, error)) {
          continue;
        }
        known = true;
        if (!error.empty()) return usage_error(error);
        if (std::string problem = option.set(value); !problem.empty()) return usage_error(problem);
      }
      if (!known) return usage_error("unrecognized option '" + std::string(arg) + "'");
    }
  }
  for (std::size_t c = 0; c < renamed.size(); ++c) {
    const std::string name(command.inputs[c].name);
    if (renamed[c] && !o.header_mode) {
      return usage_error("option '--" + name + "' names a column: it needs --header");
    }
    if (renamed[c] && o.inputs[c].constant) {
      return usage_error("options '--" + name + "' and '--set " + name +
                         "' give it twice: a column or a constant");
    }
    if (o.inputs[c].constant && !o.header_mode && !o.inputs[c].fallback) {
      return usage_error("option '--set " + name + "': plain records hold the " + name +
                         "; a constant takes its place with --header");
    }
  }
  if (!o.suffix.empty() && !o.header_mode) {
    return usage_error("option '--suffix' names columns: it needs --header");
  }
  if (command.check) {
    if (std::string problem = command.check(o); !problem.empty()) return usage_error(problem);
  }
  if (o.files.empty()) o.files.emplace_back("-");
  return o;
}

std::string usage_text(const TableCommand& command) {
  const std::string program(command.program);
  std::string names;
  for (const TableInput& input : command.inputs) {
    names += names.empty() ? "" : ", ";
    names += input.name;
  }
  std::string text = "Usage: " + program + " [OPTION]... [FILE]...\n";
  text += command.purpose;
  text += "\n\n";
  text += command.description;
  text +=
      "\nOptions:\n"
      "  --header        the first line of each input that is not blank or a\n"
      "                  # comment names its columns, separated by commas or tabs\n"
      "                  (RFC 4180 quoting); other columns pass through and the\n"
      "                  new ones are added at the end\n"
      "  --COLUMN NAME   with --header: the column holding COLUMN, one of\n";
  text += "                  " + names + "\n";
  text +=
      "                  (by default the column of that name, case ignored)\n"
      "  --set NAME=VALUE\n"
      "                  every record's NAME is VALUE, not read from a column (in\n"
      "                  the plain format: an input its records do not hold)\n"
      "  --suffix TEXT   with --header: TEXT after each added column's name, so\n"
      "                  that they differ from the input's (--suffix _retrieved)\n"
      "  -j, --jobs N    compute N records at a time (default: one per processor)\n"
      "  -q, --quiet     no progress line on a terminal\n";
  for (const ProgramOption& option : command.options) {
    std::string head(2, ' ');
    head.append(option.name);
    if (!option.value_name.empty()) head.append(1, ' ').append(option.value_name);
    head.resize(std::max<std::size_t>(head.size() + 1, 18), ' ');
    text += head;
    text += option.help;
    text += '\n';
  }
  text +=
      "  --help          display this help and exit\n"
      "  --version       output version information and exit\n"
      "\n"
      "With no FILE, or when FILE is -, read standard input. Output is in input order\n"
      "whatever the number of jobs.\n"
      "\n"
      "Exit status: 0 if every record was answered, 1 if a record was bad or an input\n"
      "or the output failed, 2 for a usage error.\n";
  return text;
}

int run_table(const TableOptions& options, const RecordKind& kind, TableIo& io) {
  RunSettings settings{options.header_mode, {}, {}, {}, kind.added_columns()};
  for (std::string& name : settings.added) name += options.suffix;
  settings.inputs = options.inputs;
  for (std::size_t k = 0; k < options.inputs.size(); ++k) {
    if (!options.inputs[k].constant && !options.inputs[k].fallback) settings.plain.push_back(k);
  }
  settings.count_word = in_words(settings.plain.size());
  console::OutputBuffer out(io.output);
  // Progress only where a person watches standard error and the output does
  // not share the screen with it.
  Progress progress(io.diagnostics,
                    !options.quiet && io.diagnostics.terminal() && !io.output_is_terminal);
  BatchWriter writer(out, io.diagnostics, progress, io.output_is_terminal);
  {
    Pipeline pipeline(kind, options.jobs, writer, out, io.start_thread);
    TableReader reader(settings, pipeline);
    for (const std::string& file : options.files) {
      const std::string name = file == "-" ? "standard input" : file;
      std::uint64_t size = 0;
      int error = 0;
      const std::unique_ptr<console::ByteSource> source = io.open(file, size, error);
      if (!source) {
        reader.fail(name + ": " + std::strerror(error));
        continue;
      }
      if (!reader.read(*source, name, size)) break;
    }
    pipeline.finish();
  }
  progress.clear();
  writer.close(kind);
  if (!out.flush()) {
    io.diagnostics.report_error("error writing standard output", out.error());
    return console::kExitFailure;
  }
  if (writer.usage_failed()) return console::kExitUsage;
  return writer.bad_records() > 0 || writer.input_failed() ? console::kExitFailure
                                                           : console::kExitSuccess;
}

int run_table_command(const TableCommand& command, int argc, const char* const* argv,
                      const MakeRecordKind& make_kind, const CommandStreams& streams) {
  Diagnostics diagnostics(command.program, streams.errors, streams.errors_are_terminal);
  diagnostics.set_width(streams.terminal_width);
  const TableOptions options = parse_table_options(command, argc, argv);
  switch (options.action) {
    case TableOptions::Action::help:
      return console::write_output(usage_text(command), streams.output, diagnostics);
    case TableOptions::Action::version:
      return console::write_output(
          std::string(command.program) + " (tbcalc) " + std::string(command.version) + "\n",
          streams.output, diagnostics);
    case TableOptions::Action::usage_error:
      diagnostics.usage_error(options.error);
      return console::kExitUsage;
    case TableOptions::Action::run:
      break;
  }
  TableIo io{streams.open, streams.output, streams.output_is_terminal, diagnostics,
             streams.start_thread};
  try {
    return run_table(options, *make_kind(options), io);
  } catch (const std::bad_alloc&) {
    // Under a memory limit, before the first batch: said, never an abort.
    diagnostics.report("out of memory");
    return console::kExitFailure;
  }
}

int run_table_command(const TableCommand& command, int argc, const char* const* argv,
                      const MakeRecordKind& make_kind) {
  console::FdSink output(STDOUT_FILENO);
  console::FdSink errors(STDERR_FILENO);
  CommandStreams streams{open_file, output, ::isatty(STDOUT_FILENO) != 0, errors,
                         ::isatty(STDERR_FILENO) != 0};
  if (winsize size{}; ::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0)
    streams.terminal_width = size.ws_col;
  return run_table_command(command, argc, argv, make_kind, streams);
}

}  // namespace tbcalc::table
