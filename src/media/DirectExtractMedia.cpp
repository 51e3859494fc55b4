#include "media/DirectExtractMedia.h"

#include "media/ArchiveExtraction.h"
#include "media/ExtractionProgress.h"
#include "engine/Session.h"

namespace quarrix {
namespace {
constexpr int kSlotComplete = 21;  // "% complete"
}  // namespace

TDirectExtractMedia::TDirectExtractMedia(WorkerKey key, Session& session, DirectExtractRequest request)
    : Worker(key, session),
      session_(session),
      request_(std::move(request)),
      completeText_(session.messages.Text(kSlotComplete)) {}

// File-system redirection of a 64-bit run is switched per thread; the bracket joins here once
// the platform offers it.
void TDirectExtractMedia::Execute() {
  platform::FileSystem& files = session_.platform.files;
  if (!request_.destination.empty() && !files.DirectoryExists(request_.destination))
    files.CreateDirectories(request_.destination);

  platform::ArchiveCallbacks callbacks;
  callbacks.progress = [this](const std::string& entryPath, uint64_t done, uint64_t total) {
    return OnProgress(entryPath, done, total);
  };
  std::string errorText;
  const bool extracted =
      ExtractArchiveFiles(session_.platform.archive, request_.archivePath, request_.password, request_.destination,
                          request_.modeSwitch, request_.overwrite, errorText, {}, callbacks);
  PublishResult([&] {
    succeeded_ = extracted;
    errorText_ = errorText;
  });
}

bool TDirectExtractMedia::OnProgress(const std::string& entryPath, uint64_t done, uint64_t total) {
  const int percent = ExtractionPercent(done, total);
  ReportProgress(ExtractionProgressText("", entryPath, percent, completeText_), 0, 100, percent);
  session_.platform.threads.PostWakeUp();  // the waiting main thread repaints
  return !TerminateRequested();
}

}  // namespace quarrix
