#pragma once
// Listing and extracting archives through the archive library, with the engine's error texts.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/ArchiveLibrary.h"

namespace quarrix {

inline constexpr uint32_t kArchiveNotFound = 1001;
inline constexpr uint32_t kIllegalWildcardPath = 1002;
inline constexpr uint32_t kUnsupportedArchive = 1003;

// The text a listing failure is reported with, by the library's error code.
std::string ListingErrorText(uint32_t errorCode);

// entries receives the archive's entry paths in the library's order. False with errorText set
// from the library's last error when the archive cannot be listed.
bool ListArchiveFiles(platform::ArchiveLibrary& library, const std::string& archivePath, const std::string& password,
                      std::string& errorText, std::vector<std::string>* entries = nullptr);

// Extracts the given entries, or the whole archive when files is empty, into destination.
// modeSwitch selects the library's mode flag 0 (set) or 1 (clear); overwrite answers the
// library's overwrite question with 4 (replace) instead of 1 (skip). On failure errorText is the
// listing's text, or "#" and the library's error code. Callbacks left empty get the defaults:
// progress goes on, overwrite answers from the flag, two-argument answers 1, and the password
// is given once.
bool ExtractArchiveFiles(platform::ArchiveLibrary& library, const std::string& archivePath, const std::string& password,
                         const std::string& destination, bool modeSwitch, bool overwrite, std::string& errorText,
                         const std::vector<std::string>& files = {}, const platform::ArchiveCallbacks& callbacks = {});

}  // namespace quarrix
