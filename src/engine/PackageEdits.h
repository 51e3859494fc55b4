#pragma once
// Installer properties the script's commands hand to the package: queued during the run and
// written into the package before the installer runs it. Also the instance's action record,
// which remembers every such property for later maintenance runs.
#include <optional>
#include <string>
#include <string_view>

#include "common/AnsiText.h"

namespace quarrix {

struct Run;

// Parallel lists; a name may occur several times and every occurrence is applied in order, so
// the last one wins. Values are stored with CR LF written as "$NEWLINE$".
struct InstallerPropertyQueue {
  StringList names;
  StringList values;
};

// The package edits a run asks for, applied when the package is handed to the installer.
struct PackageEdits {
  // Absent (not merely empty) until the first property is queued, and again once applied.
  std::optional<InstallerPropertyQueue> pendingProperties;
  bool instanceTransformRequested = false;  // new product and package codes for this instance
  bool componentIdsRegenerated = false;     // the transform's component ids were made once
  // The package that last received the new identity; empty until then. Cached with the instance
  // in place of the package beside the executable.
  std::string transformedPackagePath;
  // Triples read while a language is active: (the Shortcut table's Directory_ key, the
  // short|long name, the description) and (ProgId, new ProgId, description).
  StringList shortcutLocalisations;
  StringList progIdLocalisations;
  // Shortcuts to pin once installed: shortcut file "|" pin options "|" target. Emptied at the
  // start of every run.
  StringList pinRequests;
};

void QueueInstallerProperty(Run& run, std::string_view name, std::string_view value);
// The value the package will end up with, or nothing when the name was never queued.
std::optional<std::string> QueuedInstallerProperty(const Run& run, std::string_view name);

// Appends the pair to the action list saved with the instance, CR LF written as "$NEWLINE$".
void RecordInstanceAction(Run& run, std::string_view name, std::string_view value);
// Queues the property and records it for the instance: what installer-backed commands do.
void QueueAndRecordInstallerProperty(Run& run, std::string_view name, std::string_view value);

}  // namespace quarrix
