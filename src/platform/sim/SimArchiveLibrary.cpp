#include "platform/sim/SimArchiveLibrary.h"

namespace quarrix::platform::sim {

namespace {
constexpr uint32_t kArchiveNotFound = 1001;
constexpr uint32_t kUnsupportedArchive = 1003;
}  // namespace

bool SimArchiveLibrary::Load(const std::string& libraryPath) {
  loadedPaths.push_back(libraryPath);
  loaded_ = files_.FileExists(libraryPath);
  return loaded_;
}

std::optional<std::vector<std::string>> SimArchiveLibrary::ListArchive(const std::string& archivePath,
                                                                       const std::string&,
                                                                       const ArchiveCallbacks&) {
  lastError_ = 0;
  if (!files_.FileExists(archivePath)) {
    lastError_ = kArchiveNotFound;
    return std::nullopt;
  }
  if (!onList) {
    lastError_ = kUnsupportedArchive;
    return std::nullopt;
  }
  return onList(archivePath, lastError_);
}

bool SimArchiveLibrary::ExtractArchive(const std::string& archivePath, const std::string& destination,
                                       const std::vector<std::string>& targets, int32_t, const std::string&,
                                       const ArchiveCallbacks&) {
  lastError_ = 0;
  if (!files_.FileExists(archivePath)) {
    lastError_ = kArchiveNotFound;
    return false;
  }
  if (!onExtract) {
    lastError_ = kUnsupportedArchive;
    return false;
  }
  return onExtract(archivePath, destination, targets, lastError_);
}

}  // namespace quarrix::platform::sim
