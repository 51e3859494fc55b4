#include "platform/sim/SimProcessStore.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include "common/AnsiText.h"
#include "platform/sim/SimMachine.h"

namespace quarrix::platform::sim {
namespace {

constexpr const char* kProgramsFile = "programs.txt";
constexpr const char* kProcessesFile = "processes.txt";
constexpr const char* kAccountsFile = "accounts.txt";
constexpr const char* kServicesFile = "services.txt";
constexpr const char* kTasksFile = "tasks.txt";
constexpr const char* kRegistrationsFile = "registrations.txt";
constexpr const char* kRestartFile = "restart.txt";
constexpr const char* kPluginsFile = "plugins.txt";
constexpr const char* kRunOnceKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

constexpr const char* kStateNames[] = {"STOPPED",          "STARTING",      "STOPPING", "RUNNING",
                                       "CONTINUE_PENDING", "PAUSE_PENDING", "PAUSED"};
constexpr const char* kTriggerNames[] = {"daily", "weekly", "at-system-start", "at-logon"};

// Paths stay readable: a tab or line break inside a field, which no name or command line of these
// tables needs, becomes a blank.
std::string Field(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
  return out;
}

std::string Unfield(std::string_view text) { return std::string(text); }

std::string Row(std::initializer_list<std::string> fields) {
  std::string line;
  bool first = true;
  for (const std::string& field : fields) {
    if (!first) line += '\t';
    line += Field(field);
    first = false;
  }
  return line + "\n";
}

// The table's entries, each split at its tabs; comments and empty lines left out.
std::vector<std::vector<std::string>> Entries(const std::string& text, size_t minimumFields, const char* what) {
  std::vector<std::vector<std::string>> entries;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == ';') continue;
    std::vector<std::string> fields;
    size_t from = 0;
    while (true) {
      const size_t tab = line.find('\t', from);
      fields.push_back(Unfield(line.substr(from, tab == std::string::npos ? std::string::npos : tab - from)));
      if (tab == std::string::npos) break;
      from = tab + 1;
    }
    if (fields.size() < minimumFields) throw std::runtime_error(std::string(what) + ": too few fields in " + line);
    // Missing trailing fields read as empty.
    fields.resize(std::max(fields.size(), size_t{12}));
    entries.push_back(std::move(fields));
  }
  return entries;
}

int32_t Integer(const std::string& text) {
  size_t used = 0;
  const long value = std::stol(text, &used, 0);
  if (used != text.size()) throw std::runtime_error("not a number: " + text);
  return static_cast<int32_t>(value);
}

std::string Outcome(std::optional<int32_t> exitCode) {
  return exitCode ? "exit " + std::to_string(*exitCode) : std::string("runs");
}

std::optional<int32_t> ParseOutcome(const std::string& text) {
  if (text == "runs") return std::nullopt;
  if (StartsWith(text, "exit ")) return Integer(text.substr(5));
  throw std::runtime_error("a program \"runs\" or ends with \"exit N\": " + text);
}

std::string Hex(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%X", value);
  return text;
}

std::string PluginsText(const SimPlugins& plugins) {
  std::string text =
      "; plug-in library (full path or file name), what its entry point does (returns, empty, fails, raises,\n"
      "; raises-on-copy, no-entry-point, not-loadable), then for \"returns\" the changes: NAME=value or -NAME\n";
  for (const SimPlugin& plugin : plugins.plugins) {
    std::string line = Field(plugin.library) + "\t" +
                       (plugin.emptyOutput ? std::string("empty") : PluginOutcomeName(plugin.outcome));
    for (const std::string& change : plugin.changes) line += "\t" + Field(change);
    text += line + "\n";
  }
  return text;
}

SimPlugin ParsePlugin(const std::vector<std::string>& fields) {
  SimPlugin plugin;
  plugin.library = fields[0];
  bool known = fields[1] == "empty";
  plugin.emptyOutput = known;
  for (PluginOutcome outcome : {PluginOutcome::NotLoaded, PluginOutcome::NoEntryPoint, PluginOutcome::Failed,
                                PluginOutcome::Raised, PluginOutcome::OutputLost, PluginOutcome::Returned}) {
    if (fields[1] != PluginOutcomeName(outcome)) continue;
    plugin.outcome = outcome;
    known = true;
  }
  if (!known) throw std::runtime_error("unknown plug-in behaviour " + fields[1]);
  for (size_t i = 2; i < fields.size(); ++i)
    if (!fields[i].empty()) plugin.changes.push_back(fields[i]);
  return plugin;
}

}  // namespace

