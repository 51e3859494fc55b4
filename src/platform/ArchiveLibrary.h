#pragma once
// The archive library "zvk.lib" bound at run time. This interface mirrors the library's four
// exports with C++ types; the engine's wrappers (listing, extraction, error texts) are
// portable logic on top of it.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quarrix::platform {

struct ArchiveCallbacks {
  // Fills the password; false when there is none to give.
  std::function<bool(std::string& password)> password;
  // false cancels the extraction.
  std::function<bool(const std::string& entryPath, uint64_t done, uint64_t total)> progress;
  std::function<int32_t(int32_t, int32_t)> twoArgument;
  // 1 skips the existing file, 4 overwrites it.
  std::function<int32_t()> overwrite;
};

class ArchiveLibrary {
 public:
  virtual ~ArchiveLibrary() = default;

  // Loads the library file; false when it is missing or not a usable library.
  virtual bool Load(const std::string& libraryPath) = 0;
  virtual bool IsLoaded() const = 0;
  virtual void Unload() = 0;

  // OpenListArchive + CloseListArchive: the entry paths ("\"-separated), or nothing on failure.
  virtual std::optional<std::vector<std::string>> ListArchive(const std::string& archivePath,
                                                              const std::string& password,
                                                              const ArchiveCallbacks& callbacks) = 0;
  // ExtractArchive: targets are entry paths; modeFlag is the library's 0 or 1.
  virtual bool ExtractArchive(const std::string& archivePath, const std::string& destination,
                              const std::vector<std::string>& targets, int32_t modeFlag,
                              const std::string& password, const ArchiveCallbacks& callbacks) = 0;
  // 1001 not found, 1002 illegal wildcard path, 1003 unsupported or wrong password, else general.
  virtual uint32_t GetLastArchiveError() = 0;
};

}  // namespace quarrix::platform
