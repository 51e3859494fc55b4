#pragma once
// The reader's input, output and code page on the Win32 file functions, and what the machine
// offers an extraction, for the library.
#include <memory>
#include <string>

#include "archive/ArchiveIo.h"
#include "archive/DecodeWorkers.h"

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

// The processors, and the memory the process can still get: physical and, for a 32-bit
// process, address space.
DecodeResources SystemDecodeResources();

}  // namespace quarrix::archive::zvk
