#pragma once
// The reader's input, output and code page on the Win32 file functions, for the library.
#include <memory>
#include <string>

#include "archive/ArchiveIo.h"

namespace quarrix::archive::zvk {

// Null when the file cannot be opened for reading.
std::unique_ptr<ArchiveInput> OpenWin32Archive(const std::string& path);

// A file is written under a temporary name beside its place and renamed over it when complete,
// so an existing file survives an extraction of it that fails.
class Win32ArchiveOutput : public ArchiveOutput {
 public:
  bool CreateFolders(const std::string& path) override;
  bool Exists(const std::string& path) override;
  std::unique_ptr<OutputFile> CreateFile(const std::string& path) override;
};

// The system's ANSI code page (CP_ACP), as the engine's strings use it.
class AnsiCodePage : public CodePage {
 public:
  std::string FromWide(const std::u16string& text) const override;
  std::u16string ToWide(const std::string& text) const override;
};

}  // namespace quarrix::archive::zvk
