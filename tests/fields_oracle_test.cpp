// Our F10.5 read and F7.2 / I5 writes against libf2c's own internal READ and
// WRITE, on exhaustive short fields and on a million generated values each.
// Any difference in status, characters or bits is a failure.
#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "fortran_fields.hpp"
// Last: it includes f2c.h, whose macros break standard headers after it.
#include "libf2c_fields.hpp"

namespace tbcalc::dialogue {
namespace {

constexpr float kUntouched = -12345.678f;

using libf2c::ReadResult;

ReadResult libf2c_read(const std::array<char, 64>& columns) {
  return libf2c::read_f10_5(columns, kUntouched);
}

ReadResult our_read(const std::array<char, 64>& columns) {
  float v = kUntouched;
  const int status = read_f10_5(std::span<const char, 10>(columns.data(), 10), v);
  return {status, std::bit_cast<std::uint32_t>(v)};
}

std::string printable(const std::array<char, 64>& columns) {
  std::string s;
  for (std::size_t i = 0; i < 10; ++i) {
    const auto c = static_cast<unsigned char>(columns[i]);
    s += (c >= 32 && c < 127) ? std::string(1, char(c)) : "\\x" + std::to_string(c);
  }
  return "[" + s + "]";
}

// Returns the number of fields that differ, reporting the first few.
int compare_reads(const std::vector<std::array<char, 64>>& fields) {
  int differences = 0;
  for (const auto& columns : fields) {
    const ReadResult theirs = libf2c_read(columns);
    const ReadResult ours = our_read(columns);
    if (theirs.status != ours.status || theirs.bits != ours.bits) {
      if (++differences <= 10) {
        ADD_FAILURE() << printable(columns) << " libf2c " << theirs.status << "/" << std::hex
                      << theirs.bits << " ours " << std::dec << ours.status << "/" << std::hex
                      << ours.bits;
      }
    }
  }
  return differences;
}

std::array<char, 64> blank_columns() {
  std::array<char, 64> columns;
  columns.fill(' ');
  return columns;
}

TEST(FieldsOracle, ReadEveryShortField) {
  const std::string alphabet = "0123456789 +-.,eEdDX";
  std::vector<std::array<char, 64>> fields;
  std::vector<std::size_t> index;
  for (std::size_t length = 0; length <= 4; ++length) {
    index.assign(length, 0);
    for (;;) {
      auto columns = blank_columns();
      for (std::size_t i = 0; i < length; ++i) columns[i] = alphabet[index[i]];
      fields.push_back(columns);
      std::size_t pos = 0;
      while (pos < length && ++index[pos] == alphabet.size()) index[pos++] = 0;
      if (pos == length) break;
    }
  }
  ASSERT_EQ(fields.size(), 1u + 20u + 400u + 8000u + 160000u);
  EXPECT_EQ(compare_reads(fields), 0);
}

TEST(FieldsOracle, ReadRandomFields) {
  std::mt19937_64 rng(20261208);
  const std::string number_chars = "0123456789 +-.,eEdD";
  std::vector<std::array<char, 64>> fields;
  for (int i = 0; i < 900000; ++i) {
    auto columns = blank_columns();
    const int kind = i % 4;
    for (std::size_t c = 0; c < 10; ++c) {
      const auto r = rng();
      if (kind == 0) {
        columns[c] = char(r & 0xff);  // any byte at all
      } else if (kind == 1) {
        columns[c] = number_chars[r % number_chars.size()];
      } else {
        // Mostly digits with a few structural characters: real-looking numbers,
        // long mantissas and long exponents.
        const char* shape = kind == 2 ? "0123456789012345678901234567890123456789.-+ e"
                                      : "012345678900000000009999999999 .-+Ed";
        columns[c] = shape[r % std::strlen(shape)];
      }
    }
    fields.push_back(columns);
  }
  // Exponents at the extremes of what ten columns can hold.
  for (const char* text : {"1e99999999", "1.e9999999", "1e-9999999", "-1.e-99999", "9.99e38",
                           "3.4028236e38", "1.17549e-38", "1.4e-45", "7.0e-46", "1-99999999"}) {
    auto columns = blank_columns();
    std::memcpy(columns.data(), text, std::strlen(text));
    fields.push_back(columns);
  }
  EXPECT_EQ(compare_reads(fields), 0);
}

TEST(FieldsOracle, WriteF72AndI5) {
  std::mt19937_64 rng(7);
  std::vector<float> values;
  for (int i = 0; i < 400000; ++i) values.push_back(std::bit_cast<float>(std::uint32_t(rng())));
  // Around every kind of rounding tie: hundredths and a half, and binary-exact ties.
  for (int i = 0; i < 500000; ++i) {
    const auto k = std::int64_t(rng() % 2000001) - 1000000;
    float v = float((double(k) + 0.5) / 100.0);
    const auto nudge = rng() % 3;
    if (nudge == 1) v = std::nextafter(v, INFINITY);
    if (nudge == 2) v = std::nextafter(v, -INFINITY);
    values.push_back(v);
  }
  for (int k = -80000; k <= 80000; ++k) values.push_back(float(k) / 8.0f);
  for (float v : {0.0f, -0.0f, INFINITY, -INFINITY, NAN, -NAN, 9999.994f, 9999.995f, -999.994f,
                  -999.995f, 0.005f, -0.005f, 0.995f, -0.995f}) {
    values.push_back(v);
  }
  int differences = 0;
  for (float v : values) {
    real r = v;
    const std::string theirs = libf2c::write("(f7.2)", &r, sizeof r, 7);
    std::array<char, 7> ours;
    write_f7_2(v, ours);
    if (theirs != std::string(ours.data(), 7) && ++differences <= 10) {
      ADD_FAILURE() << "F7.2 of " << std::hex << std::bit_cast<std::uint32_t>(v) << ": libf2c ["
                    << theirs << "] ours [" << std::string(ours.data(), 7) << "]";
    }
  }
  EXPECT_EQ(differences, 0);

  std::vector<integer> integers;
  for (int i = 0; i < 900000; ++i) integers.push_back(integer(std::uint32_t(rng())));
  for (integer k = -100100; k <= 100100; k += 2) integers.push_back(k);
  for (integer k : {INT32_MIN, INT32_MAX, 0, -9999, -10000, 99999, 100000, 115}) {
    integers.push_back(k);
  }
  differences = 0;
  for (integer k : integers) {
    integer copy = k;
    const std::string theirs = libf2c::write("(i5)", &copy, sizeof copy, 5);
    std::array<char, 5> ours;
    write_i5(int(k), ours);
    if (theirs != std::string(ours.data(), 5) && ++differences <= 10) {
      ADD_FAILURE() << "I5 of " << k << ": libf2c [" << theirs << "] ours ["
                    << std::string(ours.data(), 5) << "]";
    }
  }
  EXPECT_EQ(differences, 0);
}

}  // namespace
}  // namespace tbcalc::dialogue

// libf2c carries a main of its own; this one, in an object file, is the one linked.
int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
