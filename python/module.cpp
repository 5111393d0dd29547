// tbcalc._tbcalc, the extension inside the Python package tbcalc: the forward
// model, its Jacobian and the retrieval over numpy arrays, and the misfit map
// of one scene. Only conversion lives here; every number comes from the C++
// libraries, the arguments from the inputs' description (`inputs`), the
// results' names and metadata from `retrieval_fields` and `jacobian_fields`.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "arrays.hpp"
#include "docstrings.hpp"
#include "signature.hpp"
#include "tbcalc/inputs.hpp"
#include "tbcalc/model.hpp"
#include "tbcalc/retrieval.hpp"

namespace tbcalc::python {
namespace {

// Python objects the functions share, made once while the module is
// imported (one thread, the GIL held). Made on first use instead, two threads
// of a pool could deadlock: one waiting for the initialisation's guard while
// holding the GIL, the other inside the initialisation waiting for the GIL.
// Never freed: a Python object must not outlive the interpreter in a C++
// static.
struct SharedObjects {
  py::dtype float32, float64;
  py::array status_words;  // of the longest word's width, see status_words()
};
const SharedObjects* shared = nullptr;

const py::dtype& float32() { return shared->float32; }
const py::dtype& float64() { return shared->float64; }

// Elements per block between two looks at Python's signals: a few
// milliseconds of work each (per element, about 0.2 us for the model with
// its caches, 1 us without; 1.5 us for the Jacobian; 15 us for a retrieval).
constexpr std::size_t kModelBlock = 16384;
constexpr std::size_t kJacobianBlock = 2048;
constexpr std::size_t kRetrievalBlock = 256;

// The inputs of emissivity(): the sea alone.
constexpr std::array<InputId, 2> kSeaInputs = {InputId::sst, InputId::salinity};

std::vector<py::ssize_t> with_channels(std::vector<py::ssize_t> shape) {
  shape.push_back(6);
  return shape;
}

template <class T>
void put_six(const std::array<T, 6>& values, T* out, std::size_t index) {
  std::copy(values.begin(), values.end(), out + 6 * index);
}

// A call's one-value inputs `ids` as arrays of float32, the dialogue's type
// for typed values, in the order of `ids`.
template <std::size_t N>
std::vector<py::array> typed_arrays(const std::array<InputId, N>& ids, const Signature& signature,
                                    const py::args& args, const py::kwargs& kwargs) {
  const std::vector<py::object> bound = signature.bind(args, kwargs);
  std::vector<py::array> arrays;
  for (InputId id : ids) {
    const std::string name(input_field(id).name);
    arrays.push_back(
        as_real_array(ArrayLike{bound[signature.index(name)]}, name.c_str(), float32()));
  }
  return arrays;
}

// The value of input `id` of `ids` at an element of the walk, where the
// arrays stand in the order of `ids`.
template <std::size_t N>
float typed(const std::array<InputId, N>& ids, InputId id, const Pointers& p) {
  return element<float>(p[value_index(ids, id)]);
}

// A new (..., 6) array of T with compute(pointers) for every element of the
// broadcast, computed without the GIL.
template <class T, class Compute>
py::array six_per_element(const Broadcast& b, Compute compute) {
  py::array_t<T> out(with_channels(b.shape));
  T* o = out.mutable_data();
  walk_without_gil(b, kModelBlock,
                   [&](std::size_t i, const Pointers& p) { put_six(compute(p), o, i); });
  return out;
}

// The functions' signatures: made while the module is imported and never
// freed, for their defaults are Python objects (see SharedObjects).
struct Signatures {
  Signature emissivity, brightness, jacobian, retrieve, misfit_map;
};
const Signatures* signatures = nullptr;

Signatures* make_signatures() {
  // The retrieval's own parameters beside its inputs: the noise after the
  // required inputs, the options keyword only.
  std::vector<Parameter> retrieval_own = {
      {"noise_k", py::float_(default_noise_k), "", false, docs::kNoise},
      {"intervals", py::bool_(false), "", true, docs::kIntervals},
      {"level", py::float_(one_sigma_level), "", true, docs::kLevel}};
  // The map's: the noise as the retrieval's, the grid's axes keyword only,
  // their defaults MisfitMapGrid's.
  const MisfitMapGrid grid;
  std::vector<Parameter> map_own = {
      {"noise_k", py::float_(default_noise_k), "", false, docs::kMisfitNoise},
      {"wind", py::make_tuple(grid.wind_min, grid.wind_max, grid.wind_points), "", true,
       docs::grid_axis_doc("wind", "m/s", wind_range_ms)},
      {"rain", py::make_tuple(grid.rain_min, grid.rain_max, grid.rain_points), "", true,
       docs::grid_axis_doc("rain", "mm/h", rain_range_mmh)}};
  return new Signatures{
      Signature("emissivity", input_parameters(kSeaInputs)),
      Signature("brightness", input_parameters(forward_inputs)),
      Signature("jacobian", input_parameters(forward_inputs)),
      Signature("retrieve", input_parameters(retrieval_inputs, std::move(retrieval_own))),
      Signature("misfit_map", input_parameters(retrieval_inputs, std::move(map_own), true))};
}

py::array emissivity(const py::args& args, const py::kwargs& kwargs) {
  const Broadcast b = broadcast(typed_arrays(kSeaInputs, signatures->emissivity, args, kwargs));
  TypedEnvironment cache;
  return six_per_element<float>(b, [&](const Pointers& p) {
    const float sst = typed(kSeaInputs, InputId::sst, p);
    return cache.environment(sst, 1.0f, 0.0f, typed(kSeaInputs, InputId::salinity, p)).emis;
  });
}

Broadcast forward_broadcast(const Signature& signature, const py::args& args,
                            const py::kwargs& kwargs) {
  return broadcast(typed_arrays(forward_inputs, signature, args, kwargs));
}

py::array brightness(const py::args& args, const py::kwargs& kwargs) {
  const Broadcast b = forward_broadcast(signatures->brightness, args, kwargs);
  TypedEnvironment cache;
  return six_per_element<float>(b, [&](const Pointers& p) {
    const auto value = [&](InputId id) { return typed(forward_inputs, id, p); };
    const SixChannels& six = cache.channels(value(InputId::sst), value(InputId::altitude),
                                            value(InputId::air), value(InputId::salinity));
    return six.brightness({value(InputId::wind), value(InputId::rain)});
  });
}

// The Jacobian's arrays, one per entry of `jacobian_fields`, each of the
// broadcast shape and six channels.
struct JacobianArrays {
  std::vector<py::array> arrays;
};

JacobianArrays jacobians(const py::args& args, const py::kwargs& kwargs) {
  const Broadcast b = forward_broadcast(signatures->jacobian, args, kwargs);
  const auto shape = with_channels(b.shape);
  JacobianArrays result;
  std::array<double*, jacobian_fields.size()> o;
  for (std::size_t k = 0; k < o.size(); ++k) {
    py::array_t<double> array(shape);
    o[k] = array.mutable_data();
    result.arrays.push_back(array);
  }
  TypedEnvironment cache;
  walk_without_gil(b, kJacobianBlock, [&](std::size_t i, const Pointers& p) {
    const auto value = [&](InputId id) { return typed(forward_inputs, id, p); };
    const Environment& env = cache.environment(value(InputId::sst), value(InputId::altitude),
                                               value(InputId::air), value(InputId::salinity));
    const Jacobian j =
        jacobian(model_point(env, double(value(InputId::wind)), double(value(InputId::rain))));
    for (std::size_t k = 0; k < o.size(); ++k) put_six(j.*jacobian_fields[k].member, o[k], i);
  });
  return result;
}

// The status codes are the positions in this table, as in STATUSES.
constexpr std::array<RetrievalStatus, 5> kStatuses = {
    RetrievalStatus::converged, RetrievalStatus::at_bound, RetrievalStatus::poor_fit,
    RetrievalStatus::weakly_constrained, RetrievalStatus::invalid_input};

py::tuple status_names() {
  py::tuple names(kStatuses.size());
  for (std::size_t k = 0; k < kStatuses.size(); ++k) {
    names[k] = py::str(std::string(status_name(kStatuses[k])));
  }
  return names;
}

// The status words as one numpy array of the longest word's width, so that
// every status array has that dtype, whichever words it holds.
py::array make_status_words() {
  std::size_t width = 0;
  for (RetrievalStatus s : kStatuses) width = std::max(width, status_name(s).size());
  const py::module_ numpy = py::module_::import("numpy");
  return numpy.attr("array")(status_names(), "<U" + std::to_string(width));
}
const py::array& status_words() { return shared->status_words; }

py::tuple field_descriptions() {
  py::tuple fields(retrieval_fields.size());
  for (std::size_t k = 0; k < retrieval_fields.size(); ++k) {
    const RetrievalField& f = retrieval_fields[k];
    fields[k] = py::make_tuple(std::string(f.name), std::string(f.units), std::string(f.long_name),
                               std::string(f.standard_name), std::string(f.doc), f.interval);
  }
  return fields;
}

py::tuple jacobian_descriptions() {
  py::tuple fields(jacobian_fields.size());
  for (std::size_t k = 0; k < jacobian_fields.size(); ++k) {
    fields[k] =
        py::make_tuple(std::string(jacobian_fields[k].name), std::string(jacobian_fields[k].doc));
  }
  return fields;
}

py::tuple input_descriptions() {
  py::tuple described(inputs.size());
  for (std::size_t k = 0; k < inputs.size(); ++k) {
    const InputField& f = inputs[k];
    described[k] = py::make_tuple(
        std::string(f.name), std::string(f.cf_units), std::string(f.long_name),
        std::string(f.standard_name), std::string(f.doc),
        f.fallback ? py::object(py::float_(double(*f.fallback))) : py::object(py::none()),
        f.channels);
  }
  return described;
}

// One float64 array per field of `retrieval_fields`, in its order; the
// status as its code, the words being looked up when asked for.
struct RetrievalArrays {
  std::vector<py::array> numbers;
  py::array iterations, status_code;

