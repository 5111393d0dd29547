#include "progress.hpp"

#include <cmath>

#include "diagnostics.hpp"

namespace tbcalc::table {
namespace {

// Redrawn at most this often, and first drawn only when a run lasts this
// long: a short run shows nothing at all.
constexpr auto kRedraw = std::chrono::milliseconds(250);
constexpr auto kFirstDraw = std::chrono::milliseconds(500);

// 1234567 as "1,234,567".
void append_grouped(std::string& out, std::uint64_t n) {
  const std::string digits = std::to_string(n);
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
}

}  // namespace

std::string progress_line(std::string_view name, std::uint64_t records, std::uint64_t bytes,
                          std::uint64_t total_bytes, double seconds) {
  std::string line(name);
  line += ": ";
  append_grouped(line, records);
  line += records == 1 ? " record" : " records";
  if (total_bytes > 0) {
    line += ", ";
    line += std::to_string(std::min<std::uint64_t>(100, bytes * 100 / total_bytes));
    line += '%';
  }
  if (seconds > 0) {
    line += ", ";
    append_grouped(line, std::uint64_t(double(records) / seconds));
    line += " records/s";
  }
  if (total_bytes > 0 && bytes > 0 && seconds > 0 && bytes <= total_bytes) {
    const auto left =
        std::uint64_t(std::lround(double(total_bytes - bytes) * seconds / double(bytes)));
    line += ", ";
    line += std::to_string(left / 60);
    line += ':';
    if (left % 60 < 10) line += '0';
    line += std::to_string(left % 60);
    line += " left";
  }
  return line;
}

void Progress::start(std::string_view name, std::uint64_t total_bytes) {
  name_ = name;
  total_bytes_ = total_bytes;
  records_ = 0;
  started_ = Clock::now();
  drawn_ = started_;
}

void Progress::advance(std::uint64_t records, std::uint64_t bytes) {
  records_ += records;
  if (!enabled_ || total_bytes_ == 0) return;
  const Clock::time_point now = Clock::now();
  if (now - drawn_ < (shown_ ? kRedraw : kFirstDraw)) return;
  drawn_ = now;
  shown_ = true;
  const double seconds = std::chrono::duration<double>(now - started_).count();
  diagnostics_.show_progress(progress_line(name_, records_, bytes, total_bytes_, seconds));
}

void Progress::clear() {
  if (shown_) diagnostics_.clear_progress();
  shown_ = false;
}

}  // namespace tbcalc::table
