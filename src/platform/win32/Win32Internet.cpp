#include "platform/win32/Win32Internet.h"

#include "platform/win32/Win32Api.h"
// After windows.h.
#include <urlmon.h>
#include <winhttp.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

namespace quarrix::platform::win32 {
namespace {

constexpr DWORD kInternetOptionUserName = 28;
constexpr DWORD kInternetOptionPassword = 29;
constexpr auto kCancelPoll = std::chrono::milliseconds(200);
constexpr ULONG kStatusFinishing = 6;       // BINDSTATUS_ENDDOWNLOADDATA
constexpr ULONG kStatusCacheFile = 14;      // BINDSTATUS_CACHEFILENAMEAVAILABLE

std::wstring Wide(const std::string& text) {
  if (text.empty()) return {};
  const int size = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(size), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
  return wide;
}

std::string Narrow(const wchar_t* text, size_t length) {
  if (length == 0) return {};
  const int size = WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), narrow.data(), size, nullptr, nullptr);
  return narrow;
}

std::string Base64(const std::string& bytes) {
  static const char* kDigits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (size_t i = 0; i < bytes.size(); i += 3) {
    uint32_t chunk = static_cast<uint8_t>(bytes[i]) << 16;
    if (i + 1 < bytes.size()) chunk |= static_cast<uint8_t>(bytes[i + 1]) << 8;
    if (i + 2 < bytes.size()) chunk |= static_cast<uint8_t>(bytes[i + 2]);
    out += kDigits[(chunk >> 18) & 63];
    out += kDigits[(chunk >> 12) & 63];
    out += i + 1 < bytes.size() ? kDigits[(chunk >> 6) & 63] : '=';
    out += i + 2 < bytes.size() ? kDigits[chunk & 63] : '=';
  }
  return out;
}

