// What a record means to tbretrieve: the environment and six brightness
// temperatures in, the retrieved wind and rain with their uncertainties, the
// misfit and a status word out.
#pragma once

#include <memory>

#include "record_kind.hpp"
#include "table_command.hpp"

namespace tbcalc::tbretrieve {

struct RetrievalSettings {
  double noise_k = 0.5;  // K, one sigma, every channel
};

// The command line: tbretrieve's own options write into `settings`, which
// must outlive the command.
table::TableCommand retrieval_command(RetrievalSettings& settings);

std::unique_ptr<table::RecordKind> retrieval_records(const RetrievalSettings& settings,
                                                     const table::TableOptions& options);

}  // namespace tbcalc::tbretrieve
