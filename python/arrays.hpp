// Numpy arguments as the module takes them: any real numbers or arrays of
// them, converted to one element type, broadcast against each other in the
// numpy way, then walked element by element in C order without the GIL, in
// blocks between which Python may handle a signal.
#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <vector>

namespace tbcalc::python {

namespace py = pybind11;

// Whatever numpy would take as an array. The module converts it itself
// (as_real_array); the type exists so that signatures read `array_like`.
struct ArrayLike {
  py::object object;
};

// `value` as an array of `dtype`: TypeError, naming `name`, unless it holds
// booleans, integers or real floating-point numbers.
py::array as_real_array(const ArrayLike& value, const char* name, const py::dtype& dtype);

// The arrays broadcast together: ValueError when their shapes do not meet.
struct Broadcast {
  std::vector<py::ssize_t> shape;
  std::vector<py::array> views;  // each of `shape`, strides 0 where broadcast
  std::size_t size() const;
};
Broadcast broadcast(const std::vector<py::array>& arrays);

// The most arrays one broadcast walks together (retrieve: its one-value
// inputs, and the six channels of tb and of the noise), with room for more.
inline constexpr std::size_t kMaxArrays = 32;
using Pointers = std::array<const char*, kMaxArrays>;

// Visits the elements of a broadcast in C order, a given number at a time:
// `visit(index, pointers)`, pointers[k] addressing array k's element. The
// last axis is walked in a tight loop of its own. Needs no Python: call it
// with the GIL released.
class Walker {
 public:
  explicit Walker(const Broadcast& b);
  bool finished() const { return index_ == total_; }
  // Visits up to `count` more elements.
  template <class Visit>
  void run(Visit visit, std::size_t count) {
    const std::size_t end = std::min(total_, index_ + count);
    while (index_ < end) {
      const std::size_t n = std::min(std::size_t(inner_ - column_), end - index_);
      Pointers p = pointers_;
      for (std::size_t k = 0; k < count_; ++k) p[k] += column_ * inner_strides_[k];
      for (std::size_t j = 0; j < n; ++j) {
        visit(index_++, p);
        for (std::size_t k = 0; k < count_; ++k) p[k] += inner_strides_[k];
      }
      column_ += py::ssize_t(n);
      if (column_ == inner_) {
        column_ = 0;
        advance_outer();
      }
    }
  }

 private:
  void advance_outer();  // to the next row of the last axis
  std::vector<py::ssize_t> shape_;
  std::vector<std::vector<py::ssize_t>> strides_;  // per array, per axis
  std::vector<py::ssize_t> counter_;
  Pointers pointers_{};  // the start of the current row
  std::array<py::ssize_t, kMaxArrays> inner_strides_{};
  py::ssize_t inner_;       // length of a row
  py::ssize_t column_ = 0;  // position in the current row
  std::size_t count_;
  std::size_t total_;
  std::size_t index_ = 0;
};

// Walks the whole broadcast without the GIL, `block` elements at a time.
// Between blocks it takes the GIL for a moment so that Python runs its signal
// handlers: Ctrl-C raises KeyboardInterrupt (thrown as error_already_set)
// within one block's time, and the caller's unfinished arrays are released.
// Choose `block` to be a few milliseconds of work.
template <class Visit>
void walk_without_gil(const Broadcast& b, std::size_t block, Visit visit) {
  Walker walker(b);
  py::gil_scoped_release unlocked;
  for (;;) {
    walker.run(visit, block);
    if (walker.finished()) return;
    py::gil_scoped_acquire locked;
    if (PyErr_CheckSignals() != 0) throw py::error_already_set();
  }
}

template <class T>
T element(const char* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

}  // namespace tbcalc::python

namespace pybind11::detail {

template <>
struct type_caster<tbcalc::python::ArrayLike> {
  PYBIND11_TYPE_CASTER(tbcalc::python::ArrayLike, const_name("array_like"));
  bool load(handle source, bool) {
    value.object = reinterpret_borrow<object>(source);
    return true;
  }
  static handle cast(const tbcalc::python::ArrayLike& source, return_value_policy, handle) {
    return source.object.inc_ref();
  }
};

}  // namespace pybind11::detail
