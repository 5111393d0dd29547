// In-memory byte sources and sinks, so the dialogue can be driven without a
// process: input in chunks of a chosen size, an injectable read or write error.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>

#include "console.hpp"

namespace tbcalc::console {

class StringSource final : public ByteSource {
 public:
  // Delivers `bytes` at most `chunk` at a time, then end of input, or the
  // errno value `error_at_end` instead when it is not 0.
  explicit StringSource(std::string_view bytes, std::size_t chunk = 1 << 16, int error_at_end = 0)
      : bytes_(bytes), chunk_(chunk), error_at_end_(error_at_end) {}
  long read(std::span<char> into) override {
    if (bytes_.empty()) return error_at_end_ ? -long(error_at_end_) : 0;
    const std::size_t n = std::min({into.size(), chunk_, bytes_.size()});
    std::copy_n(bytes_.begin(), n, into.begin());
    bytes_.remove_prefix(n);
    ++reads_;
    return long(n);
  }
  // Says that no input is waiting at every n-th question, as a live feed
  // between its records would.
  void pause_every(int n) { pause_every_ = n; }
  bool input_waiting() override { return pause_every_ == 0 || ++questions_ % pause_every_ != 0; }
  int reads() const { return reads_; }

 private:
  std::string_view bytes_;
  std::size_t chunk_;
  int error_at_end_;
  int reads_ = 0;
  int pause_every_ = 0;
  int questions_ = 0;
};

class StringSink final : public ByteSink {
 public:
  // Accepts `capacity` bytes, then fails every write with `error`.
  explicit StringSink(std::size_t capacity = std::string::npos, int error = 0)
      : capacity_(capacity), error_(error) {}
  int write(std::span<const char> bytes) override {
    ++writes_;
    if (bytes.size() > capacity_ - std::min(capacity_, text.size())) return error_;
    text.append(bytes.data(), bytes.size());
    return 0;
  }
  int writes() const { return writes_; }
  std::string text;

 private:
  std::size_t capacity_;
  int error_;
  int writes_ = 0;
};

}  // namespace tbcalc::console
