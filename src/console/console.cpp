#include "console.hpp"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace tbcalc::console {

long FdSource::read(std::span<char> into) {
  for (;;) {
    const ssize_t n = ::read(fd_, into.data(), into.size());
    if (n >= 0) return long(n);
    if (errno != EINTR) return -long(errno);
  }
}

bool FdSource::input_waiting() {
  pollfd p{fd_, POLLIN, 0};
  for (;;) {
    const int n = ::poll(&p, 1, 0);
    if (n >= 0) return n > 0;         // POLLIN, POLLHUP and POLLERR all mean a read returns
    if (errno != EINTR) return true;  // let read() say what is wrong
  }
}

int FdSink::write(std::span<const char> bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    bytes = bytes.subspan(std::size_t(n));
  }
  return 0;
}

void OutputBuffer::append(std::string_view text) {
  if (text.empty()) return;  // an empty view may hold no address at all
  if (char* room = reserve(text.size())) {
    std::memcpy(room, text.data(), text.size());
    return;
  }
  // More than the whole buffer holds: deliver what is held, then the text.
  if (text.size() > kCapacity && flush()) error_ = sink_.write(text);
}

char* OutputBuffer::reserve(std::size_t size) {
  if (failed() || size > kCapacity) return nullptr;
  if (size > kCapacity - used_ && !flush()) return nullptr;
  char* room = data_ + used_;
  used_ += size;
  return room;
}

bool OutputBuffer::flush() {
  if (!failed() && used_ != 0) error_ = sink_.write(std::span<const char>(data_, used_));
  used_ = 0;
  return !failed();
}

bool LineReader::refill() {
  before_wait_();
  const long n = source_.read(std::span<char>(data_, kCapacity));
  if (n < 0) {
    error_ = int(-n);
    return false;
  }
  begin_ = 0;
  end_ = std::size_t(n);
  at_end_ = n == 0;
  return true;
}

ReadStatus LineReader::read_line(std::span<char> columns, std::size_t& kept) {
  kept = 0;
  truncated_ = false;
  line_ended_ = false;
  last_byte_ = 0;
  bool started = false;
  for (;;) {
    if (begin_ == end_) {
      if (at_end_) return started ? ReadStatus::line : ReadStatus::end_of_input;
      if (!refill()) return ReadStatus::error;
      continue;
    }
    started = true;
    const char* first = data_ + begin_;
    const auto* line_end = static_cast<const char*>(std::memchr(first, '\n', end_ - begin_));
    const std::size_t length = std::size_t((line_end ? line_end : data_ + end_) - first);
    const std::size_t take = std::min(length, columns.size() - kept);
    truncated_ = truncated_ || take < length;
    std::memcpy(columns.data() + kept, first, take);
    kept += take;
    if (length > 0) last_byte_ = first[length - 1];
    begin_ += length;
    consumed_ += length;
    if (line_end) {
      ++begin_;
      ++consumed_;
      line_ended_ = true;
      return ReadStatus::line;
    }
  }
}

}  // namespace tbcalc::console
