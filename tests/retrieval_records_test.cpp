// tbretrieve's own options and its printing of a wind at the breaks of the
// wind increment.
#include "retrieval_records.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <charconv>
#include <cmath>
#include <new>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "batch.hpp"
#include "diagnostics.hpp"
#include "memory_streams.hpp"
#include "number_format.hpp"

namespace tbcalc::tbretrieve {
namespace {

TEST(RetrievalOptions, NoiseLevelAndIntervals) {
  struct Case {
    std::vector<const char*> args;
    const char* error;
    std::array<double, 6> noise;
    double level;
  };
  const std::array<double, 6> half = {0.5, 0.5, 0.5, 0.5, 0.5, 0.5};
  const Case cases[] = {
      {{}, "", half, one_sigma_level},
      {{"--noise", "0.3"}, "", {0.3, 0.3, 0.3, 0.3, 0.3, 0.3}, one_sigma_level},
      {{"--noise=1, 2,3,4,5,6", "--level", "95", "--intervals"}, "", {1, 2, 3, 4, 5, 6}, 0.95},
      {{"--header", "--level", "99%"}, "", half, 0.99},
      {{"--level", "95"},
       "option '--level' sets the level of the intervals: it needs --intervals or --header"},
      {{"--level=0.9", "--intervals"}, "", half, 0.9},
      {{"--noise", "1,2"}, "invalid noise '1,2': one or six positive numbers of kelvin are needed"},
      {{"--noise", "1,2,3,4,5,6,7"},
       "invalid noise '1,2,3,4,5,6,7': one or six positive numbers of kelvin are needed"},
      {{"--noise", "0"}, "invalid noise '0': one or six positive numbers of kelvin are needed"},
      {{"--noise", "1,1,1,-1,1,1"},
       "invalid noise '1,1,1,-1,1,1': one or six positive numbers of kelvin are needed"},
      {{"--noise", "1,1,1,inf,1,1"},
       "invalid noise '1,1,1,inf,1,1': one or six positive numbers of kelvin are needed"},
      {{"--noise", "nan"}, "invalid noise 'nan': one or six positive numbers of kelvin are needed"},
      {{"--noise", "1,,1,1,1,1"},
       "invalid noise '1,,1,1,1,1': one or six positive numbers of kelvin are needed"},
      {{"--level", "100"},
       "invalid level '100': a share between 0 and 1 or a per cent between 1 and 100 is needed"},
      {{"--level", "0"},
       "invalid level '0': a share between 0 and 1 or a per cent between 1 and 100 is needed"},
  };
  for (const Case& c : cases) {
    RetrievalSettings settings;
    const table::TableCommand command = retrieval_command(settings);
    std::vector<const char*> argv = {"tbretrieve"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    const table::TableOptions o =
        table::parse_table_options(command, int(argv.size()), argv.data());
    const std::string shown = c.args.empty() ? "(none)" : c.args[0];
    EXPECT_EQ(o.error, c.error) << shown;
    if (*c.error != '\0') continue;
    EXPECT_EQ(settings.noise.k, c.noise) << shown;
    EXPECT_DOUBLE_EQ(settings.level, c.level) << shown;
  }
}

// Fed back as the dialogue reads a typed value, a printed wind lands on the
// piece of the answer it stands for.
TEST(WriteWind, APrintedAnswerStaysOnItsPiece) {
  struct Case {
    double wind;
    const char* text;
  };
  const Case cases[] = {
      {10.0124, "10.012"},
      {double(31.9f), "31.900"},  // on the upper piece, and printed there
      {31.8999996, "31.899998"},  // below the break: 31.900 would cross it
      {31.8999, "31.8999"},       // 31.900 would be read as 31.9f
      {6.99999999, "6.9999995"},  // the largest float below 7
      {7.0, "7.000"},
      {150.0, "150.000"},
  };
  for (const Case& c : cases) {
    char out[table::kMaxNumberChars];
    const std::string text(out, write_wind(c.wind, 3, out));
    double back = 0;
    std::from_chars(text.data(), text.data() + text.size(), back);
    EXPECT_EQ(wind_piece(double(float(back))), wind_piece(c.wind)) << c.wind << " as " << text;
    EXPECT_EQ(text, c.text) << c.wind;
  }
}

// A read error ends its input after the whole lines before it; lost output
// ends the run; both are failures said once on standard error. Threads that
// cannot be started leave the work to those that could, or to the reader.
TEST(RunTable, ReadWriteAndThreadFaults) {
  struct Case {
    std::string input;
    int read_error;
    std::size_t out_capacity;
    int threads;  // that can be started; -1: any number
    std::string out, err;
    int exit_code;
  };
  std::string many;
  for (int i = 0; i < 20000; ++i) many += "# a comment line that fills the output buffer\n";
  const std::string record = "20 1500 10 112.86 114.08 114.64 115.64 117.19 118.18\n";
  const std::string answer = "10.012 4.993 1.616 0.914 0.0024 converged\n";
  const Case cases[] = {
      {"# one\n# two", EIO, std::string::npos, -1, "# one\n",
       "tbretrieve: standard input: Input/output error\n", 1},
      {many, 0, 1000, -1, "",
       "tbretrieve: error writing standard output: No space left on device\n", 1},
      {record + many + record, 0, std::string::npos, 0, answer + many + answer, "", 0},
      {record + many + record, 0, std::string::npos, 1, answer + many + answer, "", 0},
  };
  for (const Case& c : cases) {
    RetrievalSettings settings;
    const table::TableCommand command = retrieval_command(settings);
    const char* argv[] = {"tbretrieve", "-j", "4"};
    const table::TableOptions options = table::parse_table_options(command, 3, argv);
    console::StringSink out(c.out_capacity, ENOSPC), err;
    console::Diagnostics diagnostics("tbretrieve", err, false);
    int started = 0;
    table::TableIo io{[&](const std::string&, std::uint64_t&, int&) {
                        return std::make_unique<console::StringSource>(c.input, 7, c.read_error);
                      },
                      out, false, diagnostics,
                      [&](std::function<void()> work) {
                        if (c.threads >= 0 && started == c.threads) {
                          throw std::system_error(
                              std::make_error_code(std::errc::resource_unavailable_try_again));
                        }
                        ++started;
                        return table::JoiningThread(std::move(work));
                      }};
    EXPECT_EQ(table::run_table(options, *retrieval_records(settings, options), io), c.exit_code);
    if (c.out_capacity == std::string::npos) EXPECT_EQ(out.text, c.out);
    EXPECT_EQ(err.text, c.err);
  }
}

// Records whose computing runs out of memory at the n-th record computed,
// whichever thread computes it.
class MemoryShortRecords final : public table::RecordKind {
 public:
  MemoryShortRecords(const table::RecordKind& kind, long n) : kind_(kind), left_(n) {}
  std::vector<std::string> added_columns() const override { return kind_.added_columns(); }
  void write_unanswered(table::ColumnWriter& out) const override { kind_.write_unanswered(out); }
  std::unique_ptr<table::RecordWorker> make_worker() const override {
    struct Worker final : table::RecordWorker {
      Worker(std::unique_ptr<table::RecordWorker> inner, std::atomic<long>& left)
          : inner(std::move(inner)), left(left) {}
      table::Outcome compute(std::span<const double> v, table::ColumnWriter& out,
                             table::Problem& problem) override {
        if (--left == 0) throw std::bad_alloc();
        return inner->compute(v, out, problem);
      }
      std::unique_ptr<table::RecordWorker> inner;
      std::atomic<long>& left;
    };
    return std::make_unique<Worker>(kind_.make_worker(), left_);
  }

 private:
  const table::RecordKind& kind_;
  mutable std::atomic<long> left_;
};

// Memory that runs out while a batch is computed ends the output before it,
// at every number of jobs: nothing after it, where answers would stand on
// the wrong lines.
TEST(RunTable, MemoryRunningOutEndsTheOutputBeforeItsBatch) {
  const std::string record = "20 1500 10 112.86 114.08 114.64 115.64 117.19 118.18\n";
  const std::string answer = "10.012 4.993 1.616 0.914 0.0024 converged\n";
  std::string input;
  for (int i = 0; i < 5000; ++i) input += record;
  for (const char* jobs : {"1", "4"}) {
    RetrievalSettings settings;
    const table::TableCommand command = retrieval_command(settings);
    const char* argv[] = {"tbretrieve", "-j", jobs};
    const table::TableOptions options = table::parse_table_options(command, 3, argv);
    console::StringSink out, err;
    console::Diagnostics diagnostics("tbretrieve", err, false);
    table::TableIo io{[&](const std::string&, std::uint64_t&, int&) {
                        return std::make_unique<console::StringSource>(input, 4096);
                      },
                      out, false, diagnostics};
    const auto records = retrieval_records(settings, options);
    const MemoryShortRecords kind(*records, 3000);
    EXPECT_EQ(table::run_table(options, kind, io), 1) << jobs;
    const std::size_t lines = out.text.size() / answer.size();
    std::string answers;
    for (std::size_t i = 0; i < lines; ++i) answers += answer;
    EXPECT_EQ(out.text, answers) << jobs;
    EXPECT_EQ(lines % table::kBatchLines, 0u) << jobs;  // whole batches, in order
    EXPECT_LT(lines, 5000u) << jobs;
    EXPECT_EQ(err.text, "tbretrieve: out of memory: the output stops before standard input:" +
                            std::to_string(lines + 1) + "\n")
        << jobs;
  }
}

}  // namespace
}  // namespace tbcalc::tbretrieve
