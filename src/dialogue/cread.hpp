// The reply reader: one console line into a 64-column buffer, upper-cased and
// classified as a value, an empty line or one of the keywords.
#pragma once

#include <array>

#include "console.hpp"

namespace tbcalc::dialogue {

using console::LineReader;
using console::ReadStatus;

inline constexpr std::size_t kReplyColumns = 64;
using ReplyLine = std::array<char, kReplyColumns>;

enum class ReplyCode { value = 0, empty = 1, no = 2, exit = 3 };

// Classifies a reply already in `line` (blank-padded): blank is `empty`, a
// line starting with NO or EX (any case, no leading blank) is that keyword,
// anything else a value. Upper-cases a-z up to the last non-blank column and,
// for a value with no point that does not start with a letter, writes a point
// just after it, so that an integer such as 25 reads as 25.0 under F10.5.
// Columns from `filled` on are known to be blank.
ReplyCode classify_reply(ReplyLine& line, std::size_t filled = kReplyColumns);

// Reads one reply line from `in` into `line` and classifies it. `code` is set
// only when the status is ReadStatus::line.
ReadStatus cread(LineReader& in, ReplyLine& line, ReplyCode& code);

}  // namespace tbcalc::dialogue
