#pragma once
// The machine folder's tables of programs, processes, accounts, services, tasks, registered
// libraries, the pending restart and the plug-in libraries: tab-separated text, one entry a line,
// ";" starting a comment.
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace quarrix::platform::sim {

class SimMachine;

// (file name, text) of every table.
std::vector<std::pair<std::string, std::string>> ProcessTablesText(SimMachine& machine);
// read answers a table's text, or nothing for a table never saved (the machine keeps its own).
// Throws std::runtime_error for a line that cannot be read.
void LoadProcessTables(SimMachine& machine, const std::function<std::optional<std::string>(const std::string&)>& read);

// The machine starts again as Windows would after a requested restart: its processes end and the
// RunOnce entries (machine, then user) are taken out and handed back, in that order, for running.
// Nothing happens, and nothing comes back, while no restart is pending.
std::vector<std::string> RestartIfRequested(SimMachine& machine);

}  // namespace quarrix::platform::sim
