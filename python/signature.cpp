#include "signature.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <stdexcept>
#include <utility>

namespace tbcalc::python {
namespace {

// The names the numpy functions took before they took the inputs' own
// (which the table programs' columns and tbcalc.xarray share).
std::string_view old_name(InputId id) {
  switch (id) {
    case InputId::sst:
      return "sst_c";
    case InputId::altitude:
      return "altitude_m";
    case InputId::air:
      return "air_c";
    case InputId::wind:
      return "wind_ms";
    case InputId::rain:
      return "rain_mmh";
    default:
      return "";
  }
}

std::string shortest(float x) {
  char digits[32];
  return {digits, std::to_chars(digits, digits + sizeof digits, x).ptr};
}

Parameter from_field(const InputField& field, bool one_scene) {
  Parameter p;
  p.name = field.name;
  p.old_name = old_name(field.id);
  if (field.fallback) p.fallback = py::float_(double(*field.fallback));
  const std::string channels = std::to_string(field.channels);
  if (!one_scene) {
    p.doc = p.name + " : array_like";
    if (field.channels > 1) p.doc += ", shape ``(..., " + channels + ")``";
  } else if (field.channels > 1) {
    p.doc = p.name + " : array_like, shape ``(" + channels + ",)``";
  } else {
    p.doc = p.name + " : float";
  }
  if (field.fallback) p.doc += ", optional";
  p.doc += "\n    " + std::string(field.doc) + " Accepted: " + accepted(field.range) + ".";
  if (field.fallback) p.doc += " Default " + shortest(*field.fallback) + ".";
  return p;
}

void type_error(const std::string& message) { throw py::type_error(message); }

}  // namespace

std::string accepted(const AcceptedRange& range) {
  if (std::isinf(range.high))
    return (range.low_excluded ? "above " : "from ") + shortest(range.low);
  return (range.low_excluded ? "above " : "") + shortest(range.low) +
         (range.low_excluded ? ", up to " : " to ") + shortest(range.high);
}

std::vector<Parameter> input_parameters(std::span<const InputId> inputs, std::vector<Parameter> own,
                                        bool one_scene) {
  std::vector<Parameter> required, optional;
  for (InputId id : inputs) {
    const InputField& field = input_field(id);
    (field.fallback ? optional : required).push_back(from_field(field, one_scene));
  }
  for (Parameter& p : own) required.push_back(std::move(p));
  for (Parameter& p : optional) required.push_back(std::move(p));
  // Keyword-only ones last, as Python wants them.
  std::stable_partition(required.begin(), required.end(),
                        [](const Parameter& p) { return !p.keyword_only; });
  return required;
}

Signature::Signature(std::string function, std::vector<Parameter> parameters)
    : function_(std::move(function)), parameters_(std::move(parameters)) {}

std::vector<py::object> Signature::bind(const py::args& args, const py::kwargs& kwargs) const {
  std::vector<py::object> values(parameters_.size());
  std::size_t positional = 0;
  while (positional < parameters_.size() && !parameters_[positional].keyword_only) ++positional;
  const std::string call = function_ + "()";
  if (args.size() > positional) {
    type_error(call + " takes " + std::to_string(positional) + " positional arguments but " +
               std::to_string(args.size()) + " were given");
  }
  for (std::size_t k = 0; k < args.size(); ++k) values[k] = args[k];
  for (const auto& [key, value] : kwargs) {
    const std::string name = py::str(key);
    std::size_t k = 0;
    while (k < parameters_.size() && parameters_[k].name != name &&
           (parameters_[k].old_name.empty() || parameters_[k].old_name != name)) {
      ++k;
    }
    if (k == parameters_.size())
      type_error(call + " got an unexpected keyword argument '" + name + "'");
    if (name != parameters_[k].name) {
      const std::string message = call + ": the argument '" + name + "' is now '" +
                                  parameters_[k].name + "'; the old name will go";
      if (PyErr_WarnEx(PyExc_DeprecationWarning, message.c_str(), 1) != 0) {
        throw py::error_already_set();
      }
    }
    if (values[k])
      type_error(call + " got multiple values for argument '" + parameters_[k].name + "'");
    values[k] = py::reinterpret_borrow<py::object>(value);
  }
  for (std::size_t k = 0; k < values.size(); ++k) {
    if (values[k]) continue;
    if (!parameters_[k].fallback) {
      type_error(call + " missing required argument: '" + parameters_[k].name + "'");
    }
    values[k] = parameters_[k].fallback;
  }
  return values;
}

std::string Signature::text() const {
  std::string text = function_ + "(";
  bool keywords = false;
  for (std::size_t k = 0; k < parameters_.size(); ++k) {
    const Parameter& p = parameters_[k];
    if (k > 0) text += ", ";
    if (p.keyword_only && !keywords) {
      text += "*, ";
      keywords = true;
    }
    text += p.name;
    if (p.fallback) text += "=" + std::string(py::repr(p.fallback));
  }
  return text + ")";
}

std::size_t Signature::index(std::string_view name) const {
  for (std::size_t k = 0; k < parameters_.size(); ++k) {
    if (parameters_[k].name == name) return k;
  }
  throw std::logic_error(function_ + "() has no parameter " + std::string(name));
}

std::string Signature::parameters_doc() const {
  std::string doc = "Parameters\n----------\n";
  for (const Parameter& p : parameters_) doc += p.doc + "\n";
  return doc;
}

}  // namespace tbcalc::python
