#pragma once
// The reader's input and output behind one lock, so that workers decoding folders on several
// threads can share them whatever the host's file functions allow.
#include <memory>
#include <mutex>
#include <string>

#include "archive/ArchiveIo.h"

namespace quarrix::archive {

class LockedInput : public ArchiveInput {
 public:
  LockedInput(ArchiveInput& input, std::mutex& lock) : input_(input), lock_(lock) {}
  uint64_t Size() const override;
  bool Read(uint64_t offset, void* buffer, size_t size) override;

 private:
  ArchiveInput& input_;
  std::mutex& lock_;
};

// The files it creates take the same lock for every call, their destruction included.
class LockedOutput : public ArchiveOutput {
 public:
  LockedOutput(ArchiveOutput& output, std::mutex& lock) : output_(output), lock_(lock) {}
  bool CreateFolders(const std::string& path) override;
  bool Exists(const std::string& path) override;
  std::unique_ptr<OutputFile> CreateFile(const std::string& path) override;

 private:
  ArchiveOutput& output_;
  std::mutex& lock_;
};

}  // namespace quarrix::archive
