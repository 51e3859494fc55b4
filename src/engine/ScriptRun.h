#pragma once
// The run entry of the interpreter: start-up hands it the script tables once per run.
#include <cstdint>
#include <functional>
#include <string>


namespace quarrix {

struct Session;

// Called with the 1-based number of the line about to run; false stops the run.
using StepCallback = std::function<bool(int32_t lineNumber)>;

// The patch package that may lie beside a package: its name with the extension ".msp".
std::string PatchPackagePath(const std::string& packagePath);

class CommandCatalogue;
class InstanceCache;

struct RunRequest {
  std::string packagePath;  // the run's package in the support folder
  const CommandCatalogue& commands;
  InstanceCache& instanceCache;
  StepCallback stepCallback = nullptr;  // may be empty
};

// Runs the script of the session's payload tables. A script the preparation pass rejects ends
// the process at once: throws ProcessExit{314}.
void ExecuteScript(Session& session, const RunRequest& request);

// Frees the script tables after the run (trace tags "  <Free>" and "  </Free>").
void FreeScriptTables(Session& session);

}  // namespace quarrix