std::vector<std::pair<std::string, std::string>> ProcessTablesText(SimMachine& machine) {
  SimProcesses& processes = machine.processes;
  processes.SettleFinished();
  std::string programs = "; program file name, \"exit N\" or \"runs\" (until its window is closed), window class, window title\n";
  for (const SimProgram& program : processes.programs)
    programs += Row({program.fileName, Outcome(program.exitCode), program.windowClass, program.windowTitle});
  std::string table = "; id, state (\"running\" or \"exit N\"), how it was started, show code, folder, command line\n";
  for (const SimProcess& process : processes.processes) {
    if (process.how == "system") continue;
    table += Row({std::to_string(process.id), process.running ? "running" : "exit " + std::to_string(process.exitCode),
                  process.how, std::to_string(static_cast<int32_t>(process.show)), process.folder, process.commandLine});
  }
  std::string accounts = "; user (DOMAIN\\user in a domain), password\n";
  for (const auto& [user, password] : processes.accounts) accounts += Row({user, password});
  std::string services = "; service name, state (STOPPED, STARTING, STOPPING, RUNNING, CONTINUE_PENDING, PAUSE_PENDING, PAUSED)\n";
  for (const auto& [name, state] : machine.services.states)
    services += Row({name, state >= 1 && state <= 7 ? kStateNames[state - 1] : std::to_string(state)});
  std::string tasks = "; task, trigger, week days, start, flags, begin date, program, working folder, arguments, account\n";
  for (const auto& [key, task] : machine.tasks.tasks) {
    const TaskDefinition& t = task.definition;
    char start[8];
    std::snprintf(start, sizeof start, "%02u:%02u", unsigned{t.startHour} % 100u, unsigned{t.startMinute} % 100u);
    tasks += Row({t.name, kTriggerNames[static_cast<int>(t.trigger)], Hex(t.weekDays), start, Hex(t.flags),
                  task.beginDate, t.application, t.workingFolder, t.parameters, t.account});
  }
  if (!machine.tasks.schedulerAvailable) tasks += "; the scheduler is not running\nunavailable\n";
  std::string registrations = "; registered libraries\n";
  for (const std::string& path : processes.registeredLibraries) registrations += Row({path});
  std::string restart = "; restarts requested since the machine last started; the next run starts it again\n";
  restart += Row({"requested", std::to_string(processes.restartsRequested)});
  return {{kProgramsFile, programs}, {kProcessesFile, table},   {kAccountsFile, accounts},
          {kServicesFile, services}, {kTasksFile, tasks},       {kRegistrationsFile, registrations},
          {kRestartFile, restart},   {kPluginsFile, PluginsText(machine.plugins)}};
}

