#include "media/WebDownload.h"

#include <cstdlib>
#include <stdexcept>

#include "common/WindowsPath.h"
#include "localisation/MessageTable.h"
#include "media/DownloadProgress.h"

namespace quarrix {
namespace {

constexpr int kSlotComplete = 21;
constexpr int kSlotBytesReceived = 22;
constexpr int kSlotFirstStatus = 55;  // status code 1
constexpr uint32_t kStatusTransferring = 5;
constexpr uint32_t kStatusFinishing = 6;
constexpr uint32_t kStatusCacheFile = 14;
constexpr uint64_t kResumeOverlap = 2048;
constexpr size_t kWriteChunk = 1 << 20;
// Ranged continuations of a cut transfer that bring nothing new before the address counts as failed.
constexpr int kFruitlessContinuations = 3;

std::string LowerAscii(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

// The first byte of a 206 answer's "Content-Range: bytes FIRST-LAST/TOTAL"; nothing without one.
bool RangeStart(const std::string& headers, uint64_t& first) {
  const std::string lower = LowerAscii(headers);
  const size_t at = lower.find("content-range:");
  if (at == std::string::npos) return false;
  const size_t digits = lower.find_first_of("0123456789", at);
  if (digits == std::string::npos) return false;
  first = std::strtoull(lower.c_str() + digits, nullptr, 10);
  return true;
}

platform::HttpRequest RequestFor(const DownloadServices& services, const std::string& address,
                                 const DownloadOptions& options) {
  platform::HttpRequest request;
  request.url = address;
  request.proxy = {options.proxyServer, options.proxyPort.empty() ? std::string("80") : options.proxyPort,
                   options.proxyUser, options.proxyPassword};
  request.waitTimeoutMs = services.waitTimeoutMs;
  return request;
}

// Receives one GET into the target from byte `from` on, buffering pieces into large writes.
class BodyWriter {
 public:
  BodyWriter(DownloadServices& services, const std::string& target, uint64_t from, uint64_t total)
      : services_(services), target_(target), from_(from), total_(total) {}

  // Decides where the body goes once the status is known.
  bool Start(int status, const std::string& headers) {
    if (status >= 300) return false;
    uint64_t first = 0;
    if (status == 206) {
      // A part from elsewhere than asked cannot be placed.
      if (!RangeStart(headers, first) || first != from_) return false;
      base_ = from_;
    } else {
      base_ = 0;  // the whole document, whatever was asked
      if (total_ == 0) total_ = ContentLength(headers);
    }
    if (status == 206 && total_ == 0) {
      const uint64_t length = ContentLength(headers);
      if (length != 0) total_ = base_ + length;
    }
    return services_.files.TruncateFile(target_, base_);
  }

  bool Piece(const char* data, size_t size) {
    buffer_.append(data, size);
    received_ += size;
    if (buffer_.size() >= kWriteChunk && !Flush()) return false;
    const uint64_t held = base_ + received_;
    const int percent = percent_.Next(held, total_);
    return services_.progress(
        ReceivedText(held, total_, percent, services_.texts.bytesReceived, services_.texts.complete), percent);
  }

  bool Flush() {
    if (buffer_.empty()) return true;
    const bool written = services_.files.AppendFile(target_, buffer_);
    buffer_.clear();
    writeFailed_ = writeFailed_ || !written;
    return written;
  }

  bool WriteFailed() const { return writeFailed_; }
  uint64_t Total() const { return total_; }

 private:
  DownloadServices& services_;
  const std::string& target_;
  uint64_t from_;
  uint64_t total_;
  uint64_t base_ = 0;
  uint64_t received_ = 0;
  std::string buffer_;
  DownloadPercent percent_;
  bool writeFailed_ = false;
};

bool SystemDownload(DownloadServices& services, DownloaderState& state, const std::string& address,
                    const std::string& target, const DownloadOptions& options) {
  services.registry.WriteValue(platform::RegistryRoot::CurrentUser,
                               "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Internet Settings", "ReceiveTimeout",
                               platform::RegistryValue::Number(10000), platform::RegistryView::Default);
  const AddressCredentials credentials = SplitCredentials(address);
  if (!options.resume && !state.lastCacheFile.empty()) services.files.RemoveFile(state.lastCacheFile);
  DownloadPercent percent;
  uint64_t announced = 0;
  bool copied = false;
  const platform::DownloadStatus status = [&](uint32_t code, uint64_t progress, uint64_t total,
                                              const std::string& extra) {
    std::string text = code < services.texts.status.size() ? services.texts.status[code] : std::string();
    if (code == kStatusCacheFile) state.lastCacheFile = extra;
    if (code == kStatusTransferring) {
      announced = total;
      text = ReceivedText(progress, total, percent.Next(progress, total), services.texts.bytesReceived,
                          services.texts.complete);
    } else if (!extra.empty()) {
      text = text.empty() ? extra : text + " " + extra;
    }
    if (code == kStatusFinishing && !state.lastCacheFile.empty()) {
      if (!EqualsIgnoreCase(state.lastCacheFile, target)) services.files.RemoveFile(target);
      services.files.CreateDirectories(FolderBeforeBackslash(target));
      copied = services.files.Copy(state.lastCacheFile, target, /*overwrite=*/true);
    }
    return services.progress(text, percent.Next(progress, total));
  };
  const platform::SystemDownloadResult result =
      services.internet.SystemDownload(credentials.address, credentials.user, credentials.password, status);
  if (result.outOfMemory) throw std::runtime_error(result.errorText);
  if (!result.succeeded || !copied) return false;
  // A service that reports success for a transfer cut short must not leave a short file taken for whole.
  return announced == 0 || services.files.FileSize(target).value_or(0) == announced;
}

}  // namespace

DownloadTexts DownloadTexts::From(const MessageTable& messages) {
  DownloadTexts texts;
  texts.bytesReceived = messages.Text(kSlotBytesReceived);
  texts.complete = messages.Text(kSlotComplete);
  for (size_t code = 1; code < texts.status.size(); ++code)
    texts.status[code] = messages.Text(kSlotFirstStatus + static_cast<int>(code) - 1);
  return texts;
}

AddressCredentials SplitCredentials(const std::string& address) {
  AddressCredentials split{address, {}, {}};
  const std::string lower = LowerAscii(address);
  size_t schemeEnd = 0;
  if (lower.rfind("http://", 0) == 0) schemeEnd = 7;
  else if (lower.rfind("https://", 0) == 0) schemeEnd = 8;
  else return split;
  const size_t slash = address.find('/', schemeEnd);
  const size_t at = address.find('@', schemeEnd);
  if (at == std::string::npos || (slash != std::string::npos && at > slash)) return split;
  const std::string userPart = address.substr(schemeEnd, at - schemeEnd);
  const size_t colon = userPart.find(':');
  split.user = userPart.substr(0, colon);
  if (colon != std::string::npos) split.password = userPart.substr(colon + 1);
  split.address = address.substr(0, schemeEnd) + address.substr(at + 1);
  return split;
}

uint64_t ContentLength(const std::string& headers) {
  const std::string lower = LowerAscii(headers);
  uint64_t length = 0;
  for (size_t at = lower.find("content-length:"); at != std::string::npos;
       at = lower.find("content-length:", at + 1)) {
    char* end = nullptr;
    const char* digits = lower.c_str() + at + 15;
    while (*digits == ' ' || *digits == '\t') ++digits;
    length = std::strtoull(digits, &end, 10);
    if (end == digits) length = 0;
  }
  return length;
}

bool HttpDownloadFile(DownloadServices& services, const std::string& address, const std::string& target,
                      const DownloadOptions& options) {
  platform::FileSystem& files = services.files;
  platform::HttpRequest request = RequestFor(services, address, options);
  const uint64_t held = files.FileExists(target) ? files.FileSize(target).value_or(0) : 0;
  const platform::HttpResponse head = services.internet.Head(request, services.keepGoing);
  if (head.aborted || head.status >= 400) return false;
  // The whole document's length: what the file must hold at the end.
  uint64_t total = ContentLength(head.headers);
  uint64_t from = options.resume && held > kResumeOverlap ? held - kResumeOverlap : 0;
  if (total != 0 && from >= total) from = 0;  // a stale file longer than the document

  int fruitless = 0;
  for (;;) {
    request.ranged = from != 0;
    request.rangeFrom = from;
    BodyWriter writer(services, target, from, total);
    const platform::HttpResponse response = services.internet.Get(
        request, [&](int status, const std::string& headers) { return writer.Start(status, headers); },
        [&](const char* data, size_t size) { return writer.Piece(data, size); }, services.keepGoing);
    writer.Flush();
    if (response.status >= 400 || (response.status == 0 && response.bodyBytes == 0))
      return false;
    if (response.aborted || writer.WriteFailed()) return false;
    if (response.bodyBytes == 0 && response.transferred) files.TruncateFile(target, from);
    total = writer.Total();
    const uint64_t size = files.FileSize(target).value_or(0);
    if (total == 0) return response.transferred;
    if (size == total) return true;
    if (size > total) return false;
    // Cut short: go on from what the file holds now.
    fruitless = size > from ? 0 : fruitless + 1;
    if (fruitless >= kFruitlessContinuations || !services.keepGoing()) return false;
    from = size;
  }
}

bool DownloadFile(DownloadServices& services, DownloaderState& state, const std::string& address,
                  const std::string& target, const DownloadOptions& options) {
  if (state.systemDownloader && !services.internet.SystemDownloaderAvailable()) state.systemDownloader = false;
  if (state.systemDownloader) return SystemDownload(services, state, address, target, options);
  return HttpDownloadFile(services, address, target, options);
}

}  // namespace quarrix
