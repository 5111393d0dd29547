// The Jacobian against central differences, and the retrieval: round trips,
// statistics under noise, the global minimum (also against an exhaustive
// search next to the break points), the confidence intervals' coverage, the
// per-channel noise, the wind handed back to the model, statuses and bad
// input.
#include "tbcalc/retrieval.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <random>
#include <vector>

#include "sea_emissivity.hpp"

namespace tbcalc {
namespace {

using Six = std::array<double, 6>;
constexpr double kNan = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// The derivative of every channel's brightness temperature by one input,
// read from the Jacobian and taken by differences of the same double-precision
// evaluation. The differences are Richardson-extrapolated, so their truncation
// error falls well below the tolerance; their round-off, the evaluation's
// 2^-49 relative error over the step, sets the floor of what they can confirm.
struct Partial {
  const char* name;
  double step;
  std::function<void(ModelPoint&, double)> move;
  std::function<Six(const Jacobian&)> analytic;
  double relative = 1e-6;  // of the agreement, beside the round-off floor
  double absolute = 0.0;   // and beside that
};

const std::vector<Partial>& partials() {
  static const std::vector<Partial> list = {
      {"wind", 1e-2, [](ModelPoint& p, double h) { p.wind += h; },
       [](const Jacobian& j) { return j.d_wind; }},
      {"rain", 1e-2, [](ModelPoint& p, double h) { p.rain += h; },
       [](const Jacobian& j) { return j.d_rain; }},
      {"sst", 1e-1, [](ModelPoint& p, double h) { p.sst += h; },
       [](const Jacobian& j) { return j.d_sst; }},
      {"air", 1e-1, [](ModelPoint& p, double h) { p.air += h; },
       [](const Jacobian& j) { return j.d_air; }},
      {"altitude", 1.0, [](ModelPoint& p, double h) { p.altitude += h; },
       [](const Jacobian& j) { return j.d_altitude; }},
      // Through the emissivity, evaluated afresh. The model rounds the ionic
      // conductivity's temperature factor to float, which differences see and
      // the derivative does not: some 1e-9 of emissivity, 3e-7 K, per psu.
      {"salinity", 0.5,
       [](ModelPoint& p, double h) {
         p.salinity += h;
         for (std::size_t i = 0; i < 6; ++i) {
           p.emis[i] = detail::sea_emissivity(p.freq[i], p.sst, p.salinity).emissivity;
         }
       },
       [](const Jacobian& j) { return j.d_salinity; }, 1e-4, 1e-6},
  };
  return list;
}

Six brightness_moved(const ModelPoint& at, const Partial& partial, double h) {
  ModelPoint moved = at;
  partial.move(moved, h);
  return jacobian(moved).tb;
}

// Central differences with steps h and h/2, extrapolated: error O(h^4).
Six central_difference(const ModelPoint& at, const Partial& partial, double h) {
  Six d;
  const Six up = brightness_moved(at, partial, h), down = brightness_moved(at, partial, -h);
  const Six up2 = brightness_moved(at, partial, h / 2),
            down2 = brightness_moved(at, partial, -h / 2);
  for (std::size_t i = 0; i < 6; ++i) {
    d[i] = (4 * (up2[i] - down2[i]) / h - (up[i] - down[i]) / (2 * h)) / 3;
  }
  return d;
}

// Differences on one side only (h > 0: above, h < 0: below): error O(h^2).
Six one_sided_difference(const ModelPoint& at, const Partial& partial, double h) {
  Six d;
  const Six f0 = jacobian(at).tb, f1 = brightness_moved(at, partial, h),
            f2 = brightness_moved(at, partial, 2 * h);
  for (std::size_t i = 0; i < 6; ++i) d[i] = (-3 * f0[i] + 4 * f1[i] - f2[i]) / (2 * h);
  return d;
}

double agreement_bound(double analytic, double tb, double step, double relative = 1e-6,
                       double absolute = 0.0) {
  return relative * std::fabs(analytic) + absolute + 16 * std::ldexp(std::fabs(tb), -49) / step;
}

TEST(Jacobian, AgreesWithCentralDifferencesAwayFromTheBreakPoints) {
  const float seas[] = {-5.0f, 15.0f, 30.0f, 45.0f};
  const float altitudes[] = {150.0f, 700.0f, 1500.0f, 3000.0f, 6000.0f, 16000.0f};
  const float airs[] = {-70.0f, -10.0f, 20.0f, 45.0f};
  // Away from fresh water's threshold at 0.1, where the permittivity jumps.
  const float salinities[] = {2.0f, 12.0f, 20.0f, 28.0f, 36.0f, 40.0f};
  const double winds[] = {0.5, 3.3, 10.0, 20.0, 28.0, 45.0, 90.0, 149.0};
  const double rains[] = {-9.5, -3.0, -0.4, 0.2, 1.5, 12.0, 60.0, 145.0};
  long compared = 0;
  for (float sea : seas) {
    for (std::size_t k = 0; k < 6; ++k) {
      const Environment env = environment_from_replies(
          sea, altitudes[k], airs[(k + std::size_t(sea + 5)) % 4], salinities[k]);
      for (double wind : winds) {
        for (double rain : rains) {
          const ModelPoint at = model_point(env, wind, rain);
          const Jacobian j = jacobian(at);
          for (const Partial& partial : partials()) {
            const Six numeric = central_difference(at, partial, partial.step);
            const Six analytic = partial.analytic(j);
            for (std::size_t i = 0; i < 6; ++i) {
              ++compared;
              EXPECT_LE(std::fabs(analytic[i] - numeric[i]),
                        agreement_bound(analytic[i], j.tb[i], partial.step, partial.relative,
                                        partial.absolute))
                  << partial.name << " channel " << i << " at sst " << sea << " alt "
                  << altitudes[k] << " wind " << wind << " rain " << rain << ": analytic "
                  << analytic[i] << ", numeric " << numeric[i];
            }
          }
          // The emissivity of each channel moves that channel alone, linearly.
          for (std::size_t i = 0; i < 6; ++i) {
            ModelPoint up = at, down = at;
            up.emis[i] += 1e-3;
            down.emis[i] -= 1e-3;
            const double numeric = (jacobian(up).tb[i] - jacobian(down).tb[i]) / 2e-3;
            EXPECT_LE(std::fabs(j.d_emis[i] - numeric),
                      agreement_bound(j.d_emis[i], j.tb[i], 1e-3));
          }
        }
      }
    }
  }
  EXPECT_GT(compared, 40000);
}

// At a break point the derivative is the branch the model takes there: the
// one-sided difference on that side agrees with it.
TEST(Jacobian, AtTheBreakPointsTakesTheBranchOfTheModel) {
  const Environment env = environment_from_replies(20.0f, 1500.0f, 10.0f);
  struct Case {
    const char* name;
    ModelPoint at;
    std::size_t partial;  // index into partials()
    double side;          // +1: from above, -1: from below
  };
  ModelPoint low = model_point(env, 10.0, 5.0);
  low.altitude = 1000.0;
  ModelPoint layer = model_point(env, 10.0, 5.0);
  layer.altitude = 4000.0;
  const Case cases[] = {
      {"wind 7", model_point(env, 7.0, 5.0), 0, +1},
      {"wind 31.9", model_point(env, double(31.9f), 5.0), 0, +1},
      {"altitude 1000", low, 4, -1},
      {"altitude 4000", layer, 4, -1},
  };
  for (const Case& c : cases) {
    const Partial& partial = partials()[c.partial];
    const Jacobian j = jacobian(c.at);
    const double h = partial.step * c.side;
    const Six numeric = one_sided_difference(c.at, partial, h);
    for (std::size_t i = 0; i < 6; ++i) {
      const double analytic = partial.analytic(j)[i];
      EXPECT_LE(std::fabs(analytic - numeric[i]), agreement_bound(analytic, j.tb[i], partial.step))
          << c.name << " channel " << i << ": analytic " << analytic << ", numeric " << numeric[i];
    }
  }
  // No rain: the rain's sensitivity vanishes.
  for (double d : jacobian(model_point(env, 10.0, 0.0)).d_rain) EXPECT_EQ(d, 0.0);
}

TEST(Jacobian, BrightnessAgreesWithTheFloatModel) {
  for (float sst : {-5.0f, 20.0f, 45.0f}) {
    const Environment env = environment_from_replies(sst, 2500.0f, 0.0f);
    const SixChannels six(freqs, env.sst, env.altitude, env.air, env.emis);
    for (float wind : {0.0f, 12.0f, 150.0f}) {
      for (float rain : {-10.0f, 0.0f, 7.0f, 150.0f}) {
        const std::array<float, 6> tb = six.brightness({wind, rain});
        const Jacobian j = jacobian(model_point(env, wind, rain));
        for (std::size_t i = 0; i < 6; ++i) EXPECT_NEAR(j.tb[i], tb[i], 1e-4);
      }
    }
  }
}

struct Setting {
  float sst_c, altitude_m, air_c;
};

// An environment drawn over the accepted ranges.
Setting random_setting(std::mt19937_64& rng) {
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  const double sst = -5 + 50 * unit(rng), altitude = 1 + 15999 * unit(rng);
  return {float(sst), float(altitude), float(-70 + 115 * unit(rng))};
}

Six model_tb(const Setting& s, double wind, double rain) {
  const Environment env = environment_from_replies(s.sst_c, s.altitude_m, s.air_c);
  const SixChannels six(freqs, env.sst, env.altitude, env.air, env.emis);
  const std::array<float, 6> tb = six.brightness({float(wind), float(rain)});
  Six out;
  for (std::size_t i = 0; i < 6; ++i) out[i] = tb[i];
  return out;
}

TEST(Retrieve, RecoversWindAndRainWithoutNoise) {
  const Setting settings[] = {{20, 1500, 10}, {45, 16000, 45}, {-5, 100, -70}, {28, 3000, 5}};
  long recovered = 0;
  for (const Setting& s : settings) {
    for (int iw = 0; iw <= 60; ++iw) {
      for (int ir = 0; ir <= 64; ++ir) {
        const double wind = 2.5 * iw, rain = -10 + 2.5 * ir;
        const Retrieval r = retrieve(s.sst_c, s.altitude_m, s.air_c, model_tb(s, wind, rain));
        SCOPED_TRACE(testing::Message() << "sst " << s.sst_c << " alt " << s.altitude_m << " air "
                                        << s.air_c << " wind " << wind << " rain " << rain);
        ASSERT_LE(r.rms, 0.001);
        if (r.wind_sd < 5 && r.rain_sd < 5) {
          ++recovered;
          ASSERT_NEAR(r.wind, wind, 0.01);
          ASSERT_NEAR(r.rain, rain, 0.01);
        }
      }
    }
  }
  EXPECT_GT(recovered, 10000);  // most of the domain is well constrained
}

// Uncertainties that mean what they say: over 2,000 noisy draws the spread of
// the answers matches the reported one-sigma values and the mean is unbiased.
TEST(Retrieve, ReportedUncertaintiesMatchTheSpreadUnderNoise) {
  struct Point {
    Setting setting;
    double wind, rain;
  };
  const Point points[] = {{{20, 1500, 10}, 25, 30},
                          {{28, 3000, 5}, 60, 20},
                          {{10, 800, 5}, 50, 60},
                          {{20, 1500, 10}, 40, 10}};
  std::mt19937_64 rng(2);
  std::normal_distribution<double> gauss(0.0, 0.5);
  constexpr int kDraws = 2000;
  for (const Point& p : points) {
    const Setting& s = p.setting;
    const Six truth = model_tb(s, p.wind, p.rain);
    const Retrieval reference = retrieve(s.sst_c, s.altitude_m, s.air_c, truth);
    double sum_w = 0, sum_w2 = 0, sum_r = 0, sum_r2 = 0;
    for (int k = 0; k < kDraws; ++k) {
      Six tb = truth;
      for (double& t : tb) t += gauss(rng);
      const Retrieval r = retrieve(s.sst_c, s.altitude_m, s.air_c, tb);
      sum_w += r.wind - p.wind;
      sum_w2 += (r.wind - p.wind) * (r.wind - p.wind);
      sum_r += r.rain - p.rain;
      sum_r2 += (r.rain - p.rain) * (r.rain - p.rain);
    }
    const double mean_w = sum_w / kDraws, mean_r = sum_r / kDraws;
    const double sd_w = std::sqrt(sum_w2 / kDraws - mean_w * mean_w);
    const double sd_r = std::sqrt(sum_r2 / kDraws - mean_r * mean_r);
    SCOPED_TRACE(testing::Message() << "wind " << p.wind << " rain " << p.rain);
    EXPECT_NEAR(sd_w / reference.wind_sd, 1.0, 0.2);
    EXPECT_NEAR(sd_r / reference.rain_sd, 1.0, 0.2);
    EXPECT_LE(std::fabs(mean_w), 3 * sd_w / std::sqrt(kDraws));
    EXPECT_LE(std::fabs(mean_r), 3 * sd_r / std::sqrt(kDraws));
  }
}

// The reference for the global minimum, by a route of its own: on each piece
// of the wind increment (breaks at 7 and 31.9f m/s) the misfit is unimodal in
// the wind, so golden sections over the whole piece find the best wind for a
// rain rate; over the rain range a 0.5 mm/h grid, then golden sections around
// each piece's two lowest grid minima. Every value is the public double
// model's. It can miss a basin, which only makes it easier to beat.
double golden_section(const std::function<double(double)>& f, double a, double b, int steps,
                      double* where = nullptr) {
  constexpr double kRatio = 0.3819660112501051;  // (3 - sqrt 5) / 2
  double x1 = a + kRatio * (b - a), x2 = b - kRatio * (b - a), f1 = f(x1), f2 = f(x2);
  for (int k = 0; k < steps; ++k) {
    if (f1 < f2) {
      b = x2, x2 = x1, f2 = f1, x1 = a + kRatio * (b - a), f1 = f(x1);
    } else {
      a = x1, x1 = x2, f1 = f2, x2 = b - kRatio * (b - a), f2 = f(x2);
    }
  }
  if (where) *where = f1 < f2 ? x1 : x2;
  return std::min(f1, f2);
}

double exhaustive_minimum(const Setting& s, const Six& tb) {
  const Environment env = environment_from_replies(s.sst_c, s.altitude_m, s.air_c);
  const double pieces[3][2] = {
      {0, std::nextafter(7.0, 0.0)}, {7, std::nextafter(double(31.9f), 0.0)}, {double(31.9f), 150}};
  double best = kInf;
  for (const auto& piece : pieces) {
    const auto profile = [&](double rain) {
      return golden_section(
          [&](double wind) {
            const Six model = jacobian(model_point(env, wind, rain)).tb;
            double chi2 = 0;
            for (std::size_t i = 0; i < 6; ++i) chi2 += (model[i] - tb[i]) * (model[i] - tb[i]);
            return chi2;
          },
          piece[0], piece[1], 60);
    };
    std::vector<double> grid;
    for (int j = 0; j <= 320; ++j) grid.push_back(profile(-10 + 0.5 * j));
    std::vector<int> minima;
    for (int j = 0; j <= 320; ++j) {
      if ((j == 0 || grid[j] <= grid[j - 1]) && (j == 320 || grid[j] <= grid[j + 1])) {
        minima.push_back(j);
      }
    }
    std::sort(minima.begin(), minima.end(), [&](int a, int b) { return grid[a] < grid[b]; });
    for (std::size_t k = 0; k < std::min<std::size_t>(minima.size(), 2); ++k) {
      const double rain = -10 + 0.5 * minima[k];
      best = std::min(
          {best, grid[minima[k]],
           golden_section(profile, std::max(rain - 0.5, -10.0), std::min(rain + 0.5, 150.0), 45)});
    }
  }
  return best;
}

// The global minimum, not the nearest local one, across the domain and next
// to the breaks, where the misfit can have two basins a rain-grid cell apart,
// one on each side of the break. The first cases are noisy measurements near
// 31.9 m/s where a search that refined the misfit's minimum over all pieces
// at once missed the lower basin by 1e-3 to 8e-3 K^2; the others are drawn
// next to 7 and 31.9 m/s, then anywhere.
TEST(Retrieve, FindsTheGlobalMinimum) {
  struct Case {
    Setting setting;
    Six tb;
  };
  std::vector<Case> cases = {
      {{32.3991394f, 189.447266f, -49.0075989f},
       {142.11297612724738, 144.2023925002531, 145.8161206274475, 147.67814775447155,
        152.55454832330199, 156.03919905058348}},
      {{41.818306f, 1551.5553f, -19.397522f},
       {146.30443859449477, 149.05678933158745, 150.36090812513729, 154.15077986640506,
        158.65672069250593, 161.89180520514537}},
      {{5.81141949f, 6683.39404f, -28.0716133f},
       {134.32593158977701, 138.75610126099778, 140.44963395055109, 146.24336792438621,
        151.90811125076135, 156.78691171483686}},
      {{35.0900879f, 13130.9277f, 19.1160336f},
       {139.98205102542809, 142.63210163865381, 141.55530593210514, 144.0144567719027,
        143.77694005948027, 144.27075679800694}},
      {{-4.11814213f, 11441.5449f, -23.5684605f},
       {172.50018896519478, 192.54609908161547, 201.58233064617281, 218.36315726295598,
        242.73406335336242, 256.07629405491264}},
      {{34.077301f, 2493.12427f, -12.3762569f},
       {219.49124814871843, 240.53039044999252, 248.9412765295929, 259.04831288607681,
        268.17163855869904, 270.96602939965879}},
  };
  std::mt19937_64 rng(5);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::normal_distribution<double> gauss(0.0, 0.5);
  for (int k = 0; k < 8; ++k) {
    const Setting s = random_setting(rng);
    Six tb = model_tb(s, (k % 2 ? 31.9 : 7.0) + 0.4 * (unit(rng) - 0.5), 60 * unit(rng));
    for (double& t : tb) t += gauss(rng);
    cases.push_back({s, tb});
  }
  // Anywhere, with 0.5 to 1.5 K of noise; high winds, where the misfit has
  // more than one minimum, half the time.
  for (int k = 0; k < 24; ++k) {
    const Setting s = random_setting(rng);
    Six tb = model_tb(s, k % 2 ? 60 + 90 * unit(rng) : 150 * unit(rng), -10 + 160 * unit(rng));
    for (double& t : tb) t += (k % 3 + 1) * gauss(rng);
    cases.push_back({s, tb});
  }
  for (std::size_t k = 0; k < cases.size(); ++k) {
    const Case& c = cases[k];
    const Retrieval r = retrieve(c.setting.sst_c, c.setting.altitude_m, c.setting.air_c, c.tb);
    EXPECT_LE(6 * r.rms * r.rms, exhaustive_minimum(c.setting, c.tb) + 1e-6)
        << "case " << k << ": answered " << r.wind << ", " << r.rain;
  }
}

// Confidence intervals that mean what they say: over 1500 noisy draws the
// one-sigma interval holds the truth 65-75% of the time and the 95% one 93-98%:
// near zero rain (where the linearised sigma holds it about half the time),
// next to the 31.9 m/s break, under heavy rain; on the wind's bound of 0 at
// least the level less 3 points.
TEST(Retrieve, IntervalsHoldTheTruthAsOftenAsTheirLevelSays) {
  struct Point {
    Setting setting;
    double wind, rain;
  };
  const Point points[] = {{{20, 1500, 10}, 10, 0.5},
                          {{5, 6000, -20}, 31.85, 0},
                          {{20, 1500, 10}, 25, 30},
                          {{20, 1500, 10}, 0, 1}};
  const double levels[] = {one_sigma_level, 0.95};
  std::mt19937_64 rng(4);
  std::normal_distribution<double> gauss(0.0, 0.5);
  constexpr int kDraws = 1500;
  for (const Point& p : points) {
    const Setting& s = p.setting;
    const Six truth = model_tb(s, p.wind, p.rain);
    int wind_in[2] = {0, 0}, rain_in[2] = {0, 0};
    for (int k = 0; k < kDraws; ++k) {
      Six tb = truth;
      for (double& t : tb) t += gauss(rng);
      for (int l = 0; l < 2; ++l) {
        const Retrieval r = retrieve(s.sst_c, s.altitude_m, s.air_c, tb, 0.5, {true, levels[l]});
        ASSERT_TRUE(r.wind_lo <= r.wind && r.wind <= r.wind_hi && r.rain_lo <= r.rain &&
                    r.rain <= r.rain_hi);
        wind_in[l] += r.wind_lo <= p.wind && p.wind <= r.wind_hi;
        rain_in[l] += r.rain_lo <= p.rain && p.rain <= r.rain_hi;
      }
    }
    for (int l = 0; l < 2; ++l) {
      SCOPED_TRACE(testing::Message()
                   << "wind " << p.wind << " rain " << p.rain << " level " << levels[l]);
      const double low = l == 0 ? 0.65 : 0.93, high = l == 0 ? 0.75 : 0.98;
      const double wind_share = double(wind_in[l]) / kDraws;
      const double rain_share = double(rain_in[l]) / kDraws;
      EXPECT_GE(wind_share, p.wind == 0 ? levels[l] - 0.03 : low);
      if (p.wind != 0) EXPECT_LE(wind_share, high);
      EXPECT_GE(rain_share, low);
      EXPECT_LE(rain_share, high);
    }
  }
}

// The chi-square quantile (one degree of freedom) against scipy.stats.chi2.ppf,
// and as the inverse it is: erf(sqrt(q / 2)) gives the level back.
TEST(ChiSquareQuantile, MatchesTablesAndInvertsTheErrorFunction) {
  const struct {
    double level, q;
  } table[] = {{one_sigma_level, 1.0},
               {0.5, 0.454936423119572},
               {0.95, 3.841458820694124},
               {0.99, 6.6348966010212145},
               {1 - 1e-12, 50.84417133244917}};
  for (const auto& t : table) EXPECT_NEAR(chi_square_quantile(t.level), t.q, 2e-15 * t.q);
  for (double level = 1e-6; level < 1; level += 0.0137) {
    EXPECT_NEAR(std::erf(std::sqrt(chi_square_quantile(level) / 2)), level, 4e-16) << level;
  }
  for (double bad : {0.0, 1.0, -0.5, 1.5, kNan}) EXPECT_TRUE(std::isnan(chi_square_quantile(bad)));
}

// A solution next to a break, handed back to the single-precision model,
// must stay on its piece: the nearest float may not (31.8999996 rounds to
// 31.9f, the upper piece, 0.1 K away in every channel).
TEST(WindForForwardModel, KeepsTheSolutionOnItsPiece) {
  const struct {
    double wind;
    float expected;  // the nearest float on wind's side of the break
  } cases[] = {
      {31.8999996, std::nextafter(31.9f, 0.0f)},
      {std::nextafter(double(31.9f), 0.0), std::nextafter(31.9f, 0.0f)},
      {double(31.9f), 31.9f},
      {31.9, 31.9f},
      {6.99999999, std::nextafter(7.0f, 0.0f)},
      {7.0, 7.0f},
      {12.3456789, 12.3456789f},
      {0.0, 0.0f},
      {1e300, std::numeric_limits<float>::max()},
  };
  for (const auto& c : cases) EXPECT_EQ(wind_for_forward_model(c.wind), c.expected) << c.wind;
  EXPECT_TRUE(std::isnan(wind_for_forward_model(kNan)));

  // Printed and fed back: tbvrel at the float gives the brightness
  // temperatures of the all-double model at the solution, within its 1e-4 K.
  const Environment env = environment_from_replies(20, 1500, 10);
  for (double wind : {31.8999996, std::nextafter(double(31.9f), 0.0), 6.99999999}) {
    const Six exact = jacobian(model_point(env, wind, 5.0)).tb;
    const float fed = wind_for_forward_model(wind);
    EXPECT_EQ(wind_piece(double(fed)), wind_piece(wind)) << wind;
    for (std::size_t i = 0; i < 6; ++i) {
      EXPECT_NEAR(tbvrel(freqs[i], env.sst, env.altitude, env.air, env.emis[i], {fed, 5.0f}),
                  exact[i], 1e-4)
          << wind << " channel " << i;
    }
  }
  // Rounding alone would cross the gap at 31.9 m/s.
  EXPECT_GT(std::fabs(tbvrel(freqs[0], env.sst, env.altitude, env.air, env.emis[0],
                             {float(31.8999996), 5.0f}) -
                      jacobian(model_point(env, 31.8999996, 5.0)).tb[0]),
            0.05);
}

// Each channel counts by its noise: a channel 10 K off with a noise of 100 K
// barely moves the answer, where with the others' 0.5 K it spoils the fit.
TEST(Retrieve, WeighsEachChannelByItsNoise) {
  const Setting s = {20, 1500, 10};
  Six tb = model_tb(s, 15, 10);
  tb[2] += 10.0;
  const Retrieval equal = retrieve(s.sst_c, s.altitude_m, s.air_c, tb, 0.5);
  EXPECT_EQ(status_name(equal.status), "poor-fit");
  const Six noise = {0.5, 0.5, 100.0, 0.5, 0.5, 0.5};
  const Retrieval weighted = retrieve(s.sst_c, s.altitude_m, s.air_c, tb, noise, {true});
  EXPECT_EQ(status_name(weighted.status), "converged");
  EXPECT_NEAR(weighted.wind, 15, 0.01);
  EXPECT_NEAR(weighted.rain, 10, 0.01);
  EXPECT_GT(weighted.rms, 1.0);  // in kelvin, unweighted: the bad channel shows
  // Five channels tell less than six.
  const Retrieval clean = retrieve(s.sst_c, s.altitude_m, s.air_c, model_tb(s, 15, 10), 0.5);
  EXPECT_GT(weighted.wind_sd, clean.wind_sd);
  EXPECT_GT(weighted.rain_hi - weighted.rain_lo, 2 * clean.rain_sd);
  // Only the ratios move the answer; the size scales the uncertainty.
  Six doubled = noise;
  for (double& n : doubled) n *= 2;
  const Retrieval scaled = retrieve(s.sst_c, s.altitude_m, s.air_c, tb, doubled, {});
  EXPECT_EQ(scaled.wind, weighted.wind);
  EXPECT_EQ(scaled.rain, weighted.rain);
  EXPECT_NEAR(scaled.wind_sd, 2 * weighted.wind_sd, 1e-12 * weighted.wind_sd);
  EXPECT_TRUE(std::isnan(scaled.wind_lo) && std::isnan(scaled.rain_hi));  // not requested
}

TEST(Retrieve, SaysHowItEnded) {
  const Setting s = {20, 1500, 10};
  struct Case {
    const char* name;
    Six tb;
    RetrievalStatus status;
    RetrievalOptions options = {};
    double noise_k = 0.5;
  };
  Six hot = model_tb(s, 10, 5);
  hot[0] = 1000.0;
  Six overflowing;
  overflowing.fill(1.7e308);
  const Case cases[] = {
      {"well constrained", model_tb(s, 20, 20), RetrievalStatus::converged},
      {"no rain: no rain sensitivity", model_tb(s, 20, 0), RetrievalStatus::weakly_constrained},
      // The interval, not the sigma that is infinite there, says how well.
      {"no rain, with intervals", model_tb(s, 20, 0), RetrievalStatus::converged, {true}},
      {"heavy rain, high wind", model_tb(s, 100, 100), RetrievalStatus::weakly_constrained, {true}},
      // The model beyond the domain: the answer is held at its edge.
      {"rain beyond 150 mm/h",
       Six(jacobian(model_point(environment_from_replies(20, 1500, 10), 20, 175)).tb),
       RetrievalStatus::at_bound},
      {"wind beyond 150 m/s",
       Six(jacobian(model_point(environment_from_replies(20, 1500, 10), 151, 20)).tb),
       RetrievalStatus::at_bound},
      {"one channel at 1000 K", hot, RetrievalStatus::poor_fit},
      // Misfit and three times the noise both overflow: inf <= inf once
      // passed for converged.
      {"misfit beyond the double range", overflowing, RetrievalStatus::poor_fit, {true}, 1.7e308},
  };
  for (const Case& c : cases) {
    const Retrieval r = retrieve(s.sst_c, s.altitude_m, s.air_c, c.tb, c.noise_k, c.options);
    EXPECT_EQ(status_name(r.status), status_name(c.status)) << c.name;
    EXPECT_GE(r.wind, 0.0) << c.name;
    EXPECT_LE(r.wind, 150.0) << c.name;
    EXPECT_GE(r.rain, -10.0) << c.name;
    EXPECT_LE(r.rain, 150.0) << c.name;
    EXPECT_LE(r.iterations, 100) << c.name;
  }
}

TEST(Retrieve, RejectsInvalidInputWithoutAttempting) {
  const Six good = model_tb({20, 1500, 10}, 10, 5);
  struct Case {
    const char* name;
    float sst_c, altitude_m, air_c;
    int channel;  // -1: none changed
    double value;
    Noise noise;
    double level = one_sigma_level;
  };
  const float nanf = std::numeric_limits<float>::quiet_NaN();
  const Case cases[] = {
      {"sst NaN", nanf, 1500, 10, -1, 0, 0.5},
      {"sst below -5", -5.5f, 1500, 10, -1, 0, 0.5},
      {"altitude 0", 20, 0, 10, -1, 0, 0.5},
      {"altitude above 16000", 20, 16001, 10, -1, 0, 0.5},
      {"air inf", 20, 1500, std::numeric_limits<float>::infinity(), -1, 0, 0.5},
      {"air below -70", 20, 1500, -71, -1, 0, 0.5},
      {"tb NaN", 20, 1500, 10, 2, kNan, 0.5},
      {"tb inf", 20, 1500, 10, 5, kInf, 0.5},
      {"tb 0 K", 20, 1500, 10, 0, 0.0, 0.5},
      {"tb negative", 20, 1500, 10, 3, -100.0, 0.5},
      {"noise 0", 20, 1500, 10, -1, 0, 0.0},
      {"noise negative", 20, 1500, 10, -1, 0, -0.5},
      {"noise NaN", 20, 1500, 10, -1, 0, kNan},
      {"noise inf", 20, 1500, 10, -1, 0, kInf},
      {"one channel's noise negative", 20, 1500, 10, -1, 0, Six{0.5, 0.5, 0.5, -0.5, 0.5, 0.5}},
      {"one channel's noise 0", 20, 1500, 10, -1, 0, Six{0.0, 0.5, 0.5, 0.5, 0.5, 0.5}},
      {"one channel's noise NaN", 20, 1500, 10, -1, 0, Six{0.5, 0.5, 0.5, 0.5, 0.5, kNan}},
      {"one channel's noise inf", 20, 1500, 10, -1, 0, Six{0.5, kInf, 0.5, 0.5, 0.5, 0.5}},
      {"level 0", 20, 1500, 10, -1, 0, 0.5, 0.0},
      {"level 1", 20, 1500, 10, -1, 0, 0.5, 1.0},
      {"level NaN", 20, 1500, 10, -1, 0, 0.5, kNan},
  };
  for (const Case& c : cases) {
    Six tb = good;
    if (c.channel >= 0) tb[std::size_t(c.channel)] = c.value;
    const Retrieval r = retrieve(c.sst_c, c.altitude_m, c.air_c, tb, c.noise, {true, c.level});
    EXPECT_EQ(r.status, RetrievalStatus::invalid_input) << c.name;
    EXPECT_TRUE(std::isnan(r.wind) && std::isnan(r.rain) && std::isnan(r.rms) &&
                std::isnan(r.wind_lo) && std::isnan(r.rain_hi))
        << c.name;
    EXPECT_EQ(r.iterations, 0) << c.name;
  }
  // Huge but finite values are a poor fit, not a failure.
  Six huge = good;
  huge.fill(1e300);
  EXPECT_EQ(retrieve(20, 1500, 10, huge).status, RetrievalStatus::poor_fit);
}

}  // namespace
}  // namespace tbcalc
