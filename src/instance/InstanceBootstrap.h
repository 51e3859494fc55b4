#pragma once
// The instance bootstrap: which product and revision the run is about, where its instance cache
// is, whether it is installed (maintenance) or an older revision is (upgrade), and the saved state
// of the instance, published as variables.
#include <string>

namespace quarrix {

struct Session;

// Runs near the start of every script run; packagePath is the run's package in the support
// folder, kept for later re-runs.
void RunBootstrap(Session& session, const std::string& packagePath);

// The script moved the cache: probe the new folder, then bootstrap again against it, or clear
// OVERRIDECACHE when it cannot be created.
void RelocateCache(Session& session);

// Before a line: relocates when OVERRIDECACHE is not empty and differs from the value last accepted.
void RefreshCacheOverride(Session& session);

// The saved state of an installed instance in folder (with trailing backslash): its data file
// into the live state, the installed size of its selection, and its shortcut and action lists
// where they exist. fileBase names the files (the executable's name without extension).
void LoadInstalledInstance(Session& session, const std::string& folder, const std::string& fileBase);

// A patch run: the folder of the program the product's Uninstall entry starts is the installed
// instance's folder; its saved state is loaded when a patch lies beside the package.
void LoadPatchTarget(Session& session, const std::string& packagePath);

}  // namespace quarrix
