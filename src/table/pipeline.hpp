// Reader, workers and an ordered writer. The reader fills batches and sends
// them on in input order; workers compute them in any order, at most `jobs`
// at once; the writer writes them in the order they were sent. Batches come
// from a fixed pool, so memory stays bounded at any number of jobs and any
// input length. With one job everything happens in the reader's thread.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "batch.hpp"
#include "console.hpp"
#include "progress.hpp"

namespace tbcalc::console {
class Diagnostics;
}

namespace tbcalc::table {

// A thread that is joined when it is destroyed, as a std::jthread is (the
// C++ library of the WebAssembly toolchain has no jthread); or none.
class JoiningThread {
 public:
  JoiningThread() = default;
  explicit JoiningThread(std::function<void()> work) : thread_(std::move(work)) {}
  JoiningThread(JoiningThread&&) noexcept = default;
  JoiningThread& operator=(JoiningThread&&) = delete;
  ~JoiningThread() {
    if (thread_.joinable()) thread_.join();
  }
  bool started() const { return thread_.joinable(); }

 private:
  std::thread thread_;
};

// Starts a thread that runs `work`; throws std::system_error when the
// system has no thread to give. A starter may also give no thread (an empty
// JoiningThread): the work stays with the threads already started.
using ThreadStarter = std::function<JoiningThread(std::function<void()> work)>;
JoiningThread start_thread(std::function<void()> work);

// Writes batches: output, the messages at their places, the closing
// message; tallies what went wrong. Used by one thread at a time.
class BatchWriter {
 public:
  // The first this many bad records of a run are reported one by one, the
  // rest counted: a file read the wrong way must not bury its user.
  static constexpr long kReportedBadRecords = 10;

  BatchWriter(console::OutputBuffer& out, console::Diagnostics& diagnostics, Progress& progress,
              bool output_is_terminal)
      : out_(out),
        diagnostics_(diagnostics),
        progress_(progress),
        output_is_terminal_(output_is_terminal) {}

  void write(const Batch& batch);
  // Delivers what is held: the writer is about to wait.
  void flush() { out_.flush(); }
  // The run's closing lines, once every batch is written: where memory ran
  // out, or the bad lines not reported one by one and the records `kind`
  // noted.
  void close(const RecordKind& kind);

  long bad_records() const { return bad_records_; }
  bool input_failed() const { return input_failed_; }
  bool usage_failed() const { return usage_failed_; }

 private:
  void write_in_order(const Batch& batch);
  void say(std::string_view message);

  const InputFile* file_ = nullptr;  // of the last batch written

  console::OutputBuffer& out_;
  console::Diagnostics& diagnostics_;
  Progress& progress_;
  bool output_is_terminal_;
  long bad_records_ = 0;
  long reported_ = 0;  // bad records said one by one
  long noted_ = 0;
  std::string first_note_;
  bool input_failed_ = false;
  bool usage_failed_ = false;
  bool ended_ = false;  // memory ran out: nothing more is written
  std::shared_ptr<const InputFile> lost_file_;
  std::uint64_t lost_line_ = 0;  // the first line not written
};

class Pipeline {
 public:
  // With more than one job, one thread per job computes, or as many as
  // `start` can start (none: everything in the reader's thread).
  Pipeline(const RecordKind& kind, unsigned jobs, BatchWriter& writer,
           const console::OutputBuffer& out, const ThreadStarter& start = start_thread);
  ~Pipeline();
  Pipeline(const Pipeline&) = delete;
  Pipeline& operator=(const Pipeline&) = delete;

  // An empty batch to fill; waits while every batch is in flight.
  Batch& acquire();
  // Sends a filled batch on; it is computed and written in its turn.
  void dispatch(Batch& batch);
  // The reader is about to wait for input: with one job, what is written so
  // far is delivered first (with more, the writer does so by itself).
  void before_input_wait();
  // Waits until every batch sent on has been written.
  void finish();
  // Output has failed, or memory ran out: reading on is pointless.
  bool output_failed() const { return output_failed_ || stopped_; }

 private:
  void compute(Batch& batch, RecordWorker& worker, Scratch& scratch);
  void work(RecordWorker& worker);
  void write_ready();

  const RecordKind& kind_;
  BatchWriter& writer_;
  const console::OutputBuffer& out_;
  bool threaded_ = false;
  std::atomic<bool> output_failed_ = false;  // out_ as the writer last saw it
  std::atomic<bool> stopped_ = false;        // a batch could not be computed

  std::vector<std::unique_ptr<Batch>> pool_;
  std::vector<std::unique_ptr<RecordWorker>> workers_;
  std::vector<JoiningThread> threads_;

  std::mutex mutex_;  // guards what follows
  std::condition_variable work_ready_, batch_free_, all_written_;
  std::vector<Batch*> free_;
  std::vector<Batch*> in_flight_;  // by sequence number modulo the pool size
  std::vector<char> done_;         // the same
  std::uint64_t sent_ = 0, taken_ = 0, written_ = 0;
  bool closing_ = false;

  std::mutex write_mutex_;  // one writer at a time, in order
  Scratch scratch_;         // of the reader's thread, with one job
};

}  // namespace tbcalc::table
