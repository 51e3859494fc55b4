#pragma once
// The engine's main routine: prepares the process, builds the support folder, runs the script
// and removes what it made. Returns the process exit code.
#include "platform/Platform.h"
#include "engine/Session.h"

namespace quarrix {

// Start-up failures: 13 no payload, 14 support archive missing, 15 support archive not
// extracted, 16 installer package missing, 11 any other error before the script ended.
inline constexpr int kExitRuntimeError = 11;
inline constexpr int kExitNoPayload = 13;
inline constexpr int kExitArchiveMissing = 14;
inline constexpr int kExitArchiveNotExtracted = 15;
inline constexpr int kExitPackageMissing = 16;

// Message table slots of start-up.
inline constexpr int kSlotResourceNotFound = 2;
inline constexpr int kSlotDecompressionFailure = 3;
inline constexpr int kSlotDatabaseNotFound = 4;
inline constexpr int kSlotRuntimeError = 5;

int RunStartup(platform::Platform& platform);
// The same on a session the caller owns, so that what start-up set can be inspected.
int RunStartup(Session& session);

}  // namespace quarrix
