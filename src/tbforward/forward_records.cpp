#include "forward_records.hpp"

#include "record_inputs.hpp"
#include "tbcalc/inputs.hpp"
#include "tbcalc/model.hpp"

namespace tbcalc::tbforward {
namespace {

// Where each value stands in a record.
constexpr std::size_t kSst = value_index(forward_inputs, InputId::sst);
constexpr std::size_t kAltitude = value_index(forward_inputs, InputId::altitude);
constexpr std::size_t kAir = value_index(forward_inputs, InputId::air);
constexpr std::size_t kWind = value_index(forward_inputs, InputId::wind);
constexpr std::size_t kRain = value_index(forward_inputs, InputId::rain);
constexpr std::size_t kSalinity = value_index(forward_inputs, InputId::salinity);
constexpr std::size_t kValues = value_count(forward_inputs);

class ForwardWorker final : public table::RecordWorker {
 public:
  table::Outcome compute(std::span<const double> values, table::ColumnWriter& out,
                         table::Problem& problem) override {
    // Decimal to double to float, as the dialogue stores a typed value.
    std::array<float, kValues> typed;
    for (std::size_t i = 0; i < typed.size(); ++i) {
      typed[i] = float(values[i]);
      if (!fields_[i]->range.contains(typed[i])) {
        table::describe_out_of_range(*fields_[i], typed[i], problem);
        return table::Outcome::bad;
      }
    }
    const SixChannels& channels =
        environment_.channels(typed[kSst], typed[kAltitude], typed[kAir], typed[kSalinity]);
    for (float t : channels.brightness({typed[kWind], typed[kRain]})) out.shortest(t);
    return table::Outcome::answered;
  }

 private:
  const std::vector<const InputField*> fields_ = table::value_fields(forward_inputs);
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
      "Each record holds these inputs, as the dialogue accepts them typed:\n" +
      table::describe_inputs(forward_inputs) + table::plain_record_text(forward_inputs) +
      "Each record gives one output line: the brightness temperatures (K) at 4.74,\n"
      "5.31, 5.57, 6.02, 6.69 and 7.09 GHz, each the shortest decimal that reads back\n"
      "as the same float; blank lines and lines starting with # are copied. With\n"
      "--header the inputs are read from the columns of their names and each line\n"
      "keeps its own fields, followed by tb1 to tb6. A value out of its range makes\n"
      "a bad record.\n";
  command.inputs = table::table_inputs(forward_inputs);
  return command;
}

std::unique_ptr<table::RecordKind> forward_records() { return std::make_unique<ForwardRecords>(); }

}  // namespace tbcalc::tbforward
