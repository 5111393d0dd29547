// The page's entry points into the libraries, as JavaScript sees them: the
// inputs' table, the six-channel model, the retrieval and its misfit map, and
// the table programs. JavaScript numbers are doubles; where the model takes a
// float, the value is rounded to the nearest float, as the Python module does.
// Nothing here throws: a bad value comes back as a message in `error`.
#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "problem.hpp"
#include "record_inputs.hpp"
#include "result_lines.hpp"
#include "table_run.hpp"
#include "tbcalc/inputs.hpp"
#include "tbcalc/model.hpp"
#include "tbcalc/retrieval.hpp"

namespace tbcalc::web {
namespace {

using emscripten::val;

template <class Numbers>
val number_array(const Numbers& numbers) {
  val array = val::array();
  for (const auto x : numbers) array.call<void>("push", double(x));
  return array;
}

// A copy that outlives the C++ memory it came from.
val float64_array(const std::vector<double>& values) {
  return val::global("Float64Array")
      .new_(emscripten::typed_memory_view(values.size(), values.data()));
}

// A bad value or setting: its message, for api.js to throw.
val failure(const std::string& message) {
  val result = val::object();
  result.set("error", message);
  return result;
}

val inputs_table() {
  val table = val::array();
  for (const InputField& field : inputs) {
    val entry = val::object();
    entry.set("name", std::string(field.name));
    entry.set("longName", std::string(field.long_name));
    entry.set("unit", std::string(field.unit));
    entry.set("low", double(field.range.low));
    entry.set("high", double(field.range.high));
    entry.set("lowExcluded", field.range.low_excluded);
    entry.set("fallback", field.fallback ? val(double(*field.fallback)) : val::null());
    entry.set("channels", int(field.channels));
    entry.set("doc", std::string(field.doc));
    table.call<void>("push", entry);
  }
  return table;
}

// The table programs' message for a value outside its range, or "".
std::string range_problem(InputId id, float value) {
  const InputField& field = input_field(id);
  if (field.range.contains(value)) return {};
  table::Problem problem;
  table::describe_out_of_range(field, value, problem);
  return std::string(problem.view());
}

val brightness(double sst, double altitude, double air, double wind, double rain, double salinity) {
  const std::array<float, 6> typed = {float(sst),  float(altitude), float(air),
                                      float(wind), float(rain),     float(salinity)};
  for (std::size_t k = 0; k < typed.size(); ++k) {
    const std::string problem = range_problem(forward_inputs[k], typed[k]);
    if (!problem.empty()) return failure(problem);
  }
  TypedEnvironment environment;
  const std::array<float, 6> tb =
      environment.channels(typed[0], typed[1], typed[2], typed[5]).brightness({typed[3], typed[4]});
  std::array<char, dialogue::kResultLinesSize> lines;
  dialogue::write_result_lines(tb, lines);
  val result = val::object();
  result.set("tb", number_array(tb));
  result.set("lines", std::string(lines.data(), lines.size()));
  return result;
}

// The measurements and settings of one retrieval as JavaScript gives them.
struct Scene {
  std::array<double, 6> tb;
  Noise noise = default_noise_k;
  RetrievalOptions options;
};

// Reads six brightness temperatures, the noise (a number or six) and the
// options into `scene`; returns what is wrong with them, or "".
std::string read_scene(const val& tb, const val& noise_k, bool intervals, double level,
                       Scene& scene) {
  const std::vector<double> t = emscripten::vecFromJSArray<double>(tb);
  if (t.size() != 6) return "tb: six brightness temperatures are needed, one per channel";
  std::copy(t.begin(), t.end(), scene.tb.begin());
  const std::vector<double> k = noise_k.isNumber() ? std::vector<double>{noise_k.as<double>()}
                                                   : emscripten::vecFromJSArray<double>(noise_k);
  if (const SettingCheck c = check_noise_count(k.size()); !c.ok) return std::string(c.message);
  if (const SettingCheck c = check_noise(k); !c.ok) return std::string(c.message);
  scene.noise = k.size() == 1 ? Noise(k[0]) : Noise(std::array{k[0], k[1], k[2], k[3], k[4], k[5]});
  scene.options = {intervals, level};
  if (const SettingCheck c = check_options(scene.options); !c.ok) return std::string(c.message);
  return {};
}

// Why the retrieval would call a scene invalid_input, in the table programs'
// words, or "".
std::string scene_problem(double sst, double altitude, double air, const std::array<double, 6>& tb,
                          double salinity) {
  const std::array<std::pair<InputId, double>, 4> environment = {{{InputId::sst, sst},
                                                                  {InputId::altitude, altitude},
                                                                  {InputId::air, air},
                                                                  {InputId::salinity, salinity}}};
  for (const auto& [id, value] : environment) {
    if (std::string problem = range_problem(id, float(value)); !problem.empty()) return problem;
  }
  for (const double t : tb) {
    // Measured temperatures are taken in double: above 0 K and finite.
    if (!(t > 0.0 && std::isfinite(t))) {
      table::Problem problem;
      table::describe_out_of_range(input_field(InputId::tb), float(t), problem);
      return std::string(problem.view());
    }
  }
  return {};
}

val retrieval(double sst, double altitude, double air, const val& tb, const val& noise_k,
              double salinity, bool intervals, double level) {
  Scene scene;
  if (const std::string problem = read_scene(tb, noise_k, intervals, level, scene);
      !problem.empty()) {
    return failure(problem);
  }
  const Retrieval r = retrieve(float(sst), float(altitude), float(air), scene.tb, scene.noise,
                               scene.options, float(salinity));
  val result = val::object();
  for (const RetrievalField& field : retrieval_fields) {
    result.set(std::string(field.name), r.*field.member);
  }
  result.set("iterations", r.iterations);
  result.set("status", std::string(status_name(r.status)));
  if (r.status == RetrievalStatus::invalid_input) {
    result.set("problem", scene_problem(sst, altitude, air, scene.tb, salinity));
  }
  return result;
}

val misfit_map_of(double sst, double altitude, double air, const val& tb, const val& noise_k,
                  double salinity, const val& wind, const val& rain) {
  Scene scene;
  if (const std::string problem = read_scene(tb, noise_k, false, one_sigma_level, scene);
      !problem.empty()) {
    return failure(problem);
  }
  const MisfitMapGrid grid{wind[0].as<double>(), wind[1].as<double>(), wind[2].as<int>(),
                           rain[0].as<double>(), rain[1].as<double>(), rain[2].as<int>()};
  if (const SettingCheck c = check_misfit_grid(grid); !c.ok) return failure(std::string(c.message));
  const MisfitMap map = misfit_map(float(sst), float(altitude), float(air), scene.tb, scene.noise,
                                   grid, float(salinity));
  val result = val::object();
  if (const std::string problem = scene_problem(sst, altitude, air, scene.tb, salinity);
      !problem.empty()) {
    result.set("problem", problem);  // and the misfit is NaN throughout
  }
  result.set("wind", float64_array(map.wind));
  result.set("rain", float64_array(map.rain));
  result.set("chi2", float64_array(map.chi2));
  return result;
}

val run_table_program(const std::string& program, const std::string& bytes, const val& arguments,
                      const std::string& file_name, const val& on_progress) {
  const std::vector<std::string> args = emscripten::vecFromJSArray<std::string>(arguments);
  const TableRun run =
      run_table_on_bytes(program, bytes, args, file_name, [&on_progress](std::uint64_t consumed) {
        if (!on_progress.isUndefined()) on_progress(double(consumed));
      });
  val result = val::object();
  result.set("output", val::global("Uint8Array")
                           .new_(emscripten::typed_memory_view(
                               run.output.size(),
                               reinterpret_cast<const unsigned char*>(run.output.data()))));
  result.set("messages", run.messages);
  result.set("exitStatus", run.exit_status);
  return result;
}

}  // namespace

EMSCRIPTEN_BINDINGS(tbcalc) {
  emscripten::function("inputs", &inputs_table);
  emscripten::function(
      "frequencies", +[] { return number_array(freqs); });
  emscripten::function(
      "version", +[] { return std::string(TBCALC_VERSION); });
  emscripten::function("brightness", &brightness);
  emscripten::function("retrieve", &retrieval);
  emscripten::function("misfitMap", &misfit_map_of);
  emscripten::function("chiSquareQuantile", &chi_square_quantile);
  emscripten::function("runTable", &run_table_program);
}

}  // namespace tbcalc::web
