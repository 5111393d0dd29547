// Which piece of the wind increment a speed takes, and the float that keeps
// a double-precision answer on its piece when it goes back to the model.
#include <cmath>
#include <limits>

#include "tbcalc/retrieval.hpp"
#include "wind_increment.hpp"

namespace tbcalc {

using namespace detail;

// The piece wind_increment takes, so a float widened to double lands where
// the single-precision model puts it.
int wind_piece(double wind) { return wind_increment_piece(wind); }

float wind_for_forward_model(double wind) {
  constexpr float kLargest = std::numeric_limits<float>::max();
  if (std::isnan(wind)) return float(wind);
  if (!(std::fabs(wind) <= double(kLargest))) return wind > 0.0 ? kLargest : -kLargest;
  float f = float(wind);
  // The breaks are floats, so rounding can only carry a speed just below one
  // up onto it; the float below is then the nearest on the speed's own piece.
  if (wind_piece(double(f)) != wind_piece(wind)) f = std::nextafter(f, 0.0f);
  return f;
}

}  // namespace tbcalc
