#include "platform/sim/SimInternet.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <mutex>

namespace quarrix::platform::sim {
namespace {

constexpr long kMaxRedirections = 10;

void InitialiseCurlOnce() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct Transfer {
  CURL* handle = nullptr;
  const ResponseStart* onStart = nullptr;
  bool started = false;
  const BodySink* sink = nullptr;
  const KeepGoing* keepGoing = nullptr;
  HttpResponse response;
};

// Redirections bring several header blocks; only the last response's lines are kept.
size_t OnHeader(char* data, size_t size, size_t count, void* user) {
  auto& transfer = *static_cast<Transfer*>(user);
  const std::string line(data, size * count);
  if (line.rfind("HTTP/", 0) == 0) transfer.response.headers.clear();
  transfer.response.headers += line;
  return size * count;
}

size_t OnBody(char* data, size_t size, size_t count, void* user) {
  auto& transfer = *static_cast<Transfer*>(user);
  const size_t bytes = size * count;
  if (!transfer.started) {
    transfer.started = true;
    long status = 0;
    curl_easy_getinfo(transfer.handle, CURLINFO_RESPONSE_CODE, &status);
    if (transfer.onStart != nullptr && *transfer.onStart &&
        !(*transfer.onStart)(static_cast<int>(status), transfer.response.headers)) {
      transfer.response.aborted = true;
      return 0;
    }
  }
  if (transfer.sink != nullptr && !(*transfer.sink)(data, bytes)) {
    transfer.response.aborted = true;
    return 0;  // curl ends the transfer with a write error
  }
  transfer.response.bodyBytes += bytes;
  return bytes;
}

// curl calls this about once a second even while nothing arrives.
int OnTick(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  auto& transfer = *static_cast<Transfer*>(user);
  if (transfer.keepGoing != nullptr && *transfer.keepGoing && !(*transfer.keepGoing)()) {
    transfer.response.aborted = true;
    return 1;
  }
  return 0;
}

struct CurlDeleter {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};

std::string ProxyAddress(const HttpProxy& proxy) {
  return "http://" + proxy.server + ":" + (proxy.port.empty() ? std::string("80") : proxy.port);
}

HttpResponse Perform(const HttpRequest& request, bool head, const ResponseStart* onStart, const BodySink* sink,
                     const KeepGoing& keepGoing, const std::string& user = {}, const std::string& password = {}) {
  InitialiseCurlOnce();
  Transfer transfer;
  transfer.onStart = onStart;
  transfer.sink = sink;
  transfer.keepGoing = &keepGoing;
  std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
  if (!curl) {
    transfer.response.error = "libcurl could not start a transfer";
    return transfer.response;
  }
  CURL* h = curl.get();
  transfer.handle = h;
  const std::string range = std::to_string(request.rangeFrom) + "-";
  const long timeoutMs = static_cast<long>(request.waitTimeoutMs);
  curl_easy_setopt(h, CURLOPT_URL, request.url.c_str());
  curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(h, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_0);
  curl_easy_setopt(h, CURLOPT_USERAGENT, request.agent.c_str());
  struct curl_slist* extra = curl_slist_append(nullptr, ("Accept: " + request.accept).c_str());
  curl_easy_setopt(h, CURLOPT_HTTPHEADER, extra);
  curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(h, CURLOPT_MAXREDIRS, kMaxRedirections);
  curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, timeoutMs);
  // A connection that stays silent for a whole time-out counts as broken.
  curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, std::max(1L, timeoutMs / 1000));
  curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, OnHeader);
  curl_easy_setopt(h, CURLOPT_HEADERDATA, &transfer);
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, OnBody);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, &transfer);
  curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, OnTick);
  curl_easy_setopt(h, CURLOPT_XFERINFODATA, &transfer);
  curl_easy_setopt(h, CURLOPT_BUFFERSIZE, 256L * 1024L);
  if (head) curl_easy_setopt(h, CURLOPT_NOBODY, 1L);
  if (!head && request.ranged) curl_easy_setopt(h, CURLOPT_RANGE, range.c_str());
  if (!request.proxy.server.empty()) {
    curl_easy_setopt(h, CURLOPT_PROXY, ProxyAddress(request.proxy).c_str());
    curl_easy_setopt(h, CURLOPT_PROXYAUTH, CURLAUTH_BASIC);
    if (!request.proxy.user.empty()) {
      curl_easy_setopt(h, CURLOPT_PROXYUSERNAME, request.proxy.user.c_str());
      curl_easy_setopt(h, CURLOPT_PROXYPASSWORD, request.proxy.password.c_str());
    }
  }
  if (!user.empty()) {
    curl_easy_setopt(h, CURLOPT_USERNAME, user.c_str());
    curl_easy_setopt(h, CURLOPT_PASSWORD, password.c_str());
  }
  const CURLcode code = curl_easy_perform(h);
  curl_slist_free_all(extra);
  long status = 0;
  curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
  transfer.response.status = static_cast<int>(status);
  transfer.response.transferred = code == CURLE_OK && status != 0;
  if (code != CURLE_OK) transfer.response.error = curl_easy_strerror(code);
  return transfer.response;
}

