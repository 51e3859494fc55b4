#include "media/ArchiveExtraction.h"

#include <exception>
#include <memory>

namespace quarrix {
namespace {

constexpr int32_t kOverwriteExisting = 4;
constexpr int32_t kSkipExisting = 1;

// The library asks again after a wrong password; answering only once ends that loop.
std::function<bool(std::string&)> OnceOnlyPassword(const std::string& password) {
  auto pending = std::make_shared<std::string>(password);
  auto given = std::make_shared<bool>(false);
  return [pending, given](std::string& out) {
    if (*given) return false;
    *given = true;
    out = *pending;
    pending->clear();
    return true;
  };
}

platform::ArchiveCallbacks WithDefaults(platform::ArchiveCallbacks callbacks, const std::string& password,
                                        bool overwrite) {
  if (!callbacks.password) callbacks.password = OnceOnlyPassword(password);
  if (!callbacks.progress) callbacks.progress = [](const std::string&, uint64_t, uint64_t) { return true; };
  if (!callbacks.twoArgument) callbacks.twoArgument = [](int32_t, int32_t) { return 1; };
  if (!callbacks.overwrite) callbacks.overwrite = [overwrite] { return overwrite ? kOverwriteExisting : kSkipExisting; };
  return callbacks;
}

}  // namespace

std::string ListingErrorText(uint32_t errorCode) {
  switch (errorCode) {
    case kArchiveNotFound: return "The archive file was not found";
    case kIllegalWildcardPath: return "Illegal path used in a wildcard expression";
    case kUnsupportedArchive: return "The archive cannot be opened: unsupported archive or incorrect password";
    default: return "General failure opening archive";
  }
}

bool ListArchiveFiles(platform::ArchiveLibrary& library, const std::string& archivePath, const std::string& password,
                      std::string& errorText, std::vector<std::string>* entries) {
  errorText.clear();
  if (entries) entries->clear();
  platform::ArchiveCallbacks callbacks;
  callbacks.password = OnceOnlyPassword(password);
  try {
    auto listed = library.ListArchive(archivePath, password, callbacks);
    if (!listed) {
      errorText = ListingErrorText(library.GetLastArchiveError());
      return false;
    }
    if (entries) *entries = std::move(*listed);
    return true;
  } catch (const std::exception& error) {
    errorText = error.what();
    return false;
  }
}

bool ExtractArchiveFiles(platform::ArchiveLibrary& library, const std::string& archivePath, const std::string& password,
                         const std::string& destination, bool modeSwitch, bool overwrite, std::string& errorText,
                         const std::vector<std::string>& files, const platform::ArchiveCallbacks& callbacks) {
  errorText.clear();
  std::vector<std::string> everything;
  if (files.empty() && !ListArchiveFiles(library, archivePath, password, errorText, &everything)) return false;
  const std::vector<std::string>& targets = files.empty() ? everything : files;

  const int32_t modeFlag = modeSwitch ? 0 : 1;
  try {
    if (library.ExtractArchive(archivePath, destination, targets, modeFlag, password,
                               WithDefaults(callbacks, password, overwrite)))
      return true;
    errorText = "#" + std::to_string(library.GetLastArchiveError());
  } catch (const std::exception& error) {
    errorText = error.what();
  }
  return false;
}

}  // namespace quarrix
