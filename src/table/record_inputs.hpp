// The inputs of the model and of the retrieval as a table program reads
// them, from the model's own description: a six-channel input is six
// columns (tb1 to tb6); a value out of its range has a message, and the help
// text a line for each.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "problem.hpp"
#include "table_command.hpp"
#include "tbcalc/inputs.hpp"

namespace tbcalc::table {

// The values a record of these inputs holds, in order, with their
// fallbacks; and the field each belongs to.
std::vector<TableInput> table_inputs(std::span<const InputId> ids);
std::vector<const InputField*> value_fields(std::span<const InputId> ids);

// "wind speed 200 out of range (0 to 150 m/s)". A temperature that would be
// within its range in kelvin says so: a file of kelvin is a common mistake.
void describe_out_of_range(const InputField& field, float typed, Problem& problem);

// The inputs for a help text, a line each: name, what it is, unit, range.
std::string describe_inputs(std::span<const InputId> ids);
// "In the plain format a record is one line of sst, ..., in that order, ...;
// --set gives salinity.", for a help text.
std::string plain_record_text(std::span<const InputId> ids);

}  // namespace tbcalc::table
