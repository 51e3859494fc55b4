// The engine executable: the real machine handed to the portable start-up sequence.
#include "platform/win32/Win32Platform.h"
#include "startup/Startup.h"

int main() {
  try {
    quarrix::platform::win32::Win32Platform machine;
    quarrix::platform::Platform platform = machine.AsPlatform();
    return quarrix::RunStartup(platform);
  } catch (...) {
    // Start-up guards its own steps; this only keeps a stray failure from aborting the process.
    return quarrix::kExitRuntimeError;
  }
}
