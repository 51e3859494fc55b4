#pragma once
// The engine's command line: switches, NAME=VALUE assignments and the paths they carry.
#include <string>
#include <string_view>

#include "common/AnsiText.h"

namespace quarrix {

struct CommandLineValues {
  StringList arguments;        // argument 1, 2, ... (the program name is not among them)
  std::string rawArguments;    // the command line without the program name (variable CMDLINE)
  bool silent = false;         // switch s or qn
  std::string logPath;         // "/l=" or "-l=", lower-cased
  std::string policyPath;      // "/g="
  std::string wrapperPath;     // "/m="
  std::string sourcePath;      // "/p=" or "-p=" (without the trailing backslash added where used)
  StringList assignments;      // name, value, name, value, ... in command-line order

  // True when some argument is "/" or "-" followed by exactly that name, ignoring case.
  bool HasSwitch(std::string_view name) const;
};

// commandLine is the whole text as GetCommandLine returns it, program name included.
CommandLineValues ParseCommandLine(std::string_view commandLine);

}  // namespace quarrix
