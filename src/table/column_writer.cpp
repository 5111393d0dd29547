#include "number_format.hpp"
#include "record_kind.hpp"

namespace tbcalc::table {

void ColumnWriter::separate() {
  if (header_mode_) {
    out_ += delimiter_;
  } else if (!first_) {
    out_ += ' ';
  }
  first_ = false;
}

void ColumnWriter::number(double value, int decimals) {
  separate();
  char digits[kMaxNumberChars];
  out_.append(digits, write_fixed(value, decimals, digits));
}

void ColumnWriter::shortest(float value) {
  separate();
  char digits[kMaxNumberChars];
  out_.append(digits, write_shortest(value, digits));
}

void ColumnWriter::word(std::string_view word) {
  separate();
  out_ += word;
}

void ColumnWriter::missing() {
  separate();
  if (!header_mode_) out_ += "nan";
}

}  // namespace tbcalc::table
