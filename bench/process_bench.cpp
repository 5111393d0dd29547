// Whole-process benchmark: tbcalc on a scripted session of wind/rain pairs
// against the same computations done in-process with no I/O, and an empty
// session against a minimal C program. Prints figures; never fails on them.
//   process_bench <tbcalc> <minimal_prompt> <session_generator> [pairs] [repeats] [empty_runs]
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "console.hpp"
#include "cread.hpp"
#include "fortran_fields.hpp"
#include "processes.hpp"
#include "tbcalc/model.hpp"

namespace {

using namespace tbcalc::bench;
using tbcalc::dialogue::ReplyLine;

// The session's replies as the dialogue reads them.
struct Session {
  float sst_kelvin = 0, altitude = 0, air_kelvin = 0;
  std::vector<std::array<float, 2>> pairs;
};

Session read_session(const std::string& path) {
  class NullSink final : public tbcalc::console::ByteSink {
    int write(std::span<const char>) override { return 0; }
  } sink;
  tbcalc::console::OutputBuffer out(sink);
  const int fd = open(path.c_str(), O_RDONLY);
  tbcalc::console::FdSource source(fd);
  tbcalc::console::LineReader in(source, out);
  std::vector<float> values;
  ReplyLine line;
  tbcalc::dialogue::ReplyCode code;
  while (tbcalc::dialogue::cread(in, line, code) == tbcalc::console::ReadStatus::line &&
         code == tbcalc::dialogue::ReplyCode::value) {
    float v = 0;
    tbcalc::dialogue::read_f10_5(std::span<const char, 10>(line.data(), 10), v);
    values.push_back(v);
  }
  close(fd);
  Session s;
  s.sst_kelvin = tbcalc::celsius_to_kelvin(values[0]);
  s.altitude = values[1];
  s.air_kelvin = tbcalc::celsius_to_kelvin(values[2]);
  for (std::size_t i = 3; i + 1 < values.size(); i += 2)
    s.pairs.push_back({values[i], values[i + 1]});
  return s;
}

// The model's share, done naively: one emissivity table, six tbvrel calls per pair.
double model_naive(const Session& s, float& checksum) {
  const auto start = Clock::now();
  std::array<float, 6> emis{};
  tbcalc::klsw_loop(tbcalc::freqs.data(), tbcalc::kelvin_to_celsius(s.sst_kelvin), emis.data(), 6);
  float sum = 0;
  for (const auto& pair : s.pairs) {
    for (std::size_t i = 0; i < 6; ++i) {
      sum +=
          tbcalc::tbvrel(tbcalc::freqs[i], s.sst_kelvin, s.altitude, s.air_kelvin, emis[i], pair);
    }
  }
  checksum += sum;
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// The same as tbcalc computes it: the environment's terms prepared once, six
// channels at a time.
double model_six_channels(const Session& s, float& checksum) {
  const auto start = Clock::now();
  std::array<float, 6> emis{};
  tbcalc::klsw_loop(tbcalc::freqs.data(), tbcalc::kelvin_to_celsius(s.sst_kelvin), emis.data(), 6);
  const tbcalc::SixChannels channels(tbcalc::freqs, s.sst_kelvin, s.altitude, s.air_kelvin, emis);
  float sum = 0;
  for (const auto& pair : s.pairs) {
    for (float tb : channels.brightness(pair)) sum += tb;
  }
  checksum += sum;
  return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr,
                 "usage: process_bench <tbcalc> <minimal_prompt> <session_generator> "
                 "[pairs] [repeats] [empty_runs]\n");
    return 2;
  }
  const std::string tbcalc = argv[1], minimal = argv[2], generator = argv[3];
  const long pairs = argc > 4 ? std::atol(argv[4]) : 1000000;
  const int repeats = argc > 5 ? std::atoi(argv[5]) : 5;
  const int empty_runs = argc > 6 ? std::atoi(argv[6]) : 200;

  char dir_template[] = "/tmp/tbcalc-bench-XXXXXX";
  const std::string dir = mkdtemp(dir_template);
  const std::string session = dir + "/session.txt", small = dir + "/small.txt",
                    empty = dir + "/empty.txt";
  run({generator, "pairs", std::to_string(pairs)}, "/dev/null", session);
  run({generator, "pairs", "1000"}, "/dev/null", small);
  std::ofstream(empty) << "EX\n";

  // Whole processes first, while this process is still small: a spawned
  // child's peak resident size starts from its parent's.
  std::vector<double> whole;
  long peak_big = 0;
  for (int i = 0; i < repeats; ++i) {
    const Run r = run({tbcalc}, session, "/dev/null");
    whole.push_back(r.seconds);
    peak_big = std::max(peak_big, r.max_rss_kib);
  }
  const long peak_small = run({tbcalc}, small, "/dev/null").max_rss_kib;

  // Empty sessions, in batches so that each timing is well above the clock's grain.
  auto empty_run = [&](const std::string& program) {
    const auto start = Clock::now();
    for (int k = 0; k < empty_runs; ++k) run({program}, empty, "/dev/null");
    return std::chrono::duration<double>(Clock::now() - start).count() / empty_runs;
  };
  std::vector<double> empty_tbcalc, empty_minimal;
  for (int i = 0; i < repeats; ++i) {
    empty_tbcalc.push_back(empty_run(tbcalc));
    empty_minimal.push_back(empty_run(minimal));
  }

  // The in-process figures, then the whole process once more between them, so
  // that all three are taken side by side under the same machine load.
  const Session s = read_session(session);
  std::vector<double> naive, shared;
  float checksum = 0;
  for (int i = 0; i < repeats; ++i) {
    naive.push_back(model_naive(s, checksum));
    whole.push_back(run({tbcalc}, session, "/dev/null").seconds);
    shared.push_back(model_six_channels(s, checksum));
  }

  const double n = double(s.pairs.size());
  const double whole_ns = median(whole) / n * 1e9, naive_ns = median(naive) / n * 1e9,
               shared_ns = median(shared) / n * 1e9;
  const double empty_ours = median(empty_tbcalc) * 1e3, empty_c = median(empty_minimal) * 1e3;
  std::printf("machine        %s, %ld cores\n", cpu_model().c_str(), sysconf(_SC_NPROCESSORS_ONLN));
  std::printf("session        %zu wind/rain pairs, median of %zu runs\n", s.pairs.size(),
              whole.size());
  std::printf("model, naive   %8.1f ns per computation (six tbvrel calls)\n", naive_ns);
  std::printf("model, shared  %8.1f ns per computation (SixChannels, %.2f times faster)\n",
              shared_ns, naive_ns / shared_ns);
  std::printf("whole process  %8.1f ns per computation (%.3f s)\n", whole_ns, median(whole));
  std::printf("ratio          %8.2f   whole process / naive model (target at most 0.6)\n",
              whole_ns / naive_ns);
  std::printf(
      "ratio          %8.2f   whole process / shared model (reading, parsing and\n"
      "                         writing now cost about as much as the model)\n",
      whole_ns / shared_ns);
  std::printf(
      "empty session  %8.3f ms tbcalc, %.3f ms minimal C program, ratio %.2f (target at most "
      "1.5)\n",
      empty_ours, empty_c, empty_ours / empty_c);
  std::printf("peak resident  %8.1f MiB for %ld pairs, %.1f MiB for 1000 pairs\n",
              double(peak_big) / 1024, pairs, double(peak_small) / 1024);
  if (checksum == 0.0f) std::printf("(checksum zero)\n");
  std::remove(session.c_str());
  std::remove(small.c_str());
  std::remove(empty.c_str());
  rmdir(dir.c_str());
  return 0;
}
