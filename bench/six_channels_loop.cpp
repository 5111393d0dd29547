// The C++ side of the Python benchmark: the brightness temperatures of one
// environment for wind/rain pairs read from a file of float32 pairs, written
// to a new array as tbcalc.brightness writes them: both pay for fresh memory,
// and this one is given transparent huge pages as numpy gives its large
// arrays. Prints the median time of `repeats` runs, in seconds, and the
// middle result.
//   six_channels_loop <pairs.f32> <sst_c> <altitude_m> <air_c> [repeats]
#include <sys/mman.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <vector>

#include "tbcalc/model.hpp"

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr,
                 "usage: six_channels_loop <pairs.f32> <sst_c> <altitude_m> <air_c> [repeats]\n");
    return 2;
  }
  std::ifstream file(argv[1], std::ios::binary);
  std::vector<std::array<float, 2>> pairs;
  for (std::array<float, 2> pair; file.read(reinterpret_cast<char*>(pair.data()), sizeof pair);) {
    pairs.push_back(pair);
  }
  const float sst_c = std::strtof(argv[2], nullptr), altitude_m = std::strtof(argv[3], nullptr),
              air_c = std::strtof(argv[4], nullptr);
  const int repeats = argc > 5 ? std::atoi(argv[5]) : 5;
  std::vector<double> seconds;
  float middle = 0.0f;
  for (int k = 0; k < repeats; ++k) {
    const auto start = std::chrono::steady_clock::now();
    const std::size_t bytes = pairs.size() * 6 * sizeof(float);
    void* memory =
        ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED) return 1;
    ::madvise(memory, bytes, MADV_HUGEPAGE);
    float* const out = static_cast<float*>(memory);
    const tbcalc::Environment env = tbcalc::environment_from_replies(sst_c, altitude_m, air_c);
    const tbcalc::SixChannels six(tbcalc::freqs, env.sst, env.altitude, env.air, env.emis);
    for (std::size_t i = 0; i < pairs.size(); ++i) {
      const std::array<float, 6> tb = six.brightness(pairs[i]);
      std::copy(tb.begin(), tb.end(), out + 6 * i);
    }
    middle = out[pairs.size() * 3];
    ::munmap(memory, bytes);
    seconds.push_back(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  std::sort(seconds.begin(), seconds.end());
  std::printf("%.6f %.9g\n", seconds[seconds.size() / 2], double(middle));
  return 0;
}
