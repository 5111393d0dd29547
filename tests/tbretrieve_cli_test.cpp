// The real tbretrieve: options, files, exit statuses, faults, bounded memory,
// and the round trip from tbcalc's printed brightness temperatures.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "process_runner.hpp"

namespace tbcalc::testing {
namespace {

using namespace std::chrono_literals;

ProcessResult tbretrieve(std::vector<std::string> args, std::string_view input = "",
                         ProcessOptions options = {}) {
  options.args = std::move(args);
  return run_process(TBRETRIEVE_BINARY, input, options);
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
  EXPECT_TRUE(r.out.starts_with("Usage: tbretrieve [--noise KELVIN] [FILE...]\n"));
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

}  // namespace
}  // namespace tbcalc::testing
