// The table programs run on bytes in memory, as the page runs them: one
// thread, the file's bytes as the one input, standard output and standard
// error as byte strings. Everything else is the programs' own code.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tbcalc::web {

struct TableRun {
  std::string output;    // what the program writes to standard output
  std::string messages;  // what it writes to standard error
  int exit_status;
};

// Runs `program` ("tbforward" or "tbretrieve") as `program args... file_name`
// would run, with `bytes` the content of file_name ("-": standard input, the
// file when no name is given among the arguments' own). -j is taken and
// ignored: the page computes in one thread. `progress` hears how many bytes
// of the input have been read, at most every 256 KiB.
TableRun run_table_on_bytes(std::string_view program, std::string_view bytes,
                            const std::vector<std::string>& args, const std::string& file_name,
                            const std::function<void(std::uint64_t)>& progress);

}  // namespace tbcalc::web
