#include "number_format.hpp"
#include "record_kind.hpp"

namespace tbcalc::table {

// Room for a separator and `most` bytes; the separator is in place.
char* ColumnWriter::separate(std::size_t most) {
  char* p = out_.room(most + 1);
  const bool separated = header_mode_ || !first_;
  first_ = false;
  if (!separated) return p;
  *p = header_mode_ ? delimiter_ : ' ';
  out_.commit(1);
  return p + 1;
}

void ColumnWriter::number(double value, int decimals) {
  out_.commit(write_fixed(value, decimals, separate(kMaxNumberChars)));
}

void ColumnWriter::shortest(float value) {
  out_.commit(write_shortest(value, separate(kMaxNumberChars)));
}

void ColumnWriter::word(std::string_view word) {
  separate(word.size());
  out_.append(word);
}

void ColumnWriter::missing() {
  separate(3);
  if (!header_mode_) out_.append("nan");
}

}  // namespace tbcalc::table
