#include "filter.hpp"

#include <array>
#include <charconv>
#include <cstdio>
#include <string>

#include "record.hpp"
#include "tbcalc/retrieval.hpp"

namespace tbcalc::tbretrieve {
namespace {

// wind, rain and their one-sigma uncertainties with 3 decimals, the rms
// misfit with 4, then the status word.
void write_result(const Retrieval& r, console::OutputBuffer& out) {
  std::array<char, 256> line;
  const int n = std::snprintf(line.data(), line.size(), "%.3f %.3f %.3f %.3f %.4f %.*s\n", r.wind,
                              r.rain, r.wind_sd, r.rain_sd, r.rms,
                              int(status_name(r.status).size()), status_name(r.status).data());
  out.append(std::string_view(line.data(), std::size_t(n)));
}

}  // namespace

FilterResult run_filter(console::LineReader& in, console::OutputBuffer& out, double noise_k,
                        std::string_view name, const ErrorReport& report) {
  std::array<char, kMaxLineBytes> columns;
  std::string message;  // reused: no allocation per bad line once it has grown
  long line_number = 0;
  long bad_lines = 0;
  for (;;) {
    if (out.failed()) return {FilterResult::write_error, bad_lines};
    std::size_t kept = 0;
    const console::ReadStatus status = in.read_line(columns, kept);
    if (status == console::ReadStatus::end_of_input)
      return {FilterResult::end_of_input, bad_lines};
    if (status == console::ReadStatus::error) return {FilterResult::read_error, bad_lines};
    ++line_number;
    const std::string_view line(columns.data(), kept);
    ParsedLine parsed{LineKind::bad, {}, {}};
    if (in.truncated()) {
      std::array<char, 24> limit;
      const auto end = std::to_chars(limit.begin(), limit.end(), kMaxLineBytes).ptr;
      parsed.problem << "line longer than " << std::string_view(limit.data(), end) << " bytes";
    } else {
      parsed = parse_line(line);
    }
    switch (parsed.kind) {
      case LineKind::copy:
        out.append(line);
        out.append("\n");
        break;
      case LineKind::record: {
        const Record& r = parsed.record;
        write_result(retrieve(r.sst_c, r.altitude_m, r.air_c, r.tb, noise_k), out);
        break;
      }
      case LineKind::bad:
        ++bad_lines;
        message.assign(name);
        message += ':';
        message += std::to_string(line_number);  // short: within the string's own buffer
        message += ": ";
        message += parsed.problem.view();
        report(message);
        out.append("nan nan nan nan nan bad-input\n");
        break;
    }
  }
}

}  // namespace tbcalc::tbretrieve
