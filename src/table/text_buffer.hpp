// A growable run of bytes for a batch's output: appends are inline and
// unchecked beyond one comparison, and its memory is kept between batches.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <string_view>

namespace tbcalc::table {

class TextBuffer {
 public:
  void clear() { size_ = 0; }
  std::size_t size() const { return size_; }
  std::string_view view() const { return {data_.get(), size_}; }

  void append(std::string_view text) {
    if (text.empty()) return;  // an empty view may hold no address at all
    std::memcpy(room(text.size()), text.data(), text.size());
    size_ += text.size();
  }
  void push_back(char c) {
    *room(1) = c;
    ++size_;
  }
  void append(std::size_t count, char c) {
    std::memset(room(count), c, count);
    size_ += count;
  }

  // Space for at most `most` bytes at the end; commit() says how many were written.
  char* room(std::size_t most) {
    if (most > capacity_ - size_) grow(most);
    return data_.get() + size_;
  }
  void commit(std::size_t written) { size_ += written; }

 private:
  void grow(std::size_t most) {
    const std::size_t capacity = std::max(2 * capacity_, size_ + most + 4096);
    std::unique_ptr<char[]> data(new char[capacity]);
    if (size_ > 0) std::memcpy(data.get(), data_.get(), size_);
    data_ = std::move(data);
    capacity_ = capacity;
  }

  std::unique_ptr<char[]> data_;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
};

}  // namespace tbcalc::table
