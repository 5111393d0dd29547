// What a record means to tbforward: sea surface temperature, radar altitude,
// air temperature, wind speed and rain rate in, as the dialogue accepts them;
// the six brightness temperatures out, tbcalc's own float values, each
// printed as the shortest decimal that reads back as the same float.
#pragma once

#include <memory>

#include "record_kind.hpp"
#include "table_command.hpp"

namespace tbcalc::tbforward {

table::TableCommand forward_command();

std::unique_ptr<table::RecordKind> forward_records();

}  // namespace tbcalc::tbforward