  py::array status() const {
    // Through a flat index and back, so that a 0-d code gives a 0-d array.
    return status_words()
        .attr("take")(status_code.attr("ravel")())
        .attr("reshape")(status_code.attr("shape"));
  }
};

// "Name(a=..., b=...)": a 0-d array as its value, others as numpy shows them.
std::string fields_repr(const char* type,
                        const std::vector<std::pair<std::string, py::object>>& fields) {
  std::string text = std::string(type) + "(";
  for (std::size_t k = 0; k < fields.size(); ++k) {
    const py::array array = fields[k].second;
    const py::object shown = array.ndim() == 0 ? array.attr("item")() : py::object(array);
    text += (k == 0 ? "" : ", ") + fields[k].first + "=" + std::string(py::repr(shown));
  }
  return text + ")";
}

// The channel `c` of an array whose last axis holds the channels (six, or
// one for all), with the axes before it left to broadcast.
py::array channel_of(const py::array& a, py::ssize_t c) {
  return a[py::make_tuple(py::ellipsis(), a.shape(a.ndim() - 1) == 1 ? 0 : c)];
}

RetrievalArrays retrieval(const py::args& args, const py::kwargs& kwargs) {
  const Signature& signature = signatures->retrieve;
  const std::vector<py::object> bound = signature.bind(args, kwargs);
  const auto arg = [&](std::string_view name) { return bound[signature.index(name)]; };
  // As Python's own would, a wrong type is a TypeError.
  const auto option = [&]<class T>(const char* name, const char* what) {
    try {
      return arg(name).template cast<T>();
    } catch (const py::cast_error&) {
      throw py::type_error(std::string("retrieve(): ") + name + " must be " + what + ", not " +
                           std::string(py::str(py::type::of(arg(name)).attr("__name__"))));
    }
  };
  const bool intervals = option.operator()<bool>("intervals", "True or False");
  const double level = option.operator()<double>("level", "a real number");
  const py::array tb_array = as_real_array(ArrayLike{arg("tb")}, "tb", float64());
  if (tb_array.ndim() == 0 || tb_array.shape(tb_array.ndim() - 1) != 6) {
    throw py::value_error("tb: the last axis must hold the six channels, got shape " +
                          std::string(py::str(tb_array.attr("shape"))));
  }
  // With as many axes as tb, the noise's last axis is the channels; with
  // fewer it is one noise per element, against tb's leading axes. More axes
  // would read a row of six noises as six elements' own.
  const py::array noise = as_real_array(ArrayLike{arg("noise_k")}, "noise_k", float64());
  if (noise.ndim() > tb_array.ndim()) {
    throw py::value_error(
        "noise_k: has more axes than tb (shape " + std::string(py::str(noise.attr("shape"))) +
        " against " + std::string(py::str(tb_array.attr("shape"))) +
        "): a noise per channel has as many axes as tb, the channels last; give tb an axis to "
        "match (tb[np.newaxis]) for rows of noise per channel");
  }
  const bool per_channel = noise.ndim() == tb_array.ndim();
  if (per_channel && noise.shape(noise.ndim() - 1) != 6 && noise.shape(noise.ndim() - 1) != 1) {
    const SettingCheck count = check_noise_count(std::size_t(noise.shape(noise.ndim() - 1)));
    throw py::value_error("noise_k: with as many axes as tb its last axis holds the channels, " +
                          std::string(count.message) + "; got shape " +
                          std::string(py::str(noise.attr("shape"))));
  }
  const RetrievalOptions options{intervals, level};
  if (const SettingCheck check = check_options(options); !check.ok) {
    throw py::value_error("level=" + std::string(py::repr(py::float_(level))) + ": " +
                          std::string(check.message));
  }
  // The inputs as the walk reads them: each one-value input, then each
  // channel of tb and of the noise as arrays of the leading shape, all
  // broadcast together.
  std::vector<py::array> arrays;
  for (InputId id : retrieval_inputs) {
    const InputField& field = input_field(id);
    if (field.channels > 1) {
      for (py::ssize_t c = 0; c < 6; ++c) arrays.push_back(channel_of(tb_array, c));
    } else {
      const std::string name(field.name);
      arrays.push_back(as_real_array(ArrayLike{arg(field.name)}, name.c_str(), float32()));
    }
  }
  constexpr std::size_t kNoise = value_count(retrieval_inputs);
  for (py::ssize_t c = 0; c < 6; ++c) arrays.push_back(per_channel ? channel_of(noise, c) : noise);
  const Broadcast b = broadcast(arrays);

  constexpr std::size_t kFields = retrieval_fields.size();
  std::array<double*, kFields> o;
  RetrievalArrays result;
  for (std::size_t k = 0; k < kFields; ++k) {
    py::array_t<double> numbers(b.shape);
    o[k] = numbers.mutable_data();
    result.numbers.push_back(numbers);
  }
  py::array_t<std::int32_t> iterations(b.shape);
  py::array_t<std::uint8_t> codes(b.shape);
  std::int32_t* it = iterations.mutable_data();
  std::uint8_t* code = codes.mutable_data();
  constexpr std::size_t kTb = value_index(retrieval_inputs, InputId::tb);
  walk_without_gil(b, kRetrievalBlock, [&](std::size_t i, const Pointers& p) {
    const auto value = [&](InputId id) { return typed(retrieval_inputs, id, p); };
    std::array<double, 6> measured, noise_per_channel;
    for (std::size_t c = 0; c < 6; ++c) {
      measured[c] = element<double>(p[kTb + c]);
      noise_per_channel[c] = element<double>(p[kNoise + c]);
    }
    const Retrieval r = retrieve(value(InputId::sst), value(InputId::altitude), value(InputId::air),
                                 measured, noise_per_channel, options, value(InputId::salinity));
    for (std::size_t k = 0; k < kFields; ++k) o[k][i] = r.*retrieval_fields[k].member;
    it[i] = r.iterations;
    code[i] =
        std::uint8_t(std::find(kStatuses.begin(), kStatuses.end(), r.status) - kStatuses.begin());
  });
  result.iterations = iterations;
  result.status_code = codes;
  return result;
}

// The misfit map's arrays: the axes, and chi2 with a row per rain rate.
struct MisfitMapArrays {
  py::array wind, rain, chi2;
};

// A grid axis as given, (min, max, points): TypeError unless two real
// numbers and an integer. A count beyond int's range is held at its limit,
// which the check refuses; the message shows the count as given.
struct GivenAxis {
  double min, max;
  int points;
  std::string points_text;
  std::string repr() const {
    return "(" + std::string(py::repr(py::float_(min))) + ", " +
           std::string(py::repr(py::float_(max))) + ", " + points_text + ")";
  }
};

GivenAxis given_axis(const py::object& value, const char* name, const char* unit) {
  if (py::isinstance<py::sequence>(value) && !py::isinstance<py::str>(value) &&
      py::len(value) == 3) {
    const py::sequence items = value;
    const py::object count = items[2];
    try {
      if (PyIndex_Check(count.ptr())) {
        const Py_ssize_t points = PyNumber_AsSsize_t(count.ptr(), nullptr);  // clipped
        return {items[0].cast<double>(), items[1].cast<double>(),
                int(std::clamp<Py_ssize_t>(points, std::numeric_limits<int>::min(),
                                           std::numeric_limits<int>::max())),
                std::string(py::str(py::int_(count)))};
      }
    } catch (const py::cast_error&) {
    }
  }
  throw py::type_error(std::string("misfit_map(): ") + name + " must be (min, max, points), " +
                       unit + " and a count, not " + std::string(py::repr(value)));
}

// One scene's single value of input `name`, as the dialogue stores it.
float scene_value(const py::object& value, const std::string& name) {
  const py::array a = as_real_array(ArrayLike{value}, name.c_str(), float32());
  if (a.ndim() != 0) {
    throw py::value_error(name + ": one scene's value, a number, is needed; got shape " +
                          std::string(py::str(a.attr("shape"))));
  }
  return a.attr("item")().cast<float>();
}

// A new float64 array of `shape` holding `values`, in C order.
py::array numpy_copy(const std::vector<double>& values, std::vector<py::ssize_t> shape) {
  py::array_t<double> out(std::move(shape));
  std::copy(values.begin(), values.end(), out.mutable_data());
  return out;
}

MisfitMapArrays misfit_map_of(const py::args& args, const py::kwargs& kwargs) {
  const Signature& signature = signatures->misfit_map;
  const std::vector<py::object> bound = signature.bind(args, kwargs);
  const auto arg = [&](std::string_view name) { return bound[signature.index(name)]; };
  const GivenAxis wind = given_axis(arg("wind"), "wind", "two numbers of m/s");
  const GivenAxis rain = given_axis(arg("rain"), "rain", "two numbers of mm/h");
  const MisfitMapGrid grid{wind.min, wind.max, wind.points, rain.min, rain.max, rain.points};
  if (const SettingCheck check = check_misfit_grid(grid); !check.ok) {
    throw py::value_error("wind=" + wind.repr() + ", rain=" + rain.repr() + ": " +
                          std::string(check.message));
  }
  const py::array tb_array = as_real_array(ArrayLike{arg("tb")}, "tb", float64());
  if (tb_array.ndim() != 1 || tb_array.shape(0) != 6) {
    throw py::value_error("tb: the six channels of one scene are needed, got shape " +
                          std::string(py::str(tb_array.attr("shape"))));
  }
  const py::array noise_array = as_real_array(ArrayLike{arg("noise_k")}, "noise_k", float64());
  const SettingCheck count_check =
      check_noise_count(noise_array.ndim() > 1 ? 0 : std::size_t(noise_array.size()));
  if (!count_check.ok) {
    throw py::value_error("noise_k: " + std::string(count_check.message) + "; got shape " +
                          std::string(py::str(noise_array.attr("shape"))));
  }
  // Read in C order, whatever the strides of the arrays given.
  using Contiguous = py::array_t<double, py::array::c_style | py::array::forcecast>;
  const Contiguous t = Contiguous::ensure(tb_array), n = Contiguous::ensure(noise_array);
  std::array<double, 6> tb, noise;
  for (py::ssize_t c = 0; c < 6; ++c) {
    tb[std::size_t(c)] = t.data()[c];
    noise[std::size_t(c)] = n.data()[n.size() == 6 ? c : 0];
  }
  const auto value = [&](InputId id) {
    return scene_value(arg(input_field(id).name), std::string(input_field(id).name));
  };
  const float sst = value(InputId::sst), altitude = value(InputId::altitude),
              air = value(InputId::air), salinity = value(InputId::salinity);
  MisfitMap map;
  {
    py::gil_scoped_release unlocked;
    map = misfit_map(sst, altitude, air, tb, noise, grid, salinity);
  }
  const auto rows = py::ssize_t(map.rain.size()), columns = py::ssize_t(map.wind.size());
  return {numpy_copy(map.wind, {columns}), numpy_copy(map.rain, {rows}),
          numpy_copy(map.chi2, {rows, columns})};
}

// "MisfitMap(wind=(0.0, 150.0, 151), rain=(-10.0, 150.0, 161), lowest
// chi2=... at wind=..., rain=...)": the grid, and the lowest node (the first
// where several tie), or that every value is NaN.
std::string misfit_map_repr(const MisfitMapArrays& m) {
  const auto axis = [](const py::array& a) {
    const auto* v = static_cast<const double*>(a.data());
    return std::string(py::repr(py::make_tuple(v[0], v[a.size() - 1], a.size())));
  };
  const auto* chi2 = static_cast<const double*>(m.chi2.data());
  py::ssize_t lowest = -1;
  for (py::ssize_t k = 0; k < m.chi2.size(); ++k) {
    if (!std::isnan(chi2[k]) && (lowest < 0 || chi2[k] < chi2[lowest])) lowest = k;
  }
  std::string text = "MisfitMap(wind=" + axis(m.wind) + ", rain=" + axis(m.rain) + ", ";
  if (lowest < 0) return text + "chi2 all NaN)";
  const auto* wind = static_cast<const double*>(m.wind.data());
  const auto* rain = static_cast<const double*>(m.rain.data());
  return text + "lowest chi2=" + std::string(py::repr(py::float_(chi2[lowest]))) +
         " at wind=" + std::string(py::repr(py::float_(wind[lowest % m.wind.size()]))) +
         ", rain=" + std::string(py::repr(py::float_(rain[lowest / m.wind.size()]))) + ")";
}

void check_retrieval_options(bool intervals, double level) {
  if (const SettingCheck check = check_options({intervals, level}); !check.ok) {
    throw py::value_error("level=" + std::string(py::repr(py::float_(level))) + ": " +
                          std::string(check.message));
  }
}

py::array channel_frequencies() {
  py::array_t<float> f(6);
  std::copy(freqs.begin(), freqs.end(), f.mutable_data());
  f.attr("flags").attr("writeable") = false;
  return f;
}

}  // namespace
}  // namespace tbcalc::python