void LoadProcessTables(SimMachine& machine, const std::function<std::optional<std::string>(const std::string&)>& read) {
  SimProcesses& processes = machine.processes;
  if (auto text = read(kProgramsFile)) {
    processes.programs.clear();
    for (const auto& f : Entries(*text, 2, kProgramsFile)) processes.programs.push_back({f[0], ParseOutcome(f[1]), f[2], f[3]});
  }
  if (auto text = read(kProcessesFile)) {
    std::erase_if(processes.processes, [](const SimProcess& process) { return process.how != "system"; });
    for (const auto& f : Entries(*text, 6, kProcessesFile)) {
      SimProcess process;
      process.id = static_cast<ProcessHandle>(Integer(f[0]));
      process.running = f[1] == "running";
      if (!process.running) process.exitCode = ParseOutcome(f[1]).value_or(0);
      process.how = f[2];
      process.show = static_cast<ShowMode>(Integer(f[3]));
      process.folder = f[4];
      process.commandLine = f[5];
      const std::string program = ProgramOfCommandLine(process.commandLine);
      process.fileName = program.substr(program.find_last_of('\\') == std::string::npos ? 0 : program.find_last_of('\\') + 1);
      process.plannedExit = std::nullopt;  // a process still running after a run runs on
      for (const SimProgram& known : processes.programs) {
        if (!EqualsIgnoreCase(known.fileName, process.fileName)) continue;
        process.windowClass = known.windowClass;
        process.windowTitle = known.windowTitle;
      }
      processes.processes.push_back(std::move(process));
    }
  }
  if (auto text = read(kAccountsFile)) {
    processes.accounts.clear();
    for (const auto& f : Entries(*text, 2, kAccountsFile)) processes.accounts[f[0]] = f[1];
  }
  if (auto text = read(kServicesFile)) {
    machine.services.states.clear();
    for (const auto& f : Entries(*text, 2, kServicesFile)) {
      uint32_t state = 0;
      for (uint32_t i = 0; i < 7; ++i)
        if (EqualsIgnoreCase(f[1], kStateNames[i])) state = i + 1;
      machine.services.states[ToUpperAscii(f[0])] = state != 0 ? state : static_cast<uint32_t>(Integer(f[1]));
    }
  }
  if (auto text = read(kTasksFile)) {
    machine.tasks.tasks.clear();
    machine.tasks.schedulerAvailable = true;
    for (const auto& f : Entries(*text, 1, kTasksFile)) {
      if (f[0] == "unavailable" && f[1].empty()) {
        machine.tasks.schedulerAvailable = false;
        continue;
      }
      SimTask task;
      TaskDefinition& t = task.definition;
      t.name = f[0];
      bool known = false;
      for (int i = 0; i < 4; ++i)
        if (f[1] == kTriggerNames[i]) {
          t.trigger = static_cast<TaskTrigger>(i);
          known = true;
        }
      if (!known) throw std::runtime_error("unknown trigger " + f[1]);
      t.weekDays = static_cast<uint16_t>(Integer(f[2]));
      const size_t colon = f[3].find(':');
      if (colon == std::string::npos) throw std::runtime_error("a start is hh:mm: " + f[3]);
      t.startHour = static_cast<uint16_t>(Integer(f[3].substr(0, colon)));
      t.startMinute = static_cast<uint16_t>(Integer(f[3].substr(colon + 1)));
      t.flags = static_cast<uint32_t>(Integer(f[4]));
      task.beginDate = f[5];
      t.application = f[6];
      t.workingFolder = f[7];
      t.parameters = f[8];
      t.account = f[9];
      machine.tasks.tasks[ToUpperAscii(t.name)] = task;
    }
  }
  if (auto text = read(kRegistrationsFile)) {
    processes.registeredLibraries.clear();
    for (const auto& f : Entries(*text, 1, kRegistrationsFile)) processes.registeredLibraries.insert(ToUpperAscii(f[0]));
  }
  if (auto text = read(kPluginsFile)) {
    machine.plugins.plugins.clear();
    for (const auto& f : Entries(*text, 2, kPluginsFile)) machine.plugins.plugins.push_back(ParsePlugin(f));
  }
  if (auto text = read(kRestartFile)) {
    for (const auto& f : Entries(*text, 2, kRestartFile))
      if (f[0] == "requested") processes.restartsRequested = Integer(f[1]);
  }
}

std::vector<std::string> RestartIfRequested(SimMachine& machine) {
  std::vector<std::string> commands;
  if (machine.processes.restartsRequested == 0) return commands;
  machine.processes.Restart();
  for (RegistryRoot root : {RegistryRoot::LocalMachine, RegistryRoot::CurrentUser}) {
    auto names = machine.registry.ListValueNames(root, kRunOnceKey, RegistryView::Default);
    if (!names) continue;
    for (const std::string& name : *names) {
      auto value = machine.registry.ReadValue(root, kRunOnceKey, name, RegistryView::Default);
      // Windows takes an entry out before it runs it, so that a failing program does not loop.
      machine.registry.DeleteValue(root, kRunOnceKey, name, RegistryView::Default);
      if (value && !value->data.empty()) commands.push_back(value->data);
    }
  }
  return commands;
}

}  // namespace quarrix::platform::sim
