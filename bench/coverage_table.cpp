// How often the retrieval's confidence intervals hold the truth, over the
// domain: for each true wind and rain, noisy draws of the six brightness
// temperatures (0.5 K Gaussian per channel) are retrieved with intervals at
// one sigma (68.27%) and at 95%, and the share of draws whose interval holds
// the true value is printed beside the share for the linearised one-sigma
// (solution +- sd). Targets: 65-75% and 93-98%; where the truth lies on a bound
// of the domain, at least the level less 3 points (the bound cuts the interval,
// which can only hold the truth more often).
//   coverage_table [DRAWS]   draws per point, default 2000
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "tbcalc/model.hpp"
#include "tbcalc/retrieval.hpp"

namespace {

using namespace tbcalc;

struct Setting {
  float sst_c, altitude_m, air_c;
};

struct Point {
  double wind, rain;
};

// The share of draws that holds the truth, and whether it meets its target.
struct Share {
  int in = 0;
  double of(int draws) const { return double(in) / draws; }
};

bool meets(double share, double level, bool on_bound) {
  if (on_bound) return share >= level - 0.03;
  return level < 0.9 ? share >= 0.65 && share <= 0.75 : share >= 0.93 && share <= 0.98;
}

}  // namespace

int main(int argc, char** argv) {
  const int draws = argc > 1 ? std::atoi(argv[1]) : 2000;
  if (draws <= 0) {
    std::fprintf(stderr, "usage: coverage_table [DRAWS]\n");
    return 2;
  }
  const Setting settings[] = {{20, 1500, 10}, {5, 6000, -20}, {28, 300, 25}};
  std::vector<Point> points;
  for (double rain : {0.0, 0.5, 1.0}) {
    for (double wind : {0.0, 3.0, 10.0, 31.85}) points.push_back({wind, rain});
  }
  const Point others[] = {{3, 60},  {6.95, 5},  {7.05, 5},  {31.85, 10}, {31.95, 10}, {25, 30},
                          {60, -5}, {100, 100}, {140, 140}, {150, 20},   {20, 150},   {20, -10}};
  points.insert(points.end(), std::begin(others), std::end(others));
  const double levels[] = {one_sigma_level, 0.95};

  std::printf("Coverage of the true value over %d draws, 0.5 K noise per channel\n", draws);
  std::printf("(* outside 65-75%% / 93-98%%, or on a bound below the level less 3 points)\n\n");
  std::printf(
      "| sea, alt, air | wind | rain | wind 68%% | rain 68%% | wind 95%% | rain 95%% |"
      " wind +-sd | rain +-sd |\n");
  std::printf("|---|---|---|---|---|---|---|---|---|\n");
  std::mt19937_64 rng(1);
  std::normal_distribution<double> gauss(0.0, 0.5);
  int misses = 0;
  for (const Setting& s : settings) {
    const Environment env = environment_from_replies(s.sst_c, s.altitude_m, s.air_c);
    const SixChannels six(freqs, env.sst, env.altitude, env.air, env.emis);
    for (const Point& p : points) {
      const std::array<float, 6> truth = six.brightness({float(p.wind), float(p.rain)});
      Share wind_in[2], rain_in[2], wind_sd_in, rain_sd_in;
      for (int k = 0; k < draws; ++k) {
        std::array<double, 6> tb;
        for (std::size_t i = 0; i < 6; ++i) tb[i] = double(truth[i]) + gauss(rng);
        for (int l = 0; l < 2; ++l) {
          const Retrieval r = retrieve(s.sst_c, s.altitude_m, s.air_c, tb, 0.5, {true, levels[l]});
          wind_in[l].in += r.wind_lo <= p.wind && p.wind <= r.wind_hi;
          rain_in[l].in += r.rain_lo <= p.rain && p.rain <= r.rain_hi;
          if (l == 0) {
            wind_sd_in.in += std::fabs(r.wind - p.wind) <= r.wind_sd;
            rain_sd_in.in += std::fabs(r.rain - p.rain) <= r.rain_sd;
          }
        }
      }
      const bool wind_bound =
          p.wind == double(wind_range_ms.low) || p.wind == double(wind_range_ms.high);
      const bool rain_bound =
          p.rain == double(rain_range_mmh.low) || p.rain == double(rain_range_mmh.high);
      std::printf("| %g, %g, %g | %g | %g |", double(s.sst_c), double(s.altitude_m),
                  double(s.air_c), p.wind, p.rain);
      for (int l = 0; l < 2; ++l) {
        for (const auto& [share, bound] : {std::pair{wind_in[l].of(draws), wind_bound},
                                           std::pair{rain_in[l].of(draws), rain_bound}}) {
          const bool ok = meets(share, levels[l], bound);
          misses += !ok;
          std::printf(" %.1f%s |", 100 * share, ok ? "" : " *");
        }
      }
      std::printf(" %.1f | %.1f |\n", 100 * wind_sd_in.of(draws), 100 * rain_sd_in.of(draws));
    }
  }
  std::printf("\n%d of %zu shares outside their targets\n", misses,
              std::size(settings) * points.size() * 4);
  return 0;
}
