// tbretrieve's pieces without a process: record lines, the command line, and
// the filter over in-memory streams (alignment, copies, bad lines, faults).
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

#include "filter.hpp"
#include "memory_streams.hpp"
#include "options.hpp"
#include "record.hpp"

namespace tbcalc::tbretrieve {
namespace {

using console::OutputBuffer;
using console::StringSink;
using console::StringSource;

TEST(ParseLine, AcceptedRecords) {
  struct Case {
    const char* line;
    float sst_c, altitude_m, air_c;
    double tb0, tb5;
  };
  const Case cases[] = {
      {"20 1500 10 112.86 114.08 114.64 115.64 117.19 118.18", 20, 1500, 10, 112.86, 118.18},
      {"20,1500,10,1,2,3,4,5,6", 20, 1500, 10, 1, 6},
      {" \t20 , 1500,\t10 ,1, 2,3 4\t5 6 \r", 20, 1500, 10, 1, 6},
      {"+20 1.5e3 -1e1 1 2 3 4 5 6", 20, 1500, -10, 1, 6},
      // Decimal to double to float, as the dialogue stores a typed value.
      {"0.1 1500 10 1 2 3 4 5 6", float(0.1), 1500, 10, 1, 6},
  };
  for (const Case& c : cases) {
    const ParsedLine p = parse_line(c.line);
    ASSERT_EQ(p.kind, LineKind::record) << c.line << ": " << p.problem.view();
    EXPECT_EQ(p.record.sst_c, c.sst_c) << c.line;
    EXPECT_EQ(p.record.altitude_m, c.altitude_m) << c.line;
    EXPECT_EQ(p.record.air_c, c.air_c) << c.line;
    EXPECT_EQ(p.record.tb[0], c.tb0) << c.line;
    EXPECT_EQ(p.record.tb[5], c.tb5) << c.line;
  }
}

TEST(ParseLine, CopiedAndRejectedLines) {
  struct Case {
    std::string line;
    LineKind kind;
    const char* problem;
  };
  const Case cases[] = {
      {"", LineKind::copy, ""},
      {" \t \r", LineKind::copy, ""},
      {"# wind rain", LineKind::copy, ""},
      {"   #", LineKind::copy, ""},
      {"1 2 3 4 5 6 7 8", LineKind::bad, "nine numbers expected, found 8"},
      {"1 2 3 4 5 6 7 8 9 10", LineKind::bad, "more than nine numbers"},
      {"1 2 3 4 5 6 7 8 nine", LineKind::bad, "not a number: 'nine'"},
      {"1 2 3 4 5 6 7 8 nan", LineKind::bad, "not a finite number: 'nan'"},
      {"1 2 3 4 5 6 7 8 -inf", LineKind::bad, "not a finite number: '-inf'"},
      {"1 2 3 4 5 6 7 8 1e999", LineKind::bad, "number out of range: '1e999'"},
      {"1 2 3 4 5 6 7 8 0x10", LineKind::bad, "not a number: '0x10'"},
      {"1 2 3 4 5 6 7 8 ++9", LineKind::bad, "not a number: '++9'"},
      {"1,,2 3 4 5 6 7 8 9", LineKind::bad, "empty field before a comma"},
      {",1 2 3 4 5 6 7 8 9", LineKind::bad, "empty field before a comma"},
      {"1 2 3 4 5 6 7 8 9,", LineKind::bad, "the line ends with a comma"},
      {std::string("1 2 3 4 5 6 7 8 9\0", 18), LineKind::bad, "not a number: '9?'"},
      {"1 2 3 4 5 6 7 8 " + std::string(40, 'x'), LineKind::bad,
       "not a number: 'xxxxxxxxxxxxxxxxxxxxxxxx...'"},
  };
  for (const Case& c : cases) {
    const ParsedLine p = parse_line(c.line);
    EXPECT_EQ(p.kind, c.kind) << c.line;
    EXPECT_EQ(p.problem.view(), c.problem) << c.line;
  }
}

TEST(ParseOptions, CommandLines) {
  using Action = Options::Action;
  struct Case {
    std::vector<const char*> args;
    Action action;
    double noise;
    std::vector<std::string> files;
    const char* error;
  };
  const Case cases[] = {
      {{}, Action::run, 0.5, {"-"}, ""},
      {{"a", "-", "b"}, Action::run, 0.5, {"a", "-", "b"}, ""},
      {{"--noise", "0.3", "a"}, Action::run, 0.3, {"a"}, ""},
      {{"--noise=2", "--", "--noise"}, Action::run, 2, {"--noise"}, ""},
      {{"a", "--help", "--bogus"}, Action::help, 0.5, {"a"}, ""},
      {{"--version"}, Action::version, 0.5, {}, ""},
      {{"--noise"}, Action::usage_error, 0.5, {}, "option '--noise' requires an argument"},
      {{"--noise", "0"},
       Action::usage_error,
       0.5,
       {},
       "invalid noise '0': a positive number of kelvin is needed"},
      {{"--noise=nan"},
       Action::usage_error,
       0.5,
       {},
       "invalid noise 'nan': a positive number of kelvin is needed"},
      {{"--noise", "-1"},
       Action::usage_error,
       0.5,
       {},
       "invalid noise '-1': a positive number of kelvin is needed"},
      {{"-x"}, Action::usage_error, 0.5, {}, "unrecognized option '-x'"},
  };
  for (const Case& c : cases) {
    std::vector<const char*> argv = {"tbretrieve"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    const Options o = parse_options(int(argv.size()), argv.data());
    const std::string shown = c.args.empty() ? "(none)" : c.args[0];
    EXPECT_EQ(o.action, c.action) << shown;
    EXPECT_EQ(o.error, c.error) << shown;
    if (c.action == Action::run) {
      EXPECT_EQ(o.noise_k, c.noise) << shown;
      EXPECT_EQ(o.files, c.files) << shown;
    }
  }
}

struct Filtered {
  std::string out;
  std::vector<std::string> errors;
  FilterResult result;
};

Filtered filter(std::string_view input, std::size_t chunk = 1 << 16, int read_error = 0,
                std::size_t out_capacity = std::string::npos) {
  StringSource source(input, chunk, read_error);
  StringSink sink(out_capacity, ENOSPC);
  OutputBuffer out(sink);
  console::LineReader in(source, out);
  Filtered f;
  f.result =
      run_filter(in, out, 0.5, "in.txt", [&](std::string_view m) { f.errors.emplace_back(m); });
  out.flush();
  f.out = sink.text;
  return f;
}

std::size_t lines(const std::string& text) {
  return std::size_t(std::count(text.begin(), text.end(), '\n'));
}

TEST(Filter, OneOutputLinePerInputLine) {
  const std::string record = "20 1500 10 112.86 114.08 114.64 115.64 117.19 118.18";
  const std::string input = "# header\n" + record + "\n\n" + "junk\n" + std::string(5000, '7') +
                            "\n" + "50 1500 10 1 2 3 4 5 6\n" + record;  // no final line end
  for (std::size_t chunk : {std::size_t(1), std::size_t(7), std::size_t(1) << 16}) {
    const Filtered f = filter(input, chunk);
    EXPECT_EQ(f.result.end, FilterResult::end_of_input);
    EXPECT_EQ(f.result.bad_lines, 2);
    EXPECT_EQ(lines(f.out), 7u) << f.out;
    EXPECT_TRUE(f.out.starts_with("# header\n10.012 4.993 "));
    EXPECT_NE(f.out.find(" converged\n\nnan nan nan nan nan bad-input\n"
                         "nan nan nan nan nan bad-input\n"
                         "nan nan nan nan nan invalid-input\n10.012"),
              std::string::npos)
        << f.out;
    const std::vector<std::string> expected = {"in.txt:4: not a number: 'junk'",
                                               "in.txt:5: line longer than 1024 bytes"};
    EXPECT_EQ(f.errors, expected);
  }
}

TEST(Filter, ReadAndWriteFaultsEndTheInput) {
  const Filtered read_failed = filter("# one\n# two", 1 << 16, EIO);
  EXPECT_EQ(read_failed.result.end, FilterResult::read_error);
  // Whole lines before the fault are kept; the unfinished one is not a line.
  EXPECT_EQ(read_failed.out, "# one\n");

  std::string many;
  for (int i = 0; i < 20000; ++i) many += "# a comment line that fills the output buffer\n";
  const Filtered write_failed = filter(many, 1 << 16, 0, 1000);
  EXPECT_EQ(write_failed.result.end, FilterResult::write_error);
}

}  // namespace
}  // namespace tbcalc::tbretrieve
