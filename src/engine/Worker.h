#pragma once
// The base of every long-running command's thread, and the interpreter's wait for one.
//
// A worker reaches the engine only through the handshake variables (ReportProgress) and its own
// result fields, which the main thread reads once Finished() is true. A worker ended by force is
// cut off: whatever its thread still does afterwards reaches neither the store nor its results.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <type_traits>
#include <utility>

#include "engine/WorkerHandshake.h"
#include "platform/Clock.h"
#include "platform/Threads.h"

namespace quarrix {

class TVariableManager;
struct Session;

template <typename Kind>
class WorkerOf;

// What a worker's constructor takes first. Only WorkerOf makes one, so every worker lives inside
// a holder that joins its thread before the worker's own members go.
class WorkerKey {
  WorkerKey() = default;
  template <typename Kind>
  friend class WorkerOf;
};

class Worker {
 public:
  Worker(WorkerKey key, TVariableManager& variables, platform::Clock& clock, platform::Threads& threads);
  Worker(WorkerKey key, Session& session);
  // The holder has joined the thread already; this only covers a worker whose holder never got
  // past constructing it.
  virtual ~Worker();
  Worker(const Worker&) = delete;
  Worker& operator=(const Worker&) = delete;

  // Clears the finished flag and runs Execute on a new thread. Once per object.
  void Start();
  bool Finished() const { return finished_.load(std::memory_order_acquire); }
  // A request the worker honours at its next callback (TerminateRequested()).
  void RequestTerminate() { terminateRequested_.store(true, std::memory_order_release); }
  bool TerminateRequested() const { return terminateRequested_.load(std::memory_order_acquire); }
  // Blocks until Execute has returned or the worker was ended by force.
  void WaitUntilEnded();
  // The watchdog's verdict: the thread is ended through the platform and the worker counts as
  // finished; its results keep what they held before.
  void ForceEnd();
  bool EndedByForce() const;
  // What Execute threw, if it threw; empty otherwise. Read after Finished().
  const std::string& Failure() const { return failure_; }

  // Asks the thread to stop and joins it when it is still joinable.
  void StopAndJoin();

 protected:
  virtual void Execute() = 0;

  // The handshake calls for Execute; both do nothing once the worker was ended by force.
  void ReportProgress(std::string_view text, int64_t minimum, int64_t maximum, int64_t position);
  // Runs write, which stores the worker's results, unless the worker was ended by force.
  void PublishResult(const std::function<void()>& write);

 private:
  void Run();

  TVariableManager& variables_;
  // Set when the worker belongs to a session: its thread then switches redirection for itself.
  Session* session_ = nullptr;
  platform::Clock& clock_;
  platform::Threads& threads_;
  std::thread thread_;
  std::atomic<bool> finished_{false};
  std::atomic<bool> terminateRequested_{false};
  std::string failure_;

  // Held by every handshake call of the thread and by ForceEnd: once cut off, the thread's
  // remaining calls find the flag set.
  mutable std::mutex cutOffLock_;
  bool cutOff_ = false;
  std::condition_variable endedSignal_;
  bool ended_ = false;
};

// A worker of a kind derived from Worker, made with its constructor's arguments after the key.
// Destroying the holder stops and joins the thread before the worker is destroyed, so Execute
// may use the kind's members to its very end.
template <typename Kind>
class WorkerOf final {
  static_assert(std::is_base_of_v<Worker, Kind>);

 public:
  template <typename... Args>
  explicit WorkerOf(Args&&... args) : kind_(WorkerKey{}, std::forward<Args>(args)...) {}
  ~WorkerOf() { kind_.StopAndJoin(); }
  WorkerOf(const WorkerOf&) = delete;
  WorkerOf& operator=(const WorkerOf&) = delete;

  Kind& operator*() { return kind_; }
  const Kind& operator*() const { return kind_; }
  Kind* operator->() { return &kind_; }
  const Kind* operator->() const { return &kind_; }

 private:
  Kind kind_;
};

struct WaitOptions {
  // Context of ABORTEDONERROR when the wait ends cancelled: each waiting command names itself.
  std::string cancelContext = "Cancel at Plug-In Time";
  // Program launches end one interval after cancellation, reports or not.
  bool watchdogChecksHeartbeat = true;
  // false: a cancellation shows no box and sets nothing; the waiting code reports it itself.
  bool reportsCancellation = true;
};

struct WaitOutcome {
  bool cancelled = false;    // VELD_IsCancelled was true when the worker finished
  bool endedByForce = false;
  bool endScript = false;    // cancelled with ABORTONERROR true: the command ends the script
};

// Starts the worker and waits on the main thread until it has finished, cancelling it when the
// user asks, ending it by force when it stays silent for a watchdog interval after that, and
// reporting the cancellation ("Setup cancelled") once per waiting command.
WaitOutcome WaitForWorker(Session& session, Worker& worker, const WaitOptions& options = {});

}  // namespace quarrix
