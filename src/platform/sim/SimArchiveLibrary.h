#pragma once
// The archive library of the simulated machine. It binds when the library file exists on the
// simulated drive and reads real archives on the simulated drives with the archive reader.
// A test that needs a library behaving in some other way sets onList / onExtract, which then
// answer instead of the reader.
#include <functional>

#include "platform/ArchiveLibrary.h"
#include "platform/FileSystem.h"

namespace quarrix::platform::sim {

class SimArchiveLibrary : public ArchiveLibrary {
 public:
  explicit SimArchiveLibrary(FileSystem& files) : files_(files) {}

  std::function<std::optional<std::vector<std::string>>(const std::string& archivePath, uint32_t& error)> onList;
  std::function<bool(const std::string& archivePath, const std::string& destination,
                     const std::vector<std::string>& targets, uint32_t& error)>
      onExtract;
  std::vector<std::string> loadedPaths;  // every Load call, in order

  bool Load(const std::string& libraryPath) override;
  bool IsLoaded() const override { return loaded_; }
  void Unload() override { loaded_ = false; }
  std::optional<std::vector<std::string>> ListArchive(const std::string& archivePath, const std::string& password,
                                                      const ArchiveCallbacks& callbacks) override;
  bool ExtractArchive(const std::string& archivePath, const std::string& destination,
                      const std::vector<std::string>& targets, int32_t modeFlag, const std::string& password,
                      const ArchiveCallbacks& callbacks) override;
  uint32_t GetLastArchiveError() override { return lastError_; }

 private:
  FileSystem& files_;
  bool loaded_ = false;
  uint32_t lastError_ = 0;
};

}  // namespace quarrix::platform::sim
