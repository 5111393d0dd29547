#include "pipeline.hpp"

#include <algorithm>
#include <new>
#include <string>
#include <system_error>

#include "diagnostics.hpp"

namespace tbcalc::table {
namespace {

// Batches in flight per job: one being computed, one written or waiting.
constexpr unsigned kBatchesPerJob = 2;
constexpr unsigned kSpareBatches = 2;  // one being read, one waiting for a worker
// At most this many in all (about 32 MiB): beyond, more jobs only wait.
constexpr unsigned kMostBatches = 64;
// Address space kept free while threads are started: under a limit on it
// (ulimit -v), each thread's stack takes 8 MiB, and the run must still have
// room for its buffers once the last thread that fits has started.
constexpr std::size_t kHeadroomBytes = std::size_t(32) << 20;

}  // namespace

JoiningThread start_thread(std::function<void()> work) { return JoiningThread(std::move(work)); }

void BatchWriter::say(std::string_view message) {
  // At a terminal, what came before the message is shown before it.
  if (output_is_terminal_) out_.flush();
  diagnostics_.report(message);
}

void BatchWriter::write(const Batch& batch) {
  if (ended_) return;
  if (batch.lost) {
    // Nothing after a batch that could not be computed: the answers that
    // follow would stand on the wrong lines.
    ended_ = true;
    input_failed_ = true;
    lost_file_ = batch.file;
    lost_line_ = batch.lost_line;
    return;
  }
  try {
    write_in_order(batch);
  } catch (const std::bad_alloc&) {
    ended_ = true;
    input_failed_ = true;
    lost_file_ = batch.file;
    lost_line_ = batch.lines.empty() ? 0 : batch.lines.front().number;
  }
}

void BatchWriter::write_in_order(const Batch& batch) {
  if (batch.file.get() != file_) {
    file_ = batch.file.get();
    progress_.start(file_->name, file_->size);
  }
  const std::string_view output = batch.output.view();
  std::size_t written = 0;
  for (const MessageMark& mark : batch.marks) {
    if (reported_ == kReportedBadRecords) break;
    ++reported_;
    out_.append(output.substr(written, mark.output_offset - written));
    written = mark.output_offset;
    say(std::string_view(batch.messages).substr(mark.text_begin, mark.text_end - mark.text_begin));
  }
  out_.append(output.substr(written));
  bad_records_ += batch.bad_records;
  if (noted_ == 0) first_note_ = batch.first_note;
  noted_ += batch.noted;
  progress_.advance(std::uint64_t(batch.records), batch.bytes_read);
  if (!batch.closing_message.empty()) {
    if (output_is_terminal_) out_.flush();
    progress_.clear();
    if (batch.closing_is_usage) {
      usage_failed_ = true;
      diagnostics_.usage_error(batch.closing_message);
    } else {
      input_failed_ = true;
      diagnostics_.report(batch.closing_message);
    }
  }
}

void BatchWriter::close(const RecordKind& kind) {
  if (lost_file_) {
    try {
      diagnostics_.report("out of memory: the output stops before " + lost_file_->name + ":" +
                          std::to_string(lost_line_));
    } catch (const std::bad_alloc&) {
      diagnostics_.report("out of memory");
    }
    return;
  }
  // After a usage error or lost output the tallies would only follow the
  // message that matters, and depend on how far the jobs had got.
  if (usage_failed_ || out_.failed()) return;
  if (const long unshown = bad_records_ - kReportedBadRecords; unshown > 0) {
    diagnostics_.report(std::to_string(unshown) +
                        (unshown == 1 ? " more bad line" : " more bad lines") + " not shown (" +
                        std::to_string(bad_records_) + " in all)");
  }
  if (noted_ > 0) diagnostics_.report(kind.closing_note(noted_, first_note_));
}

Pipeline::Pipeline(const RecordKind& kind, unsigned jobs, BatchWriter& writer,
                   const console::OutputBuffer& out, const ThreadStarter& start)
    : kind_(kind), writer_(writer), out_(out) {
  const unsigned batches =
      jobs > 1 ? std::min(kBatchesPerJob * jobs + kSpareBatches, kMostBatches) : 1;
  for (unsigned i = 0; i < batches; ++i) {
    pool_.push_back(std::make_unique<Batch>());
    free_.push_back(pool_.back().get());
  }
  in_flight_.assign(batches, nullptr);
  done_.assign(batches, 0);
  for (unsigned i = 0; i < std::max(jobs, 1u); ++i) workers_.push_back(kind.make_worker());
  threads_.reserve(workers_.size());
  const std::unique_ptr<char[]> headroom(jobs > 1 ? new (std::nothrow) char[kHeadroomBytes]
                                                  : nullptr);
  if (headroom) {
    for (auto& worker : workers_) {
      try {
        JoiningThread thread = start([this, &worker] { work(*worker); });
        if (!thread.started()) break;
        threads_.push_back(std::move(thread));
      } catch (const std::system_error&) {
        break;  // a limit on threads or memory: the output is the same with fewer
      } catch (const std::bad_alloc&) {
        break;
      }
    }
  }
  threaded_ = !threads_.empty();
}

Pipeline::~Pipeline() {
  {
    const std::lock_guard lock(mutex_);
    closing_ = true;
  }
  work_ready_.notify_all();
  threads_.clear();  // joins
}

Batch& Pipeline::acquire() {
  std::unique_lock lock(mutex_);
  batch_free_.wait(lock, [this] { return !free_.empty(); });
  Batch* batch = free_.back();
  free_.pop_back();
  lock.unlock();
  batch->clear();
  return *batch;
}

void Pipeline::dispatch(Batch& batch) {
  if (!threaded_) {
    if (!output_failed()) compute(batch, *workers_.front(), scratch_);
    writer_.write(batch);
    output_failed_ = out_.failed();
    const std::lock_guard lock(mutex_);
    free_.push_back(&batch);
    return;
  }
  {
    const std::lock_guard lock(mutex_);
    const std::size_t slot = sent_ % pool_.size();
    in_flight_[slot] = &batch;
    done_[slot] = 0;
    ++sent_;
  }
  work_ready_.notify_one();
}

void Pipeline::before_input_wait() {
  if (threaded_) return;
  writer_.flush();
  output_failed_ = out_.failed();
}

void Pipeline::finish() {
  if (!threaded_) return;
  std::unique_lock lock(mutex_);
  all_written_.wait(lock, [this] { return written_ == sent_; });
}

void Pipeline::compute(Batch& batch, RecordWorker& worker, Scratch& scratch) {
  try {
    process_batch(batch, kind_, worker, scratch);
  } catch (const std::bad_alloc&) {
    // Under a memory limit: what was written stays, this batch and the rest
    // are not, and the run says so and fails.
    const std::uint64_t line = batch.lines.empty() ? 0 : batch.lines.front().number;
    batch.clear();
    batch.lost = true;
    batch.lost_line = line;
    stopped_ = true;
  }
}

void Pipeline::work(RecordWorker& worker) {
  Scratch scratch;
  for (;;) {
    Batch* batch;
    std::size_t slot;
    {
      std::unique_lock lock(mutex_);
      work_ready_.wait(lock, [this] { return taken_ < sent_ || closing_; });
      if (taken_ == sent_) return;
      slot = taken_ % pool_.size();
      batch = in_flight_[slot];
      ++taken_;
    }
    // After a write error nothing more is computed; batches only drain.
    if (!output_failed()) compute(*batch, worker, scratch);
    {
      const std::lock_guard lock(mutex_);
      done_[slot] = 1;
    }
    write_ready();
  }
}

void Pipeline::write_ready() {
  const std::lock_guard write_lock(write_mutex_);
  for (;;) {
    Batch* batch;
    {
      const std::lock_guard lock(mutex_);
      const std::size_t slot = written_ % pool_.size();
      if (written_ == sent_ || !done_[slot]) break;
      batch = in_flight_[slot];
    }
    writer_.write(*batch);
    {
      const std::lock_guard lock(mutex_);
      done_[written_ % pool_.size()] = 0;
      free_.push_back(batch);
      ++written_;
    }
    batch_free_.notify_one();
    all_written_.notify_all();
  }
  // The next batch is not ready: what is written so far must be seen now, for
  // a live feed waits for its answers.
  writer_.flush();
  output_failed_ = out_.failed();
}

}  // namespace tbcalc::table
