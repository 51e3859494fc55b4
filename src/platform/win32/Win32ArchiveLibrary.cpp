#include "platform/win32/Win32ArchiveLibrary.h"

#include <algorithm>
#include <cstring>

#include "platform/win32/Win32Api.h"

namespace quarrix::platform::win32 {

using namespace quarrix::archive::abi;

namespace {

// The library's callbacks carry no context argument, so they find the callbacks of the call in
// progress here. The library calls them on the calling thread, hence one pointer per thread.
thread_local const ArchiveCallbacks* activeCallbacks = nullptr;

class ActiveCallbacksScope {
 public:
  explicit ActiveCallbacksScope(const ArchiveCallbacks& callbacks) : previous_(activeCallbacks) {
    activeCallbacks = &callbacks;
  }
  ~ActiveCallbacksScope() { activeCallbacks = previous_; }
  ActiveCallbacksScope(const ActiveCallbacksScope&) = delete;
  ActiveCallbacksScope& operator=(const ActiveCallbacksScope&) = delete;

 private:
  const ArchiveCallbacks* previous_;
};

// No exception may unwind through the library's frames: every callback catches all of them
// and answers as if the engine had declined (no password, cancel, skip).
int32_t QUARRIX_ARCHIVE_CALL PasswordCallback(char* passwordBuffer) {
  try {
    if (passwordBuffer == nullptr || activeCallbacks == nullptr || !activeCallbacks->password) return 0;
    std::string password;
    if (!activeCallbacks->password(password)) return 0;
    size_t length = std::min<size_t>(password.size(), kArchivePasswordBufferSize - 1);
    std::memcpy(passwordBuffer, password.data(), length);
    passwordBuffer[length] = '\0';
    return 1;
  } catch (...) {
    return 0;
  }
}

int32_t QUARRIX_ARCHIVE_CALL ProgressCallback(const char* entryPath, uint32_t doneLow, uint32_t doneHigh,
                                              uint32_t totalLow, uint32_t totalHigh) {
  try {
    if (activeCallbacks == nullptr || !activeCallbacks->progress) return 1;
    uint64_t done = (static_cast<uint64_t>(doneHigh) << 32) | doneLow;
    uint64_t total = (static_cast<uint64_t>(totalHigh) << 32) | totalLow;
    return activeCallbacks->progress(entryPath != nullptr ? entryPath : "", done, total) ? 1 : 0;
  } catch (...) {
    return 0;
  }
}

int32_t QUARRIX_ARCHIVE_CALL TwoArgumentCallback(intptr_t first, intptr_t second) {
  try {
    if (activeCallbacks == nullptr || !activeCallbacks->twoArgument) return 1;
    return activeCallbacks->twoArgument(static_cast<int32_t>(first), static_cast<int32_t>(second));
  } catch (...) {
    return 1;
  }
}

constexpr int32_t kSkipExistingFile = 1;

int32_t QUARRIX_ARCHIVE_CALL OverwriteCallback(intptr_t, intptr_t, intptr_t, intptr_t, intptr_t, intptr_t,
                                               intptr_t, intptr_t, intptr_t, intptr_t) {
  try {
    if (activeCallbacks == nullptr || !activeCallbacks->overwrite) return kSkipExistingFile;
    return activeCallbacks->overwrite();
  } catch (...) {
    return kSkipExistingFile;
  }
}

HMODULE AsModule(void* module) { return static_cast<HMODULE>(module); }

}  // namespace

bool Win32ArchiveLibrary::Load(const std::string& libraryPath) {
  Unload();
  HMODULE module = LoadLibraryA(libraryPath.c_str());
  if (module == nullptr) return false;
  openList_ = LookUpProcedure<OpenListArchiveFunction>(module, kOpenListArchiveExport);
  closeList_ = LookUpProcedure<CloseListArchiveFunction>(module, kCloseListArchiveExport);
  extract_ = LookUpProcedure<ExtractArchiveFunction>(module, kExtractArchiveExport);
  lastError_ = LookUpProcedure<GetLastArchiveErrorFunction>(module, kGetLastArchiveErrorExport);
  module_ = module;
  if (openList_ == nullptr || closeList_ == nullptr || extract_ == nullptr || lastError_ == nullptr) {
    Unload();
    return false;
  }
  return true;
}

void Win32ArchiveLibrary::Unload() {
  if (module_ != nullptr) FreeLibrary(AsModule(module_));
  module_ = nullptr;
  openList_ = nullptr;
  closeList_ = nullptr;
  extract_ = nullptr;
  lastError_ = nullptr;
}

std::optional<std::vector<std::string>> Win32ArchiveLibrary::ListArchive(const std::string& archivePath,
                                                                         const std::string& password,
                                                                         const ArchiveCallbacks& callbacks) {
  if (!IsLoaded()) return std::nullopt;
  ActiveCallbacksScope scope(callbacks);
  ArchiveEntryRecord* firstEntry = nullptr;
  int32_t entryCount = 0;
  intptr_t handle = openList_(archivePath.c_str(), 0, &PasswordCallback, 0, 0, 0, password.c_str(), &firstEntry,
                              &entryCount);
  if (handle == 0) return std::nullopt;

  struct CloseOnExit {
    CloseListArchiveFunction close;
    intptr_t handle;
    ~CloseOnExit() { close(handle); }
  } closeOnExit{closeList_, handle};

  std::vector<std::string> paths;
  if (firstEntry == nullptr || entryCount <= 0) return paths;
  paths.reserve(static_cast<size_t>(entryCount));
  for (int32_t index = 0; index < entryCount; ++index) {
    const char* path = firstEntry[index].path;
    paths.emplace_back(path != nullptr ? path : "");
  }
  return paths;
}

bool Win32ArchiveLibrary::ExtractArchive(const std::string& archivePath, const std::string& destination,
                                         const std::vector<std::string>& targets, int32_t modeFlag,
                                         const std::string& password, const ArchiveCallbacks& callbacks) {
  if (!IsLoaded()) return false;
  std::vector<const char*> targetPaths;
  targetPaths.reserve(targets.size());
  for (const std::string& target : targets) targetPaths.push_back(target.c_str());
  TSZW_TARGETFILES targetList{targetPaths.empty() ? nullptr : targetPaths.data(),
                              static_cast<int32_t>(targetPaths.size())};

  ActiveCallbacksScope scope(callbacks);
  return extract_(archivePath.c_str(), 1, destination.c_str(), &targetList, modeFlag, password.c_str(),
                  &PasswordCallback, &ProgressCallback, &TwoArgumentCallback, &OverwriteCallback) != 0;
}

uint32_t Win32ArchiveLibrary::GetLastArchiveError() {
  if (!IsLoaded()) return 0;
  return static_cast<uint32_t>(lastError_());
}

}  // namespace quarrix::platform::win32
