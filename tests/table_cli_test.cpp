// The real table programs: options, files, exit statuses, faults, bounded
// memory, header mode, parallel jobs, a live feed, and the round trips from
// tbcalc's and tbforward's brightness temperatures back to wind and rain.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "process_runner.hpp"
#include "tbcalc/model.hpp"

namespace tbcalc::testing {
namespace {

using namespace std::chrono_literals;

ProcessResult tbretrieve(std::vector<std::string> args, std::string_view input = "",
                         ProcessOptions options = {}) {
  options.args = std::move(args);
  return run_process(TBRETRIEVE_BINARY, input, options);
}

ProcessResult tbforward(std::vector<std::string> args, std::string_view input = "",
                        ProcessOptions options = {}) {
  options.args = std::move(args);
  return run_process(TBFORWARD_BINARY, input, options);
}

// A file in a fresh temporary folder, removed with it.
class TempDir {
 public:
  TempDir() {
    char name[] = "/tmp/tbretrieve-test-XXXXXX";
    path_ = ::mkdtemp(name);
  }
  ~TempDir() {
    for (const std::string& f : files_) std::remove(f.c_str());
    ::rmdir(path_.c_str());
  }
  std::string file(const std::string& name, const std::string& text) {
    const std::string f = path_ + "/" + name;
    std::ofstream(f) << text;
    files_.push_back(f);
    return f;
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  std::vector<std::string> files_;
};

const std::string kRecord = "20 1500 10 112.86 114.08 114.64 115.64 117.19 118.18\n";
const std::string kResult = "10.012 4.993 1.616 0.914 0.0024 converged\n";

TEST(TbretrieveCli, HelpVersionAndUsageErrors) {
  ProcessResult r = tbretrieve({"--help"});
  EXPECT_TRUE(r.out.starts_with("Usage: tbretrieve [OPTION]... [FILE]...\n"));
  EXPECT_EQ(r.exit_code, 0);
  r = tbretrieve({"--version"});
  EXPECT_EQ(r.out, "tbretrieve (tbcalc) " TBCALC_VERSION "\n");
  EXPECT_EQ(r.exit_code, 0);
  r = tbretrieve({"--bogus"}, kRecord);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err,
            "tbretrieve: unrecognized option '--bogus'\n"
            "Try 'tbretrieve --help' for more information.\n");
  EXPECT_EQ(r.exit_code, 2);
  r = tbretrieve({"--noise", "zero"}, kRecord);
  EXPECT_EQ(r.exit_code, 2);
}

TEST(TbretrieveCli, FilesInOrderAndTheOnesThatCannotBeRead) {
  TempDir dir;
  const std::string a = dir.file("a.txt", "# a\n" + kRecord);
  const std::string b = dir.file("b.txt", "# b\nnot a record\n");
  ProcessResult r = tbretrieve({a, "-", "/nonexistent/c.txt", dir.path(), b}, "# stdin\n");
  EXPECT_EQ(r.out, "# a\n" + kResult + "# stdin\n# b\nnan nan nan nan nan bad-input\n");
  EXPECT_EQ(r.err,
            "tbretrieve: /nonexistent/c.txt: No such file or directory\n"
            "tbretrieve: " +
                dir.path() +
                ": Is a directory\n"
                "tbretrieve: " +
                b + ":2: not a number: 'not'\n");
  EXPECT_EQ(r.exit_code, 1);

  r = tbretrieve({"--noise=0.25", a});
  EXPECT_EQ(r.out, "# a\n10.012 4.993 0.808 0.457 0.0024 converged\n");
  EXPECT_EQ(r.exit_code, 0);
}

TEST(TableCli, InputsOfOneRunMakeOneTable) {
  TempDir dir;
  const std::string a = dir.file("a.csv", "sst,altitude,air,wind,rain\n20,1500,10,10,5\n");
  const std::string b = dir.file("b.csv", "sst,altitude,air,wind,rain\n20,1500,10,12,5\n");
  const std::string c = dir.file("c.csv", "air,sst,altitude,wind,rain\n10,20,1500,12,5\n");
  ProcessResult r = tbforward({"--header", a, b});
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 3) << r.out;  // one header
  EXPECT_EQ(r.exit_code, 0);
  r = tbforward({"--header", a, c});
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 2) << r.out;
  EXPECT_EQ(r.err, "tbforward: " + c + ": its header differs from that of " + a +
                       ": inputs of one run make one table\n"
                       "Try 'tbforward --help' for more information.\n");
  EXPECT_EQ(r.exit_code, 2);
}

