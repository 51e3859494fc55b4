#include "platform/sim/SimArchiveLibrary.h"

#include "archive/ArchiveReader.h"
#include "archive/Cp1252CodePage.h"
#include "archive/native/HostResources.h"
#include "archive/native/OpenSslCrypto.h"
#include "platform/sim/PlatformArchiveIo.h"

namespace quarrix::platform::sim {

namespace {
constexpr uint32_t kArchiveNotFound = 1001;

const archive::Cp1252CodePage kCodePage;  // the simulated machine's ANSI code page
const archive::OpenSslCrypto kCrypto;

// As the real library: the caller's callback first, the password argument when it has none.
archive::PasswordProvider AskForPassword(const ArchiveCallbacks& callbacks, const std::string& password) {
  return [callback = callbacks.password, password](std::string& out) {
    if (callback && callback(out)) return true;
    if (password.empty()) return false;
    out = password;
    return true;
  };
}
}  // namespace

bool SimArchiveLibrary::Load(const std::string& libraryPath) {
  loadedPaths.push_back(libraryPath);
  loaded_ = files_.FileExists(libraryPath);
  return loaded_;
}

std::optional<std::vector<std::string>> SimArchiveLibrary::ListArchive(const std::string& archivePath,
                                                                       const std::string& password,
                                                                       const ArchiveCallbacks& callbacks) {
  lastError_ = 0;
  if (!files_.FileExists(archivePath)) {
    lastError_ = kArchiveNotFound;
    return std::nullopt;
  }
  if (onList) return onList(archivePath, lastError_);

  auto input = OpenPlatformArchive(files_, archivePath);
  archive::ArchiveReader reader(kCodePage, &kCrypto);
  const archive::ArchiveStatus status = reader.Open(input.get(), AskForPassword(callbacks, password));
  if (status != archive::ArchiveStatus::kOk) {
    lastError_ = archive::ErrorCode(status);
    return std::nullopt;
  }
  std::vector<std::string> paths;
  paths.reserve(reader.Entries().size());
  for (const archive::ArchiveEntry& entry : reader.Entries()) paths.push_back(entry.path);
  return paths;
}

bool SimArchiveLibrary::ExtractArchive(const std::string& archivePath, const std::string& destination,
                                       const std::vector<std::string>& targets, int32_t, const std::string& password,
                                       const ArchiveCallbacks& callbacks) {
  lastError_ = 0;
  if (!files_.FileExists(archivePath)) {
    lastError_ = kArchiveNotFound;
    return false;
  }
  if (onExtract) return onExtract(archivePath, destination, targets, lastError_);

  auto input = OpenPlatformArchive(files_, archivePath);
  archive::ArchiveReader reader(kCodePage, &kCrypto);
  archive::ArchiveStatus status = reader.Open(input.get(), AskForPassword(callbacks, password));
  if (status == archive::ArchiveStatus::kOk) {
    archive::ExtractOptions options;
    options.selection = targets;
    options.resources = archive::HostDecodeResources();  // the work is the host's, not the simulated machine's
    if (callbacks.progress) options.progress = callbacks.progress;
    options.overwrite = [&callbacks](const std::string&) {
      return callbacks.overwrite ? callbacks.overwrite() : archive::kOverwriteSkip;
    };
    PlatformArchiveOutput output(files_);
    status = reader.Extract(output, destination, options);
  }
  lastError_ = archive::ErrorCode(status);
  return status == archive::ArchiveStatus::kOk;
}

}  // namespace quarrix::platform::sim
