// The table programs as whole processes, on a flight file with a header and
// time and position columns: tbretrieve on two jobs against one, tbforward on
// one job against tbcalc's whole process on the same number of computations,
// and tbforward's peak memory on a file of about a gibibyte. Prints figures;
// never fails on them.
//   table_bench <tbforward> <tbretrieve> <tbcalc> <session_generator>
//               [records] [repeats] [gibibytes]
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "processes.hpp"

namespace {

using namespace tbcalc::bench;

// A flight at one altitude, one record a second: the sea and air change by
// segment, wind and rain every record, drawn over the ranges tbcalc's
// benchmark session draws them from; with `salinity`, a column of it.
void write_flight(const std::string& path, long records, const char* salinity = nullptr) {
  std::ofstream out(path);
  out << "time,latitude,longitude,sst,altitude,air,wind,rain" << (salinity ? ",salinity" : "")
      << "\n";
  std::uint64_t state = 12345;
  auto uniform = [&](double low, double high) {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return low + (high - low) * double(state >> 11) / double(1ULL << 53);
  };
  char line[160];
  for (long i = 0; i < records; ++i) {
    const long segment = i / 600;
    std::snprintf(line, sizeof line,
                  "2026-08-%02ldT%02ld:%02ld:%02ldZ,%.5f,%.5f,%.1f,1500,%.1f,%.4f,%.4f\n",
                  1 + i / 86400 % 28, i / 3600 % 24, i / 60 % 60, i % 60, 15.0 + double(i) * 1e-4,
                  -60.0 - double(i) * 1e-4, 20.0 + double(segment % 7) * 0.5,
                  10.0 - double(segment % 5) * 0.5, uniform(0, 150), uniform(-10, 150));
    if (salinity) {
      line[std::strlen(line) - 1] = ',';
      out << line << salinity << '\n';
    } else {
      out << line;
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr,
                 "usage: table_bench <tbforward> <tbretrieve> <tbcalc> <session_generator> "
                 "[records] [repeats] [gibibytes]\n");
    return 2;
  }
  const std::string tbforward = argv[1], tbretrieve = argv[2], tbcalc = argv[3],
                    generator = argv[4];
  const long records = argc > 5 ? std::atol(argv[5]) : 1000000;
  const int repeats = argc > 6 ? std::atoi(argv[6]) : 3;
  const double gibibytes = argc > 7 ? std::atof(argv[7]) : 1.0;

  char dir_template[] = "/tmp/tbcalc-table-bench-XXXXXX";
  const std::string dir = mkdtemp(dir_template);
  const std::string flight = dir + "/flight.csv", saline = dir + "/saline.csv",
                    measured = dir + "/measured.csv", session = dir + "/session.txt",
                    big = dir + "/big.csv";
  write_flight(flight, records);
  write_flight(saline, records, "33.5");  // coastal water, a constant column
  run({generator, "pairs", std::to_string(records)}, "/dev/null", session);
  // What tbretrieve reads: the flight with its brightness temperatures.
  run({tbforward, "--header", "-q"}, flight, measured);

  std::vector<double> forward, forward_saline, calc, retrieve_one, retrieve_two;
  for (int i = 0; i < repeats; ++i) {
    forward.push_back(run({tbforward, "--header", "-q", "-j", "1"}, flight, "/dev/null").seconds);
    forward_saline.push_back(
        run({tbforward, "--header", "-q", "-j", "1"}, saline, "/dev/null").seconds);
    calc.push_back(run({tbcalc}, session, "/dev/null").seconds);
    retrieve_one.push_back(
        run({tbretrieve, "--header", "--suffix=_retrieved", "-q", "-j", "1"}, measured, "/dev/null")
            .seconds);
    retrieve_two.push_back(
        run({tbretrieve, "--header", "--suffix=_retrieved", "-q", "-j", "2"}, measured, "/dev/null")
            .seconds);
  }
  const double n = double(records);
  const double forward_ns = median(forward) / n * 1e9, calc_ns = median(calc) / n * 1e9;
  const double one = n / median(retrieve_one), two = n / median(retrieve_two);
  std::printf("machine        %s, %ld cores\n", cpu_model().c_str(), sysconf(_SC_NPROCESSORS_ONLN));
  std::printf("flight file    %ld records with time, position and a header, median of %d runs\n",
              records, repeats);
  std::printf(
      "tbretrieve     %8.0f records/s with -j 1, %.0f with -j 2: %.2f times (target at "
      "least 1.8)\n",
      one, two, two / one);
  std::printf(
      "tbforward -j 1 %8.1f ns per record; tbcalc %.1f ns per computation: ratio %.2f "
      "(target at most 1.5)\n",
      forward_ns, calc_ns, forward_ns / calc_ns);
  std::printf(
      "salinity       %8.1f ns per record with a constant column of it: %.3f times without "
      "(target at most 1.05)\n",
      median(forward_saline) / n * 1e9, median(forward_saline) / median(forward));

  if (gibibytes > 0) {
    // The flight again and again, its header once, to the size asked for:
    // copied a block at a time, for a child's peak resident size starts from
    // its parent's.
    {
      std::ifstream in(flight, std::ios::binary);
      std::string header;
      std::getline(in, header);
      const std::streamoff body_start = in.tellg();
      std::ofstream out(big, std::ios::binary);
      out << header << '\n';
      const auto target = std::uint64_t(gibibytes * double(1 << 30));
      std::vector<char> block(1 << 20);
      // Whole passes over the flight's records, so that every line is whole.
      for (std::uint64_t written = 0;;) {
        in.read(block.data(), std::streamsize(block.size()));
        const auto got = std::size_t(in.gcount());
        out.write(block.data(), std::streamsize(got));
        written += got;
        if (got < block.size()) {
          if (written >= target) break;
          in.clear();
          in.seekg(body_start);
        }
      }
    }
    const Run r = run({tbforward, "--header", "-q", "-j", "2"}, big, "/dev/null");
    std::ifstream size(big, std::ios::ate);
    std::printf(
        "peak resident  %8.1f MiB for tbforward -j 2 on %.2f GiB in %.1f s (target at "
        "most 64 MiB)\n",
        double(r.max_rss_kib) / 1024, double(size.tellg()) / double(1 << 30), r.seconds);
  }
  for (const std::string& f : {flight, saline, measured, session, big}) std::remove(f.c_str());
  rmdir(dir.c_str());
  return 0;
}
