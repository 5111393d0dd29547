// tbretrieve's line reading and the retrieval over arbitrary bytes, read in
// chunks and written to output that may fail. Each input line must give
// exactly one well-formed output line, and every retrieval must stay within
// its domain or say its input was invalid.
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "filter.hpp"
#include "memory_streams.hpp"
#include "tbcalc/retrieval.hpp"

namespace {

using tbcalc::console::LineReader;
using tbcalc::console::OutputBuffer;
using tbcalc::console::StringSink;
using tbcalc::console::StringSource;

void require(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "tbretrieve_fuzzer: %s\n", what);
    std::abort();
  }
}

// A result line: five numbers and a status word, or the bad-input line.
bool is_result_line(std::string_view line) {
  if (line == "nan nan nan nan nan bad-input") return true;
  for (int field = 0; field < 5; ++field) {
    const std::size_t blank = line.find(' ');
    if (blank == std::string_view::npos || blank == 0) return false;
    line.remove_prefix(blank + 1);
  }
  for (auto status :
       {tbcalc::RetrievalStatus::converged, tbcalc::RetrievalStatus::at_bound,
        tbcalc::RetrievalStatus::poor_fit, tbcalc::RetrievalStatus::weakly_constrained,
        tbcalc::RetrievalStatus::invalid_input}) {
    if (line == tbcalc::status_name(status)) return true;
  }
  return false;
}

// The retrieval straight from the fuzzer's bytes, as numbers.
void check_retrieval(const std::uint8_t* data, std::size_t size) {
  std::array<float, 3> env;
  std::array<double, 6> tb;
  if (size < sizeof env + sizeof tb) return;
  std::memcpy(env.data(), data, sizeof env);
  std::memcpy(tb.data(), data + sizeof env, sizeof tb);
  const tbcalc::Retrieval r = tbcalc::retrieve(env[0], env[1], env[2], tb);
  if (r.status == tbcalc::RetrievalStatus::invalid_input) {
    require(std::isnan(r.wind) && r.iterations == 0, "invalid input with a result");
    return;
  }
  require(r.wind >= 0 && r.wind <= 150 && r.rain >= -10 && r.rain <= 150, "outside the domain");
  require(r.iterations >= 0 && r.iterations <= 100, "iterations unbounded");
  require(!std::isnan(r.rms) && r.wind_sd >= 0 && r.rain_sd >= 0, "nonsense uncertainty");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  check_retrieval(data, size);
  if (size < 2) return 0;
  // The first byte sets the read chunk, the second where output fails.
  const std::size_t chunk = 1 + data[0] % 64;
  const std::size_t capacity = data[1] < 16 ? std::size_t(data[1]) * 64 : std::string::npos;
  const std::string_view input(reinterpret_cast<const char*>(data + 2), size - 2);

  StringSource source(input, chunk);
  StringSink sink(capacity, ENOSPC);
  OutputBuffer out(sink);
  LineReader in(source, out);
  const tbcalc::tbretrieve::FilterResult result =
      tbcalc::tbretrieve::run_filter(in, out, 0.5, "fuzz", [](std::string_view) {});
  const bool delivered = out.flush();
  if (!delivered || result.end != tbcalc::tbretrieve::FilterResult::end_of_input) return 0;

  // One output line per input line, each a copy or a result.
  std::string_view rest_in = input, rest_out = sink.text;
  while (!rest_in.empty()) {
    const std::size_t in_end = rest_in.find('\n');
    const std::string_view line_in = rest_in.substr(0, in_end);
    rest_in.remove_prefix(in_end == std::string_view::npos ? rest_in.size() : in_end + 1);
    const std::size_t out_end = rest_out.find('\n');
    require(out_end != std::string_view::npos, "an input line without its output line");
    const std::string_view line_out = rest_out.substr(0, out_end);
    rest_out.remove_prefix(out_end + 1);
    require(line_out == line_in || is_result_line(line_out), "a malformed output line");
  }
  require(rest_out.empty(), "more output lines than input lines");
  return 0;
}
