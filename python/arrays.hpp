// Numpy arguments as the module takes them: any real numbers or arrays of
// them, converted to one element type, broadcast against each other in the
// numpy way, then walked element by element in C order without the GIL.
#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

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

// The most arrays one broadcast walks together (retrieve: four inputs and
// the six channels of tb).
inline constexpr std::size_t kMaxArrays = 10;
using Pointers = std::array<const char*, kMaxArrays>;

// Visits every element of a broadcast in C order: `visit(index, pointers)`,
// pointers[k] addressing array k's element. The last axis is walked in a
// tight loop of its own. Needs no Python: call it with the GIL released.
class Walker {
 public:
  explicit Walker(const Broadcast& b);
  template <class Visit>
  void run(Visit visit) {
    if (total_ == 0) return;
    const py::ssize_t inner = shape_.empty() ? 1 : shape_.back();
    std::size_t index = 0;
    do {
      Pointers p = pointers_;
      for (py::ssize_t j = 0; j < inner; ++j) {
        visit(index++, p);
        for (std::size_t k = 0; k < count_; ++k) p[k] += inner_strides_[k];
      }
    } while (advance_outer());
  }

 private:
  bool advance_outer();  // false after the last row
  std::vector<py::ssize_t> shape_;
  std::vector<std::vector<py::ssize_t>> strides_;  // per array, per axis
  std::vector<py::ssize_t> counter_;
  Pointers pointers_{};
  std::array<py::ssize_t, kMaxArrays> inner_strides_{};
  std::size_t count_;
  std::size_t total_;
};

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
