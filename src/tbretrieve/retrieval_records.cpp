#include "retrieval_records.hpp"

#include <algorithm>
#include <cmath>

#include "decimal_text.hpp"
#include "number_format.hpp"
#include "record_inputs.hpp"
#include "tbcalc/inputs.hpp"

namespace tbcalc::tbretrieve {
namespace {

// Whether `text` read as the dialogue reads a typed value (decimal to double
// to float) lies on the same piece of the wind increment as `wind`.
bool same_piece(std::string_view text, double wind) {
  double back = 0;
  console::read_double(text.data(), text.data() + text.size(), back);
  return wind_piece(double(float(back))) == wind_piece(wind);
}

// Where each value stands in a record.
constexpr std::size_t kSst = value_index(retrieval_inputs, InputId::sst);
constexpr std::size_t kAltitude = value_index(retrieval_inputs, InputId::altitude);
constexpr std::size_t kAir = value_index(retrieval_inputs, InputId::air);
constexpr std::size_t kTb = value_index(retrieval_inputs, InputId::tb);
constexpr std::size_t kSalinity = value_index(retrieval_inputs, InputId::salinity);

class RetrievalWorker final : public table::RecordWorker {
 public:
  RetrievalWorker(const RetrievalSettings& settings, bool intervals)
      : settings_(settings), options_{intervals, settings.level} {}

  table::Outcome compute(std::span<const double> v, table::ColumnWriter& out,
                         table::Problem& problem) override {
    // The environment as the dialogue stores typed values: decimal to double
    // to float.
    const std::array<std::size_t, 4> at = {kSst, kAltitude, kAir, kSalinity};
    std::array<float, 4> environment;
    for (std::size_t i = 0; i < at.size(); ++i) environment[i] = float(v[at[i]]);
    std::array<double, 6> tb;
    std::copy_n(v.begin() + std::ptrdiff_t(kTb), tb.size(), tb.begin());
    const Retrieval r = retrieve(environment[0], environment[1], environment[2], tb,
                                 settings_.noise, options_, environment[3]);
    for (const RetrievalField& field : retrieval_fields) {
      if (field.interval && !options_.intervals) continue;
      if (field.member == &Retrieval::wind) {
        char text[table::kMaxNumberChars];
        out.word(std::string_view(text, write_wind(r.wind, field.decimals, text)));
      } else {
        out.number(r.*field.member, field.decimals);
      }
    }
    out.word(status_name(r.status));
    // Answered invalid-input, as ever; an environment outside the ranges is
    // also counted for the run's closing line, for a whole file of them
    // (kelvin for deg C) would otherwise pass unremarked.
    if (r.status != RetrievalStatus::invalid_input) return table::Outcome::answered;
    for (std::size_t i = 0; i < at.size(); ++i) {
      const InputField& field = *fields_[at[i]];
      if (field.range.contains(environment[i])) continue;
      table::describe_out_of_range(field, environment[i], problem);
      return table::Outcome::noted;
    }
    return table::Outcome::answered;
  }

 private:
  const RetrievalSettings& settings_;
  const RetrievalOptions options_;
  const std::vector<const InputField*> fields_ = table::value_fields(retrieval_inputs);
};

class RetrievalRecords final : public table::RecordKind {
 public:
  RetrievalRecords(const RetrievalSettings& settings, bool intervals)
      : settings_(settings), intervals_(intervals) {
    for (const RetrievalField& field : retrieval_fields) {
      if (!field.interval || intervals_) names_.emplace_back(field.name);
    }
    names_.emplace_back("status");
  }

  std::vector<std::string> added_columns() const override { return names_; }
  void write_unanswered(table::ColumnWriter& out) const override {
    for (std::size_t i = 0; i + 1 < names_.size(); ++i) out.missing();
    out.word("bad-input");
  }
  std::unique_ptr<table::RecordWorker> make_worker() const override {
    return std::make_unique<RetrievalWorker>(settings_, intervals_);
  }
  std::string closing_note(long count, std::string_view first) const override {
    return std::to_string(count) + (count == 1 ? " record" : " records") +
           " with an environment outside the accepted ranges, answered invalid-input; the "
           "first: " +
           std::string(first);
  }

