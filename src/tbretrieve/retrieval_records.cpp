#include "retrieval_records.hpp"

#include <charconv>
#include <cmath>

#include "tbcalc/retrieval.hpp"

namespace tbcalc::tbretrieve {
namespace {

class RetrievalWorker final : public table::RecordWorker {
 public:
  explicit RetrievalWorker(const RetrievalSettings& settings) : settings_(settings) {}

  bool compute(std::span<const double> v, table::ColumnWriter& out, table::Problem&) override {
    // The environment as the dialogue stores typed values: decimal to double
    // to float.
    const std::array<double, 6> tb = {v[3], v[4], v[5], v[6], v[7], v[8]};
    const Retrieval r = retrieve(float(v[0]), float(v[1]), float(v[2]), tb, settings_.noise_k);
    for (const RetrievalField& field : retrieval_fields)
      out.number(r.*field.member, field.decimals);
    out.word(status_name(r.status));
    return true;
  }

 private:
  const RetrievalSettings& settings_;
};

class RetrievalRecords final : public table::RecordKind {
 public:
  explicit RetrievalRecords(const RetrievalSettings& settings) : settings_(settings) {}

  std::vector<std::string> added_columns() const override {
    std::vector<std::string> names;
    for (const RetrievalField& field : retrieval_fields) names.emplace_back(field.name);
    names.emplace_back("status");
    return names;
  }
  void write_unanswered(table::ColumnWriter& out) const override {
    for (std::size_t i = 0; i < retrieval_fields.size(); ++i) out.missing();
    out.word("bad-input");
  }
  std::unique_ptr<table::RecordWorker> make_worker() const override {
    return std::make_unique<RetrievalWorker>(settings_);
  }

 private:
  const RetrievalSettings& settings_;
};

bool read_noise(std::string_view text, double& noise) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), noise);
  return error == std::errc() && end == text.data() + text.size() && std::isfinite(noise) &&
         noise > 0.0;
}

}  // namespace

table::TableCommand retrieval_command(RetrievalSettings& settings) {
  table::TableCommand command;
  command.program = "tbretrieve";
  command.purpose =
      "Retrieve surface wind speed and rain rate from six nadir brightness temperatures.";
  command.description =
      "Each record holds nine numbers: sea surface temperature (deg C), radar altitude\n"
      "(m), flight-level air temperature (deg C), then the brightness temperatures (K)\n"
      "at 4.74, 5.31, 5.57, 6.02, 6.69 and 7.09 GHz. In the plain format they are\n"
      "separated by blanks, tabs or commas, and each record gives one output line:\n"
      "wind (m/s), rain (mm/h), their one-sigma uncertainties, the rms misfit (K) and\n"
      "a status word; blank lines and lines starting with # are copied. With --header\n"
      "the columns sst, altitude, air and tb1 to tb6 are read and each line keeps its\n"
      "own fields, followed by wind, rain, wind_sd, rain_sd, rms and status.\n";
  command.inputs = {"sst", "altitude", "air", "tb1", "tb2", "tb3", "tb4", "tb5", "tb6"};
  command.count_word = "nine";
  command.options.push_back({"--noise", "KELVIN", "noise of each channel, one sigma (default 0.5)",
                             [&settings](std::string_view value) -> std::string {
                               if (read_noise(value, settings.noise_k)) return "";
                               return "invalid noise '" + std::string(value) +
                                      "': a positive number of kelvin is needed";
                             }});
  return command;
}

std::unique_ptr<table::RecordKind> retrieval_records(const RetrievalSettings& settings,
                                                     const table::TableOptions&) {
  return std::make_unique<RetrievalRecords>(settings);
}

}  // namespace tbcalc::tbretrieve
