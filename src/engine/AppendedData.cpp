#include "engine/AppendedData.h"

#include <algorithm>
#include <optional>

#include "engine/StubSize.h"

namespace quarrix {
namespace {

// The image headers of a linked executable lie well inside its first 64 KiB.
constexpr uint64_t kHeaderProbeBytes = 64 * 1024;

std::optional<uint32_t> StubSizeOfFile(platform::FileSystem& files, const std::string& path, uint64_t fileSize) {
  auto headers = files.ReadFile(path, 0, std::min(fileSize, kHeaderProbeBytes));
  if (!headers) return std::nullopt;
  return GetStubSize(*headers);
}

bool WriteSetup(platform::FileSystem& files, const std::string& executablePath, const std::string& payloadPath,
                const std::string& setupPath) {
  auto executableSize = files.FileSize(executablePath);
  if (!executableSize) return false;
  auto stubSize = StubSizeOfFile(files, executablePath, *executableSize);
  if (!stubSize || *stubSize > *executableSize) return false;
  auto stub = files.ReadFile(executablePath, 0, *stubSize);
  auto payload = files.ReadFile(payloadPath);
  if (!stub || stub->size() != *stubSize || !payload) return false;
  return files.WriteFile(setupPath, *stub) && files.AppendFile(setupPath, *payload);
}

bool AttachStubSteps(platform::FileSystem& files, const std::string& executablePath, const std::string& payloadPath) {
  const std::string setupPath = payloadPath + ".to";
  const std::string keptPayloadPath = payloadPath + ".nox";
  if (!WriteSetup(files, executablePath, payloadPath, setupPath)) {
    files.RemoveFile(setupPath);
    return false;
  }
  if (!files.Move(payloadPath, keptPayloadPath)) {
    files.RemoveFile(setupPath);
    return false;
  }
  if (!files.Move(setupPath, payloadPath)) {
    // Put the payload back where it was rather than leave the caller without it.
    files.Move(keptPayloadPath, payloadPath);
    files.RemoveFile(setupPath);
    return false;
  }
  return true;
}

}  // namespace

bool ExtractAppendedData(platform::FileSystem& files, const std::string& libraryPath, const std::string& outputPath,
                         uint32_t sizeOverride) {
  try {
    auto librarySize = files.FileSize(libraryPath);
    if (!librarySize) return false;
    std::optional<uint32_t> stubSize = sizeOverride;
    if (sizeOverride == 0) stubSize = StubSizeOfFile(files, libraryPath, *librarySize);
    if (!stubSize || *stubSize >= *librarySize) return false;
    auto data = files.ReadFile(libraryPath, *stubSize);
    return data && files.WriteFile(outputPath, *data);
  } catch (...) {  // out of memory on a huge file: a failure like any other
    return false;
  }
}

bool AttachStub(platform::FileSystem& files, const std::string& executablePath, const std::string& payloadPath) {
  try {
    return AttachStubSteps(files, executablePath, payloadPath);
  } catch (...) {
    files.RemoveFile(payloadPath + ".to");
    return false;
  }
}

}  // namespace quarrix
