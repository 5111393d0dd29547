// Byte-exact console I/O: reply lines in, buffered text out. Only a line end
// ends a line; every other byte, NUL included, is a character of the reply.
// Output is held until the program is about to wait for input, the buffer is
// full, or the run ends, so a prompt is always on the screen before a wait.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string_view>

namespace tbcalc::console {

// Where bytes come from. read() returns the number of bytes read, 0 at end of
// input, or a negative errno value.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual long read(std::span<char> into) = 0;
  // Whether read() would return at once: bytes, end of input or an error are
  // there. A live feed is answered before the program waits on it.
  virtual bool input_waiting() { return true; }
};

// Where bytes go. write() delivers all of `bytes` and returns 0, or an errno
// value when they could not be delivered.
class ByteSink {
 public:
  virtual ~ByteSink() = default;
  virtual int write(std::span<const char> bytes) = 0;
};

// A file descriptor as source or sink; interrupted calls are retried.
class FdSource final : public ByteSource {
 public:
  explicit FdSource(int fd) : fd_(fd) {}
  long read(std::span<char> into) override;
  bool input_waiting() override;

 private:
  int fd_;
};

class FdSink final : public ByteSink {
 public:
  explicit FdSink(int fd) : fd_(fd) {}
  int write(std::span<const char> bytes) override;

 private:
  int fd_;
};

// Buffered output. After the first failed delivery it drops everything and
// remembers the errno value, so a caller can check once and stop.
class OutputBuffer {
 public:
  explicit OutputBuffer(ByteSink& sink) : sink_(sink) {}
  OutputBuffer(const OutputBuffer&) = delete;
  OutputBuffer& operator=(const OutputBuffer&) = delete;

  void append(std::string_view text);
  // Room for exactly `size` bytes that the caller writes in place, counted
  // as appended; nullptr once output failed or beyond the buffer's capacity.
  char* reserve(std::size_t size);
  // Delivers what is held; returns false if output has been lost.
  bool flush();
  bool failed() const { return error_ != 0; }
  int error() const { return error_; }

 private:
  static constexpr std::size_t kCapacity = 1 << 16;
  ByteSink& sink_;
  std::size_t used_ = 0;
  int error_ = 0;
  char data_[kCapacity];
};

enum class ReadStatus { line, end_of_input, error };

// Reads lines in large blocks, keeping at most the first columns.size()
// bytes of each and discarding the rest as it arrives, so memory stays
// bounded whatever the line length. A last line without a line end counts.
// Before each wait for more input it calls `before_wait`, or flushes
// `pending_output`: whatever the program has said must be seen first.
class LineReader {
 public:
  LineReader(ByteSource& source, OutputBuffer& pending_output)
      : source_(source), before_wait_([&pending_output] { pending_output.flush(); }) {}
  LineReader(ByteSource& source, std::function<void()> before_wait)
      : source_(source), before_wait_(std::move(before_wait)) {}
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  // Copies the line's first bytes into `columns`, leaving the rest as it was;
  // `kept` receives how many were copied.
  ReadStatus read_line(std::span<char> columns, std::size_t& kept);
  // Whether the last line read had more bytes than its columns held.
  bool truncated() const { return truncated_; }
  // Whether the last line read ended with a line end (the last line of the
  // input may not).
  bool line_ended() const { return line_ended_; }
  // Whether the last line read, kept or not, had a carriage return as its
  // last byte before the line end (or the end of input): a CRLF line end.
  bool ended_with_cr() const { return last_byte_ == '\r'; }
  // The errno value after ReadStatus::error.
  int error() const { return error_; }
  // Bytes taken from the source as lines so far, line ends included.
  std::uint64_t consumed() const { return consumed_; }

 private:
  static constexpr std::size_t kCapacity = 1 << 16;
  bool refill();

  ByteSource& source_;
  std::function<void()> before_wait_;
  std::uint64_t consumed_ = 0;
  std::size_t begin_ = 0;
  std::size_t end_ = 0;
  bool at_end_ = false;
  bool truncated_ = false;
  bool line_ended_ = false;
  char last_byte_ = 0;
  int error_ = 0;
  char data_[kCapacity];
};

}  // namespace tbcalc::console
