#include "archive/FolderJobs.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "archive/ArchiveStatus.h"

namespace quarrix::archive {
namespace {

// Ends a job that another job's failure or a cancel has stopped; never reported itself.
struct StopRequested {};

// A report waiting for the caller: the entry and the bytes done by all jobs when it was posted.
struct Posted {
  std::string path;
  uint64_t done;
};

// The state the workers of one run share. The mutex guards the counter, the posted reports and
// the failure; `stopping_` is also read without it between chunks.
class JobBoard {
 public:
  JobBoard(size_t count, const FolderJob& job, const ProgressReport& report)
      : count_(count), job_(job), report_(report) {}

  void RunOnCaller();
  void RunOnHelper();
  void AddHelper();
  void HelperNotStarted();
  void Stop();
  void RethrowFailure() const {
    if (failure_) std::rethrow_exception(failure_);
  }

  void ThrowIfStopping() const {
    if (stopping_) throw StopRequested{};
  }
  // A helper's bytes wait for the caller to report them.
  void Post(const std::string& path, uint64_t bytes);
  // The caller's own bytes are reported at once, together with everything posted so far.
  void AddAndReport(const std::string& path, uint64_t bytes);
  // Between the caller's chunks that count nothing (data outside the selection).
  void ReportPosted();

 private:
  void RunJobs(JobProgress& progress);
  void ReportUntilHelpersFinish();
  // Every posted report in order, then the caller's own (when it has one).
  void ReportAll(std::deque<Posted> posted, const Posted* own = nullptr);
  void Report(const std::string& path, uint64_t done);
  void RecordFailure(std::exception_ptr failure);

  const size_t count_;
  const FolderJob& job_;
  const ProgressReport& report_;
  std::atomic<size_t> nextJob_{0};
  std::atomic<bool> stopping_{false};
  std::mutex mutex_;
  std::condition_variable changed_;
  uint64_t done_ = 0;
  std::deque<Posted> posted_;
  unsigned helpersRunning_ = 0;
  std::exception_ptr failure_;
};

class CallerProgress : public JobProgress {
 public:
  explicit CallerProgress(JobBoard& board) : board_(board) {}
  void Advance(const std::string& entryPath, uint64_t bytes) override { board_.AddAndReport(entryPath, bytes); }
  void CheckStop() override { board_.ReportPosted(); }

 private:
  JobBoard& board_;
};

class HelperProgress : public JobProgress {
 public:
  explicit HelperProgress(JobBoard& board) : board_(board) {}
  void Advance(const std::string& entryPath, uint64_t bytes) override { board_.Post(entryPath, bytes); }
  void CheckStop() override { board_.ThrowIfStopping(); }

 private:
  JobBoard& board_;
};

void JobBoard::RunJobs(JobProgress& progress) {
  while (!stopping_) {
    const size_t next = nextJob_.fetch_add(1);
    if (next >= count_) return;
    job_(next, progress);
  }
}

void JobBoard::RunOnCaller() {
  CallerProgress progress(*this);
  try {
    RunJobs(progress);
    ReportUntilHelpersFinish();
  } catch (const StopRequested&) {
  } catch (...) {
    RecordFailure(std::current_exception());
  }
}

void JobBoard::RunOnHelper() {
  HelperProgress progress(*this);
  try {
    RunJobs(progress);
  } catch (const StopRequested&) {
  } catch (...) {
    RecordFailure(std::current_exception());
  }
  std::lock_guard lock(mutex_);
  --helpersRunning_;
  changed_.notify_all();
}

void JobBoard::AddHelper() {
  std::lock_guard lock(mutex_);
  ++helpersRunning_;
}

void JobBoard::HelperNotStarted() {
  std::lock_guard lock(mutex_);
  --helpersRunning_;
}

void JobBoard::Stop() {
  std::lock_guard lock(mutex_);
  stopping_ = true;
  changed_.notify_all();
}

void JobBoard::RecordFailure(std::exception_ptr failure) {
  std::lock_guard lock(mutex_);
  if (!failure_) failure_ = std::move(failure);
  stopping_ = true;
  changed_.notify_all();
}

void JobBoard::Post(const std::string& path, uint64_t bytes) {
  std::lock_guard lock(mutex_);
  if (stopping_) throw StopRequested{};
  done_ += bytes;
  posted_.push_back({path, done_});
  changed_.notify_all();
}

void JobBoard::AddAndReport(const std::string& path, uint64_t bytes) {
  std::deque<Posted> posted;
  Posted own{path, 0};
  {
    std::lock_guard lock(mutex_);
    if (stopping_) throw StopRequested{};
    posted.swap(posted_);
    done_ += bytes;
    own.done = done_;
  }
  ReportAll(std::move(posted), &own);
}

void JobBoard::ReportPosted() {
  std::deque<Posted> posted;
  {
    std::lock_guard lock(mutex_);
    if (stopping_) throw StopRequested{};
    posted.swap(posted_);
  }
  ReportAll(std::move(posted));
}

void JobBoard::ReportAll(std::deque<Posted> posted, const Posted* own) {
  for (const Posted& report : posted) Report(report.path, report.done);
  if (own) Report(own->path, own->done);
}

// Once the caller has no job left, it reports what the helpers post until they are done.
void JobBoard::ReportUntilHelpersFinish() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return !posted_.empty() || helpersRunning_ == 0 || stopping_; });
    if (stopping_) return;
    if (!posted_.empty()) {
      std::deque<Posted> posted;
      posted.swap(posted_);
      lock.unlock();
      ReportAll(std::move(posted));
      lock.lock();
    } else if (helpersRunning_ == 0) {
      return;
    }
  }
}

void JobBoard::Report(const std::string& path, uint64_t done) {
  if (report_ && !report_(path, done)) throw ArchiveError(ArchiveStatus::kCancelled, "cancelled");
}

// Started helpers are stopped (a no-op once their jobs are done) and joined however the caller's
// part ends, so no thread outlives the run.
class Helpers {
 public:
  Helpers(JobBoard& board, unsigned count) : board_(board) {
    for (unsigned i = 0; i < count; ++i) {
      board_.AddHelper();
      try {
        threads_.emplace_back([this] { board_.RunOnHelper(); });
      } catch (...) {
        board_.HelperNotStarted();  // fewer workers; the caller's thread still does the rest
        break;
      }
    }
  }
  ~Helpers() {
    board_.Stop();
    for (auto& thread : threads_) thread.join();
  }
  Helpers(const Helpers&) = delete;
  Helpers& operator=(const Helpers&) = delete;

 private:
  JobBoard& board_;
  std::vector<std::thread> threads_;
};

}  // namespace

void RunFolderJobs(size_t count, unsigned workers, const FolderJob& job, const ProgressReport& report) {
  JobBoard board(count, job, report);
  {
    Helpers helpers(board, workers > 1 ? workers - 1 : 0);
    board.RunOnCaller();
  }
  board.RethrowFailure();
}

}  // namespace quarrix::archive
