#pragma once
// The destination and folder controls of a dialog: where a destination folder stands on the
// machine, what a browse does to it, and the controls that follow a path variable.
#include <string>

#include "platform/FileSystem.h"
#include "ui/DialogScope.h"

namespace quarrix::ui {

// The path itself when it is an existing folder, else the nearest of its parents that is; the
// last parent tried when none is.
std::string NearestExistingFolder(platform::FileSystem& files, const std::string& path);
// The part of destination below its nearest existing ancestor folder; empty when no ancestor
// exists or destination is empty.
std::string DestinationTail(platform::FileSystem& files, const std::string& destination);
// The text the destination edits get when the user browsed to folder: choosing an ancestor of
// the destination keeps it, any other folder gets the destination's own sub-folders below it.
std::string BrowsedDestination(const std::string& destinationAtShow, const std::string& tail,
                               const std::string& folder);

// Controls with tag 100 show the value of the variable their hint names.
void ResyncPathControls(const DialogScope& scope);
void ApplyDestinationFolder(const DialogScope& scope, const std::string& folder);
void SetCustomDirectoryEditText(const DialogScope& scope, const std::string& folder, const std::string& variable);
// Binding of the folder, file and drive controls from their variable or the nearest folder.
void BindFolderControl(const DialogScope& scope, const std::string& component, const std::string& className,
                       const std::string& nearestFolder);

}  // namespace quarrix::ui
