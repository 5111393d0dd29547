// The six-channel computation against six tbvrel calls: equal in every bit of
// every result, over the accepted ranges, their break points, random float bit
// patterns inside them and inputs beyond them. Also the float-exact
// exponentials it rests on, where they are hardest: next to float midpoints.
#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "fast_exp.hpp"
#include "portable_math.hpp"
#include "tbcalc/model.hpp"

namespace tbcalc {
namespace {

using Channels = std::array<float, 6>;
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNan = std::numeric_limits<float>::quiet_NaN();
constexpr float kTiny = std::numeric_limits<float>::denorm_min();
constexpr float kSmallest = std::numeric_limits<float>::min();

float below(float v) { return std::nextafter(v, -kInf); }
float above(float v) { return std::nextafter(v, kInf); }

struct Environment {
  Channels freq;
  float sst;  // K
  float alt;
  float tair;  // K
  Channels emis;
};

// Compares every result bit of SixChannels with tbvrel (NaN with NaN);
// counts the differing results and reports the first few.
class BitComparison {
 public:
  void check(const Environment& env, const std::vector<std::array<float, 2>>& pairs) {
    const SixChannels six(env.freq, env.sst, env.alt, env.tair, env.emis);
    for (const auto& wsrr : pairs) {
      const Channels fast = six.brightness(wsrr);
      ++computations_;
      for (std::size_t i = 0; i < 6; ++i) {
        const float plain = tbvrel(env.freq[i], env.sst, env.alt, env.tair, env.emis[i], wsrr);
        if (std::bit_cast<std::uint32_t>(fast[i]) == std::bit_cast<std::uint32_t>(plain)) continue;
        // A NaN's sign and payload depend on which operand the compiler put
        // first; they are not part of the result.
        if (std::isnan(fast[i]) && std::isnan(plain)) continue;
        if (++differences_ <= 5) {
          ADD_FAILURE() << "f " << env.freq[i] << " sst " << env.sst << " alt " << env.alt
                        << " tair " << env.tair << " emis " << env.emis[i] << " wind " << wsrr[0]
                        << " rain " << wsrr[1] << ": six channels " << fast[i] << ", tbvrel "
                        << plain;
        }
      }
    }
  }
  long computations() const { return computations_; }
  long differences() const { return differences_; }

