#include "archive/FolderJobs.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "archive/ArchiveStatus.h"
#include "archive/DecodeWorkers.h"

namespace quarrix::archive {
namespace {

using namespace std::chrono_literals;

constexpr uint64_t kMiB = uint64_t{1} << 20;
constexpr uint64_t kGiB = uint64_t{1} << 30;

// A job that works until it is stopped, with a bound so that a runner that never stops it
// fails the test instead of hanging it.
void WorkUntilStopped(JobProgress& progress, std::atomic<bool>& ranOut) {
  const auto deadline = std::chrono::steady_clock::now() + 20s;
  while (std::chrono::steady_clock::now() < deadline) {
    progress.CheckStop();
    std::this_thread::sleep_for(1ms);
  }
  ranOut = true;
}

ArchiveStatus StatusOf(const std::function<void()>& run) {
  try {
    run();
    return ArchiveStatus::kOk;
  } catch (const ArchiveError& error) {
    return error.Status();
  }
}

TEST(FolderJobsTest, JobsRunOnceAtTheSameTimeAndProgressReachesTheCallerInRisingTotals) {
  constexpr size_t kJobs = 6;
  std::vector<std::atomic<int>> runs(kJobs);
  std::atomic<int> started{0};
  std::atomic<bool> overlapped{false};
  std::vector<uint64_t> reported;
  std::set<std::thread::id> reportThreads;
  const FolderJob job = [&](size_t index, JobProgress& progress) {
    ++runs[index];
    // The first two jobs wait for each other: they only meet if two workers run them.
    if (index < 2) {
      ++started;
      const auto deadline = std::chrono::steady_clock::now() + 20s;
      while (started < 2 && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(1ms);
      overlapped = overlapped || started >= 2;
    }
    for (int step = 0; step < 10; ++step) progress.Advance("job" + std::to_string(index), index + 1);
  };
  RunFolderJobs(kJobs, 2, job, [&](const std::string&, uint64_t done) {
    reported.push_back(done);
    reportThreads.insert(std::this_thread::get_id());
    return true;
  });
  for (size_t i = 0; i < kJobs; ++i) EXPECT_EQ(runs[i], 1) << "job " << i;
  EXPECT_TRUE(overlapped);
  ASSERT_FALSE(reported.empty());
  EXPECT_TRUE(std::is_sorted(reported.begin(), reported.end()));
  EXPECT_EQ(reported.back(), 10u * (1 + 2 + 3 + 4 + 5 + 6));
  EXPECT_EQ(reportThreads, std::set<std::thread::id>{std::this_thread::get_id()});
}

TEST(FolderJobsTest, FirstFailureOrCancelStopsEveryJobAndIsTheOneReported) {
  struct Case {
    const char* name;
    bool cancelOnFirstReport;
    ArchiveStatus expected;
  };
  const Case cases[] = {{"a job fails", false, ArchiveStatus::kCorrupt}, {"the caller cancels", true, ArchiveStatus::kCancelled}};
  for (const auto& c : cases) {
    for (const unsigned workers : {1u, 2u, 3u}) {
      SCOPED_TRACE(std::string(c.name) + ", workers " + std::to_string(workers));
      std::atomic<bool> ranOut{false};
      std::atomic<int> jobsStarted{0};
      int reportsAfterCancel = 0;
      bool cancelled = false;
      const FolderJob job = [&](size_t index, JobProgress& progress) {
        ++jobsStarted;
        progress.Advance("job", 1);
        // The failing job is the last one a single worker would reach.
        if (!c.cancelOnFirstReport && index == workers - 1) ThrowCorrupt("damaged");
        WorkUntilStopped(progress, ranOut);
      };
      const ArchiveStatus status = StatusOf([&] {
        RunFolderJobs(10, workers, job, [&](const std::string&, uint64_t) {
          if (cancelled) ++reportsAfterCancel;
          cancelled = cancelled || c.cancelOnFirstReport;
          return !cancelled;
        });
      });
      EXPECT_EQ(status, c.expected);
      EXPECT_FALSE(ranOut);
      EXPECT_LE(jobsStarted, static_cast<int>(workers));  // no job starts after the stop
      EXPECT_EQ(reportsAfterCancel, 0);
    }
  }
}

Folder OneCoderFolder(uint64_t method, std::vector<uint8_t> properties, uint64_t unpackSize) {
  Folder folder;
  folder.coders.push_back({method, 1, 1, std::move(properties)});
  folder.unpackSizes = {unpackSize};
  return folder;
}

// LZMA2 keeps its dictionary size in one byte: 24 is 16 MiB, 37 is 1.5 GiB.
Folder Lzma2Folder(uint8_t dictionary, uint64_t unpackSize) { return OneCoderFolder(0x21, {dictionary}, unpackSize); }
Folder StoredFolder(uint64_t size) { return OneCoderFolder(0x00, {}, size); }
Folder LzmaFolder(uint32_t dictionary, uint64_t unpackSize) {
  return OneCoderFolder(0x030101, {0x5D, static_cast<uint8_t>(dictionary), static_cast<uint8_t>(dictionary >> 8),
                                     static_cast<uint8_t>(dictionary >> 16), static_cast<uint8_t>(dictionary >> 24)},
                          unpackSize);
}

TEST(DecodeWorkerCountTest, ThreadsFoldersAndMemoryEachCapTheWorkers) {
  const uint64_t perWorker256 = 256 * kMiB + kWorkerOverheadBytes;
  struct Case {
    const char* name;
    DecodeResources resources;
    std::vector<Folder> folders;
    unsigned expected;
  };
  const Case cases[] = {
      {"two threads, many small folders", {2, 8 * kGiB}, std::vector<Folder>(10, Lzma2Folder(24, kMiB)), 2},
      {"one thread", {1, 8 * kGiB}, std::vector<Folder>(10, Lzma2Folder(24, kMiB)), 1},
      {"one folder", {2, 8 * kGiB}, {Lzma2Folder(24, kMiB)}, 1},
      {"no folder", {2, 8 * kGiB}, {}, 1},
      {"stored folders: nothing but writing to share", {2, 8 * kGiB}, std::vector<Folder>(10, StoredFolder(kMiB)), 1},
      {"one compressed folder among stored ones", {2, 8 * kGiB}, {StoredFolder(kMiB), Lzma2Folder(24, kMiB)}, 1},
      {"two compressed folders among stored ones", {2, 8 * kGiB},
       {StoredFolder(kMiB), Lzma2Folder(24, kMiB), StoredFolder(kMiB), Lzma2Folder(24, kMiB)}, 2},
      {"more threads than folders", {8, 8 * kGiB}, std::vector<Folder>(3, Lzma2Folder(24, kMiB)), 3},
      {"1.5 GiB dictionary on a 2 GiB machine", ResourcesOfHost(2, 2 * kGiB),
       std::vector<Folder>(4, Lzma2Folder(37, 2 * kGiB)), 1},
      {"a large folder among small ones sets every worker's share", {4, 2 * perWorker256 + kMiB},
       {Lzma2Folder(24, kMiB), LzmaFolder(256 * kMiB, kGiB), Lzma2Folder(24, kMiB), Lzma2Folder(24, kMiB)}, 2},
      {"a small folder needs no more than its size", {2, 100 * kMiB},
       std::vector<Folder>(4, Lzma2Folder(37, 10 * kMiB)), 2},
      {"no memory figure", {2, 0}, std::vector<Folder>(4, Lzma2Folder(24, kMiB)), 1},
      {"no thread figure", ResourcesOfHost(0, 8 * kGiB), std::vector<Folder>(4, Lzma2Folder(24, kMiB)), 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<const Folder*> folders;
    for (const Folder& folder : c.folders) folders.push_back(&folder);
    EXPECT_EQ(DecodeWorkerCount(c.resources, folders), c.expected);
  }
}

}  // namespace
}  // namespace quarrix::archive
