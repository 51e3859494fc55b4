#pragma once
// Finding the setup's original sources when a later run needs them: the folder of the engine copy
// registered for the product, the media marker (a file named by the product code the run started
// with), and asking the user for the folder.
#include <string>

namespace quarrix {

struct Session;

// The folder of the engine copy registered for the product: its Uninstall entry's command
// starts with the quoted engine path. Empty when anything is missing.
std::string RegisteredEngineFolder(Session& session);

// The folder holds the media marker.
bool HoldsSources(Session& session, const std::string& folder);

// Asks the user for the sources until a chosen folder, or its "data\" sub-folder, holds the
// marker; that folder becomes the data folder. False when the user cancels, at once when silent.
bool LocateSources(Session& session);

}  // namespace quarrix
