// Micro-benchmarks of the pieces one computation is made of.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "fortran_fields.hpp"
#include "result_lines.hpp"
#include "tbcalc/model.hpp"
#include "tbcalc/retrieval.hpp"

namespace {

using namespace tbcalc;

void BM_KlswLoop(benchmark::State& state) {
  std::array<float, 6> emis{};
  float sstc = 20.0f;
  for (auto _ : state) {
    benchmark::DoNotOptimize(sstc);
    klsw_loop(freqs.data(), sstc, emis.data(), 6);
    benchmark::DoNotOptimize(emis);
  }
}
BENCHMARK(BM_KlswLoop);

void BM_SixTbvrel(benchmark::State& state) {
  std::array<float, 6> emis{};
  klsw_loop(freqs.data(), 20.0f, emis.data(), 6);
  std::array<float, 2> wind_rain = {10.0f, 5.0f};
  std::array<float, 6> tb{};
  for (auto _ : state) {
    benchmark::DoNotOptimize(wind_rain);
    for (std::size_t i = 0; i < 6; ++i) {
      tb[i] = tbvrel(freqs[i], 293.146f, 1500.0f, 283.146f, emis[i], wind_rain);
    }
    benchmark::DoNotOptimize(tb);
  }
}
BENCHMARK(BM_SixTbvrel);

// The same six channels with the environment's terms prepared once, as the
// dialogue computes them; a rain rate of zero skips the rain arithmetic.
void BM_SixChannels(benchmark::State& state) {
  std::array<float, 6> emis{};
  klsw_loop(freqs.data(), 20.0f, emis.data(), 6);
  const SixChannels channels(freqs, 293.146f, 1500.0f, 283.146f, emis);
  std::array<float, 2> wind_rain = {10.0f, float(state.range(0))};
  for (auto _ : state) {
    benchmark::DoNotOptimize(wind_rain);
    benchmark::DoNotOptimize(channels.brightness(wind_rain));
  }
}
BENCHMARK(BM_SixChannels)->Arg(5)->Arg(0);

void BM_ReadF105(benchmark::State& state) {
  std::array<char, 10> field;
  std::memcpy(field.data(), "12.3456   ", 10);
  float v = 0.0f;
  for (auto _ : state) {
    benchmark::DoNotOptimize(field);
    benchmark::DoNotOptimize(dialogue::read_f10_5(field, v));
    benchmark::DoNotOptimize(v);
  }
}
BENCHMARK(BM_ReadF105);

void BM_FormatResultLines(benchmark::State& state) {
  std::array<float, 6> tb = {112.86f, 114.08f, 114.64f, 115.64f, 117.19f, 118.18f};
  std::array<char, dialogue::kResultLinesSize> text;
  for (auto _ : state) {
    benchmark::DoNotOptimize(tb);
    dialogue::write_result_lines(tb, text);
    benchmark::DoNotOptimize(text);
  }
}
BENCHMARK(BM_FormatResultLines);

// Retrievals over random cases across the whole domain: environments, wind
// and rain drawn uniformly, brightness temperatures from the model with 0.5 K
// of noise. items_per_second is retrievals per second on one core; the
// argument is 1 with confidence intervals, 0 without.
void BM_Retrieve(benchmark::State& state) {
  struct Case {
    float sst_c, altitude_m, air_c;
    std::array<double, 6> tb;
  };
  std::mt19937_64 rng(42);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::normal_distribution<double> noise(0.0, 0.5);
  std::vector<Case> cases;
  for (int k = 0; k < 4096; ++k) {
    Case c{
        float(-5 + 50 * unit(rng)), float(1 + 15999 * unit(rng)), float(-70 + 115 * unit(rng)), {}};
    const Environment env = environment_from_replies(c.sst_c, c.altitude_m, c.air_c);
    const SixChannels six(freqs, env.sst, env.altitude, env.air, env.emis);
    const std::array<float, 6> tb =
        six.brightness({float(150 * unit(rng)), float(-10 + 160 * unit(rng))});
    for (std::size_t i = 0; i < 6; ++i) c.tb[i] = double(tb[i]) + noise(rng);
    cases.push_back(c);
  }
  const RetrievalOptions options{state.range(0) != 0, one_sigma_level};
  std::size_t k = 0;
  for (auto _ : state) {
    const Case& c = cases[k++ % cases.size()];
    benchmark::DoNotOptimize(retrieve(c.sst_c, c.altitude_m, c.air_c, c.tb, 0.5, options));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Retrieve)->ArgName("intervals")->Arg(0)->Arg(1);

// The usual table, then each retrieval's time as a multiple of the six
// tbvrel calls of one computation measured in the same run: on a shared
// machine absolute figures move by 10% or more from run to run, the ratio
// much less. With repetitions, medians are compared.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  RatioReporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_Color : OO_None) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      if (run.run_type == Run::RT_Iteration) {
        cpu_[run.benchmark_name()] = {run.GetAdjustedCPUTime(), run.time_unit};
      } else if (run.aggregate_name == "median") {
        medians_[run.run_name.str()] = {run.GetAdjustedCPUTime(), run.time_unit};
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }

  void print_ratios() const {
    const auto times = medians_.empty() ? cpu_ : medians_;
    const auto unit = times.find("BM_SixTbvrel");
    if (unit == times.end()) return;
    std::printf("\nRetrieval time in six-tbvrel computations (%.0f ns each in this run):\n",
                unit->second.first / benchmark::GetTimeUnitMultiplier(unit->second.second) * 1e9);
    for (const auto& [name, time] : times) {
      if (name.rfind("BM_Retrieve", 0) != 0 || time.second != unit->second.second) continue;
      std::printf("  %-28s %6.1f\n", name.c_str(), time.first / unit->second.first);
    }
  }

 private:
  std::map<std::string, std::pair<double, benchmark::TimeUnit>> cpu_, medians_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.print_ratios();
  benchmark::Shutdown();
  return 0;
}
