#include "archive/native/HostFiles.h"

#include <chrono>
#include <cstdio>
#include <mutex>
#include <system_error>

namespace quarrix::archive {
namespace {

class HostInput : public ArchiveInput {
 public:
  HostInput(std::FILE* file, uint64_t size) : file_(file), size_(size) {}
  ~HostInput() override { std::fclose(file_); }
  HostInput(const HostInput&) = delete;
  HostInput& operator=(const HostInput&) = delete;

  uint64_t Size() const override { return size_; }
  bool Read(uint64_t offset, void* buffer, size_t size) override {
    if (offset > size_ || size > size_ - offset) return false;
    std::lock_guard guard(lock_);  // one stream position for all workers
    if (offset != position_ && fseeko(file_, static_cast<off_t>(offset), SEEK_SET) != 0) return false;
    const size_t count = std::fread(buffer, 1, size, file_);
    position_ = offset + count;
    return count == size;
  }

 private:
  std::FILE* file_;
  uint64_t size_;
  std::mutex lock_;
  uint64_t position_ = 0;
};

// FILETIME counts 100 ns ticks from 1601; the Unix epoch lies 11644473600 s later.
std::chrono::file_clock::time_point ToFileTime(uint64_t ticks) {
  using namespace std::chrono;
  const auto sinceUnix = duration<int64_t, std::ratio<1, 10'000'000>>(static_cast<int64_t>(ticks) - 116444736000000000LL);
  return file_clock::from_sys(sys_time<system_clock::duration>(duration_cast<system_clock::duration>(sinceUnix)));
}

constexpr const char* kTemporarySuffix = ".zvk-part";

// Written under a temporary name beside its place and renamed over it when complete, so an
// existing file survives an extraction of it that fails.
class HostFile : public OutputFile {
 public:
  HostFile(std::FILE* file, std::filesystem::path path, std::filesystem::path temporary)
      : file_(file), path_(std::move(path)), temporary_(std::move(temporary)) {}
  ~HostFile() override {
    if (file_) std::fclose(file_);
    std::error_code ignored;
    if (!completed_) std::filesystem::remove(temporary_, ignored);
  }
  HostFile(const HostFile&) = delete;
  HostFile& operator=(const HostFile&) = delete;

  bool Write(const void* data, size_t size) override { return std::fwrite(data, 1, size, file_) == size; }
  bool Close(const FileStamp& stamp) override {
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (!closed) return false;
    std::error_code renamed;
    std::filesystem::rename(temporary_, path_, renamed);
    if (renamed) return false;
    completed_ = true;
    if (stamp.modified) {
      std::error_code ignored;  // a file system without times still holds the right bytes
      std::filesystem::last_write_time(path_, ToFileTime(*stamp.modified), ignored);
    }
    return true;
  }

 private:
  std::FILE* file_;
  std::filesystem::path path_;
  std::filesystem::path temporary_;
  bool completed_ = false;
};

}  // namespace

std::unique_ptr<ArchiveInput> OpenHostArchive(const std::filesystem::path& path) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return nullptr;
  const uint64_t size = std::filesystem::file_size(path, error);
  if (error) return nullptr;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return nullptr;
  return std::make_unique<HostInput>(file, size);
}

std::filesystem::path HostArchiveOutput::HostPath(const std::string& path) const {
  std::u16string wide = codePage_.ToWide(path);
  for (auto& c : wide) {
    if (c == u'\\') c = u'/';
  }
  return std::filesystem::path(wide);
}

bool HostArchiveOutput::CreateFolders(const std::string& path) {
  std::error_code error;
  const auto host = HostPath(path);
  std::filesystem::create_directories(host, error);
  return std::filesystem::is_directory(host, error);
}

bool HostArchiveOutput::Exists(const std::string& path) {
  std::error_code error;
  return std::filesystem::exists(HostPath(path), error);
}

std::unique_ptr<OutputFile> HostArchiveOutput::CreateFile(const std::string& path) {
  auto host = HostPath(path);
  auto temporary = host;
  temporary += kTemporarySuffix;
  std::FILE* file = std::fopen(temporary.c_str(), "wb");
  if (!file) return nullptr;
  // The reader writes large pieces; a stream buffer would only split each into three writes.
  std::setvbuf(file, nullptr, _IONBF, 0);
  return std::make_unique<HostFile>(file, std::move(host), std::move(temporary));
}

}  // namespace quarrix::archive