TEST(TbretrieveCli, OutputThatCannotBeWrittenIsAnError) {
  ProcessOptions options;
  options.output = ProcessOptions::Output::dev_full;
  const ProcessResult r = tbretrieve({}, kRecord, options);
  EXPECT_EQ(r.err, "tbretrieve: error writing standard output: No space left on device\n");
  EXPECT_EQ(r.exit_code, 1);
}

// A 256 MiB line and a million junk lines: each a bad line, neither a reason
// to grow.
TEST(TbretrieveCli, HugeAndManyBadLinesInBoundedMemory) {
  auto sent = std::make_shared<long>(0);
  const auto block = std::make_shared<std::string>(1 << 16, '7');
  auto junk = std::make_shared<std::string>();
  for (int i = 0; i < 4096; ++i) *junk += "x\n";
  ProcessOptions options;
  options.input_chunks = [=]() -> std::string_view {
    const long n = (*sent)++;
    if (n < 4096) return *block;
    if (n == 4096) return "\n";
    if (n < 4097 + 245) return *junk;  // 245 * 4096 = 1,003,520 lines
    if (n == 4097 + 245) return kRecord;
    return {};
  };
  options.keep_output = 1 << 12;
  options.deadline = 120s;
  const ProcessResult r = tbretrieve({}, "", options);
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.out_bytes, (1 + 245 * 4096) * std::string("nan nan nan nan nan bad-input\n").size() +
                             kResult.size());
  EXPECT_TRUE(r.out_tail.ends_with(kResult));
  EXPECT_LT(r.max_rss_kib, 64 * 1024) << "peak resident KiB";
}

// What tbcalc prints, with its environment, gives back what was typed: to
// within the two printed decimals, whose rounding is a uniform error of
// 0.01 K width (one sigma 0.0029 K), so the answers must lie within four of
// the uncertainties that this noise gives.
TEST(TbretrieveCli, TbcalcOutputGivesBackTheTypedWindAndRain) {
  const double winds[] = {3, 12, 20, 33, 60, 100};
  const double rains[] = {-5, 2, 10, 30, 80, 140};
  std::string session = "20\n1500\n10\n";
  for (double w : winds) {
    for (double r : rains) session += std::to_string(w) + "\n" + std::to_string(r) + "\n";
  }
  const ProcessResult calc = run_process(TBCALC_BINARY, session + "ex\n");
  ASSERT_EQ(calc.exit_code, 0);
  std::string records;
  std::istringstream lines(calc.out);
  for (std::string line; std::getline(lines, line);) {
    const std::size_t at = line.find("  Tb:");
    if (at == std::string::npos) continue;
    records += "20 1500 10 " + line.substr(at + 5, 42) + "\n";
  }
  const ProcessResult back = tbretrieve({"--noise", "0.0029"}, records);
  ASSERT_EQ(back.exit_code, 0) << back.err;
  std::istringstream results(back.out);
  int checked = 0;
  for (double w : winds) {
    for (double r : rains) {
      double wind, rain, wind_sd, rain_sd, rms;
      std::string status;
      ASSERT_TRUE(results >> wind >> rain >> wind_sd >> rain_sd >> rms >> status);
      if (wind_sd > 0.03 || rain_sd > 0.03) continue;  // beyond 5 units at 0.5 K
      ++checked;
      EXPECT_NEAR(wind, w, 4 * wind_sd + 1e-3) << w << " m/s, " << r << " mm/h";
      EXPECT_NEAR(rain, r, 4 * rain_sd + 1e-3) << w << " m/s, " << r << " mm/h";
    }
  }
  EXPECT_GE(checked, 25);
}

std::string replace_all(std::string s, char from, char to) {
  for (char& c : s) c = c == from ? to : c;
  return s;
}

// The plain answer to one record, as the added columns of header mode.
std::string answer_columns(const char* binary, const std::string& record, char delimiter) {
  const ProcessResult plain = run_process(binary, record + "\n");
  std::string line = plain.out.substr(0, plain.out.size() - 1);
  return delimiter + replace_all(line, ' ', delimiter);
}

