#pragma once
// The download worker: tries a block's addresses in order until one delivers the archive.
#include <string>

#include "engine/WebMediaState.h"
#include "engine/Worker.h"
#include "media/WebDownload.h"

namespace quarrix {

struct GrabMediaRequest {
  std::string addresses;  // one per line
  std::string target;
  DownloadOptions options;
  std::string progressPrefix;
  DownloaderState downloader;
};

// The addresses of a list, one per line (CR, LF or both), blank lines left out.
StringList AddressLines(const std::string& addresses);

// Made as WorkerOf<TGrabMedia>.
class TGrabMedia final : public Worker {
 public:
  TGrabMedia(WorkerKey key, Session& session, GrabMediaRequest request);

  // Read after Finished().
  bool Succeeded() const { return succeeded_; }
  const DownloaderState& Downloader() const { return downloaderAfter_; }

 protected:
  void Execute() override;

 private:
  bool OnProgress(const std::string& text, int percent);

  Session& session_;
  GrabMediaRequest request_;
  DownloadTexts texts_;
  bool succeeded_ = false;
  DownloaderState downloaderAfter_;
};

}  // namespace quarrix
