#pragma once
// The archive reader's input and output over the machine's FileSystem, so that the simulated
// machine (and anything else behind that interface) reads real archives on its own drives.
#include <memory>
#include <mutex>
#include <string>

#include "archive/ArchiveIo.h"
#include "platform/FileSystem.h"

namespace quarrix {

// Null when the archive is not an existing file.
std::unique_ptr<archive::ArchiveInput> OpenPlatformArchive(platform::FileSystem& files, const std::string& path);

// Files are written in pieces through AppendFile under a temporary name and moved into place
// when complete, so an existing file survives a failed extraction of it. Times and attributes
// are not kept, as the interface has no way to set them. The machine's file system is not
// made for several threads: the output and its files take turns through one lock.
class PlatformArchiveOutput : public archive::ArchiveOutput {
 public:
  explicit PlatformArchiveOutput(platform::FileSystem& files) : files_(files) {}

  bool CreateFolders(const std::string& path) override;
  bool Exists(const std::string& path) override;
  std::unique_ptr<archive::OutputFile> CreateFile(const std::string& path) override;

 private:
  platform::FileSystem& files_;
  std::mutex lock_;
};

}  // namespace quarrix
