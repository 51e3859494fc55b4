#pragma once
// The run entry of the interpreter: start-up hands it the script tables once per run.
#include <cstdint>
#include <functional>
#include <string>

#include "common/HashedStringList.h"
#include "startup/Payload.h"

namespace quarrix {

struct Session;

// Called with the 1-based number of the line about to run; false stops the run.
using StepCallback = std::function<bool(int32_t lineNumber)>;

// The patch package that may lie beside a package: its name with the extension ".msp".
std::string PatchPackagePath(const std::string& packagePath);

// Runs the script. commentFlags may be null. A script the preparation pass rejects ends the
// process at once: throws ProcessExit{314}.
void ExecuteScript(Session& session, const HashedStringList& commandNames, const HashedStringList& lineGuids,
                   const HashedStringList* commentFlags, const std::string& packagePath,
                   const StepCallback& stepCallback, const ParameterLists& parameterLists,
                   const HashedStringList& lineMedia);

}  // namespace quarrix