PYBIND11_MODULE(_tbcalc, m) {
  using namespace tbcalc::python;
  using tbcalc::jacobian_fields;
  using tbcalc::retrieval_fields;
  // Each function's docstring opens with its own signature line, which
  // CPython reads for help() and inspect.signature.
  py::options options;
  options.disable_function_signatures();
  shared = new SharedObjects{py::dtype::of<float>(), py::dtype::of<double>(), make_status_words()};
  signatures = make_signatures();
  m.doc() = docs::kModule;
  m.attr("__version__") = TBCALC_VERSION;
  m.attr("freqs") = channel_frequencies();
  m.attr("STATUSES") = status_names();
  m.attr("RETRIEVAL_FIELDS") = field_descriptions();
  m.attr("JACOBIAN_FIELDS") = jacobian_descriptions();
  m.attr("INPUTS") = input_descriptions();
  m.attr("ONE_SIGMA_LEVEL") = tbcalc::one_sigma_level;

  // Both classes are public as tbcalc.Jacobian and tbcalc.Retrieval: named so
  // in reprs and in the signatures below.
  py::class_<JacobianArrays> jacobian_class(m, "Jacobian", docs::kJacobianClass);
  jacobian_class.attr("__module__") = "tbcalc";
  for (std::size_t k = 0; k < jacobian_fields.size(); ++k) {
    jacobian_class.def_property_readonly(
        std::string(jacobian_fields[k].name).c_str(),
        [k](const JacobianArrays& j) { return j.arrays[k]; },
        std::string(jacobian_fields[k].doc).c_str());
  }
  jacobian_class.def("__repr__", [](const JacobianArrays& j) {
    std::vector<std::pair<std::string, py::object>> fields;
    for (std::size_t k = 0; k < jacobian_fields.size(); ++k) {
      fields.emplace_back(std::string(jacobian_fields[k].name), j.arrays[k]);
    }
    return fields_repr("Jacobian", fields);
  });

  py::class_<RetrievalArrays> retrieval_class(m, "Retrieval", docs::kRetrievalClass);
  retrieval_class.attr("__module__") = "tbcalc";
  for (std::size_t k = 0; k < retrieval_fields.size(); ++k) {
    retrieval_class.def_property_readonly(
        std::string(retrieval_fields[k].name).c_str(),
        [k](const RetrievalArrays& r) { return r.numbers[k]; },
        std::string(retrieval_fields[k].doc).c_str());
  }
  retrieval_class
      .def_readonly("iterations", &RetrievalArrays::iterations,
                    "Iterations of the refinement (int32), at most 100.")
      .def_readonly("status_code", &RetrievalArrays::status_code,
                    "Status codes (uint8): positions in STATUSES.")
      .def_property_readonly("status", &RetrievalArrays::status,
                             "Status words, STATUSES[status_code], all of one str dtype.")
      .def("__repr__", [](const RetrievalArrays& r) {
        std::vector<std::pair<std::string, py::object>> fields;
        for (std::size_t k = 0; k < retrieval_fields.size(); ++k) {
          fields.emplace_back(std::string(retrieval_fields[k].name), r.numbers[k]);
        }
        fields.emplace_back("iterations", r.iterations);
        fields.emplace_back("status", r.status());
        return fields_repr("Retrieval", fields);
      });

  py::class_<MisfitMapArrays> misfit_map_class(m, "MisfitMap", docs::kMisfitMapClass);
  misfit_map_class.attr("__module__") = "tbcalc";
  misfit_map_class.def_readonly("wind", &MisfitMapArrays::wind, docs::kMisfitMapWind)
      .def_readonly("rain", &MisfitMapArrays::rain, docs::kMisfitMapRain)
      .def_readonly("chi2", &MisfitMapArrays::chi2, docs::kMisfitMapChi2)
      .def("__repr__", &misfit_map_repr);

  static const std::string emissivity_doc =
      docs::docstring(signatures->emissivity, docs::kEmissivityHead, docs::kEmissivityTail);
  static const std::string brightness_doc =
      docs::docstring(signatures->brightness, docs::kBrightnessHead, docs::kBrightnessTail);
  static const std::string jacobian_doc =
      docs::docstring(signatures->jacobian, docs::kJacobianHead, docs::jacobian_tail());
  static const std::string retrieve_doc =
      docs::docstring(signatures->retrieve, docs::kRetrieveHead, docs::retrieve_tail());
  static const std::string misfit_map_doc =
      docs::docstring(signatures->misfit_map, docs::kMisfitMapHead, docs::kMisfitMapTail);
  m.def("emissivity", &emissivity, emissivity_doc.c_str());
  m.def("brightness", &brightness, brightness_doc.c_str());
  m.def("jacobian", &jacobians, jacobian_doc.c_str());
  m.def("retrieve", &retrieval, retrieve_doc.c_str());
  m.def("misfit_map", &misfit_map_of, misfit_map_doc.c_str());
  m.def("_check_retrieval_options", &check_retrieval_options, py::arg("intervals"),
        py::arg("level"), docs::kCheckRetrievalOptions);
}
