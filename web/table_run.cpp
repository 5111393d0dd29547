#include "table_run.hpp"

#include <algorithm>
#include <cerrno>
#include <memory>
#include <span>

#include "console.hpp"
#include "diagnostics.hpp"
#include "forward_records.hpp"
#include "retrieval_records.hpp"
#include "table_command.hpp"

namespace tbcalc::web {
namespace {

constexpr std::uint64_t kProgressStep = 256 << 10;  // bytes

// The file's bytes, telling how far reading has come.
class BytesSource final : public console::ByteSource {
 public:
  BytesSource(std::string_view bytes, const std::function<void(std::uint64_t)>& progress)
      : rest_(bytes), progress_(progress) {}
  long read(std::span<char> into) override {
    const std::size_t n = std::min(into.size(), rest_.size());
    std::copy_n(rest_.begin(), n, into.begin());
    rest_.remove_prefix(n);
    consumed_ += n;
    if (consumed_ - reported_ >= kProgressStep || (rest_.empty() && consumed_ != reported_)) {
      reported_ = consumed_;
      if (progress_) progress_(consumed_);
    }
    return long(n);
  }

 private:
  std::string_view rest_;
  const std::function<void(std::uint64_t)>& progress_;
  std::uint64_t consumed_ = 0;
  std::uint64_t reported_ = 0;
};

class StringSink final : public console::ByteSink {
 public:
  explicit StringSink(std::string& text) : text_(text) {}
  int write(std::span<const char> bytes) override {
    text_.append(bytes.data(), bytes.size());
    return 0;
  }

 private:
  std::string& text_;
};

}  // namespace

TableRun run_table_on_bytes(std::string_view program, std::string_view bytes,
                            const std::vector<std::string>& args, const std::string& file_name,
                            const std::function<void(std::uint64_t)>& progress) {
  TableRun run{{}, {}, console::kExitUsage};
  std::vector<std::string> words{std::string(program)};
  words.insert(words.end(), args.begin(), args.end());
  if (file_name != "-") {
    if (std::find(args.begin(), args.end(), "--") == args.end()) words.emplace_back("--");
    words.push_back(file_name);
  }
  std::vector<const char*> argv;
  for (const std::string& word : words) argv.push_back(word.c_str());

  StringSink output(run.output);
  StringSink errors(run.messages);
  const table::CommandStreams streams{
      [&](const std::string& file, std::uint64_t& size,
          int& error) -> std::unique_ptr<console::ByteSource> {
        if (file != file_name) {
          error = ENOENT;  // the page holds one file
          return nullptr;
        }
        size = bytes.size();
        return std::make_unique<BytesSource>(bytes, progress);
      },
      output, false, errors, false, 0,
      // No threads in the page: every batch is computed where it is read.
      [](std::function<void()>) { return table::JoiningThread(); }};

  tbretrieve::RetrievalSettings settings;
  const int argc = int(argv.size());
  if (program == "tbforward") {
    table::TableCommand command = tbforward::forward_command();
    command.version = TBCALC_VERSION;
    run.exit_status = table::run_table_command(
        command, argc, argv.data(),
        [](const table::TableOptions&) { return tbforward::forward_records(); }, streams);
  } else if (program == "tbretrieve") {
    table::TableCommand command = tbretrieve::retrieval_command(settings);
    command.version = TBCALC_VERSION;
    run.exit_status = table::run_table_command(
        command, argc, argv.data(),
        [&](const table::TableOptions& options) {
          return tbretrieve::retrieval_records(settings, options);
        },
        streams);
  } else {
    run.messages = "no table program named " + std::string(program) +
                   ": the page runs tbforward and tbretrieve\n";
  }
  return run;
}

}  // namespace tbcalc::web