TEST(TableCli, HeaderModeKeepsEveryOtherColumnByteForByte) {
  const std::string tb = answer_columns(TBFORWARD_BINARY, "20 1500 10 10 5", ',');
  const std::string tb_tabs = answer_columns(TBFORWARD_BINARY, "20 1500 10 10 5", '\t');
  const std::string tb_plain = answer_columns(TBFORWARD_BINARY, "20 1500 10 10 5", ' ');
  const std::string names = ",tb1,tb2,tb3,tb4,tb5,tb6";
  const std::string bom = "\xEF\xBB\xBF";
  std::string long_row = "20,1500,10,10,5,";
  long_row.resize(1 << 16, 'x');
  std::string headed = "time,sst,altitude,air,wind,rain\n", headed_out,
              headed_err =
                  "tbforward: standard input:1: not a number: 'time' (a header? read the "
                  "file with --header)\n";
  for (int line = 1; line <= 12; ++line) {
    headed_out += "nan nan nan nan nan nan\n";
    if (line == 1) continue;
    headed += "t,20,1500,10,10,5\n";
    if (line <= 10)
      headed_err += "tbforward: standard input:" + std::to_string(line) + ": not a number: 't'\n";
  }
  headed_err += "tbforward: 2 more bad lines not shown (12 in all)\n";
  struct Case {
    std::vector<std::string> args;
    std::string input, out, err;
    int exit_code;
  };
  const Case cases[] = {
      // Renamed and reordered, a quoted field with the delimiter and doubled
      // quotes, CRLF line ends, and a spreadsheet's byte-order mark.
      {{"--header", "--sst=T_sea"},
       bom + "note,Wind,T_sea,altitude,air,rain\r\n\"a,\"\"b\"\"\",10,20,1500,10,5\r\n",
       "note,Wind,T_sea,altitude,air,rain" + names + "\r\n\"a,\"\"b\"\"\",10,20,1500,10,5" + tb +
           "\r\n",
       "",
       0},
      {{"--header"},
       "sst\taltitude\tair\twind\train\tx\n20\t1500\t10\t10\t5\t\"q\"\n",
       "sst\taltitude\tair\twind\train\tx" + replace_all(names, ',', '\t') +
           "\n20\t1500\t10\t10\t5\t\"q\"" + tb_tabs + "\n",
       "",
       0},
      // A bad record keeps its row; a blank line stays.
      {{"--header"},
       "t,sst,altitude,air,wind,rain\n1,20,1500,10,200,5\n\n2,20,1500,10,10\n",
       "t,sst,altitude,air,wind,rain" + names +
           "\n1,20,1500,10,200,5,,,,,,\n\n2,20,1500,10,10,,,,,,,\n",
       "tbforward: standard input:2: wind speed 200 out of range (0 to 150 m/s)\n"
       "tbforward: standard input:4: 5 fields, the header has 6\n",
       1},
      {{"--header"},
       "sst,altitude,air,wind\n",
       "",
       "tbforward: standard input: no column 'rain' in the header (its columns: sst, altitude, "
       "air, wind)\n"
       "Try 'tbforward --help' for more information.\n",
       2},
      {{"--header", "--wind", "sst"},
       "sst,altitude,air,rain,SST\n",
       "",
       "tbforward: standard input: column 'sst' is named twice in the header\n"
       "Try 'tbforward --help' for more information.\n",
       2},
      {{}, bom + "20 1500 10 10 5\r\n# end\n", tb_plain.substr(1) + "\r\n# end\n", "", 0},
      // A file without altitude: a constant for the whole run.
      {{"--header", "--set", "altitude=1500"},
       "sst,air,wind,rain\n20,10,10,5\n",
       "sst,air,wind,rain" + names + "\n20,10,10,5" + tb + "\n",
       "",
       0},
      // In a tab-separated file a tab is a delimiter, never a blank: a row of
      // tabs is a record of empty fields.
      {{"--header"},
       "sst\taltitude\tair\twind\train\n\t\t\t\t\n",
       "sst\taltitude\tair\twind\train" + replace_all(names, ',', '\t') +
           "\n\t\t\t\t\t\t\t\t\t\t\n",
       "tbforward: standard input:2: column 'sst' is empty\n",
       1},
      // The line end is not part of the line: 65536 bytes and CRLF fit, one
      // more does not, and the CRLF stays.
      {{"--header"},
       "sst,altitude,air,wind,rain,x\r\n" + long_row + "\r\n" + long_row + "y\r\n",
       "sst,altitude,air,wind,rain,x" + names + "\r\n" + long_row + tb + "\r\n,,,,,,,,,,,\r\n",
       "tbforward: standard input:3: line longer than 65536 bytes\n",
       1},
      // A comment too long to copy is said to be lost; the header after it is
      // found.
      {{"--header"},
       "#" + std::string(70000, 'c') + "\nsst,altitude,air,wind,rain\n",
       "\nsst,altitude,air,wind,rain" + names + "\n",
       "tbforward: standard input:1: comment longer than 65536 bytes: not copied\n",
       1},
      // A headed file read as plain records: the first message says what to
      // do, and the rest are counted, not listed.
      {{}, headed, headed_out, headed_err, 1},
      {{"--header"}, bom, "", "", 0},  // found by fuzzing: an empty input, not an empty line
      // Comments before and after the header are copied (before it, also
      // one with as many fields); the added names can carry a suffix, so
      // that they differ from the input's. After the header, a '#' line that
      // holds a whole row is a row (its first column may be an identifier).
      {{"--header", "--suffix=_model"},
       "#id,sst,altitude,air,wind,rain\nid,sst,altitude,air,wind,rain\n# pause\n"
       "#7,20,1500,10,10,5\n",
       "#id,sst,altitude,air,wind,rain\n"
       "id,sst,altitude,air,wind,rain,tb1_model,tb2_model,tb3_model,tb4_model,tb5_model,"
       "tb6_model\n# pause\n#7,20,1500,10,10,5" +
           tb + "\n",
       "",
       0},
  };
  for (const Case& c : cases) {
    const ProcessResult r = tbforward(c.args, c.input);
    EXPECT_EQ(r.out, c.out) << c.input;
    EXPECT_EQ(r.err, c.err) << c.input;
    EXPECT_EQ(r.exit_code, c.exit_code) << c.input;
  }
  // Columns of other programs' bad records: empty, but the status.
  const std::string header = "sst,altitude,air,tb1,tb2,tb3,tb4,tb5,tb6";
  const std::string added = ",wind,rain,wind_sd,rain_sd,rms,wind_lo,wind_hi,rain_lo,rain_hi,status";
  ProcessResult r = tbretrieve({"--header"}, header + "\n1\n");
  EXPECT_EQ(r.out, header + added + "\n1,,,,,,,,,,,,,,,,,,bad-input\n");  // padded to nine columns
  // An environment out of range is an answer, invalid-input; a file of them
  // is remarked on once, at the end.
  const std::string kelvin = "293.15,1500,283.15,112.86,114.08,114.64,115.64,117.19,118.18";
  r = tbretrieve({"--header"}, header + "\n" + kelvin + "\n" + kelvin + "\n");
  const std::string invalid = ",nan,nan,nan,nan,nan,nan,nan,nan,nan,invalid-input\n";
  EXPECT_EQ(r.out, header + added + "\n" + kelvin + invalid + kelvin + invalid);
  EXPECT_EQ(r.err,
            "tbretrieve: 2 records with an environment outside the accepted ranges, answered "
            "invalid-input; the first: standard input:2: sea surface temperature 293.15 out of "
            "range (-5 to 45 deg C): kelvin? temperatures are read in deg C\n");
  EXPECT_EQ(r.exit_code, 0);
}

