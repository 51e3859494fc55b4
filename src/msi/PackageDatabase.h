#pragma once
// The edits made to the installer package right before the installer runs it: queued properties,
// a new instance identity, the platform, the word count and the localised shortcut and ProgId
// rows. Statement results are never examined: a statement that fails leaves its rows as they
// were and the edit goes on, and a package that cannot be opened stays as it was. A missing
// installer library throws platform::InstallerUnavailable.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/AnsiText.h"
#include "engine/PackageEdits.h"
#include "platform/Installer.h"
#include "platform/SystemInfo.h"

namespace quarrix {

// The product code and the revision (package) code, GUIDs in braces.
struct InstanceIdentity {
  std::string productCode;
  std::string revisionCode;
};

// Writes the queue into the Property table and discards it; with an instance transform, also the
// new identity (once at least one property is written) and, once per process, new component ids.
void ApplyQueuedProperties(platform::Installer& installer, platform::SystemInfo& system, PackageEdits& edits,
                           const std::string& path, const InstanceIdentity& identity);
// Every component gets a new ComponentId (upper-case GUID in braces).
void RegenerateComponentIds(platform::Installer& installer, platform::SystemInfo& system, const std::string& path);
// Rewrites the Template's platform for the mode ("Win32", "x64", "ia64") and, when it changed,
// the 64-bit bit of every component.
void SetPackagePlatform(platform::Installer& installer, const std::string& path, std::string_view platformMode);
// Word Count 8: long file names, uncompressed sources beside the package, no elevation needed.
void SetPackageWordCount(platform::Installer& installer, const std::string& path);
// Triples (Directory_ key, short|long name, description); texts go in without quoting.
void LocalizeShortcutTable(platform::Installer& installer, const std::string& path, const StringList& triples);
// Triples (ProgId, new ProgId, description); texts go in without quoting.
void LocalizeProgIdTable(platform::Installer& installer, const std::string& path, const StringList& triples);
// (Name, Version) of every assembly the package installs; empty when the lists do not pair up.
std::vector<std::pair<std::string, std::string>> ListPackageAssemblies(platform::Installer& installer,
                                                                       const std::string& path);

// The installed product's package code equals the given one, letter case ignored.
bool PackageCodeMatches(platform::Installer& installer, const std::string& productCode,
                        const std::string& packageCode);

}  // namespace quarrix
