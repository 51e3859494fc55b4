#pragma once
// Runs the folders of one extraction on several threads. The calling thread is one of the
// workers and the only one that reports progress, so the caller's callbacks stay on its thread.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace quarrix::archive {

// What a folder's worker says about its work, between chunks.
class JobProgress {
 public:
  virtual ~JobProgress() = default;
  // Counts bytes of the entry as done. Throws when the extraction is to stop.
  virtual void Advance(const std::string& entryPath, uint64_t bytes) = 0;
  // Throws when the extraction is to stop.
  virtual void CheckStop() = 0;
};

using FolderJob = std::function<void(size_t job, JobProgress& progress)>;
// Gets the bytes done by all jobs together, never fewer than the time before; false cancels.
using ProgressReport = std::function<bool(const std::string& entryPath, uint64_t done)>;

// Runs job(0) .. job(count - 1), each once, on up to `workers` threads counting the caller's;
// a worker takes the next job when it has finished one. The first failure, or a cancel, stops
// every job at its next chunk and is rethrown here once all of them have stopped.
void RunFolderJobs(size_t count, unsigned workers, const FolderJob& job, const ProgressReport& report);

}  // namespace quarrix::archive
