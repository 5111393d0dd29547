#include "cread.hpp"

#include <algorithm>

namespace tbcalc::dialogue {

ReplyCode classify_reply(ReplyLine& line, std::size_t filled) {
  // Only the space is blank: a tab or a NUL is a character of the reply.
  std::size_t n = filled;
  while (n > 0 && line[n - 1] == ' ') --n;
  if (n == 0) return ReplyCode::empty;

  for (std::size_t i = 0; i < n; ++i) {
    if (line[i] >= 'a' && line[i] <= 'z') line[i] = char(line[i] - 32);
  }
  if (line[0] == 'E' && line[1] == 'X') return ReplyCode::exit;
  if (line[0] == 'N' && line[1] == 'O') return ReplyCode::no;

  const auto value_end = line.begin() + std::ptrdiff_t(n);
  const bool has_point = std::find(line.begin(), value_end, '.') != value_end;
  const bool starts_like_number = static_cast<unsigned char>(line[0]) <= '@';
  if (!has_point && starts_like_number && n < kReplyColumns) line[n] = '.';
  return ReplyCode::value;
}

ReadStatus cread(LineReader& in, ReplyLine& line, ReplyCode& code) {
  line.fill(' ');
  std::size_t filled = 0;
  const ReadStatus status = in.read_line(line, filled);
  if (status == ReadStatus::line) code = classify_reply(line, filled);
  return status;
}

}  // namespace tbcalc::dialogue
