// Numpy arguments as the module takes them: any real numbers or arrays of
// them, converted to one element type, broadcast against each other in the
// numpy way, then walked element by element in C order without the GIL.
#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <cstddef>
#include <vector>

namespace tbcalc::python {

namespace py = pybind11;

// `value` as an array of `dtype`: TypeError, naming `name`, unless it holds
// booleans, integers or real floating-point numbers.
py::array as_real_array(py::handle value, const char* name, const py::dtype& dtype);

// The arrays broadcast together: ValueError when their shapes do not meet.
struct Broadcast {
  std::vector<py::ssize_t> shape;
  std::vector<py::array> views;  // each of `shape`, strides 0 where broadcast
  std::size_t size() const;
};
Broadcast broadcast(const std::vector<py::array>& arrays);

// Visits every element of a broadcast in C order: `visit(index, pointers)`,
// pointers[k] addressing array k's element. Needs no Python: call it with the
// GIL released.
class Walker {
 public:
  explicit Walker(const Broadcast& b);
  template <class Visit>
  void run(Visit visit) {
    const std::size_t n = total_;
    for (std::size_t index = 0; index < n; ++index) {
      visit(index, pointers_);
      advance();
    }
  }

 private:
  void advance();
  std::vector<py::ssize_t> shape_;
  std::vector<std::vector<py::ssize_t>> strides_;  // per array, per axis
  std::vector<py::ssize_t> counter_;
  std::vector<const char*> pointers_;
  std::size_t total_;
};

template <class T>
T element(const char* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

}  // namespace tbcalc::python
