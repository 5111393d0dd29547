// The numeric fields on the cases the console relies on. The libf2c
// comparison covers the rest; these keep the rules readable and run anywhere.
#include "fortran_fields.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <string>
#include <utility>

namespace tbcalc::dialogue {
namespace {

TEST(ReadF105, AcceptedFields) {
  struct Case {
    const char* field;
    float value;
  };
  const Case cases[] = {
      {"25.", 25.0f},
      {"25", 0.00025f},  // no point: five implied decimals
      {"2 8.", 28.0f},
      {"  -3.5", -3.5f},
      {"1.e3", 1000.0f},
      {"1.5d-1", 0.15f},
      {"1-2", 1e-7f},  // a bare sign starts the exponent
      {"", 0.0f},
      {"-", 0.0f},
      {".", 0.0f},
      {"1,X", 0.00001f},              // a comma ends the field
      {"123456789012", 12345.6789f},  // only ten columns are read
      {"1.e99", INFINITY},
      {"-1.e-99", -0.0f},
  };
  for (const Case& c : cases) {
    std::array<char, 10> field;
    field.fill(' ');
    const std::string text = c.field;
    std::copy_n(text.begin(), std::min<std::size_t>(text.size(), 10), field.begin());
    float v = -1.0f;
    EXPECT_EQ(read_f10_5(field, v), 0) << c.field;
    EXPECT_EQ(v, c.value) << c.field;
    EXPECT_EQ(std::signbit(v), std::signbit(c.value)) << c.field;
  }
}

TEST(ReadF105, RejectedFieldsLeaveTheValue) {
  for (const char* text : {"abc", "1e3.", "1.5.", "1e", "1.e+", "1-", "\t5.", "5.x"}) {
    std::array<char, 10> field;
    field.fill(' ');
    std::copy_n(text, std::strlen(text), field.begin());
    float v = -1.0f;
    EXPECT_EQ(read_f10_5(field, v), kBadFieldCharacter) << text;
    EXPECT_EQ(v, -1.0f) << text;
  }
}

TEST(WriteF72, Columns) {
  struct Case {
    float value;
    const char* text;
  };
  const Case cases[] = {
      {112.86f, " 112.86"},  {0.5f, "    .50"},     {-0.5f, "   -.50"},
      {-0.004f, "    .00"},  {0.125f, "    .12"},   {0.375f, "    .38"},  // ties to even
      {9999.99f, "9999.99"}, {-999.99f, "-999.99"}, {10000.0f, "*******"},
      {-1000.0f, "*******"}, {INFINITY, "    inf"}, {-NAN, "   -nan"},
  };
  for (const Case& c : cases) {
    std::array<char, 7> out;
    write_f7_2(c.value, out);
    EXPECT_EQ(std::string(out.data(), 7), c.text) << c.value;
  }
}

TEST(WriteI5, Columns) {
  const std::pair<int, const char*> cases[] = {{115, "  115"},    {0, "    0"},
                                               {-9999, "-9999"},  {99999, "99999"},
                                               {-10000, "*****"}, {100000, "*****"}};
  for (const auto& [value, text] : cases) {
    std::array<char, 5> out;
    write_i5(value, out);
    EXPECT_EQ(std::string(out.data(), 5), text) << value;
  }
}

}  // namespace
}  // namespace tbcalc::dialogue
