// What a record means to tbretrieve: the environment and six brightness
// temperatures in, the retrieved wind and rain with their uncertainties and
// confidence intervals, the misfit and a status word out.
#pragma once

#include <memory>

#include "record_kind.hpp"
#include "table_command.hpp"
#include "tbcalc/retrieval.hpp"

namespace tbcalc::tbretrieve {

struct RetrievalSettings {
  Noise noise = default_noise_k;  // K, one sigma, per channel
  double level = one_sigma_level;
  bool level_given = false;
  bool intervals = false;  // in the plain format; header mode always has them
};

// The command line: tbretrieve's own options write into `settings`, which
// must outlive the command.
table::TableCommand retrieval_command(RetrievalSettings& settings);

std::unique_ptr<table::RecordKind> retrieval_records(const RetrievalSettings& settings,
                                                     const table::TableOptions& options);

// The wind with `decimals` places, or, where those would read back on the
// other side of a break of the wind increment (31.8999996 printed as
// 31.900), the shortest decimal of the float the forward model should take
// for it: fed back, a printed answer lands on its own piece of the model.
std::size_t write_wind(double wind, int decimals, char* out);

}  // namespace tbcalc::tbretrieve
