#pragma once
// What web media downloads need of the machine: an HTTP client (HEAD, GET from a byte offset,
// an HTTP proxy with user and password, redirections followed, every received piece handed over
// as it arrives) and the system's own URL download service with its status callback.
#include <cstdint>
#include <functional>
#include <string>

namespace quarrix::platform {

struct HttpProxy {
  std::string server;  // host name or address; empty: no proxy
  std::string port;    // decimal; empty means 80
  std::string user;
  std::string password;
};

struct HttpRequest {
  std::string url;
  HttpProxy proxy;
  // GET only: ask for the body from this byte on (a Range request) when ranged is set.
  bool ranged = false;
  uint64_t rangeFrom = 0;
  std::string agent = "Mozilla/3.0 (compatible)";
  std::string accept = "image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*";
  // The longest any single wait on the connection (resolve, connect, send, receive) may last.
  uint32_t waitTimeoutMs = 30000;
};

struct HttpResponse {
  bool transferred = false;  // a status line arrived and, for GET, the body ended as the server sent it
  int status = 0;            // of the last response after redirections; 0 when none came
  std::string headers;       // the response's header lines, CRLF-separated, as received
  uint64_t bodyBytes = 0;    // handed to the sink
  bool aborted = false;      // the sink or keepGoing asked to stop
  std::string error;         // why the transfer failed, for the trace
};

// The final response (after redirections) before the first piece of its body; false aborts.
using ResponseStart = std::function<bool(int status, const std::string& headers)>;
// A piece of the body as it arrives; false aborts the transfer.
using BodySink = std::function<bool(const char* data, size_t size)>;
// Asked at least once a second while the client waits for the network; false aborts.
using KeepGoing = std::function<bool()>;

// What the system downloader reports: its status code (1 locating, 2 connecting, 4 beginning,
// 5 transferring, 6 finishing, 14 cache file, ...), the bytes so far and the total (0 when
// unknown) and the status's extra text. false cancels the download.
using DownloadStatus = std::function<bool(uint32_t code, uint64_t progress, uint64_t total, const std::string& text)>;

struct SystemDownloadResult {
  bool succeeded = false;
  bool outOfMemory = false;  // the service's E_OUTOFMEMORY, which the engine raises
  std::string errorText;     // the system's message for a failure code
};

class Internet {
 public:
  virtual ~Internet() = default;

  virtual HttpResponse Head(const HttpRequest& request, const KeepGoing& keepGoing) = 0;
  // onStart sees the status and headers before any piece reaches sink (not at all for a
  // response without a body).
  virtual HttpResponse Get(const HttpRequest& request, const ResponseStart& onStart, const BodySink& sink,
                           const KeepGoing& keepGoing) = 0;

  // Whether the system's URL download service can be loaded at all.
  virtual bool SystemDownloaderAvailable() = 0;
  // Downloads url into the system's download cache, reporting every status; user and password,
  // when given, are handed to the service as its session's credentials and cleared afterwards.
  // The status with code 14 names the cache file, and code 6 follows it once the file is whole.
  virtual SystemDownloadResult SystemDownload(const std::string& url, const std::string& user,
                                              const std::string& password, const DownloadStatus& status) = 0;
};

}  // namespace quarrix::platform
