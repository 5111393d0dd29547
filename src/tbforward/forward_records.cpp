#include "forward_records.hpp"

#include "tbcalc/model.hpp"
#include "typed_values.hpp"

namespace tbcalc::tbforward {
namespace {

class ForwardWorker final : public table::RecordWorker {
 public:
  table::Outcome compute(std::span<const double> values, table::ColumnWriter& out,
                         table::Problem& problem) override {
    // Decimal to double to float, as the dialogue stores a typed value.
    std::array<float, 5> typed;
    for (std::size_t i = 0; i < typed.size(); ++i) {
      typed[i] = float(values[i]);
      if (!table::typed_values[i].range.contains(typed[i])) {
        table::describe_out_of_range(table::typed_values[i], typed[i], problem);
        return table::Outcome::bad;
      }
    }
    const std::array<float, 6> tb =
        environment_.channels(typed[0], typed[1], typed[2]).brightness({typed[3], typed[4]});
    for (float t : tb) out.shortest(t);
    return table::Outcome::answered;
  }

 private:
  // Records of a flight share their environment for long stretches.
  TypedEnvironment environment_;
};

class ForwardRecords final : public table::RecordKind {
 public:
  std::vector<std::string> added_columns() const override {
    return {"tb1", "tb2", "tb3", "tb4", "tb5", "tb6"};
  }
  void write_unanswered(table::ColumnWriter& out) const override {
    for (int i = 0; i < 6; ++i) out.missing();
  }
  std::unique_ptr<table::RecordWorker> make_worker() const override {
    return std::make_unique<ForwardWorker>();
  }
};

}  // namespace

table::TableCommand forward_command() {
  table::TableCommand command;
  command.program = "tbforward";
  command.purpose = "Compute the six nadir brightness temperatures of the sea at C band.";
  command.description =
      "Each record holds five numbers: sea surface temperature (deg C, -5 to 45),\n"
      "radar altitude (m, above 0 up to 16000), flight-level air temperature (deg C,\n"
      "-70 to 45), wind speed (m/s, 0 to 150) and rain rate (mm/h, -10 to 150). In\n"
      "the plain format they are separated by blanks, tabs or commas, and each record\n"
      "gives one output line: the brightness temperatures (K) at 4.74, 5.31, 5.57,\n"
      "6.02, 6.69 and 7.09 GHz, each the shortest decimal that reads back as the same\n"
      "float; blank lines and lines starting with # are copied. With --header the\n"
      "columns sst, altitude, air, wind and rain are read and each line keeps its own\n"
      "fields, followed by tb1 to tb6. A value out of its range makes a bad record.\n";
  command.inputs = {"sst", "altitude", "air", "wind", "rain"};
  return command;
}

std::unique_ptr<table::RecordKind> forward_records() { return std::make_unique<ForwardRecords>(); }

}  // namespace tbcalc::tbforward