 private:
  const RetrievalSettings& settings_;
  const bool intervals_;
  std::vector<std::string> names_;  // of the added columns, the status last
};

// Decimal text, blanks around it allowed ("1, 2" in a list). Which numbers
// make a noise or a level is the retrieval library's to say.
bool read_number(std::string_view text, double& value) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  const auto [end, error] = console::read_double(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

// One noise for every channel, or one per channel separated by commas.
bool read_noise(std::string_view text, Noise& noise) {
  std::vector<double> k;
  for (;;) {
    const std::size_t comma = text.find(',');
    if (!read_number(text.substr(0, comma), k.emplace_back())) return false;
    if (comma == std::string_view::npos) break;
    text.remove_prefix(comma + 1);
  }
  if (!check_noise(k).ok) return false;
  noise = k.size() == 1 ? Noise(k[0]) : Noise({k[0], k[1], k[2], k[3], k[4], k[5]});
  return true;
}

// A share (0.95) or, from 1 on or with a per cent sign, a per cent (95, 95%).
// A level is given for the intervals: it is judged as theirs.
bool read_level(std::string_view text, double& level) {
  const bool per_cent = text.ends_with('%');
  if (per_cent) text.remove_suffix(1);
  if (!read_number(text, level)) return false;
  if (per_cent || level >= 1.0) level /= 100.0;
  return check_options({.intervals = true, .level = level}).ok;
}

}  // namespace

std::size_t write_wind(double wind, int decimals, char* out) {
  const std::size_t n = table::write_fixed(wind, decimals, out);
  if (!std::isfinite(wind) || same_piece(std::string_view(out, n), wind)) return n;
  return table::write_shortest(wind_for_forward_model(wind), out);
}

table::TableCommand retrieval_command(RetrievalSettings& settings) {
  table::TableCommand command;
  command.program = "tbretrieve";
  command.purpose =
      "Retrieve surface wind speed and rain rate from six nadir brightness temperatures.";
  command.description =
      "Each record holds these inputs:\n" + table::describe_inputs(retrieval_inputs) +
      table::plain_record_text(retrieval_inputs) +
      "A plain record gives one output line: wind (m/s), rain (mm/h), their one-sigma\n"
      "uncertainties, the rms misfit (K), with --intervals the confidence intervals\n"
      "of wind and rain, and a status word; blank lines and lines starting with #\n"
      "are copied. With --header the inputs are read from the columns of their\n"
      "names and each line keeps its own fields, followed by wind, rain, wind_sd,\n"
      "rain_sd, rms, wind_lo, wind_hi, rain_lo, rain_hi and status.\n";
  command.inputs = table::table_inputs(retrieval_inputs);
  command.options.push_back({"--noise", "K",
                             "noise of each channel, one sigma, in kelvin (default 0.5);\n"
                             "                  K1,K2,K3,K4,K5,K6 gives each channel its own",
                             [&settings](std::string_view value) -> std::string {
                               if (read_noise(value, settings.noise)) return "";
                               return "invalid noise '" + std::string(value) +
                                      "': one or six positive numbers of kelvin are needed";
                             }});
  command.options.push_back(
      {"--level", "P",
       "level of the intervals: a share (0.95) or a per cent (95);\n"
       "                  default 0.6827, one sigma",
       [&settings](std::string_view value) -> std::string {
         settings.level_given = true;
         if (read_level(value, settings.level)) return "";
         return "invalid level '" + std::string(value) +
                "': a share between 0 and 1 or a per cent between 1 and 100 is needed";
       }});
  command.options.push_back(
      {"--intervals", "",
       "the plain format too gives the intervals wind_lo wind_hi\n"
       "                  rain_lo rain_hi after the rms (header mode always does)",
       [&settings](std::string_view) -> std::string {
         settings.intervals = true;
         return "";
       }});
  command.check = [&settings](const table::TableOptions& options) -> std::string {
    if (settings.level_given && !settings.intervals && !options.header_mode) {
      return "option '--level' sets the level of the intervals: it needs --intervals or --header";
    }
    return "";
  };
  return command;
}

std::unique_ptr<table::RecordKind> retrieval_records(const RetrievalSettings& settings,
                                                     const table::TableOptions& options) {
  return std::make_unique<RetrievalRecords>(settings, settings.intervals || options.header_mode);
}

}  // namespace tbcalc::tbretrieve