// Random typed values across the accepted ranges, as decimals with a few
// digits, give tbcalc's own floats to the bit.
TEST(TableCli, ForwardIsTheModelBitForBit) {
  std::mt19937 random(5);
  const auto typed = [&](const AcceptedRange& range) {
    std::uniform_real_distribution<double> d(double(range.low), double(range.high));
    char text[32];
    double v;
    do {
      std::snprintf(text, sizeof text, "%.*f", int(random() % 6), d(random));
      v = std::strtod(text, nullptr);
    } while (!range.contains(float(v)));
    return std::string(text);
  };
  // Salinities across the range, fresh water's threshold and both ends among
  // them; expected from kleinswift and tbvrel as the dialogue would call
  // them (the Celsius value taken back from the stored kelvin one).
  const char* salinities[] = {"0", "0.0999", "0.1", "40", "36"};
  std::string records = "sst,altitude,air,wind,rain,salinity\n";
  std::vector<std::array<float, 6>> expected;
  for (int i = 0; i < 3000; ++i) {
    const std::string v[6] = {
        typed(sst_range_c),    typed(altitude_range_m),
        typed(air_range_c),    typed(wind_range_ms),
        typed(rain_range_mmh), i < 5 ? salinities[i] : typed(salinity_range_psu)};
    records += v[0] + "," + v[1] + "," + v[2] + "," + v[3] + "," + v[4] + "," + v[5] + "\n";
    const auto f = [&](int k) { return float(std::strtod(v[k].c_str(), nullptr)); };
    const float sst = celsius_to_kelvin(f(0));
    const float tk = celsius_to_kelvin(kelvin_to_celsius(sst));
    std::array<float, 6> tb;
    for (std::size_t c = 0; c < tb.size(); ++c) {
      float rv, rh, epsr, epsi;
      kleinswift(freqs[c], 0.0f, tk, f(5), rv, rh, epsr, epsi);
      const float emis = float(1.0 - double(rv));
      tb[c] = tbvrel(freqs[c], sst, f(1), celsius_to_kelvin(f(2)), emis, {f(3), f(4)});
    }
    expected.push_back(tb);
  }
  const ProcessResult r = tbforward({"--header", "-j", "2"}, records);
  ASSERT_EQ(r.exit_code, 0) << r.err;
  std::istringstream lines(r.out);
  std::string line;
  std::getline(lines, line);  // the header
  for (const auto& six : expected) {
    ASSERT_TRUE(std::getline(lines, line));
    std::istringstream fields(line);
    for (int k = 0; k < 6; ++k) std::getline(fields, line, ',');  // the inputs
    for (float want : six) {
      std::string field;
      ASSERT_TRUE(std::getline(fields, field, ','));
      float got = 0;
      std::from_chars(field.data(), field.data() + field.size(), got);
      ASSERT_EQ(std::memcmp(&got, &want, sizeof got), 0) << field << " vs " << want;
    }
  }
}

