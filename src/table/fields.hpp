// Splitting a line of a table into its fields, in the two layouts the table
// programs read:
//   plain      numbers separated by blanks (spaces, tabs, carriage returns),
//              commas, or both; blank lines and # comments are not records
//   delimited  the fields of a header-mode file, separated by one delimiter
//              (comma or tab), RFC 4180 quoting within the line: a field that
//              starts with a double quote runs to the matching closing quote
//              and may hold the delimiter and doubled quotes ("").
#pragma once

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "problem.hpp"

namespace tbcalc::table {

// A whole field as a finite number: what std::from_chars reads as a double,
// with an optional leading '+'. Otherwise false, and `problem` says why.
bool read_number(std::string_view field, double& value, Problem& problem);

// A plain record holding exactly values.size() numbers; otherwise false,
// and `problem` says why, naming that count with `count_word` ("nine
// numbers expected, found 8").
bool split_plain(std::string_view line, std::span<double> values, std::string_view count_word,
                 Problem& problem);

// What the fields of a line hold, split as plain fields or at semicolons:
// for the messages that tell a header from a record.
struct LineWords {
  std::size_t numbers = 0;      // fields that read as numbers
  std::size_t names = 0;        // the others
  bool names_an_input = false;  // one of the others is an input's name
  char delimiter = '\0';        // the first comma, tab or semicolon, if any
  // Names and no number, and a name of the inputs or a delimiter: a header.
  bool header() const { return numbers == 0 && names > 0 && (names_an_input || delimiter != '\0'); }
};
LineWords count_words(std::string_view line,
                      const std::function<bool(std::string_view)>& is_input_name);

// "five", "nine": a count as messages write it.
std::string in_words(std::size_t count);

// The raw fields of a delimited line, quotes included, into `fields`
// (cleared first). false when a quote is left open or text follows a closing
// quote; `problem` says which.
bool split_delimited(std::string_view line, char delimiter, std::vector<std::string_view>& fields,
                     Problem& problem);

// What a raw field holds: blanks around it dropped, then the quotes of a
// quoted field; doubled quotes inside are left doubled (no number has one).
std::string_view field_text(std::string_view raw);

// A column name from a raw header field: as field_text, doubled quotes
// taken as one.
std::string column_name(std::string_view raw);

// A line with nothing but blanks (spaces, tabs, carriage returns), or whose
// first other byte is '#'. A `delimiter` is data, never a blank: with '\t' a
// tab is not one.
bool is_blank_or_comment(std::string_view line, char delimiter = '\0');

// Whether two column names are the same, ASCII case ignored.
bool same_name(std::string_view a, std::string_view b);

// The delimiter of a header line: a tab when it has more tabs than commas
// outside quotes, otherwise a comma.
char detect_delimiter(std::string_view header);

}  // namespace tbcalc::table
