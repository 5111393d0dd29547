// The noise-weighted misfit of six brightness temperatures. Each is linear in
// the wind increment x, so at a fixed rain rate the misfit is a quadratic in x
// whose three coefficients, with their derivatives by the rain rate, say
// everything: its value and its slope in rain at any x, the best x on each
// piece of the increment, without evaluating the model again.
#pragma once

#include <array>
#include <cmath>

#include "double_model.hpp"

namespace tbcalc::detail {

// chi2(x) = a x^2 - 2 b x + c at one rain rate; chi2 is in units of the
// smallest channel noise squared (the weights are relative to that channel).
struct Misfit {
  double rain;        // mm/h
  double a, b, c;     // a >= 0
  double da, db, dc;  // d/dR of a, b, c, per mm/h

  double at(double x) const { return (a * x - 2.0 * b) * x + c; }
  // d chi2 / dR with the increment held: by the envelope theorem also the
  // slope of a minimum over x, taken at its minimiser.
  double slope(double x) const { return (da * x - 2.0 * db) * x + dc; }
  // The best increment with no regard to which increments a wind can make;
  // 0 where no channel feels the wind (then any increment fits alike).
  double free_x() const { return a > 0.0 ? b / a : 0.0; }
  // The misfit at free_x: the least the misfit can be at this rain rate.
  double free_chi2() const { return a > 0.0 ? c - b * (b / a) : c; }
};

// The model with one set of measurements and relative weights, as a misfit.
class MisfitModel {
 public:
  MisfitModel(const DoubleModel& model, const Six& tb, const Six& weight)
      : model_(model), tb_(tb), weight_(weight) {}

  Misfit at(double rain) const;
  // The same, keeping the channels' terms (for the Jacobian at a solution).
  Misfit at(double rain, RainState& s) const;

 private:
  const DoubleModel& model_;
  Six tb_;
  Six weight_;
};

// The misfit's minimum over the increments of one piece: the best increment
// held to the piece (the quadratic has one minimum), and the slope in rain.
struct PieceFit {
  double x;
  double chi2;
  double slope;
};
inline PieceFit fit_on_piece(const Misfit& m, const WindPiece& piece) {
  // Comparisons rather than fmin and fmax, which are library calls here; a
  // NaN goes to the low end as with them.
  double x = m.free_x();
  if (!(x > piece.increment_low)) x = piece.increment_low;
  if (x > piece.increment_high) x = piece.increment_high;
  return {x, m.at(x), m.slope(x)};
}

// The lowest of the three pieces' fits (the calmer one where two tie, as they
// do where the pieces at 7 m/s overlap): the profile of the misfit over rain.
struct ProfileFit {
  PieceFit fit;
  const WindPiece* piece;
};
inline ProfileFit fit_on_pieces(const Misfit& m) {
  const auto& pieces = wind_pieces();
  ProfileFit best{fit_on_piece(m, pieces[0]), &pieces[0]};
  for (std::size_t k = 1; k < pieces.size(); ++k) {
    const PieceFit f = fit_on_piece(m, pieces[k]);
    if (f.chi2 < best.fit.chi2) best = {f, &pieces[k]};
  }
  return best;
}

}  // namespace tbcalc::detail