std::string FileNameOfUrl(const std::string& url) {
  std::string path = url.substr(0, url.find_first_of("?#"));
  const size_t slash = path.find_last_of('/');
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  return name.empty() ? std::string("download") : name;
}

uint64_t AnnouncedLength(const std::string& headers) {
  const std::string key = "content-length:";
  std::string lower = headers;
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  const size_t at = lower.rfind(key);
  if (at == std::string::npos) return 0;
  return std::strtoull(lower.c_str() + at + key.size(), nullptr, 10);
}

}  // namespace

SimInternet::SimInternet(SimFileSystem& files) : files_(files) {}

HttpResponse SimInternet::Head(const HttpRequest& request, const KeepGoing& keepGoing) {
  return Perform(request, /*head=*/true, nullptr, nullptr, keepGoing);
}

HttpResponse SimInternet::Get(const HttpRequest& request, const ResponseStart& onStart, const BodySink& sink,
                              const KeepGoing& keepGoing) {
  return Perform(request, /*head=*/false, &onStart, &sink, keepGoing);
}

SystemDownloadResult SimInternet::SystemDownload(const std::string& url, const std::string& user,
                                                 const std::string& password, const DownloadStatus& status) {
  SystemDownloadResult result;
  const std::string cacheFile = cacheFolder + FileNameOfUrl(url);
  files_.CreateDirectories(cacheFolder);
  const auto host = files_.HostPath(cacheFile);
  if (!host) {
    result.errorText = "The download cache folder is not on a drive.";
    return result;
  }
  if (!status(1, 0, 0, url) || !status(2, 0, 0, url) || !status(11, 0, 0, {})) return result;
  std::ofstream out(*host, std::ios::binary | std::ios::trunc);
  bool reportedCacheFile = false;
  uint64_t total = 0;
  uint64_t received = 0;
  bool cancelled = false;
  HttpRequest request;
  request.url = url;
  const BodySink sink = [&](const char* data, size_t size) {
    if (!reportedCacheFile) {
      reportedCacheFile = true;
      if (!status(4, 0, total, {}) || !status(14, 0, total, cacheFile)) return !(cancelled = true);
    }
    out.write(data, static_cast<std::streamsize>(size));
    received += size;
    if (!status(5, received, total, url)) return !(cancelled = true);
    return true;
  };
  const HttpResponse head = Perform(request, /*head=*/true, nullptr, nullptr, {}, user, password);
  total = AnnouncedLength(head.headers);
  const HttpResponse response = Perform(request, /*head=*/false, nullptr, &sink, {}, user, password);
  out.close();
  if (cancelled || !response.transferred || response.status >= 400) {
    result.errorText = response.error.empty() ? "The download failed with HTTP status " + std::to_string(response.status)
                                              : response.error;
    return result;
  }
  if (!reportedCacheFile && (!status(4, 0, 0, {}) || !status(14, 0, 0, cacheFile))) return result;
  result.succeeded = status(6, received, total, url);
  return result;
}

}  // namespace quarrix::platform::sim
