#include "archive/LockedIo.h"

namespace quarrix::archive {
namespace {

class LockedFile : public OutputFile {
 public:
  LockedFile(std::unique_ptr<OutputFile> file, std::mutex& lock) : file_(std::move(file)), lock_(lock) {}
  ~LockedFile() override {
    std::lock_guard guard(lock_);
    file_.reset();
  }
  LockedFile(const LockedFile&) = delete;
  LockedFile& operator=(const LockedFile&) = delete;

  bool Write(const void* data, size_t size) override {
    std::lock_guard guard(lock_);
    return file_->Write(data, size);
  }
  bool Close(const FileStamp& stamp) override {
    std::lock_guard guard(lock_);
    return file_->Close(stamp);
  }

 private:
  std::unique_ptr<OutputFile> file_;
  std::mutex& lock_;
};

}  // namespace

uint64_t LockedInput::Size() const {
  std::lock_guard guard(lock_);
  return input_.Size();
}

bool LockedInput::Read(uint64_t offset, void* buffer, size_t size) {
  std::lock_guard guard(lock_);
  return input_.Read(offset, buffer, size);
}

bool LockedOutput::CreateFolders(const std::string& path) {
  std::lock_guard guard(lock_);
  return output_.CreateFolders(path);
}

bool LockedOutput::Exists(const std::string& path) {
  std::lock_guard guard(lock_);
  return output_.Exists(path);
}

std::unique_ptr<OutputFile> LockedOutput::CreateFile(const std::string& path) {
  std::lock_guard guard(lock_);
  auto file = output_.CreateFile(path);  // released before the guard should the wrapper fail
  if (!file) return nullptr;
  return std::make_unique<LockedFile>(std::move(file), lock_);
}

}  // namespace quarrix::archive
