// Writes a scripted tbcalc session to standard output.
//   session_generator matrix [seed]   sessions over the whole accepted ranges:
//       many sea, altitude and air temperatures, the wind break points, the
//       altitude limits and negative rain, over 10,000 computations
//   session_generator pairs N [seed]  one sea/altitude/air set-up, then N
//       wind/rain pairs drawn over the accepted ranges
//   session_generator records N [seed]  N records for tbforward, not a
//       session: sea, altitude, air, wind and rain on a line, each drawn over
//       its accepted range or, one time in eight, one of the matrix's edges
// The numbers come from a fixed 64-bit generator, so a seed always gives the
// same bytes whatever compiler built this program.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  // A value in [low, high] with four decimals.
  double uniform(double low, double high) {
    state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    const double unit = double(state_ >> 11) / double(1ULL << 53);
    return low + (high - low) * unit;
  }

 private:
  std::uint64_t state_;
};

void reply(double v) { std::printf("%.4f\n", v); }

// The range limits and the model's break points: rain layer and wind pieces.
const double fixed_sst[] = {-5, -2, 0, 15, 20, 28, 45};
const double fixed_alt[] = {0.0001, 1, 999.9999, 1000, 4000, 4000.0001, 16000};
const double fixed_air[] = {-70, -15, 0, 10, 45};
const double fixed_wind[] = {0, 6.99, 7, 31.8, 31.9, 150};
const double fixed_rain[] = {-10, -0.0001, 0, 0.0001, 5, 150};

void matrix(Random& random) {
  for (int block = 0; block < 48; ++block) {
    reply(block < 7 ? fixed_sst[block] : random.uniform(-5, 45));
    for (int setup = 0; setup < 4; ++setup) {
      const int k = block * 4 + setup;
      reply(k < 7 ? fixed_alt[k] : random.uniform(0.0001, 16000));
      reply(k < 5 ? fixed_air[k] : random.uniform(-70, 45));
      for (double w : fixed_wind) {
        for (double r : fixed_rain) {
          reply(w);
          reply(r);
        }
      }
      for (int pair = 0; pair < 20; ++pair) {
        reply(random.uniform(0, 150));
        reply(random.uniform(-10, 150));
      }
      std::printf("\n");  // back to the altitude prompt
    }
    std::printf("no\n");  // back to the sea surface temperature
  }
  std::printf("ex\n");
}

void pairs(Random& random, long count) {
  std::printf("20\n1500\n10\n");
  for (long i = 0; i < count; ++i) {
    reply(random.uniform(0, 150));
    reply(random.uniform(-10, 150));
  }
  std::printf("ex\n");
}

template <std::size_t N>
double edge_or_uniform(Random& random, const double (&edges)[N], double low, double high) {
  if (random.uniform(0, 8) < 1) return edges[std::size_t(random.uniform(0, double(N)))];
  return random.uniform(low, high);
}

void records(Random& random, long count) {
  for (long i = 0; i < count; ++i) {
    const double sst = edge_or_uniform(random, fixed_sst, -5, 45);
    const double alt = edge_or_uniform(random, fixed_alt, 0.0001, 16000);
    const double air = edge_or_uniform(random, fixed_air, -70, 45);
    const double wind = edge_or_uniform(random, fixed_wind, 0, 150);
    const double rain = edge_or_uniform(random, fixed_rain, -10, 150);
    std::printf("%.4f %.4f %.4f %.4f %.4f\n", sst, alt, air, wind, rain);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const bool is_matrix = argc >= 2 && std::strcmp(argv[1], "matrix") == 0;
  const bool is_pairs = argc >= 3 && std::strcmp(argv[1], "pairs") == 0;
  const bool is_records = argc >= 3 && std::strcmp(argv[1], "records") == 0;
  if (!is_matrix && !is_pairs && !is_records) {
    std::fprintf(stderr,
                 "usage: session_generator matrix [seed] | pairs N [seed] | records N [seed]\n");
    return 2;
  }
  const int seed_arg = is_matrix ? 2 : 3;
  Random random(argc > seed_arg ? std::strtoull(argv[seed_arg], nullptr, 10) : 1);
  if (is_matrix) matrix(random);
  if (is_pairs) pairs(random, std::atol(argv[2]));
  if (is_records) records(random, std::atol(argv[2]));
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    std::perror("session_generator");
    return 1;
  }
  return 0;
}
