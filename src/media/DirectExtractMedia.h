#pragma once
// The direct-extraction worker: unpacks an archive a script names ("Extract 7Zip Archive") on
// its own thread, reporting progress through the handshake variables.
#include <string>

#include "engine/Worker.h"

namespace quarrix {

struct DirectExtractRequest {
  std::string archivePath;
  std::string destination;
  std::string password;
  bool modeSwitch = true;
  bool overwrite = true;
};

// Made as WorkerOf<TDirectExtractMedia>.
class TDirectExtractMedia final : public Worker {
 public:
  TDirectExtractMedia(WorkerKey key, Session& session, DirectExtractRequest request);
  TDirectExtractMedia(const TDirectExtractMedia&) = delete;
  TDirectExtractMedia& operator=(const TDirectExtractMedia&) = delete;

  // Read after Finished(); a worker ended by force keeps success false.
  bool Succeeded() const { return succeeded_; }
  const std::string& ErrorText() const { return errorText_; }

 protected:
  void Execute() override;

 private:
  bool OnProgress(const std::string& entryPath, uint64_t done, uint64_t total);

  Session& session_;
  DirectExtractRequest request_;
  std::string completeText_;  // "% complete", taken on the main thread
  bool succeeded_ = false;
  std::string errorText_;
};

}  // namespace quarrix
