// The misfit map: its values against the model evaluated afresh at every
// node, its lowest cell against retrieve's answer, the grids it accepts and
// refuses, and what a scene retrieve refuses gives.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "tbcalc/retrieval.hpp"

namespace tbcalc {
namespace {

using Six = std::array<double, 6>;
constexpr double kNan = std::numeric_limits<double>::quiet_NaN();

struct Scene {
  float sst_c, altitude_m, air_c, salinity_psu;
  double wind, rain;  // of the synthetic measurements
  Six noise_k;
};

// The all-double model's brightness temperatures with a fixed, noise-sized
// offset per channel, so that no node fits exactly.
Six measured(const Scene& s) {
  const Environment env = environment_from_replies(s.sst_c, s.altitude_m, s.air_c, s.salinity_psu);
  Six tb = jacobian(model_point(env, s.wind, s.rain)).tb;
  const Six offset = {0.3, -0.4, 0.2, 0.5, -0.1, -0.6};
  for (std::size_t i = 0; i < 6; ++i) tb[i] += offset[i];
  return tb;
}

// The misfit by another route: the model evaluated afresh by jacobian().
double oracle_chi2(const Scene& s, const Six& tb, double wind, double rain) {
  const Environment env = environment_from_replies(s.sst_c, s.altitude_m, s.air_c, s.salinity_psu);
  const Six model = jacobian(model_point(env, wind, rain)).tb;
  double chi2 = 0.0;
  for (std::size_t c = 0; c < 6; ++c) chi2 += std::pow((model[c] - tb[c]) / s.noise_k[c], 2);
  return chi2;
}

const Scene kScenes[] = {
    {20, 1500, 10, 36, 10, 5, {0.5, 0.5, 0.5, 0.5, 0.5, 0.5}},
    {5, 6000, -20, 36, 31.85, 0.5, {0.5, 0.5, 0.5, 0.5, 0.5, 0.5}},
    {28, 3000, 5, 30, 60, 20, {0.3, 0.3, 0.5, 0.5, 0.8, 0.8}},
    {-5, 300, -40, 2, 7.1, 40, {0.2, 0.4, 0.6, 0.8, 1.0, 1.2}},
};

// chi2 at every node is the sum over the channels of ((model - tb) / noise)^2
// with the model evaluated afresh: the same formulas by another route, agreeing
// to the rounding of a sum of squares, well below 1e-9 of it. The second
// grid's ends are the breaks, 7 and 31.9f m/s; both grids hold zero rain.
TEST(MisfitMap, IsTheMisfitOfTheModelAtEveryNode) {
  const MisfitMapGrid grids[] = {
      {},
      {7.0, double(31.9f), 34, -10.0, 20.0, 31},
  };
  for (const Scene& s : kScenes) {
    const Six tb = measured(s);
    for (const MisfitMapGrid& grid : grids) {
      const MisfitMap map =
          misfit_map(s.sst_c, s.altitude_m, s.air_c, tb, s.noise_k, grid, s.salinity_psu);
      ASSERT_EQ(map.chi2.size(), map.wind.size() * map.rain.size());
      for (std::size_t j = 0; j < map.rain.size(); ++j) {
        for (std::size_t i = 0; i < map.wind.size(); ++i) {
          const double chi2 = oracle_chi2(s, tb, map.wind[i], map.rain[j]);
          EXPECT_NEAR(map.chi2[j * map.wind.size() + i], chi2, 1e-9 * chi2)
              << "wind " << map.wind[i] << " rain " << map.rain[j];
        }
      }
    }
  }
}

// The lowest node of the whole domain's grid lies within retrieve's 95 %
// intervals: the node nearest the answer rises by less than their quantile,
// so the lowest one does too. On a fine grid around the answer the lowest
// node is within a cell of it, and above retrieve's minimum but by the
// rounding of the map's quadratic form (some 1e-11 of it).
TEST(MisfitMap, LowestCellLiesAtRetrievesAnswer) {
  for (const Scene& s : kScenes) {
    const Six tb = measured(s);
    const Retrieval r =
        retrieve(s.sst_c, s.altitude_m, s.air_c, tb, s.noise_k, {true, 0.95}, s.salinity_psu);
    const double minimum = oracle_chi2(s, tb, r.wind, r.rain);
    SCOPED_TRACE(testing::Message() << "answer " << r.wind << ", " << r.rain);
    const MisfitMapGrid fine = {std::max(r.wind - 0.5, 0.0),   r.wind + 0.5, 101,
                                std::max(r.rain - 0.5, -10.0), r.rain + 0.5, 101};
    for (const MisfitMapGrid& grid : {MisfitMapGrid{}, fine}) {
      const MisfitMap map =
          misfit_map(s.sst_c, s.altitude_m, s.air_c, tb, s.noise_k, grid, s.salinity_psu);
      const auto lowest = std::min_element(map.chi2.begin(), map.chi2.end());
      const auto k = std::size_t(lowest - map.chi2.begin());
      const double wind = map.wind[k % map.wind.size()], rain = map.rain[k / map.wind.size()];
      EXPECT_GE(*lowest, minimum * (1 - 1e-9));
      if (grid.wind_points == fine.wind_points) {
        EXPECT_LE(std::fabs(wind - r.wind), map.wind[1] - map.wind[0]);
        EXPECT_LE(std::fabs(rain - r.rain), map.rain[1] - map.rain[0]);
      } else {
        EXPECT_TRUE(r.wind_lo <= wind && wind <= r.wind_hi) << wind;
        EXPECT_TRUE(r.rain_lo <= rain && rain <= r.rain_hi) << rain;
      }
    }
  }
}

// Each axis as its own check says it: the count, finite bounds, their order,
// the domain; then the cells in all.
TEST(MisfitMap, ChecksItsGrid) {
  const double inf = std::numeric_limits<double>::infinity();
  const MisfitMapGrid accepted[] = {
      {},
      {0, 150, 2, -10, 150, 2},
      {0, 150, 4096, -10, 150, 1024},  // 2^22 cells, the most
      {10, std::nextafter(10.0, 11.0), 3, 0, 1e-300, 2},
  };
  for (const MisfitMapGrid& g : accepted) {
    const SettingCheck check = check_misfit_grid(g);
    EXPECT_TRUE(check.ok) << g.wind_points << " x " << g.rain_points;
    EXPECT_EQ(check.message, "");
  }
  const struct {
    MisfitMapGrid grid;
    std::string_view says;
  } rejected[] = {
      {{0, 150, 1, -10, 150, 161}, "wind axis does not have 2 to 4096 points"},
      {{0, 150, 4097, -10, 150, 161}, "wind axis does not have 2 to 4096 points"},
      {{0, 150, 151, -10, 150, -3}, "rain axis does not have 2 to 4096 points"},
      {{kNan, 150, 151, -10, 150, 161}, "bound of the wind axis is not finite"},
      {{0, 150, 151, -10, inf, 161}, "bound of the rain axis is not finite"},
      {{10, 10, 151, -10, 150, 161}, "wind axis's lower bound is not below"},
      {{0, 150, 151, 5, -5, 161}, "rain axis's lower bound is not below"},
      {{-1e-9, 150, 151, -10, 150, 161}, "wind axis reaches beyond"},
      {{0, 150.001, 151, -10, 150, 161}, "wind axis reaches beyond"},
      {{0, 150, 151, -10.5, 150, 161}, "rain axis reaches beyond"},
      {{0, 150, 4096, -10, 150, 1025}, "more than 4194304 cells"},
  };
  for (const auto& c : rejected) {
    const SettingCheck check = check_misfit_grid(c.grid);
    EXPECT_FALSE(check.ok) << c.says;
    EXPECT_NE(check.message.find(c.says), std::string_view::npos) << check.message;
    const MisfitMap map = misfit_map(20, 1500, 10, measured(kScenes[0]), 0.5, c.grid);
    EXPECT_TRUE(map.wind.empty() && map.rain.empty() && map.chi2.empty()) << c.says;
  }
}

// The nodes as documented, the last exactly the upper bound (7.67 +
// (35.19 - 7.67) * 19 / 19 rounds to one unit below 35.19); the default
// grid's are whole numbers.
TEST(MisfitMap, PlacesItsNodesEvenlyFromEndToEnd) {
  const Six tb = measured(kScenes[0]);
  const MisfitMap map = misfit_map(20, 1500, 10, tb, 0.5, {7.67, 35.19, 20, -10, 150, 161});
  EXPECT_EQ(map.wind[18], 7.67 + (35.19 - 7.67) * 18.0 / 19.0);
  EXPECT_EQ(map.wind.back(), 35.19);
  for (std::size_t j = 0; j < map.rain.size(); ++j) EXPECT_EQ(map.rain[j], -10.0 + double(j));
}

// A scene retrieve calls invalid_input: the axes, and NaN everywhere.
TEST(MisfitMap, GivesNanForAnInvalidScene) {
  const Six good = measured(kScenes[0]);
  const Six cold = {0.0, good[1], good[2], good[3], good[4], good[5]};
  const struct {
    const char* name;
    float sst_c, salinity_psu;
    Six tb;
    Noise noise;
  } cases[] = {
      {"sst NaN", std::numeric_limits<float>::quiet_NaN(), 36, good, 0.5},
      {"salinity 41", 20, 41, good, 0.5},
      {"tb 0 K", 20, 36, cold, 0.5},
      {"one channel's noise 0", 20, 36, good, Six{0.5, 0.5, 0.0, 0.5, 0.5, 0.5}},
  };
  for (const auto& c : cases) {
    const MisfitMap map = misfit_map(c.sst_c, 1500, 10, c.tb, c.noise, {}, c.salinity_psu);
    EXPECT_EQ(map.wind.size() * map.rain.size(), map.chi2.size()) << c.name;
    EXPECT_EQ(
        std::count_if(map.chi2.begin(), map.chi2.end(), [](double v) { return std::isnan(v); }),
        151 * 161)
        << c.name;
  }
}

}  // namespace
}  // namespace tbcalc
