#pragma once
// The simulated machine's internet is the real one: HTTP through libcurl, and a system
// downloader that fetches into a download cache folder on the simulated drive with the status
// codes the system's service reports.
#include <string>

#include "platform/Internet.h"
#include "platform/sim/SimFileSystem.h"

namespace quarrix::platform::sim {

class SimInternet : public Internet {
 public:
  explicit SimInternet(SimFileSystem& files);

  HttpResponse Head(const HttpRequest& request, const KeepGoing& keepGoing) override;
  HttpResponse Get(const HttpRequest& request, const ResponseStart& onStart, const BodySink& sink,
                   const KeepGoing& keepGoing) override;
  bool SystemDownloaderAvailable() override { return systemDownloader; }
  SystemDownloadResult SystemDownload(const std::string& url, const std::string& user, const std::string& password,
                                      const DownloadStatus& status) override;

  // A machine without the system's download service: the engine then uses its HTTP client.
  bool systemDownloader = true;
  // Where the system downloader keeps its files, on the simulated drive.
  std::string cacheFolder = "C:\\Users\\User\\AppData\\Local\\Microsoft\\Windows\\INetCache\\";

 private:
  SimFileSystem& files_;
};

}  // namespace quarrix::platform::sim