 private:
  long computations_ = 0;
  long differences_ = 0;
};

Channels emissivity_at(float sstc) {
  Channels emis{};
  klsw_loop(freqs.data(), sstc, emis.data(), 6);
  return emis;
}

// A float drawn uniformly over the bit patterns between low and high, so that
// every binade of the range is met as often as any other.
float random_bits_in(float low, float high, std::mt19937_64& rng) {
  auto bits_between = [&](float a, float b) {  // 0 <= a <= b
    std::uniform_int_distribution<std::uint32_t> d(std::bit_cast<std::uint32_t>(a),
                                                   std::bit_cast<std::uint32_t>(b));
    return std::bit_cast<float>(d(rng));
  };
  if (low >= 0.0f) return bits_between(low, high);
  if (high <= 0.0f) return -bits_between(-high, -low);
  return (rng() & 1) ? bits_between(0.0f, high) : -bits_between(0.0f, -low);
}

const std::vector<float> kAltitudes = {kTiny,   1e-3f,          1.0f,    below(1000.0f),
                                       1000.0f, above(1000.0f), 1500.0f, below(4000.0f),
                                       4000.0f, above(4000.0f), 9000.0f, 16000.0f};
const std::vector<float> kWinds = {0.0f,  kTiny,        3.0f,  below(7.0f),  7.0f,  above(7.0f),
                                   15.0f, below(31.9f), 31.9f, above(31.9f), 60.0f, 150.0f};
const std::vector<float> kRains = {-10.0f, -5.0f, -1.0f, -1e-6f,    -kSmallest, -kTiny,
                                   -0.0f,  0.0f,  kTiny, kSmallest, 1e-30f,     1e-6f,
                                   0.01f,  1.0f,  5.0f,  20.0f,     50.0f,      150.0f};

TEST(SixChannels, EqualsSixTbvrelCallsOverTheAcceptedRanges) {
  BitComparison compare;
  std::mt19937_64 rng(20261208);
  std::uniform_real_distribution<float> wind(0.0f, 150.0f), rain(-10.0f, 150.0f);
  for (float sstc : {-5.0f, 0.0f, 15.0f, 28.0f, 45.0f}) {
    const Channels emis = emissivity_at(sstc);
    for (float alt : kAltitudes) {
      for (float airc : {-70.0f, -15.0f, 10.0f, 45.0f}) {
        std::vector<std::array<float, 2>> pairs;
        for (float w : kWinds) {
          for (float r : kRains) pairs.push_back({w, r});
        }
        for (int k = 0; k < 400; ++k) pairs.push_back({wind(rng), rain(rng)});
        compare.check({freqs, celsius_to_kelvin(sstc), alt, celsius_to_kelvin(airc), emis}, pairs);
      }
    }
  }
  EXPECT_EQ(compare.differences(), 0) << "of " << compare.computations() << " computations";
  EXPECT_GT(compare.computations(), 120000);
}

TEST(SixChannels, EqualsSixTbvrelCallsOnRandomBitPatterns) {
  BitComparison compare;
  std::mt19937_64 rng(7);
  for (int e = 0; e < 6000; ++e) {
    const float sstc = random_bits_in(-5.0f, 45.0f, rng);
    const Environment env = {freqs, celsius_to_kelvin(sstc), random_bits_in(kTiny, 16000.0f, rng),
                             celsius_to_kelvin(random_bits_in(-70.0f, 45.0f, rng)),
                             emissivity_at(sstc)};
    std::vector<std::array<float, 2>> pairs;
    for (int k = 0; k < 150; ++k) {
      pairs.push_back({random_bits_in(0.0f, 150.0f, rng), random_bits_in(-10.0f, 150.0f, rng)});
    }
    compare.check(env, pairs);
  }
  EXPECT_EQ(compare.differences(), 0) << "of " << compare.computations() << " computations";
}

// Channel tables at and beyond the band limits, and inputs the dialogue never
// passes: both paths must still agree to the bit, or both give NaN.
TEST(SixChannels, EqualsSixTbvrelCallsBeyondTheRanges) {
  const std::vector<Channels> tables = {
      freqs,
      {4.0f, below(4.0f), above(4.0f), 8.0f, below(8.0f), above(8.0f)},
      {3.99f, 8.01f, 0.0f, -6.0f, kNan, kInf},
  };
  const std::vector<float> odd = {kNan, kInf, -kInf, 0.0f, -0.0f, -1.0f, 1e30f, -1e30f};
  BitComparison compare;
  for (const Channels& table : tables) {
    for (float alt : {1500.0f, 4000.0f, 0.0f, -500.0f, 1e9f, kInf, -kInf, kNan}) {
      for (float tair : {283.146f, kNan, 0.0f}) {
        for (float sst : {293.146f, kNan}) {
          std::vector<std::array<float, 2>> pairs;
          for (float w : kWinds) {
            for (float r : odd) pairs.push_back({w, r});
          }
          for (float w : odd) {
            for (float r : kRains) pairs.push_back({w, r});
          }
          compare.check({table, sst, alt, tair, emissivity_at(20.0f)}, pairs);
          Channels odd_emis = {kNan, kInf, -1.0f, 0.0f, 2.0f, 0.36f};
          compare.check({table, sst, alt, tair, odd_emis}, pairs);
        }
      }
    }
  }
  EXPECT_EQ(compare.differences(), 0) << "of " << compare.computations() << " computations";
}

// The double midway between two adjacent floats near v.
double float_midpoint(float v) { return (double(v) + double(above(v))) / 2; }

// float(std::exp(x[i])) for each argument, through the batch form the model
// uses for its transmittances.
template <std::size_t N>
std::array<float, N> exps_through_batch(const std::array<double, N>& x) {
  std::array<float, N> out;
  detail::exps_to_float(x, out,
                        [&](std::size_t i) { return detail::exp_to_float_by_library(x[i]); });
  return out;
}

// Arguments whose exponential lies right at, or within a few units of, a
// float rounding boundary: the fast form cannot decide these and must hand
// them to the library, whose float it returns.
TEST(FloatExp, AgreesWithTheLibraryNextToFloatMidpoints) {
  std::mt19937_64 rng(11);
  long undecided = 0, checked = 0;
  for (int k = 0; k < 200000; ++k) {
    const float target = random_bits_in(1e-30f, 1e30f, rng);
    const double x0 = std::log(float_midpoint(target));
    std::array<double, 7> x;
    for (int step = -3; step <= 3; ++step) {
      x[std::size_t(step + 3)] = x0 + step * std::ldexp(std::fabs(x0), -52);
    }
    const std::array<float, 7> fast = exps_through_batch(x);
    for (std::size_t i = 0; i < x.size(); ++i) {
      ++checked;
      if (!detail::rounds_safely_to_float(detail::fast_exp(x[i]))) ++undecided;
      ASSERT_EQ(std::bit_cast<std::uint32_t>(fast[i]),
                std::bit_cast<std::uint32_t>(float(std::exp(x[i]))))
          << "x = " << x[i];
    }
  }
  // Nearly all of these sit within the margin: the library path was taken.
  EXPECT_GT(undecided, checked * 9 / 10);
}

TEST(FloatExp, PowAgreesWithTheLibraryNextToFloatMidpoints) {
  std::mt19937_64 rng(12);
  std::uniform_real_distribution<double> base(0.01, 200.0);
  for (int k = 0; k < 200000; ++k) {
    const double x = base(rng);
    const float target = random_bits_in(1e-20f, 1e20f, rng);
    const double y = std::log(float_midpoint(target)) / std::log(x);
    ASSERT_EQ(std::bit_cast<std::uint32_t>(detail::pow_to_float(x, y, std::log(x))),
              std::bit_cast<std::uint32_t>(float(std::pow(x, y))))
        << "x = " << x << ", y = " << y;
  }
}

// Over the whole range the fast form is used (and agrees), and beyond it, for
// results that are not normal floats, the library is.
TEST(FloatExp, AgreesWithTheLibraryOverAndBeyondItsRange) {
  std::mt19937_64 rng(13);
  std::uniform_real_distribution<double> wide(-120.0, 120.0);
  long fast = 0;
  for (int k = 0; k < 1000000 / 6; ++k) {
    std::array<double, 6> x;
    for (double& v : x) v = wide(rng);
    const std::array<float, 6> out = exps_through_batch(x);
    for (std::size_t i = 0; i < x.size(); ++i) {
      if (std::fabs(x[i]) <= 87.0 && detail::rounds_safely_to_float(detail::fast_exp(x[i]))) ++fast;
      ASSERT_EQ(std::bit_cast<std::uint32_t>(out[i]),
                std::bit_cast<std::uint32_t>(float(std::exp(x[i]))))
          << "x = " << x[i];
    }
  }
  EXPECT_GT(fast, 700000);
  // Arguments out of range or not finite beside ordinary ones in one batch.
  const std::array<double, 13> edges = {-0.0,         0.0,           87.0,        -87.0, 88.7,
                                        -103.0,       -104.0,        -746.0,      710.0, 1e300,
                                        double(kInf), -double(kInf), double(kNan)};
  const std::array<float, 13> out = exps_through_batch(edges);
  for (std::size_t i = 0; i < edges.size(); ++i) {
    EXPECT_EQ(std::bit_cast<std::uint32_t>(out[i]),
              std::bit_cast<std::uint32_t>(float(std::exp(edges[i]))))
        << "x = " << edges[i];
  }
}

// The portable logarithm and power against the C library's: within 2 units
// in the last place over the whole double range (subnormals included), the
// library's own answer where the argument has no finite logarithm.
TEST(PortableMath, LogAndPowAgreeWithTheLibrary) {
  std::mt19937_64 rng(17);
  std::uniform_int_distribution<std::uint64_t> positive(1, 0x7fefffffffffffff);
  const auto ulps = [](double a, double b) {
    return std::fabs(a - b) / (std::nextafter(std::fabs(b), kInf) - std::fabs(b));
  };
  for (int k = 0; k < 1000000; ++k) {
    const double x = std::bit_cast<double>(positive(rng));
    ASSERT_LE(ulps(detail::portable_log(x), std::log(x)), 2.0) << "x = " << x;
  }
  for (const double x : {0.0, -0.0, -1.0, double(kInf), double(kNan), 1.0}) {
    EXPECT_EQ(std::bit_cast<std::uint64_t>(detail::portable_log(x)),
              std::bit_cast<std::uint64_t>(std::log(x)))
        << "x = " << x;
  }
  // The model's powers: transmittances near 1 to exponents 0 to 1.
  std::uniform_real_distribution<double> base(0.98, 1.0), exponent(0.0, 1.0);
  for (int k = 0; k < 100000; ++k) {
    const double x = base(rng), y = exponent(rng);
    ASSERT_LE(ulps(detail::portable_pow(x, y), std::pow(x, y)), 2.0) << x << "^" << y;
  }
}

}  // namespace
}  // namespace tbcalc
