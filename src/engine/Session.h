#pragma once
// The process: everything process-wide that start-up and the interpreter share, owned by value.
// One Session per engine, so two engines in one test process stay independent.
#include <cstdint>
#include <functional>
#include <string>

#include "common/AnsiText.h"
#include "engine/VariableManager.h"
#include "engine/InstanceState.h"
#include "localisation/MessageTable.h"
#include "localisation/Translations.h"
#include "engine/Run.h"
#include "platform/Platform.h"
#include "engine/CommandLine.h"
#include "engine/Payload.h"
#include "engine/TraceLog.h"
#include "engine/Wow64Switches.h"

namespace quarrix {

class DialogHost;
class EngineForms;

struct Session {
  explicit Session(const platform::Platform& machine)
      : platform(machine), trace(machine.files, machine.system) {}
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  platform::Platform platform;  // references to the machine's services
  TVariableManager variables;
  CommandLineValues commandLine;
  TraceLog trace;
  MessageTable messages;
  TranslationTables translations;  // of the selected language; empty until one is loaded
  LanguageState language;

  // Script tables. The payload's parameterList is moved into parameterLists once read.
  ScriptPayload payload;
  ParameterLists parameterLists;

  Run run;  // what belongs to the script run rather than to the process
  Wow64Switches wow64;  // redirection and registry view of the platform mode

  std::string executablePath;      // as the system reports it
  std::string executableFolder;    // with trailing backslash
  std::string executableFileName;  // with extension
  std::string executableName;      // without extension
  std::string tempFolder;          // with trailing backslash
  std::string archivePath;         // executable folder + name + ".res"
  std::string supportFolder;       // "zvk" + N in the temporary folder, trailing backslash; empty until made
  std::string dataFolder;          // "data\" in the executable folder: media beside the setup
  std::string rootFolder;          // the engine's root folder, reset by every run

  // Silence as it stands now: from the command line, later kept in step with SILENT.
  bool silent = false;
  // Caption state, kept in step with TITLE and VELDLOGO by the interpreter; empty during start-up.
  std::string captionTitle;
  bool logoFree = false;
  // While the interpreter waits for a worker: the dialog host refreshes the progress display from
  // the handshake variables on every timer tick.
  bool progressPolling = false;

  std::string workingTitle;  // the payload title, which an instance override may replace
  std::string titleAsRead;   // the payload title exactly as read: names translation files

  int dialogCount = 0;  // "Display Dialog" lines that are not commented out
  // The pre-created wizard dialogs, owned by start-up; nullptr while no dialog files are loaded.
  DialogHost* dialogs = nullptr;
  // The language dialog and the retry questions, owned by start-up; nullptr where no window can
  // be shown, which answers as a silent run does.
  EngineForms* forms = nullptr;
  // Whether start-up loads a dialog file for every "Display Dialog" line. Off only for a bare
  // script run on the simulated machine, whose dialogs the headless stand-in answers.
  bool loadDialogFiles = true;
  // Told what the dialogs write into variables, one line each (qx run prints it).
  std::function<void(const std::string&)> onDialogReport;
  int exitCode = 0;

  // Names "Set Variable" marked for persistence, each once: what the instance saves.
  StringList persistedVariables;
  InstanceState instance;  // the instance cache as the bootstrap found it
  // The report of the last runtime error, also when a silent run showed no box.
  std::string runtimeErrorReport;
  // The generator of "Mathematics": all 0 at process start, kept across runs.
  struct RandomGenerator {
    int32_t multiplier = 0;
    int32_t increment = 0;
    int32_t state = 0;
  } randomGenerator;
};

}  // namespace quarrix