// A flight through both programs: what tbforward computes, tbretrieve gives
// back, and the columns neither owns pass through. (Winds from 8 m/s: just
// below 7 m/s the increment takes values it takes again just above, and the
// retrieval answers with the lower wind.)
TEST(TableCli, ForwardThenRetrieveWithHeaders) {
  // Coastal water, salinity 28, which both programs read from its column.
  std::string flight = "time,lat,lon,sst,altitude,air,wind,rain,salinity\n";
  for (int i = 0; i < 40; ++i) {
    flight += "2026-08-01T12:00:" + std::to_string(10 + i) + "Z,15." + std::to_string(i) +
              ",-60.5,28.5,3000,12," + std::to_string(8 + i) + "," + std::to_string(i % 9) +
              ",28\n";
  }
  const ProcessResult forward = tbforward({"--header"}, flight);
  ASSERT_EQ(forward.exit_code, 0) << forward.err;
  const ProcessResult back =
      tbretrieve({"--header", "--noise", "0.0005", "--suffix", "_retrieved"}, forward.out);
  ASSERT_EQ(back.exit_code, 0) << back.err;
  std::istringstream in(flight), out(back.out);
  std::string sent, got;
  std::getline(in, sent);
  std::getline(out, got);
  EXPECT_EQ(got, sent +
                     ",tb1,tb2,tb3,tb4,tb5,tb6,wind_retrieved,rain_retrieved,wind_sd_retrieved,"
                     "rain_sd_retrieved,rms_retrieved,wind_lo_retrieved,wind_hi_retrieved,"
                     "rain_lo_retrieved,rain_hi_retrieved,status_retrieved");
  while (std::getline(in, sent)) {
    ASSERT_TRUE(std::getline(out, got));
    ASSERT_TRUE(got.starts_with(sent + ",")) << got;
    std::vector<std::string> fields;
    std::istringstream split(got);
    for (std::string f; std::getline(split, f, ',');) fields.push_back(f);
    ASSERT_EQ(fields.size(), 25u) << got;
    const double wind = std::stod(fields[6]), rain = std::stod(fields[7]);
    const double wind_sd = std::stod(fields[17]), rain_sd = std::stod(fields[18]);
    // Shortest floats lose nothing: 0.0005 K of noise is generous.
    EXPECT_NEAR(std::stod(fields[15]), wind, 4 * wind_sd + 1e-3) << got;
    EXPECT_NEAR(std::stod(fields[16]), rain, 4 * rain_sd + 1e-3) << got;
    // The intervals hold the truth (the data's only error is the shortest
    // floats' rounding).
    EXPECT_LE(std::stod(fields[20]), wind + 1e-3) << got;
    EXPECT_GE(std::stod(fields[21]), wind - 1e-3) << got;
    EXPECT_LE(std::stod(fields[22]), rain + 1e-3) << got;
    EXPECT_GE(std::stod(fields[23]), rain - 1e-3) << got;
  }
}

