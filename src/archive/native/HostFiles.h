#pragma once
// The reader's input and output over the host's own file system, for the native tools and
// tests. Windows-style paths ("\" separators, ANSI names) are mapped to host paths through
// the code page.
#include <filesystem>
#include <memory>

#include "archive/ArchiveIo.h"

namespace quarrix::archive {

// Null when the file cannot be opened.
std::unique_ptr<ArchiveInput> OpenHostArchive(const std::filesystem::path& path);

class HostArchiveOutput : public ArchiveOutput {
 public:
  explicit HostArchiveOutput(const CodePage& codePage) : codePage_(codePage) {}

  bool CreateFolders(const std::string& path) override;
  bool Exists(const std::string& path) override;
  std::unique_ptr<OutputFile> CreateFile(const std::string& path) override;

  std::filesystem::path HostPath(const std::string& path) const;

 private:
  const CodePage& codePage_;
};

}  // namespace quarrix::archive
