// tbforward: the forward model as a filter, six brightness temperatures for
// every record of environment, wind and rain.
#include "forward_records.hpp"

int main(int argc, char** argv) {
  using namespace tbcalc;
  table::TableCommand command = tbforward::forward_command();
  command.version = TBCALC_VERSION;
  return table::run_table_command(
      command, argc, argv, [](const table::TableOptions&) { return tbforward::forward_records(); });
}
