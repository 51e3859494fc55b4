#pragma once
// A simulated machine kept in a folder as text a person can read and diff, so that one run of a
// setup can follow another: the drives are the folder's "drives" sub-folder itself, the registry
// is one .reg-like file per view, the installed products a small table, the installer's scripted
// answers ("installer-messages.txt"), the calls it received ("installer-calls.txt"), the
// process environment ("environment.txt") and the system the run meets ("system.txt": Windows
// version, memory, screen, accounts, 64-bit state).
#include <filesystem>

#include "platform/sim/SimMachine.h"

namespace quarrix::platform::sim {

class SimMachineStore {
 public:
  explicit SimMachineStore(std::filesystem::path folder) : folder_(std::move(folder)) {}

  // The host folder to build the machine on: its drives live there directly.
  std::filesystem::path DrivesFolder() const { return folder_ / "drives"; }

  // Registry and products from the folder; a part that was never saved keeps the machine's own.
  // False, with a message, when a file cannot be read or parsed.
  bool Load(SimMachine& machine, std::string& error) const;
  bool Save(SimMachine& machine, std::string& error) const;

 private:
  std::filesystem::path folder_;
};

}  // namespace quarrix::platform::sim
