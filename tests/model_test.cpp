// The forward model against the reference values of its specification tables
// (six significant digits, so a tolerance of one unit in the last digit).
#include "tbcalc/model.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>

namespace tbcalc {
namespace {

TEST(KlswLoop, EmissivityTablePerSeaSurfaceTemperature) {
  struct Case {
    float sstc;
    std::array<double, 6> emis;
  };
  const Case cases[] = {
      {-5.0f, {0.362474, 0.365662, 0.367152, 0.369784, 0.373822, 0.376293}},
      {0.0f, {0.359255, 0.361846, 0.363046, 0.365156, 0.368388, 0.370369}},
      {15.0f, {0.358515, 0.360386, 0.361181, 0.362504, 0.364400, 0.365515}},
      {28.0f, {0.360746, 0.362977, 0.363850, 0.365208, 0.366974, 0.367929}},
      {45.0f, {0.355304, 0.358561, 0.359788, 0.361625, 0.363856, 0.364979}},
  };
  for (const Case& c : cases) {
    std::array<float, 6> emis{};
    klsw_loop(freqs.data(), c.sstc, emis.data(), 6);
    for (std::size_t i = 0; i < 6; ++i) {
      EXPECT_NEAR(emis[i], c.emis[i], 1e-6) << "sst " << c.sstc << " channel " << i;
    }
  }
}

TEST(KlswLoop, WritesExactlyNchanEntries) {
  for (std::int32_t nchan : {0, -1, 3}) {
    std::array<float, 6> emis;
    emis.fill(-1.0f);
    klsw_loop(freqs.data(), 15.0f, emis.data(), nchan);
    for (std::int32_t i = 0; i < 6; ++i) {
      if (i < nchan) {
        EXPECT_GT(emis[std::size_t(i)], 0.3f) << "nchan " << nchan;
      } else {
        EXPECT_EQ(emis[std::size_t(i)], -1.0f) << "nchan " << nchan << " entry " << i;
      }
    }
  }
}

// Permittivity and reflectivities; tolerance is one unit of the last digit given.
TEST(Kleinswift, PermittivityAndReflectivity) {
  struct Case {
    float freq, theta, celsius, sal;
    double epsr, epsi, rv, rh;  // rh < 0: not given
    double eps_tol;
  };
  const Case cases[] = {
      {4.74f, 0.0f, 15.0f, 36.0f, 67.7367, 36.3260, 0.641485, 0.641485, 1e-4},
      {7.09f, 0.0f, 15.0f, 36.0f, 61.5029, 37.6188, 0.634485, -1, 1e-4},
      {4.74f, 0.0f, 0.0f, 36.0f, 62.7079, 40.6210, 0.640745, -1, 1e-4},
      // Fresh water, and the two sides of the salinity threshold, which do not join.
      {6.02f, 0.0f, 20.0f, 0.0f, 71.8487, 23.4876, 0.633712, -1, 1e-4},
      {6.02f, 0.0f, 20.0f, 0.0999f, 71.8491, 23.5360, -1, -1, 1e-4},
      {6.02f, 0.0f, 20.0f, 0.1f, 71.8574, 23.5389, -1, -1, 1e-4},
      // Oblique incidence separates the polarisations.
      {6.02f, 0.0f, 20.0f, 35.0f, 65.3276, 35.0779, 0.636327, 0.636327, 1e-4},
      {6.02f, 0.5f, 20.0f, 35.0f, 65.3276, 35.0779, 0.597490, 0.672428, 1e-4},
      {6.02f, 1.0f, 20.0f, 35.0f, 65.3276, 35.0779, 0.431458, 0.783068, 1e-4},
  };
  for (const Case& c : cases) {
    float rv = -1, rh = -1, epsr = -1, epsi = -1;
    kleinswift(c.freq, c.theta, celsius_to_kelvin(c.celsius), c.sal, rv, rh, epsr, epsi);
    SCOPED_TRACE(testing::Message()
                 << c.freq << " GHz, " << c.celsius << " C, S " << c.sal << ", theta " << c.theta);
    EXPECT_NEAR(epsr, c.epsr, c.eps_tol);
    EXPECT_NEAR(epsi, c.epsi, c.eps_tol);
    if (c.rv >= 0) EXPECT_NEAR(rv, c.rv, 1e-6);
    if (c.rh >= 0) EXPECT_NEAR(rh, c.rh, 1e-6);
  }
}

TEST(Rec2sph, PolarForm) {
  struct Case {
    float x, y;
    double r, phi;
  };
  const Case cases[] =
      {
          {3, 4, 5, 0.927295},    {-3, -4, 5, 4.06889}, {1, -1, 1.41421, 5.49779},
          {-1, 0, 1, 3.14159265}, {0, 2, 2, 1.5707964}, {0, 0, 0, 1.5707964},
          {0, -2, 2, 4.71238898},  // negative imaginary axis: 3*pi/2, inside [0, 2*pi)
      };
  for (const Case& c : cases) {
    float r = -1, phi = -1;
    rec2sph(c.x, c.y, r, phi);
    EXPECT_NEAR(r, c.r, 1e-5) << c.x << ", " << c.y;
    EXPECT_NEAR(phi, c.phi, 1e-5) << c.x << ", " << c.y;
  }
  float r, phi;
  rec2sph(0.0f, 2.0f, r, phi);
  EXPECT_EQ(phi, 1.5707964f);  // exact: no arctangent on the imaginary axis
}

struct TbCase {
  float freq, sst, alt, tair, emis, wind, rain;
  double tb;
};

TEST(Tbvrel, SingleChannelCases) {
  const float ts = 293.146f, ta = 283.146f;
  const TbCase cases[] = {
      {6.02f, ts, 1500, ta, 0.38f, 10, 5, 120.286},  // the base case
      {4.74f, ts, 500, 288.146f, 0.37f, 3, 0, 112.729},
      {7.09f, 301.146f, 5000, 268.146f, 0.40f, 40, 50, 256.519},
      {5.57f, 298.146f, 3000, 278.146f, 0.385f, 20, -5, 126.855},
      {5.57f, 298.146f, 3000, 278.146f, 0.385f, 20, 5, 130.991},
      {6.69f, ts, 1500, ta, 0.38f, 7, 0, 117.467},      // quadratic piece at 7
      {6.69f, ts, 1500, ta, 0.38f, 6.99f, 0, 117.470},  // lower line below 7
      {6.69f, ts, 1500, ta, 0.38f, 31.9f, 0, 143.938},  // upper line at 31.9
      {6.69f, ts, 1500, ta, 0.38f, 31.8f, 0, 143.612},
      {5.31f, ts, 1000, ta, 0.38f, 10, 10, 121.423},
      {5.31f, ts, 4000, ta, 0.38f, 10, 10, 125.103},
      {5.31f, ts, 16000, 223.146f, 0.38f, 10, 10, 126.141},
      {4.0f, ts, 1500, ta, 0.38f, 10, 5, 117.955},  // band limits belong to the band
      {8.0f, ts, 1500, ta, 0.38f, 10, 5, 123.812},
      {3.99f, ts, 1500, ta, 0.38f, 10, 5, 0.0},
      {8.01f, ts, 1500, ta, 0.38f, 10, 5, 0.0},
      {7.09f, ts, 1500, ta, 0.38f, 150, 0, 375.852},  // emissivity above 1
      {7.09f, ts, 1500, ta, 0.38f, 15, 150, 285.779},
      {7.09f, ts, 1500, ta, 0.38f, 10, -10, 108.045},  // negative downwelling sky
  };
  for (const TbCase& c : cases) {
    const float tb = tbvrel(c.freq, c.sst, c.alt, c.tair, c.emis, {c.wind, c.rain});
    EXPECT_NEAR(tb, c.tb, 1e-3) << c.freq << " GHz, alt " << c.alt << ", W " << c.wind << ", R "
                                << c.rain;
  }
}

TEST(Tbvrel, OutsideTheBandIsExactlyZero) {
  EXPECT_EQ(tbvrel(3.99f, 293.146f, 1500, 283.146f, 0.38f, {10, 5}), 0.0f);
  EXPECT_EQ(tbvrel(0.0f, 293.146f, 1500, 283.146f, 0.38f, {10, 5}), 0.0f);
}

// Both stages together, printed to two decimals as the result line shows them.
TEST(Model, EndToEndChannels) {
  struct Case {
    float sstc, alt, airc, wind, rain;
    std::array<double, 6> tb;
  };
  const Case cases[] = {
      {20, 1500, 10, 10, 5, {112.86, 114.08, 114.64, 115.64, 117.19, 118.18}},
      {28, 3000, 5, 40, 20, {160.10, 166.26, 169.26, 174.75, 183.61, 189.27}},
      {15, 500, 12, 3, 0, {107.60, 108.28, 108.56, 109.05, 109.75, 110.16}},
      {28, 3000, 5, 40, -5, {150.25, 152.52, 153.49, 155.07, 157.23, 158.42}},
  };
  for (const Case& c : cases) {
    const float sst = celsius_to_kelvin(c.sstc);
    std::array<float, 6> emis{};
    klsw_loop(freqs.data(), kelvin_to_celsius(sst), emis.data(), 6);
    for (std::size_t i = 0; i < 6; ++i) {
      const float tb =
          tbvrel(freqs[i], sst, c.alt, celsius_to_kelvin(c.airc), emis[i], {c.wind, c.rain});
      EXPECT_NEAR(tb, c.tb[i], 0.005) << "sst " << c.sstc << " channel " << i;
    }
  }
}

// The first end-to-end case hands the model these emissivities and kelvin
// values after the dialogue's conversions.
TEST(Environment, FromRepliesAsTheDialogueFormsIt) {
  const Environment env = environment_from_replies(20.0f, 1500.0f, 10.0f);
  EXPECT_EQ(env.sst, 293.146f);
  EXPECT_EQ(env.altitude, 1500.0f);
  EXPECT_EQ(env.air, 283.146f);
  const std::array<double, 6> expected = {0.359554, 0.361481, 0.362270,
                                          0.363545, 0.365304, 0.366307};
  for (std::size_t i = 0; i < 6; ++i) EXPECT_NEAR(env.emis[i], expected[i], 1e-6) << i;
}

TEST(AcceptedRanges, BoundsAsTheDialogueAcceptsThem) {
  EXPECT_TRUE(sst_range_c.contains(-5.0f));
  EXPECT_FALSE(sst_range_c.contains(-5.01f));
  EXPECT_FALSE(altitude_range_m.contains(0.0f));
  EXPECT_TRUE(altitude_range_m.contains(16000.0f));
  EXPECT_TRUE(rain_range_mmh.contains(-10.0f));
  EXPECT_FALSE(wind_range_ms.contains(150.01f));
  const float nan = std::numeric_limits<float>::quiet_NaN();
  for (const AcceptedRange& r :
       {sst_range_c, altitude_range_m, air_range_c, wind_range_ms, rain_range_mmh}) {
    EXPECT_FALSE(r.contains(nan));
  }
}

// Kept or renewed, the environment gives what a fresh one gives, to the bit:
// the same values again, a new flight level over the same sea, a new sea.
TEST(TypedEnvironment, AsFreshWhetherKeptOrRenewed) {
  const std::array<std::array<float, 3>, 6> typed = {{{20, 1500, 10},
                                                      {20, 1500, 10},
                                                      {20, 300, 25},
                                                      {28.5f, 300, 25},
                                                      {28.5f, 300, 25},
                                                      {20, 1500, 10}}};
  TypedEnvironment kept;
  for (const auto& [sst, altitude, air] : typed) {
    const std::array<float, 6> got = kept.channels(sst, altitude, air).brightness({12, 7});
    const std::array<float, 6> fresh =
        SixChannels(environment_from_replies(sst, altitude, air)).brightness({12, 7});
    EXPECT_EQ(got, fresh) << sst << " " << altitude << " " << air;
    EXPECT_EQ(kept.environment(sst, altitude, air).emis,
              environment_from_replies(sst, altitude, air).emis);
  }
}

}  // namespace
}  // namespace tbcalc
