// The table programs over arbitrary bytes and options: tbretrieve or
// tbforward, plain or header mode, one to three jobs, any noise (one or six),
// intervals at two levels, input read in
// chunks with pauses (a live feed), output that may fail. Every input line
// must give exactly one output line of bounded length, a copy or a row with
// the added columns; and the retrieval must stay within its domain or say its
// input was invalid.
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "diagnostics.hpp"
#include "fields.hpp"
#include "forward_records.hpp"
#include "memory_streams.hpp"
#include "number_format.hpp"
#include "retrieval_records.hpp"
#include "table_command.hpp"
#include "tbcalc/retrieval.hpp"

namespace {

using namespace tbcalc;

void require(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "table_fuzzer: %s\n", what);
    std::abort();
  }
}

// The retrieval straight from the fuzzer's bytes, as numbers.
void check_retrieval(const std::uint8_t* data, std::size_t size) {
  std::array<float, 3> env;
  std::array<double, 6> tb;
  double noise;
  if (size < sizeof env + sizeof tb + sizeof noise) return;
  std::memcpy(env.data(), data, sizeof env);
  std::memcpy(tb.data(), data + sizeof env, sizeof tb);
  std::memcpy(&noise, data + sizeof env + sizeof tb, sizeof noise);
  const Retrieval r = retrieve(env[0], env[1], env[2], tb, noise);
  if (r.status == RetrievalStatus::invalid_input) {
    require(std::isnan(r.wind) && r.iterations == 0, "invalid input with a result");
    return;
  }
  require(r.wind >= 0 && r.wind <= 150 && r.rain >= -10 && r.rain <= 150, "outside the domain");
  require(r.iterations >= 0 && r.iterations <= 100, "iterations unbounded");
  require(!std::isnan(r.rms) && r.wind_sd >= 0 && r.rain_sd >= 0, "nonsense uncertainty");
}

constexpr std::array<const char*, 7> kNoises = {
    "0.5", "1e-300", "1e103", "1.7e308", "3e-5", "12", "0.3,1e-300,1e103,0.5,1.7e308,2"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  check_retrieval(data, size);
  if (size < 4) return 0;
  // Four bytes of settings, then the input.
  const bool forward = data[0] & 1;
  const bool header_mode = data[0] & 2;
  const unsigned jobs = 1 + (data[0] >> 2) % 3;
  const std::size_t chunk = 1 + data[1] % 64;
  const std::size_t capacity = data[2] < 16 ? std::size_t(data[2]) * 64 : std::string::npos;
  const char* noise = kNoises[data[3] % kNoises.size()];
  const bool intervals = data[3] & 0x80;
  const char* level = data[3] & 0x40 ? "99.9" : "0.5";
  const std::string_view input(reinterpret_cast<const char*>(data + 4), size - 4);

  tbretrieve::RetrievalSettings settings;
  table::TableCommand command =
      forward ? tbforward::forward_command() : tbretrieve::retrieval_command(settings);
  std::vector<const char*> argv = {"fuzz", "-j", jobs == 1 ? "1" : jobs == 2 ? "2" : "3"};
  if (header_mode) argv.push_back("--header");
  if (!forward) argv.insert(argv.end(), {"--noise", noise});
  if (!forward && intervals) argv.insert(argv.end(), {"--intervals", "--level", level});
  const table::TableOptions options =
      table::parse_table_options(command, int(argv.size()), argv.data());
  require(options.action == table::TableOptions::Action::run, "options refused");
  const auto kind =
      forward ? tbforward::forward_records() : tbretrieve::retrieval_records(settings, options);

  console::StringSink sink(capacity, ENOSPC);
  console::StringSink errors;
  console::Diagnostics diagnostics("fuzz", errors, false);
  table::TableIo io{[&](const std::string&, std::uint64_t& bytes, int&) {
                      bytes = input.size();
                      auto source = std::make_unique<console::StringSource>(input, chunk);
                      source->pause_every(1 + data[1] % 5);
                      return source;
                    },
                    sink, false, diagnostics};
  const int status = table::run_table(options, *kind, io);
  require(status >= 0 && status <= 2, "an unknown exit status");
  if (status == 2) {
    // A header that names no columns: only the lines before it came out.
    require(header_mode, "a usage error in the plain format");
    std::string_view rest = sink.text;
    while (!rest.empty()) {
      const std::size_t end = rest.find('\n');
      require(table::is_blank_or_comment(rest.substr(0, end)), "a usage error after records");
      rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    }
    return 0;
  }
  if (errors.text.find("error writing standard output") != std::string::npos) {
    require(status == 1, "lost output reported as success");
    return 0;
  }

  // One output line per input line, each a copy or a row with its columns.
  const std::size_t added = kind->added_columns().size();
  std::string_view rest_in = input, rest_out = sink.text;
  if (rest_in.starts_with("\xEF\xBB\xBF")) rest_in.remove_prefix(3);  // a byte-order mark
  while (!rest_in.empty()) {
    const std::size_t in_end = rest_in.find('\n');
    const std::string_view line_in = rest_in.substr(0, in_end);
    rest_in.remove_prefix(in_end == std::string_view::npos ? rest_in.size() : in_end + 1);
    const std::size_t out_end = rest_out.find('\n');
    require(out_end != std::string_view::npos, "an input line without its output line");
    const std::string_view line_out = rest_out.substr(0, out_end);
    rest_out.remove_prefix(out_end + 1);
    require(line_out.size() <= line_in.size() + added * (table::kMaxNumberChars + 1) + 32,
            "an output line beyond its bound");
    // The line end is not part of the line.
    const std::string_view fields = line_in.substr(0, line_in.size() - line_in.ends_with('\r'));
    if (fields.size() > table::kMaxLineBytes) {
      continue;  // not kept: a lost comment's empty line, or a row of empty fields
    }
    if (header_mode) {
      require(line_out.starts_with(fields), "a row that lost its own fields");
    } else if (line_out != line_in) {
      std::size_t fields = 1;
      for (char c : line_out) fields += c == ' ';
      require(fields == added, "a plain row without its columns");
    }
  }
  require(rest_out.empty(), "more output lines than input lines");
  return 0;
}
