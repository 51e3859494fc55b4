#pragma once
// Package databases of the simulated machine: real .msi files on the host, edited natively.
#include <filesystem>
#include <memory>

#include "platform/InstallerDatabase.h"

namespace quarrix::platform::sim {

// Every package and patch is a compound file: the signature of its first eight bytes.
bool IsCompoundFile(const std::filesystem::path& hostPath);

// Nothing when the file is not a package that can be opened in that mode.
std::unique_ptr<InstallerDatabase> OpenHostDatabase(const std::filesystem::path& hostPath, DatabaseOpenMode mode);
std::unique_ptr<InstallerRecord> CreateHostRecord(unsigned fieldCount);

}  // namespace quarrix::platform::sim
