#include "problem.hpp"

#include <algorithm>
#include <charconv>

namespace tbcalc::table {
namespace {

constexpr std::size_t kShownBytes = 24;  // of a bad field, in a message

}  // namespace

std::string_view decimal(std::uint64_t n, std::array<char, 24>& room) {
  const auto end = std::to_chars(room.data(), room.data() + room.size(), n).ptr;
  return {room.data(), std::size_t(end - room.data())};
}

Problem& Problem::operator<<(std::string_view text) {
  const std::size_t n = std::min(text.size(), text_.size() - size_);
  std::copy_n(text.begin(), n, text_.begin() + std::ptrdiff_t(size_));
  size_ += n;
  return *this;
}

Problem& Problem::quote(std::string_view field) {
  *this << "'";
  for (char c : field.substr(0, kShownBytes)) {
    const char shown = printable(c);
    *this << std::string_view(&shown, 1);
  }
  return *this << (field.size() > kShownBytes ? "...'" : "'");
}

}  // namespace tbcalc::table
