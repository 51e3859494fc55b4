#pragma once
// The archive library "zvk.lib" bound with LoadLibrary and GetProcAddress.
#include "platform/ArchiveLibrary.h"
#include "archive/ArchiveLibraryAbi.h"

namespace quarrix::platform::win32 {

class Win32ArchiveLibrary : public ArchiveLibrary {
 public:
  Win32ArchiveLibrary() = default;
  ~Win32ArchiveLibrary() override { Unload(); }
  Win32ArchiveLibrary(const Win32ArchiveLibrary&) = delete;
  Win32ArchiveLibrary& operator=(const Win32ArchiveLibrary&) = delete;

  // False, with nothing kept loaded, unless the library exports all four functions.
  bool Load(const std::string& libraryPath) override;
  bool IsLoaded() const override { return module_ != nullptr; }
  void Unload() override;

  std::optional<std::vector<std::string>> ListArchive(const std::string& archivePath, const std::string& password,
                                                      const ArchiveCallbacks& callbacks) override;
  bool ExtractArchive(const std::string& archivePath, const std::string& destination,
                      const std::vector<std::string>& targets, int32_t modeFlag, const std::string& password,
                      const ArchiveCallbacks& callbacks) override;
  uint32_t GetLastArchiveError() override;

 private:
  void* module_ = nullptr;  // HMODULE
  archive::abi::OpenListArchiveFunction openList_ = nullptr;
  archive::abi::CloseListArchiveFunction closeList_ = nullptr;
  archive::abi::ExtractArchiveFunction extract_ = nullptr;
  archive::abi::GetLastArchiveErrorFunction lastError_ = nullptr;
};

}  // namespace quarrix::platform::win32
