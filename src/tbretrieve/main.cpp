// tbretrieve: wind speed and rain rate from brightness temperatures, a filter.
#include "retrieval_records.hpp"

int main(int argc, char** argv) {
  using namespace tbcalc;
  tbretrieve::RetrievalSettings settings;
  table::TableCommand command = tbretrieve::retrieval_command(settings);
  command.version = TBCALC_VERSION;
  return table::run_table_command(command, argc, argv, [&](const table::TableOptions& options) {
    return tbretrieve::retrieval_records(settings, options);
  });
}
