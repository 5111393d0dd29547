// The table engine's pieces without a process: bounded numbers, plain and
// delimited fields, header layouts, the command line, the progress line and
// the owner of standard error.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "diagnostics.hpp"
#include "fields.hpp"
#include "layout.hpp"
#include "line_kind.hpp"
#include "memory_streams.hpp"
#include "number_format.hpp"
#include "progress.hpp"
#include "table_command.hpp"

namespace tbcalc::table {
namespace {

std::string fixed(double v, int decimals) {
  char out[kMaxNumberChars];
  return {out, write_fixed(v, decimals, out)};
}

TEST(NumberFormat, EveryValueInABoundedWidth) {
  constexpr double inf = std::numeric_limits<double>::infinity();
  struct Case {
    double value;
    int decimals;
    const char* text;
  };
  const Case cases[] = {
      {10.0124, 3, "10.012"},
      {-0.0001, 3, "-0.000"},  // as printf writes it
      {999999999999.0, 4, "999999999999.0000"},
      {1e12, 3, "1.000e+12"},
      {-1e103, 3, "-1.000e+103"},  // once written past a 256-byte buffer
      {1.7976931348623157e308, 9, "1.797693135e+308"},
      {inf, 3, "inf"},
      {-inf, 4, "-inf"},
      {std::copysign(std::numeric_limits<double>::quiet_NaN(), -1.0), 3, "nan"},
      {2.5, 0, "2"},  // ties to even, as printf
  };
  for (const Case& c : cases) EXPECT_EQ(fixed(c.value, c.decimals), c.text) << c.value;

  // Within the fixed range the digits are printf's own.
  std::mt19937_64 random(7);
  std::uniform_real_distribution<double> exponent(-8, 11.9);
  for (int i = 0; i < 20000; ++i) {
    const double v = std::pow(10.0, exponent(random)) * (i % 2 ? -1 : 1);
    char expected[64];
    std::snprintf(expected, sizeof expected, "%.3f", v);
    ASSERT_EQ(fixed(v, 3), expected) << v;
  }
}

TEST(NumberFormat, ShortestFloats) {
  constexpr float inf = std::numeric_limits<float>::infinity();
  const std::pair<float, const char*> cases[] = {
      {112.85804f, "112.85804"},             // tbcalc's 10 m/s, 5 mm/h at 4.74 GHz
      {1.12890625f, "1.1289062"},            // a tie between two shortest: the even one
      {-1.17549435e-38f, "-1.1754944e-38"},  // the longest kind
      {inf, "inf"},
      {-inf, "-inf"},
      {-std::numeric_limits<float>::quiet_NaN(), "nan"},
  };
  char out[kMaxNumberChars];
  for (const auto& [value, text] : cases) {
    EXPECT_EQ(std::string_view(out, write_shortest(value, out)), text) << value;
  }
}

// Decimals are read as from_chars reads them, to the bit, however many
// digits and zeros they have.
TEST(ReadNumber, DecimalsAsFromCharsReadsThem) {
  std::mt19937_64 random(3);
  for (int i = 0; i < 200000; ++i) {
    std::string text = random() % 3 ? "" : "-";
    for (int d = int(random() % 4); d > 0; --d) text += char('0' + random() % 2 * (random() % 10));
    text += std::to_string(random() % 100000000000ULL);
    if (random() % 4) text += "." + std::to_string(random() >> (random() % 64));
    double expected = 0, got = 0;
    std::from_chars(text.data(), text.data() + text.size(), expected);
    Problem problem;
    ASSERT_TRUE(read_number(text, got, problem)) << text;
    ASSERT_EQ(std::memcmp(&got, &expected, sizeof got), 0) << text;
  }
}

TEST(PlainFields, AcceptedAndRejectedLines) {
  struct Case {
    std::string line;
    const char* problem;  // empty: a record
  };
  const Case cases[] = {
      {"20 1500 10 1 2 3 4 5 6", ""},
      {" \t20 , 1500,\t10 ,1, 2,3 4\t5 6 \r", ""},
      {"+20 1.5e3 -1e1 1 2 3 4 5 6", ""},
      {"1 2 3 4 5 6 7 8", "nine numbers expected, found 8"},
      {"1 2 3 4 5 6 7 8 9 10", "more than nine numbers"},
      {"1 2 3 4 5 6 7 8 nan", "not a finite number: 'nan'"},
      {"1 2 3 4 5 6 7 8 1e999", "number out of range: '1e999'"},
      {"1 2 3 4 5 6 7 8 ++9", "not a number: '++9'"},
      {"1,,2 3 4 5 6 7 8 9", "empty field before a comma"},
      {"1 2 3 4 5 6 7 8 9,", "the line ends with a comma"},
      {std::string("1 2 3 4 5 6 7 8 9\0", 18), "not a number: '9?'"},
      {"1 2 3 4 5 6 7 8 " + std::string(40, 'x'), "not a number: 'xxxxxxxxxxxxxxxxxxxxxxxx...'"},
  };
  for (const Case& c : cases) {
    std::vector<double> values(9);
    Problem problem;
    EXPECT_EQ(split_plain(c.line, values, "nine", problem), *c.problem == '\0') << c.line;
    EXPECT_EQ(problem.view(), c.problem) << c.line;
    if (*c.problem == '\0') EXPECT_EQ(values[8], 6) << c.line;
  }
  // What tells a header read as a record from a bad record.
  const auto inputs = [](std::string_view field) { return same_name(field, "sst"); };
  EXPECT_TRUE(count_words("time;lat;lon", inputs).header());
  EXPECT_TRUE(count_words("time \"SST\"", inputs).header());
  EXPECT_FALSE(count_words("not a record", inputs).header());
  EXPECT_FALSE(count_words("time,20,1500", inputs).header());  // a bad record
}

// Every line is classified once, by the reader: the plain format and header
// mode before its header know no delimiter; after the header, the delimiter
// is data, and a '#' line that holds a whole row is a row.
TEST(LineKinds, DecidedOnceForEveryLine) {
  Layout tabs, commas;
  tabs.delimiter = '\t';
  commas.delimiter = ',';
  tabs.columns = commas.columns = 3;
  struct Case {
    std::string line;
    bool too_long, header_mode;
    const Layout* layout;
    LineKind kind;
  };
  const Case cases[] = {
      {"", false, false, nullptr, LineKind::copy},
      {" \t ", false, false, nullptr, LineKind::copy},
      {"   # wind rain", false, false, nullptr, LineKind::copy},
      {"1 2", false, false, nullptr, LineKind::record},
      {"  # a comment beyond the limit", true, false, nullptr, LineKind::long_comment},
      {"      ", true, false, nullptr, LineKind::too_long},
      {"\t\t", false, true, nullptr, LineKind::copy},
      {"sst,wind", false, true, nullptr, LineKind::header},
      {"#sst,wind", true, true, nullptr, LineKind::long_comment},
      {"sst,wind", true, true, nullptr, LineKind::header},  // too long: said by the reader
      {"\t\t", false, true, &tabs, LineKind::record},       // empty fields, not blanks
      {"  ", false, true, &tabs, LineKind::copy},
      {"\t\t", false, true, &commas, LineKind::copy},
      {",,", false, true, &commas, LineKind::record},
      {"# pause", false, true, &commas, LineKind::copy},
      {"#7,1,2", false, true, &commas, LineKind::record},
      {"#7\t1\t2", false, true, &tabs, LineKind::record},
      {"\t# x", false, true, &tabs, LineKind::record},
      {"# pause", true, true, &commas, LineKind::too_long},
  };
  std::vector<std::string_view> fields;
  for (const Case& c : cases) {
    EXPECT_EQ(classify_line(c.line, c.too_long, c.header_mode, c.layout, fields), c.kind)
        << c.line << (c.layout == &tabs ? " (tabs)" : "");
  }
}

TEST(DelimitedFields, QuotesDelimitersAndTheirFaults) {
  struct Case {
    const char* line;
    char delimiter;
    std::vector<std::string_view> fields;  // raw, as the line holds them
    const char* problem;
  };
  const Case cases[] = {
      {"a,b,,c", ',', {"a", "b", "", "c"}, ""},
      {"\"x,y\",\"say \"\"hi\"\"\",2", ',', {"\"x,y\"", "\"say \"\"hi\"\"\"", "2"}, ""},
      {"a\tb,c\t\"\t\"", '\t', {"a", "b,c", "\"\t\""}, ""},
      {"a,", ',', {"a", ""}, ""},
      {"\"open,b", ',', {}, "a quoted field is not closed"},
      {"a,\"b\"c", ',', {}, "text after the closing quote of field 2"},
  };
  for (const Case& c : cases) {
    std::vector<std::string_view> fields;
    Problem problem;
    EXPECT_EQ(split_delimited(c.line, c.delimiter, fields, problem), *c.problem == '\0') << c.line;
    EXPECT_EQ(problem.view(), c.problem) << c.line;
    if (*c.problem == '\0') EXPECT_EQ(fields, c.fields) << c.line;
  }
  EXPECT_EQ(field_text(" \"20.5\" "), "20.5");
  EXPECT_EQ(column_name("\"say \"\"hi\"\"\""), "say \"hi\"");
  EXPECT_EQ(detect_delimiter("a\tb\t\"c,d,e\""), '\t');
  EXPECT_EQ(detect_delimiter("a,b\tc,d"), ',');
  EXPECT_EQ(detect_delimiter("a\tb\"c,d\tsst"), '\t');  // a quote inside a field quotes nothing
}

// Required inputs, one with a fallback where the header lacks it (salinity),
// one set to a constant and not looked for.
TEST(Layout, ColumnsFoundByName) {
  const std::vector<RecordInput> wanted = {{"sst", {}, {}},
                                           {"altitude", {}, {}},
                                           {"air", {}, {}},
                                           {"salinity", {}, 36.0},
                                           {"x", 1.0, {}}};
  const std::vector<std::string> added = {"tb1", "tb2"};
  struct Case {
    const char* header;
    std::vector<std::size_t> inputs;  // empty: rejected
    const char* error_or_output;
  };
  constexpr std::size_t none = kNoColumn;
  const Case cases[] = {
      {"sst,altitude,air", {0, 1, 2, none, none}, "sst,altitude,air,tb1,tb2"},
      {"time,AIR,\"Altitude\", Sst ,lat",
       {3, 2, 1, none, none},
       "time,AIR,\"Altitude\", Sst ,lat,tb1,tb2"},
      {"air\tsst\taltitude\tsalinity",
       {1, 2, 0, 3, none},
       "air\tsst\taltitude\tsalinity\ttb1\ttb2"},
      {"sst,altitude", {}, "no column 'air' in the header (its columns: sst, altitude)"},
      {"sst,altitude,air,SST", {}, "column 'sst' is named twice in the header"},
      {"sst,\"altitude,air", {}, "header: a quoted field is not closed"},
      // A header's bytes reach a terminal only printable.
      {"x\x1b]0;t\x07,altitude,air",
       {},
       "no column 'sst' in the header (its columns: x?]0;t?, altitude, air)"},
      {"time;sst;altitude;air",
       {},
       "no column 'sst' in the header, read as the one column 'time;sst;altitude;air': columns are "
       "separated by commas or tabs, and this header seems to use ';'"},
      {"sst,altitude,air,x",
       {},
       "the header has a column 'x' and --set gives 'x' a constant: one or the other"},
      {"sst,altitude,air,TB2,tb1",
       {},
       "the header already has the columns 'tb1', 'tb2' that the output adds: name the added "
       "columns apart with --suffix (--suffix _new)"},
  };
  for (const Case& c : cases) {
    Layout layout;
    std::string error;
    const bool ok = read_layout(c.header, wanted, added, layout, error);
    EXPECT_EQ(ok, !c.inputs.empty()) << c.header;
    if (ok) {
      EXPECT_EQ(layout.inputs, c.inputs) << c.header;
      EXPECT_EQ(layout.output_header, c.error_or_output);
    } else {
      EXPECT_EQ(error, c.error_or_output);
    }
  }
}

TEST(TableOptions, CommandLines) {
  double noise = 0.5;
  TableCommand command;
  command.program = "prog";
  command.inputs = {{"sst", {}}, {"wind", {}}, {"salinity", 36.0, &input_field(InputId::salinity)}};
  command.options.push_back({"--noise", "K", "", [&](std::string_view v) -> std::string {
                               return v == "bad" ? "invalid noise" : (noise = 1.0, "");
                             }});
  using Action = TableOptions::Action;
  struct Case {
    std::vector<const char*> args;
    Action action;
    std::vector<std::string> columns, files;
    unsigned jobs;  // 0: the default
    const char* error;
  };
  const std::vector<std::string> names = {"sst", "wind", "salinity"};
  const Case cases[] = {
      {{}, Action::run, names, {"-"}, 0, ""},
      {{"--header", "--wind=W", "--sst", "T", "a", "-"},
       Action::run,
       {"T", "W", "salinity"},
       {"a", "-"},
       0,
       ""},
      {{"-j", "3", "-j5", "--jobs=7", "--", "--header"}, Action::run, names, {"--header"}, 7, ""},
      {{"--noise", "2", "--set", "salinity=28", "--header", "--set=wind=3"},
       Action::run,
       names,
       {"-"},
       0,
       ""},
      // A constant for what plain records hold, or beside a column, or for
      // no input, or not a number.
      {{"--set", "wind=3"},
       Action::usage_error,
       {},
       {},
       0,
       "option '--set wind': plain records hold the wind; a constant takes its place with "
       "--header"},
      {{"--header", "--wind", "W", "--set", "wind=3"},
       Action::usage_error,
       {},
       {},
       0,
       "options '--wind' and '--set wind' give it twice: a column or a constant"},
      {{"--set", "rain=3"},
       Action::usage_error,
       {},
       {},
       0,
       "invalid setting 'rain=3': the inputs are sst, wind, salinity"},
      {{"--set", "salinity=41"},
       Action::usage_error,
       {},
       {},
       0,
       "invalid setting 'salinity=41': sea surface salinity 41 out of range (0 to 40 psu)"},
      {{"--set", "salinity=x"},
       Action::usage_error,
       {},
       {},
       0,
       "invalid setting 'salinity=x': NAME=VALUE with a number is needed (not a number: 'x')"},
      {{"--noise=bad"}, Action::usage_error, {}, {}, 0, "invalid noise"},
      {{"--noise"}, Action::usage_error, {}, {}, 0, "option '--noise' requires an argument"},
      {{"-j0"},
       Action::usage_error,
       {},
       {},
       0,
       "invalid number of jobs '0': a whole number from 1 to 256 is needed"},
      {{"--sst", "T"},
       Action::usage_error,
       {},
       {},
       0,
       "option '--sst' names a column: it needs --header"},
      {{"--header", "--sst="},
       Action::usage_error,
       {},
       {},
       0,
       "option '--sst' needs a column name"},
      {{"-x"}, Action::usage_error, {}, {}, 0, "unrecognized option '-x'"},
      {{"--header", "--suffix", "_a\r"},
       Action::usage_error,
       {},
       {},
       0,
       "invalid suffix '_a?': a column name here cannot hold a carriage return"},
      {{"a", "--help", "-x"}, Action::help, {}, {}, 0, ""},
  };
  for (const Case& c : cases) {
    std::vector<const char*> argv = {"prog"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    const TableOptions o = parse_table_options(command, int(argv.size()), argv.data());
    const std::string shown = c.args.empty() ? "(none)" : c.args[0];
    EXPECT_EQ(o.action, c.action) << shown;
    EXPECT_EQ(o.error, c.error) << shown;
    if (c.action != Action::run) continue;
    std::vector<std::string> columns;
    for (const RecordInput& input : o.inputs) columns.push_back(input.name);
    EXPECT_EQ(columns, c.columns) << shown;
    EXPECT_EQ(o.files, c.files) << shown;
    if (c.jobs != 0) EXPECT_EQ(o.jobs, c.jobs) << shown;
    EXPECT_GE(o.jobs, 1u);
  }
  EXPECT_EQ(noise, 1.0);
  const char* set[] = {"prog", "--set", "salinity=28"};
  EXPECT_EQ(parse_table_options(command, 3, set).inputs[2].constant, 28.0);
  // A column asked for by name must be there: no fallback.
  const char* named[] = {"prog", "--header", "--salinity", "SSS"};
  EXPECT_FALSE(parse_table_options(command, 4, named).inputs[2].fallback);
}

TEST(Progress, TheLineAndItsClearingBeforeAMessage) {
  EXPECT_EQ(progress_line("f.csv", 1234567, 250, 1000, 2.0),
            "f.csv: 1,234,567 records, 25%, 617,283 records/s, 0:06 left");
  EXPECT_EQ(progress_line("-", 1, 0, 0, 0.0), "-: 1 record");

  console::StringSink sink;
  console::Diagnostics screen("prog", sink, true);
  screen.show_progress("f.csv: 10 records");
  screen.show_progress("f: 2");
  screen.report("f.csv:3: bad");
  EXPECT_EQ(sink.text,
            "\rf.csv: 10 records\r"
            "\rf: 2             \r"
            "\r    \r"  // the rest of the longer line is blank already
            "prog: f.csv:3: bad\n");
  console::StringSink narrow;
  console::Diagnostics small("prog", narrow, true);
  small.set_width(8);
  small.show_progress("f.csv: 10 records");
  EXPECT_EQ(narrow.text, "\rf.csv: \r");  // cut to fit: a wrapped line would stay behind

  console::StringSink file;
  console::Diagnostics log("prog", file, false);
  log.show_progress("f.csv: 10 records");
  log.clear_progress();
  EXPECT_EQ(file.text, "");
}

}  // namespace
}  // namespace tbcalc::table
