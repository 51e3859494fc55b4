#pragma once
// The apply-changes thread: edits the package, writes the handshake file and the trace-log
// header, and runs Windows Installer with the engine's message handler. The main thread only
// waits for it; everything it reads is given before it starts.
#include <functional>
#include <string>

#include "engine/Worker.h"
#include "msi/InstallerCommandLine.h"

namespace quarrix {

struct Session;

// What an apply hands to the thread.
struct ApplyInputs {
  std::string packagePath;  // the .msi, or the .msp of a patch
  bool patch = false;
  bool install = false;    // install or advertise
  bool advertise = false;  // neither install nor remove was asked for
  std::string productCode;
  std::string variablesText;   // ExportVariables
  std::string propertiesText;  // the properties list as comma text
  std::string dataFolder;
  std::string previousSourceFolder;
  std::string installLocation;  // NormalizePath of TARGETDIR
};

// What the thread leaves for the main thread, read once it has finished.
struct ApplyOutputs {
  bool error = false;
  bool reboot = false;
  std::string errorText;
  std::string lastInstallerMessage;
};

inline constexpr const char* kInstallerProgressText = "Windows Installer";

class TMSIThread final : public Worker {
 public:
  TMSIThread(WorkerKey key, Session& session, ApplyInputs inputs);

  const ApplyOutputs& Outputs() const { return outputs_; }

 private:
  void Execute() override;
  void Apply();
  unsigned RunInstaller(const std::string& commandLine);
  // Calls again every few seconds while another installation is in progress, until the user
  // cancels.
  unsigned RetryWhileBusy(const std::function<unsigned()>& call);
  unsigned RemoveOnWindows9x(const CommandLineInputs& line);
  void TakeResult(unsigned result);
  void WriteTraceHeader(const InstallerFolders& folders);

  Session& session_;
  ApplyInputs inputs_;
  ApplyOutputs outputs_;
  std::string handshakePath_;
  std::string installerLogPath_;  // the installer's own log while it runs; empty without a trace log
};

}  // namespace quarrix
