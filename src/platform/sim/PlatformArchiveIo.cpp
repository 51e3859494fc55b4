#include "platform/sim/PlatformArchiveIo.h"

#include <cstring>

namespace quarrix {
namespace {

class PlatformInput : public archive::ArchiveInput {
 public:
  PlatformInput(platform::FileSystem& files, std::string path, uint64_t size)
      : files_(files), path_(std::move(path)), size_(size) {}

  uint64_t Size() const override { return size_; }
  bool Read(uint64_t offset, void* buffer, size_t size) override {
    if (offset > size_ || size > size_ - offset) return false;
    if (size == 0) return true;
    auto data = files_.ReadFile(path_, offset, size);
    if (!data || data->size() != size) return false;
    std::memcpy(buffer, data->data(), size);
    return true;
  }

 private:
  platform::FileSystem& files_;
  std::string path_;
  uint64_t size_;
};

constexpr const char* kTemporarySuffix = ".zvk-part";

// Collects a megabyte before each append, so a large entry costs few file opens.
class PlatformOutputFile : public archive::OutputFile {
 public:
  static constexpr size_t kFlushSize = 1 << 20;

  PlatformOutputFile(platform::FileSystem& files, std::mutex& lock, std::string path)
      : files_(files), lock_(lock), path_(std::move(path)), temporary_(path_ + kTemporarySuffix) {}
  ~PlatformOutputFile() override {
    std::lock_guard guard(lock_);
    if (!completed_) files_.RemoveFile(temporary_);
  }
  PlatformOutputFile(const PlatformOutputFile&) = delete;
  PlatformOutputFile& operator=(const PlatformOutputFile&) = delete;

  bool Write(const void* data, size_t size) override {
    pending_.append(static_cast<const char*>(data), size);
    if (pending_.size() < kFlushSize) return true;
    std::lock_guard guard(lock_);
    return FlushLocked();
  }
  bool Close(const archive::FileStamp&) override {
    std::lock_guard guard(lock_);
    if (!FlushLocked()) return false;
    if (files_.FileExists(path_)) {
      files_.SetAttributesNormal(path_);
      files_.RemoveFile(path_);
    }
    if (!files_.Move(temporary_, path_)) return false;
    completed_ = true;
    return true;
  }

 private:
  bool FlushLocked() {
    if (pending_.empty()) return true;
    const bool written = files_.AppendFile(temporary_, pending_);
    pending_.clear();
    return written;
  }

  platform::FileSystem& files_;
  std::mutex& lock_;
  std::string path_;
  std::string temporary_;
  std::string pending_;
  bool completed_ = false;
};

}  // namespace

std::unique_ptr<archive::ArchiveInput> OpenPlatformArchive(platform::FileSystem& files, const std::string& path) {
  if (!files.FileExists(path)) return nullptr;
  auto size = files.FileSize(path);
  if (!size) return nullptr;
  return std::make_unique<PlatformInput>(files, path, *size);
}

bool PlatformArchiveOutput::CreateFolders(const std::string& path) {
  std::lock_guard guard(lock_);
  return files_.CreateDirectories(path);
}

bool PlatformArchiveOutput::Exists(const std::string& path) {
  std::lock_guard guard(lock_);
  return files_.FileExists(path) || files_.DirectoryExists(path);
}

std::unique_ptr<archive::OutputFile> PlatformArchiveOutput::CreateFile(const std::string& path) {
  std::lock_guard guard(lock_);
  if (!files_.WriteFile(path + kTemporarySuffix, "")) return nullptr;
  return std::make_unique<PlatformOutputFile>(files_, lock_, path);
}

}  // namespace quarrix