std::string SystemMessage(DWORD code) {
  char* buffer = nullptr;
  const DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                          FORMAT_MESSAGE_IGNORE_INSERTS,
                                      nullptr, code, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
  std::string text = length != 0 && buffer != nullptr ? std::string(buffer, length) : "error " + std::to_string(code);
  if (buffer != nullptr) LocalFree(buffer);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

class Handle {
 public:
  explicit Handle(HINTERNET handle = nullptr) : handle_(handle) {}
  ~Handle() { Close(); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HINTERNET get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  // Closing from another thread is how a blocked synchronous call is cut short.
  void Close() {
    std::lock_guard lock(closeLock_);
    if (handle_ != nullptr) WinHttpCloseHandle(handle_);
    handle_ = nullptr;
  }

 private:
  std::mutex closeLock_;
  HINTERNET handle_;
};

// Asks keepGoing every poll interval on its own thread and closes the request when it says no,
// so that a wait on a silent socket ends within one interval.
class CancelWatch {
 public:
  CancelWatch(const KeepGoing& keepGoing, Handle& request) : keepGoing_(keepGoing), request_(request) {
    if (keepGoing_) thread_ = std::thread([this] { Watch(); });
  }
  ~CancelWatch() {
    {
      std::lock_guard lock(lock_);
      done_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
  }
  bool Cancelled() const { return cancelled_.load(); }

 private:
  void Watch() {
    std::unique_lock lock(lock_);
    while (!wake_.wait_for(lock, kCancelPoll, [this] { return done_; })) {
      if (!keepGoing_()) {
        cancelled_ = true;
        request_.Close();
        return;
      }
    }
  }

  const KeepGoing& keepGoing_;
  Handle& request_;
  std::mutex lock_;
  std::condition_variable wake_;
  bool done_ = false;
  std::atomic<bool> cancelled_{false};
  std::thread thread_;
};

uint64_t ContentLength(const std::string& headers) {
  const std::string key = "content-length:";
  std::string lower = headers;
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  const size_t at = lower.rfind(key);
  if (at == std::string::npos) return UINT64_MAX;
  return std::strtoull(lower.c_str() + at + key.size(), nullptr, 10);
}

HttpResponse Perform(const HttpRequest& request, bool head, const ResponseStart* onStart, const BodySink* sink,
                     const KeepGoing& keepGoing) {
  HttpResponse response;
  const std::wstring url = Wide(request.url);
  URL_COMPONENTS parts{};
  parts.dwStructSize = sizeof(parts);
  parts.dwHostNameLength = static_cast<DWORD>(-1);
  parts.dwUrlPathLength = static_cast<DWORD>(-1);
  parts.dwExtraInfoLength = static_cast<DWORD>(-1);
  if (!WinHttpCrackUrl(url.c_str(), 0, 0, &parts)) {
    response.error = "not a web address: " + request.url;
    return response;
  }
  const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
  std::wstring path(parts.lpszUrlPath, parts.dwUrlPathLength);
  path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
  if (path.empty()) path = L"/";

  const bool proxied = !request.proxy.server.empty();
  const std::wstring proxy = Wide(request.proxy.server + ":" + (request.proxy.port.empty() ? "80" : request.proxy.port));
  Handle session(WinHttpOpen(Wide(request.agent).c_str(),
                             proxied ? WINHTTP_ACCESS_TYPE_NAMED_PROXY : WINHTTP_ACCESS_TYPE_NO_PROXY,
                             proxied ? proxy.c_str() : WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
  if (!session) {
    response.error = SystemMessage(GetLastError());
    return response;
  }
  const int timeout = static_cast<int>(request.waitTimeoutMs);
  WinHttpSetTimeouts(session.get(), timeout, timeout, timeout, timeout);
  Handle connection(WinHttpConnect(session.get(), host.c_str(), parts.nPort, 0));
  const wchar_t* accept[] = {L"*/*", nullptr};
  Handle call(connection ? WinHttpOpenRequest(connection.get(), head ? L"HEAD" : L"GET", path.c_str(), L"HTTP/1.0",
                                              WINHTTP_NO_REFERER, accept,
                                              parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0)
                         : nullptr);
  if (!call) {
    response.error = SystemMessage(GetLastError());
    return response;
  }
  std::string extra = "Accept: " + request.accept + "\r\n";
  if (!head && request.ranged) extra += "Range: bytes=" + std::to_string(request.rangeFrom) + "-\r\n";
  if (proxied && !request.proxy.user.empty())
    extra += "Proxy-Authorization: Basic " + Base64(request.proxy.user + ":" + request.proxy.password) + "\r\n";
  const std::wstring extraWide = Wide(extra);
  WinHttpAddRequestHeaders(call.get(), extraWide.c_str(), static_cast<DWORD>(-1L),
                           WINHTTP_ADDREQ_FLAG_ADD | WINHTTP_ADDREQ_FLAG_REPLACE);

  CancelWatch watch(keepGoing, call);
  if (!WinHttpSendRequest(call.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0) ||
      !WinHttpReceiveResponse(call.get(), nullptr)) {
    response.aborted = watch.Cancelled();
    response.error = SystemMessage(GetLastError());
    return response;
  }
  DWORD status = 0;
  DWORD size = sizeof(status);
  WinHttpQueryHeaders(call.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER, WINHTTP_HEADER_NAME_BY_INDEX,
                      &status, &size, WINHTTP_NO_HEADER_INDEX);
  response.status = static_cast<int>(status);
  DWORD headerBytes = 0;
  WinHttpQueryHeaders(call.get(), WINHTTP_QUERY_RAW_HEADERS_CRLF, WINHTTP_HEADER_NAME_BY_INDEX, nullptr,
                      &headerBytes, WINHTTP_NO_HEADER_INDEX);
  if (headerBytes != 0) {
    std::vector<wchar_t> raw(headerBytes / sizeof(wchar_t) + 1);
    if (WinHttpQueryHeaders(call.get(), WINHTTP_QUERY_RAW_HEADERS_CRLF, WINHTTP_HEADER_NAME_BY_INDEX, raw.data(),
                            &headerBytes, WINHTTP_NO_HEADER_INDEX))
      response.headers = Narrow(raw.data(), headerBytes / sizeof(wchar_t));
  }
  if (head) {
    response.transferred = true;
    return response;
  }
  std::vector<char> buffer(256 * 1024);
  for (;;) {
    DWORD read = 0;
    if (!WinHttpReadData(call.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read)) {
      response.aborted = watch.Cancelled();
      response.error = SystemMessage(GetLastError());
      return response;
    }
    if (read == 0) break;
    if (response.bodyBytes == 0 && onStart != nullptr && *onStart && !(*onStart)(response.status, response.headers)) {
      response.aborted = true;
      return response;
    }
    if (sink != nullptr && !(*sink)(buffer.data(), read)) {
      response.aborted = true;
      return response;
    }
    response.bodyBytes += read;
  }
  // A connection closed early ends the body without an error: the announced length tells.
  const uint64_t announced = ContentLength(response.headers);
  response.transferred = announced == UINT64_MAX || announced == response.bodyBytes;
  if (!response.transferred) response.error = "the connection closed before the whole body arrived";
  return response;
}

using UrlDownloadToCacheFile = HRESULT(WINAPI*)(IUnknown*, const char*, char*, DWORD, DWORD, IBindStatusCallback*);
using UrlDownloadToFile = HRESULT(WINAPI*)(IUnknown*, const char*, const char*, DWORD, IBindStatusCallback*);
using InternetSetOption = BOOL(WINAPI*)(void*, DWORD, void*, DWORD);

// The status callback the URL download service reports to; it lives on the caller's stack for
// one download, so reference counting has nothing to free.
class StatusCallback final : public IBindStatusCallback {
 public:
  explicit StatusCallback(const DownloadStatus& status) : status_(status) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
    if (IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, IID_IBindStatusCallback)) {
      *object = static_cast<IBindStatusCallback*>(this);
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE OnStartBinding(DWORD, IBinding*) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetPriority(LONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OnLowResource(DWORD) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnProgress(ULONG progress, ULONG total, ULONG code, LPCWSTR text) override {
    // The cache file and the end of the transfer are reported once the call has returned: the
    // name a status gives may still change (Wine renames the entry when it commits it).
    if (code == kStatusCacheFile || code == kStatusFinishing) return S_OK;
    const std::string narrow = text != nullptr ? Narrow(text, wcslen(text)) : std::string();
    return status_(code, progress, total, narrow) ? S_OK : E_ABORT;
  }
  HRESULT STDMETHODCALLTYPE OnStopBinding(HRESULT, LPCWSTR) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetBindInfo(DWORD*, BINDINFO*) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM*) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnObjectAvailable(REFIID, IUnknown*) override { return S_OK; }

 private:
  const DownloadStatus& status_;
};

}  // namespace

HttpResponse Win32Internet::Head(const HttpRequest& request, const KeepGoing& keepGoing) {
  return Perform(request, /*head=*/true, nullptr, nullptr, keepGoing);
}

HttpResponse Win32Internet::Get(const HttpRequest& request, const ResponseStart& onStart, const BodySink& sink,
                                const KeepGoing& keepGoing) {
  return Perform(request, /*head=*/false, &onStart, &sink, keepGoing);
}

bool Win32Internet::SystemDownloaderAvailable() {
  HMODULE urlmon = LoadLibraryA("urlmon.dll");
  const bool available = LookUpProcedure<UrlDownloadToFile>(urlmon, "URLDownloadToFileA") != nullptr &&
                         LookUpProcedure<UrlDownloadToCacheFile>(urlmon, "URLDownloadToCacheFileA") != nullptr;
  return available;  // stays loaded for the download that follows
}

SystemDownloadResult Win32Internet::SystemDownload(const std::string& url, const std::string& user,
                                                   const std::string& password, const DownloadStatus& status) {
  SystemDownloadResult result;
  auto download = LookUpProcedure<UrlDownloadToCacheFile>(LoadLibraryA("urlmon.dll"), "URLDownloadToCacheFileA");
  if (download == nullptr) {
    result.errorText = SystemMessage(ERROR_MOD_NOT_FOUND);
    return result;
  }
  auto setOption = LookUpProcedure<InternetSetOption>(LoadLibraryA("wininet.dll"), "InternetSetOptionA");
  const bool credentials = !user.empty() && setOption != nullptr;
  if (credentials) {
    setOption(nullptr, kInternetOptionUserName, const_cast<char*>(user.c_str()), static_cast<DWORD>(user.size()));
    setOption(nullptr, kInternetOptionPassword, const_cast<char*>(password.c_str()),
              static_cast<DWORD>(password.size()));
  }
  const HRESULT com = CoInitialize(nullptr);
  const UINT errorMode = SetErrorMode(SEM_FAILCRITICALERRORS);
  StatusCallback callback(status);
  char cacheFile[MAX_PATH] = {};
  const HRESULT hr = download(nullptr, url.c_str(), cacheFile, MAX_PATH, 0, &callback);
  SetErrorMode(errorMode);
  if (SUCCEEDED(com)) CoUninitialize();
  if (credentials) {
    char empty[1] = {};
    setOption(nullptr, kInternetOptionUserName, empty, 0);
    setOption(nullptr, kInternetOptionPassword, empty, 0);
  }
  result.succeeded = hr == S_OK;
  if (result.succeeded)
    result.succeeded = status(kStatusCacheFile, 0, 0, cacheFile) && status(kStatusFinishing, 0, 0, {});
  result.outOfMemory = hr == E_OUTOFMEMORY;
  if (!result.succeeded) result.errorText = SystemMessage(static_cast<DWORD>(hr));
  return result;
}

}  // namespace quarrix::platform::win32
