// The arguments of the module's functions, from the inputs' description:
// taken by position or by name, the names the functions had before 1.3
// accepted with a DeprecationWarning, defaults filled in, and the signature
// and Parameters section that help(), inspect and the stubs show.
#pragma once

#include <pybind11/pybind11.h>

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "tbcalc/inputs.hpp"

namespace tbcalc::python {

namespace py = pybind11;

struct Parameter {
  std::string name;
  py::object fallback;   // none (a null handle): required
  std::string old_name;  // accepted with a DeprecationWarning; empty: none
  bool keyword_only = false;
  std::string doc;  // its entry in the Parameters section, numpydoc
};

// The parameters of a function of `inputs`: the inputs without a fallback,
// then `own`, the function's own, then the inputs with a fallback (so that
// an input added with a fallback never moves a positional argument). With
// `one_scene` each input is documented as one value (six for the channels)
// rather than as an array.
std::vector<Parameter> input_parameters(std::span<const InputId> inputs,
                                        std::vector<Parameter> own = {}, bool one_scene = false);

// "from -5 to 45", "above 0, up to 16000": the values a range accepts, for
// docstrings.
std::string accepted(const AcceptedRange& range);

class Signature {
 public:
  Signature(std::string function, std::vector<Parameter> parameters);

  // A call's values, one per parameter in order. TypeError as Python raises
  // it for an argument missing, given twice or unknown.
  std::vector<py::object> bind(const py::args& args, const py::kwargs& kwargs) const;

  // "brightness(sst, altitude, air, wind, rain, salinity=36.0)": the first
  // line of the docstring, followed by "--" and a blank line, is how
  // CPython finds a built-in function's signature.
  std::string text() const;
  // The docstring's Parameters section.
  std::string parameters_doc() const;
  // Where the parameter `name` stands in the values of bind().
  std::size_t index(std::string_view name) const;

 private:
  std::string function_;
  std::vector<Parameter> parameters_;
};

}  // namespace tbcalc::python
