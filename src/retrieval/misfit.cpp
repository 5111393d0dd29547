#include "misfit.hpp"

namespace tbcalc::detail {

Misfit MisfitModel::at(double rain) const {
  RainState s;
  return at(rain, s);
}

Misfit MisfitModel::at(double rain, RainState& s) const {
  model_.at_rain(rain, s);
  Misfit m{rain, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0};
  for (std::size_t i = 0; i < 6; ++i) {
    // Channel i contributes w (r - d x)^2 with r = tb - c.
    const double w = weight_[i];
    const double r = tb_[i] - s.c[i];
    m.a += w * s.d[i] * s.d[i];
    m.b += w * s.d[i] * r;
    m.c += w * r * r;
    m.da += 2.0 * w * s.d[i] * s.dd[i];
    m.db += w * (s.dd[i] * r - s.d[i] * s.dc[i]);
    m.dc -= 2.0 * w * r * s.dc[i];
  }
  return m;
}

}  // namespace tbcalc::detail