TEST(TableCli, OutputIsTheSameAtAnyNumberOfJobs) {
  std::string plain, header = "n,sst,altitude,air,wind,rain\n";
  for (int i = 0; i < 60000; ++i) {
    const std::string v = std::to_string(15 + i % 20) + " 1500 " + std::to_string(i % 30) + " " +
                          std::to_string(i % 97) + "." + std::to_string(i % 10) + " " +
                          std::to_string(i % 41 - 5);
    const std::string line = i % 997 == 3 ? "x" : i % 1009 == 5 ? "# note" : v;
    plain += line + "\n";
    header += std::to_string(i) + "," + replace_all(line, ' ', ',') + "\n";
  }
  for (const std::string* input : {&plain, &header}) {
    const std::vector<std::string> mode =
        input == &header ? std::vector<std::string>{"--header"} : std::vector<std::string>{};
    auto with_jobs = [&](const char* j) {
      std::vector<std::string> args = mode;
      args.insert(args.end(), {"-j", j});
      return tbforward(args, *input);
    };
    const ProcessResult one = with_jobs("1");
    EXPECT_EQ(one.exit_code, 1);
    EXPECT_GT(one.err.size(), 0u);
    for (const char* j : {"2", "8"}) {
      const ProcessResult many = with_jobs(j);
      EXPECT_TRUE(many.out == one.out) << "-j " << j;
      EXPECT_EQ(many.err, one.err) << "-j " << j;
      EXPECT_EQ(many.exit_code, one.exit_code) << "-j " << j;
    }
  }
  std::string records;
  for (int i = 0; i < 400; ++i) records += i % 50 == 7 ? "bad\n" : kRecord;
  const ProcessResult one = tbretrieve({"-j", "1"}, records);
  const ProcessResult two = tbretrieve({"-j", "2"}, records);
  EXPECT_EQ(two.out, one.out);
  EXPECT_EQ(two.err, one.err);
}

// A writer that sends each record only after the answer to the one before
// has arrived: the programs answer what has arrived before they wait.
TEST(TableCli, LiveFeedIsAnsweredRecordByRecord) {
  for (const char* jobs : {"1", "2"}) {
    PipedChild child = spawn_piped(TBFORWARD_BINARY, {"--header", "-j", jobs});
    ASSERT_GT(child.pid, 0);
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    const std::string header = "sst,altitude,air,wind,rain\n";
    std::string record = header;
    for (int i = 0; i <= 5; ++i) {
      ASSERT_EQ(::write(child.to_child, record.data(), record.size()), ssize_t(record.size()));
      const std::string answer = read_until(child.from_child, "\n", deadline);
      ASSERT_TRUE(answer.ends_with("\n")) << "-j " << jobs << ": no answer to " << record;
      EXPECT_TRUE(answer.starts_with(record.substr(0, record.size() - 1) + ",")) << answer;
      record = "20,1500,10," + std::to_string(i) + ",5\n";
    }
    EXPECT_EQ(finish_piped(child), 0);
  }
}

// Any noise or brightness temperature gives a line of bounded fields; huge
// ones once made the formatted line overrun its buffer.
TEST(TableCli, HugeValuesPrintInBoundedFields) {
  const ProcessResult r =
      tbretrieve({"--noise", "1e103"}, kRecord + "20 1500 10 1e150 1 1 1 1 1\n");
  EXPECT_EQ(r.exit_code, 0);
  std::istringstream lines(r.out);
  int count = 0;
  for (std::string line; std::getline(lines, line); ++count) {
    std::istringstream fields(line);
    std::string field;
    for (int i = 0; i < 5; ++i) {
      ASSERT_TRUE(fields >> field) << line;
      EXPECT_LE(field.size(), 24u) << line;
      EXPECT_NO_THROW((void)std::stod(field)) << line;
    }
    ASSERT_TRUE(fields >> field) << line;
    EXPECT_TRUE(field == "converged" || field == "weakly-constrained" || field == "poor-fit" ||
                field == "at-bound")
        << line;
  }
  EXPECT_EQ(count, 2);
  EXPECT_NE(r.out.find("e+"), std::string::npos) << r.out;
}

}  // namespace
}  // namespace tbcalc::testing
