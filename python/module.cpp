// tbcalc._tbcalc, the extension inside the Python package tbcalc: the forward
// model, its Jacobian and the retrieval over numpy arrays. Only conversion
// lives here; every number comes from the C++ libraries, and the retrieval's
// numbers, their names and metadata from `retrieval_fields`.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "arrays.hpp"
#include "docstrings.hpp"
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

std::vector<py::ssize_t> with_channels(std::vector<py::ssize_t> shape) {
  shape.push_back(6);
  return shape;
}

template <class T>
void put_six(const std::array<T, 6>& values, T* out, std::size_t index) {
  std::copy(values.begin(), values.end(), out + 6 * index);
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

py::array emissivity(const ArrayLike& sst_c) {
  const Broadcast b = broadcast({as_real_array(sst_c, "sst_c", float32())});
  TypedEnvironment cache;
  return six_per_element<float>(b, [&](const Pointers& p) {
    return cache.environment(element<float>(p[0]), 1.0f, 0.0f).emis;
  });
}

Broadcast five_inputs(const ArrayLike& sst_c, const ArrayLike& altitude_m, const ArrayLike& air_c,
                      const ArrayLike& wind_ms, const ArrayLike& rain_mmh) {
  return broadcast(
      {as_real_array(sst_c, "sst_c", float32()), as_real_array(altitude_m, "altitude_m", float32()),
       as_real_array(air_c, "air_c", float32()), as_real_array(wind_ms, "wind_ms", float32()),
       as_real_array(rain_mmh, "rain_mmh", float32())});
}

py::array brightness(const ArrayLike& sst_c, const ArrayLike& altitude_m, const ArrayLike& air_c,
                     const ArrayLike& wind_ms, const ArrayLike& rain_mmh) {
  const Broadcast b = five_inputs(sst_c, altitude_m, air_c, wind_ms, rain_mmh);
  TypedEnvironment cache;
  return six_per_element<float>(b, [&](const Pointers& p) {
    const SixChannels& six =
        cache.channels(element<float>(p[0]), element<float>(p[1]), element<float>(p[2]));
    return six.brightness({element<float>(p[3]), element<float>(p[4])});
  });
}

// The Jacobian's seven arrays, each of the broadcast shape and six channels.
struct JacobianArrays {
  py::array tb, d_wind, d_rain, d_emis, d_sst, d_air, d_altitude;
};

JacobianArrays jacobians(const ArrayLike& sst_c, const ArrayLike& altitude_m,
                         const ArrayLike& air_c, const ArrayLike& wind_ms,
                         const ArrayLike& rain_mmh) {
  const Broadcast b = five_inputs(sst_c, altitude_m, air_c, wind_ms, rain_mmh);
  const auto shape = with_channels(b.shape);
  std::array<py::array_t<double>, 7> out = {py::array_t<double>(shape), py::array_t<double>(shape),
                                            py::array_t<double>(shape), py::array_t<double>(shape),
                                            py::array_t<double>(shape), py::array_t<double>(shape),
                                            py::array_t<double>(shape)};
  std::array<double*, 7> o;
  for (std::size_t k = 0; k < 7; ++k) o[k] = out[k].mutable_data();
  TypedEnvironment cache;
  walk_without_gil(b, kJacobianBlock, [&](std::size_t i, const Pointers& p) {
    const Environment& env =
        cache.environment(element<float>(p[0]), element<float>(p[1]), element<float>(p[2]));
    const Jacobian j =
        jacobian(model_point(env, double(element<float>(p[3])), double(element<float>(p[4]))));
    put_six(j.tb, o[0], i);
    put_six(j.d_wind, o[1], i);
    put_six(j.d_rain, o[2], i);
    put_six(j.d_emis, o[3], i);
    put_six(j.d_sst, o[4], i);
    put_six(j.d_air, o[5], i);
    put_six(j.d_altitude, o[6], i);
  });
  return {out[0], out[1], out[2], out[3], out[4], out[5], out[6]};
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

// The channel `c` of an array whose last axis holds the channels (six, or
// one for all), with the axes before it left to broadcast.
py::array channel_of(const py::array& a, py::ssize_t c) {
  return a[py::make_tuple(py::ellipsis(), a.shape(a.ndim() - 1) == 1 ? 0 : c)];
}

// ValueError, with the retrieval library's message, where the options cannot
// be used: checked once for a whole array, and by tbcalc.xarray before it
// builds a lazy computation.
void check_retrieval_options(bool intervals, double level) {
  const SettingCheck check = check_options({intervals, level});
  if (!check.ok) {
    throw py::value_error("level=" + std::string(py::repr(py::float_(level))) + ": " +
                          std::string(check.message));
  }
}

std::string shape_of(const py::array& a) { return py::str(a.attr("shape")); }

RetrievalArrays retrieval(const ArrayLike& sst_c, const ArrayLike& altitude_m,
                          const ArrayLike& air_c, const ArrayLike& tb, const ArrayLike& noise_k,
                          bool intervals, double level) {
  const py::array tb_array = as_real_array(tb, "tb", float64());
  if (tb_array.ndim() == 0 || tb_array.shape(tb_array.ndim() - 1) != 6) {
    throw py::value_error("tb: the last axis must hold the six channels, got shape " +
                          shape_of(tb_array));
  }
  // With as many axes as tb, the noise's last axis is the channels; with
  // fewer it is one noise per element, against tb's leading axes. With more,
  // a row of noise would be spread over tb's channel axis as one noise per
  // element: its channels would each be taken for all six.
  const py::array noise = as_real_array(noise_k, "noise_k", float64());
  if (noise.ndim() > tb_array.ndim()) {
    throw py::value_error("noise_k: shape " + shape_of(noise) + " has more axes than tb's " +
                          shape_of(tb_array) +
                          "; a noise per channel has as many axes as tb, the channels last, "
                          "and broadcasts against tb's other axes: add an axis to tb "
                          "(tb[np.newaxis]) for several rows of noise");
  }
  const bool per_channel = noise.ndim() == tb_array.ndim();
  if (per_channel) {
    const SettingCheck count = check_noise_count(std::size_t(noise.shape(noise.ndim() - 1)));
    if (!count.ok) {
      throw py::value_error("noise_k: shape " + shape_of(noise) +
                            ", with as many axes as tb, holds the channels on its last axis; " +
                            std::string(count.message));
    }
  }
  check_retrieval_options(intervals, level);
  std::vector<py::array> inputs = {as_real_array(sst_c, "sst_c", float32()),
                                   as_real_array(altitude_m, "altitude_m", float32()),
                                   as_real_array(air_c, "air_c", float32())};
  // Each channel of tb and of the noise as an array of the leading shape,
  // all broadcast together: the environment against the leading axes.
  for (py::ssize_t c = 0; c < 6; ++c) inputs.push_back(channel_of(tb_array, c));
  for (py::ssize_t c = 0; c < 6; ++c) inputs.push_back(per_channel ? channel_of(noise, c) : noise);
  const Broadcast b = broadcast(inputs);
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
  const RetrievalOptions options{intervals, level};
  walk_without_gil(b, kRetrievalBlock, [&](std::size_t i, const Pointers& p) {
    std::array<double, 6> measured, noise_per_channel;
    for (std::size_t c = 0; c < 6; ++c) {
      measured[c] = element<double>(p[3 + c]);
      noise_per_channel[c] = element<double>(p[9 + c]);
    }
    const Retrieval r = retrieve(element<float>(p[0]), element<float>(p[1]), element<float>(p[2]),
                                 measured, noise_per_channel, options);
    for (std::size_t k = 0; k < kFields; ++k) o[k][i] = r.*retrieval_fields[k].member;
    it[i] = r.iterations;
    code[i] =
        std::uint8_t(std::find(kStatuses.begin(), kStatuses.end(), r.status) - kStatuses.begin());
  });
  result.iterations = iterations;
  result.status_code = codes;
  return result;
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
  using tbcalc::retrieval_fields;
  shared = new SharedObjects{py::dtype::of<float>(), py::dtype::of<double>(), make_status_words()};
  m.doc() = docs::kModule;
  m.attr("__version__") = TBCALC_VERSION;
  m.attr("freqs") = channel_frequencies();
  m.attr("STATUSES") = status_names();
  m.attr("RETRIEVAL_FIELDS") = field_descriptions();
  m.attr("ONE_SIGMA_LEVEL") = tbcalc::one_sigma_level;

  // Both classes are public as tbcalc.Jacobian and tbcalc.Retrieval: named so
  // in reprs and in the signatures below.
  py::class_<JacobianArrays> jacobian_class(m, "Jacobian", docs::kJacobianClass);
  jacobian_class.attr("__module__") = "tbcalc";
  jacobian_class.def_readonly("tb", &JacobianArrays::tb, "Brightness temperatures, K.")
      .def_readonly("d_wind", &JacobianArrays::d_wind, "dTb/d(wind), K per m/s.")
      .def_readonly("d_rain", &JacobianArrays::d_rain, "dTb/d(rain), K per mm/h.")
      .def_readonly("d_emis", &JacobianArrays::d_emis,
                    "dTb/d(the channel's flat-sea emissivity), K per unit.")
      .def_readonly("d_sst", &JacobianArrays::d_sst,
                    "dTb/d(sea surface temperature), K per K, emissivity held.")
      .def_readonly("d_air", &JacobianArrays::d_air, "dTb/d(air temperature), K per K.")
      .def_readonly("d_altitude", &JacobianArrays::d_altitude, "dTb/d(altitude), K per m.");

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
                             "Status words, STATUSES[status_code], all of one str dtype.");

  m.def("emissivity", &emissivity, py::arg("sst_c"), docs::kEmissivity);
  m.def("brightness", &brightness, py::arg("sst_c"), py::arg("altitude_m"), py::arg("air_c"),
        py::arg("wind_ms"), py::arg("rain_mmh"), docs::kBrightness);
  m.def("jacobian", &jacobians, py::arg("sst_c"), py::arg("altitude_m"), py::arg("air_c"),
        py::arg("wind_ms"), py::arg("rain_mmh"), docs::kJacobian);
  m.def("_check_retrieval_options", &check_retrieval_options, py::arg("intervals"),
        py::arg("level"), docs::kCheckRetrievalOptions);
  static const std::string retrieve_doc = docs::retrieve();
  m.def("retrieve", &retrieval, py::arg("sst_c"), py::arg("altitude_m"), py::arg("air_c"),
        py::arg("tb"), py::arg("noise_k") = tbcalc::default_noise_k, py::kw_only(),
        py::arg("intervals") = false, py::arg("level") = tbcalc::one_sigma_level,
        retrieve_doc.c_str());
}
