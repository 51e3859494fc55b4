#pragma once
// The internet on the system's own stacks: the HTTP client on WinHTTP (its own time-outs per
// wait, a named proxy, no dependence on the browser's settings), the system downloader on the
// URL download service of urlmon.dll, loaded when first asked for.
#include <string>

#include "platform/Internet.h"

namespace quarrix::platform::win32 {

class Win32Internet : public Internet {
 public:
  HttpResponse Head(const HttpRequest& request, const KeepGoing& keepGoing) override;
  HttpResponse Get(const HttpRequest& request, const ResponseStart& onStart, const BodySink& sink,
                   const KeepGoing& keepGoing) override;
  bool SystemDownloaderAvailable() override;
  SystemDownloadResult SystemDownload(const std::string& url, const std::string& user, const std::string& password,
                                      const DownloadStatus& status) override;
};

}  // namespace quarrix::platform::win32
