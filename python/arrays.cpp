#include "arrays.hpp"

#include <stdexcept>
#include <string>

namespace tbcalc::python {

py::array as_real_array(const ArrayLike& value, const char* name, const py::dtype& dtype) {
  const py::module_ numpy = py::module_::import("numpy");
  py::array array = numpy.attr("asarray")(value.object);
  const char kind = array.dtype().kind();
  if (kind != 'b' && kind != 'i' && kind != 'u' && kind != 'f') {
    throw py::type_error(std::string(name) + ": expected real numbers, got an array of dtype " +
                         std::string(py::str(array.dtype())));
  }
  return array.attr("astype")(dtype, py::arg("copy") = false);
}

std::size_t Broadcast::size() const {
  std::size_t n = 1;
  for (py::ssize_t extent : shape) n *= std::size_t(extent);
  return n;
}

Broadcast broadcast(const std::vector<py::array>& arrays) {
  const py::module_ numpy = py::module_::import("numpy");
  py::tuple args(arrays.size());
  for (std::size_t k = 0; k < arrays.size(); ++k) args[k] = arrays[k];
  // numpy raises ValueError when the shapes cannot be broadcast together.
  const py::list views = numpy.attr("broadcast_arrays")(*args);
  Broadcast b;
  for (py::handle view : views) b.views.push_back(py::reinterpret_borrow<py::array>(view));
  const py::array& first = b.views.front();
  b.shape.assign(first.shape(), first.shape() + first.ndim());
  return b;
}

Walker::Walker(const Broadcast& b)
    : shape_(b.shape),
      counter_(b.shape.size(), 0),
      inner_(b.shape.empty() ? 1 : b.shape.back()),
      count_(b.views.size()),
      total_(b.size()) {
  if (count_ > kMaxArrays) throw std::logic_error("too many arrays for one walk");
  for (std::size_t k = 0; k < count_; ++k) {
    const py::array& view = b.views[k];
    strides_.emplace_back(view.strides(), view.strides() + view.ndim());
    pointers_[k] = static_cast<const char*>(view.data());
    inner_strides_[k] = shape_.empty() ? 0 : strides_[k].back();
  }
}

void Walker::advance_outer() {
  // The axes before the last: the one before it moves fastest, and an axis
  // that wraps carries into the one before. After the last row every axis
  // wraps, back to the first, which is never visited again.
  for (std::size_t axis = shape_.size() > 0 ? shape_.size() - 1 : 0; axis-- > 0;) {
    for (std::size_t k = 0; k < count_; ++k) pointers_[k] += strides_[k][axis];
    if (++counter_[axis] < shape_[axis]) return;
    for (std::size_t k = 0; k < count_; ++k) pointers_[k] -= strides_[k][axis] * shape_[axis];
    counter_[axis] = 0;
  }
}

}  // namespace tbcalc::python
