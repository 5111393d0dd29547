// The wind-induced emissivity increment, described once: where its pieces
// break and each piece's coefficients, the one function that says which piece
// a speed lies on, and from them the increment, its slope and its inverse.
// The model, the Jacobian and the retrieval all take the pieces from here.
#pragma once

#include <array>
#include <cmath>
#include <cstddef>
#include <limits>

namespace tbcalc::detail {

// Foam and roughness raise the emissivity with wind: on each piece
// increment = constant + linear w + quadratic w^2, w in m/s. The pieces are
// separate fits and do not join exactly at the breaks.
struct WindIncrementPiece {
  float from;       // m/s, the lowest speed on the piece
  float constant;   // increment at 0 m/s
  float linear;     // per m/s
  float quadratic;  // per (m/s)^2
};
inline constexpr std::array<WindIncrementPiece, 3> kWindIncrementPieces = {{
    {-std::numeric_limits<float>::infinity(), 0.0f, 0.000405f, 0.0f},  // calm: a line through 0
    {7.0f, 0.002853f, -0.00041f, 0.000058f},                           // a parabola
    {31.9f, -0.056776f, 0.003317f, 0.0f},                              // gale: a line again
}};
// Each piece is evaluated with the terms it has, in the model's own order.
static_assert(kWindIncrementPieces[0].constant == 0.0f &&
              kWindIncrementPieces[0].quadratic == 0.0f);
static_assert(kWindIncrementPieces[2].quadratic == 0.0f);

// The piece a speed lies on: 0 below 7 m/s, 1 from 7 to below 31.9f, 2 from
// there up and NaN. A float speed widened to double takes the same piece as
// the float would, as the breaks are floats.
inline int wind_increment_piece(double w) {
  if (w < double(kWindIncrementPieces[1].from)) return 0;
  if (w < double(kWindIncrementPieces[2].from)) return 1;
  return 2;
}

inline double wind_increment(double w) {
  const int k = wind_increment_piece(w);
  const WindIncrementPiece& p = kWindIncrementPieces[std::size_t(k)];
  if (k == 0) return double(p.linear) * w;
  if (k == 1) return (double(p.constant) + double(p.linear) * w) + (double(p.quadratic) * w) * w;
  return double(p.linear) * w + double(p.constant);
}

// Derivative of wind_increment by the wind speed, that of the piece `w` lies on.
inline double wind_increment_slope(double w) {
  const int k = wind_increment_piece(w);
  const WindIncrementPiece& p = kWindIncrementPieces[std::size_t(k)];
  if (k == 1) return double(p.linear) + 2.0 * double(p.quadratic) * w;
  return double(p.linear);
}

// The speed whose increment on piece `k` is `x`, with no regard to where the
// piece lies; NaN where the parabola never reaches `x`. The parabola's upper
// root is taken: its vertex, 3.5 m/s, lies below its piece.
inline double wind_for_increment(int k, double x) {
  const WindIncrementPiece& p = kWindIncrementPieces[std::size_t(k)];
  if (k == 0) return x / double(p.linear);
  if (k == 1) {
    const double a = double(p.quadratic);
    const double b = -double(p.linear);
    const double discriminant = b * b - 4.0 * a * (double(p.constant) - x);
    return discriminant > 0.0 ? (b + std::sqrt(discriminant)) / (2.0 * a)
                              : std::numeric_limits<double>::quiet_NaN();
  }
  return (x - double(p.constant)) / double(p.linear);
}

}  // namespace tbcalc::detail
