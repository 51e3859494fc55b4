// Drives Windows Installer through the engine's win32 backend, as a second client beside the
// engine, and reports what it saw as "key value" lines in a file (output of a program under Wine
// is not piped back reliably).
//   installer-probe REPORT read PACKAGE [NAME ...]      properties and summary information
//   installer-probe REPORT edit PACKAGE NAME VALUE WORDCOUNT COMMENTS
//                                                       Property rows and summary, committed
//   installer-probe REPORT install PACKAGE LOGFILE [NAME=VALUE ...]
//   installer-probe REPORT cancel PACKAGE LOGFILE WHEN ACTION [NAME=VALUE ...]
//                                                       answers IDCANCEL to ACTION's start
//                                                       message (WHEN "start") or to the first
//                                                       progress message after it ("progress");
//                                                       ACTION "-" is the first of all
//   installer-probe REPORT throw PACKAGE LOGFILE WHEN ACTION [NAME=VALUE ...]
//                                                       the handler throws where cancel answers;
//                                                       then the same install again with a
//                                                       handler that answers nothing
//   installer-probe REPORT remove PACKAGE [NAME=VALUE ...]
//   installer-probe REPORT source PACKAGE SOURCE        adds SOURCE to the installed product's list
//   installer-probe REPORT patch PATCH                  applies PATCH to the products it names
//   installer-probe REPORT missing                      a function msi.dll lacks
//   installer-probe REPORT package PACKAGE              a package opened for its actions
// Exits 0 when the mode could run to its end, 1 when a step it needs failed.
#include <chrono>
#include <cstdio>
#include <exception>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/Installer.h"
#include "platform/win32/Win32Api.h"
#include "platform/win32/Win32Installer.h"

using namespace quarrix::platform;
using quarrix::platform::win32::Win32Installer;

namespace {

std::FILE* report = nullptr;

// One line per fact; texts keep their line breaks visible so that each fact stays one line.
void Say(const std::string& key, const std::string& value) {
  std::string escaped;
  for (char c : value) {
    if (c == '\r') escaped += "\\r";
    else if (c == '\n') escaped += "\\n";
    else escaped += c;
  }
  std::fprintf(report, "%s %s\n", key.c_str(), escaped.c_str());
  std::fflush(report);
}

void Say(const std::string& key, long long value) { Say(key, std::to_string(value)); }

std::string Text(const SummaryValue& value) {
  if (const auto* number = std::get_if<int32_t>(&value)) return "int " + std::to_string(*number);
  if (const auto* text = std::get_if<std::string>(&value)) return "text " + *text;
  return "empty";
}

std::string JoinAssignments(char** first, char** last) {
  std::string line;
  for (char** it = first; it != last; ++it) line += (line.empty() ? "" : " ") + std::string(*it);
  return line;
}

// The value of one Property row through a statement with a record parameter, or nothing.
std::optional<std::string> ReadProperty(Win32Installer& installer, InstallerDatabase& database,
                                        const std::string& name) {
  auto view = database.OpenView("SELECT `Value` FROM `Property` WHERE `Property` = ?");
  if (!view) return std::nullopt;
  auto parameters = installer.CreateRecord(1);
  parameters->SetString(1, name);
  std::optional<std::string> value;
  if (view->Execute(parameters.get()) == kInstallerSuccess)
    if (auto record = view->Fetch()) value = record->GetString(1);
  view->Close();
  return value;
}

std::optional<std::string> ProductCodeOf(Win32Installer& installer, const std::string& package) {
  auto database = installer.OpenDatabase(package, DatabaseOpenMode::ReadOnly);
  if (!database) return std::nullopt;
  return ReadProperty(installer, *database, "ProductCode");
}

int Read(Win32Installer& installer, const std::string& package, const std::vector<std::string>& extra) {
  auto database = installer.OpenDatabase(package, DatabaseOpenMode::ReadOnly);
  if (!database) {
    Say("open", "failed");
    return 1;
  }
  std::vector<std::string> names{"ProductCode", "ProductName"};
  names.insert(names.end(), extra.begin(), extra.end());
  for (const std::string& name : names) Say("property " + name, ReadProperty(installer, *database, name).value_or("<none>"));

  // Every row through a view without parameters, its two columns by type.
  if (auto view = database->OpenView("SELECT `Property`, `Value` FROM `Property`")) {
    long long rows = 0;
    if (view->Execute(nullptr) == kInstallerSuccess)
      while (auto record = view->Fetch()) {
        ++rows;
        if (record->FieldCount() != 2 || record->IsNull(1)) Say("odd-row", record->GetString(1));
      }
    Say("rows", rows);
    view->Close();
  }
  // An integer column: the sequence of InstallFiles.
  if (auto view = database->OpenView("SELECT `Sequence` FROM `InstallExecuteSequence` WHERE `Action` = 'InstallFiles'")) {
    if (view->Execute(nullptr) == kInstallerSuccess)
      if (auto record = view->Fetch()) Say("sequence InstallFiles", record->GetInteger(1));
    view->Close();
  }
  Say("bad-query", database->OpenView("SELECT FROM WHERE") ? "prepared" : "refused");
  // Read-only: what a statement changes stays in memory, even through a commit.
  Say("readonly-update",
      database->Execute("UPDATE `Property` SET `Value` = 'x' WHERE `Property` = 'ProductName'"));
  Say("readonly-commit", database->Commit());

  auto summary = database->GetSummaryInformation(0);
  if (!summary) {
    Say("summary", "failed");
    return 1;
  }
  Say("summary Template", Text(summary->GetProperty(SummaryProperty::Template)));
  Say("summary WordCount", Text(summary->GetProperty(SummaryProperty::WordCount)));
  Say("summary RevisionNumber", Text(summary->GetProperty(SummaryProperty::RevisionNumber)));
  Say("summary Comments", Text(summary->GetProperty(SummaryProperty::Comments)));
  Say("summary Codepage", Text(summary->GetProperty(SummaryProperty::Codepage)));
  return 0;
}

int Edit(Win32Installer& installer, const std::string& package, const std::string& name, const std::string& value,
         int32_t wordCount, const std::string& comments) {
  auto database = installer.OpenDatabase(package, DatabaseOpenMode::Direct);
  if (!database) {
    Say("open", "failed");
    return 1;
  }
  // A statement with parameters: an existing row must not be inserted twice, then updated.
  auto pair = installer.CreateRecord(2);
  pair->SetString(1, "ProductName");
  pair->SetString(2, value);
  Say("insert-existing", database->Execute("INSERT INTO `Property` (`Property`, `Value`) VALUES (?, ?)", pair.get()));
  auto update = installer.CreateRecord(2);
  update->SetString(1, value);
  update->SetString(2, "ProductName");
  Say("update", database->Execute("UPDATE `Property` SET `Value` = ? WHERE `Property` = ?", update.get()));
  pair->SetString(1, name);
  Say("insert-new", database->Execute("INSERT INTO `Property` (`Property`, `Value`) VALUES (?, ?)", pair.get()));

  // Through a view: a fetched record changed in place, and a made record inserted.
  if (auto view = database->OpenView("SELECT `Property`, `Value` FROM `Property` WHERE `Property` = 'Manufacturer'")) {
    if (view->Execute(nullptr) == kInstallerSuccess)
      if (auto record = view->Fetch()) {
        record->SetString(2, "Edited Maker");
        Say("modify-update", view->Modify(RecordModify::Update, *record));
      }
    view->Close();
  }
  if (auto view = database->OpenView("SELECT `Property`, `Value` FROM `Property`")) {
    auto row = installer.CreateRecord(2);
    row->SetString(1, name + "2");
    row->SetString(2, "42");
    Say("modify-insert", view->Execute(nullptr) == kInstallerSuccess ? view->Modify(RecordModify::Insert, *row)
                                                                     : kInstallerFunctionFailed);
    view->Close();
  }

  auto summary = database->GetSummaryInformation(2);
  if (!summary) {
    Say("summary", "failed");
    return 1;
  }
  Say("summary-set WordCount", summary->SetProperty(SummaryProperty::WordCount, wordCount));
  Say("summary-set Comments", summary->SetProperty(SummaryProperty::Comments, comments));
  Say("summary-persist", summary->Persist());
  summary.reset();
  Say("commit", database->Commit());
  return 0;
}

// Counts the messages by type and remembers the first text of each; answers as told.
class MessageLog {
 public:
  explicit MessageLog(Win32Installer& installer) : installer_(installer), thread_(GetCurrentThreadId()) {}

  // The handler answers IDCANCEL (or throws, with throwAt) once: to the start message of the
  // action named cancelAt, or with atProgress to the first progress message after it; "-" names
  // the first action. An empty name never cancels.
  void Register(std::string cancelAt, bool atProgress, bool throwAt) {
    cancelAt_ = std::move(cancelAt);
    installer_.SetExternalUI(
        [this, atProgress, throwAt](uint32_t code, const std::string& text) {
          const uint32_t type = code >> 24;
          if (counts_[type]++ == 0) first_[type] = text;
          if (GetCurrentThreadId() != thread_) ++foreignThread_;
          if (code == kInstallMessageActionStart) {
            actions_.push_back(text);
            if (!armed_ && !cancelAt_.empty() && (cancelAt_ == "-" || ActionName(text) == cancelAt_)) armed_ = true;
          }
          const uint32_t answeredType = atProgress ? kInstallMessageProgress : kInstallMessageActionStart;
          if (code == answeredType && armed_ && !answered_) {
            answered_ = true;
            if (throwAt) throw std::runtime_error("thrown by the message handler");
            return 2;  // IDCANCEL
          }
          return 0;
        },
        0x7FDF);
  }

  void Print() const {
    static const std::map<uint32_t, const char*> kNames = {
        {0x00, "FatalExit"}, {0x01, "Error"},        {0x02, "Warning"},      {0x03, "User"},
        {0x04, "Info"},      {0x05, "FilesInUse"},   {0x06, "ResolveSource"}, {0x07, "OutOfDiskSpace"},
        {0x08, "ActionStart"}, {0x09, "ActionData"}, {0x0A, "Progress"},     {0x0B, "CommonData"},
        {0x0C, "Initialize"}, {0x0D, "Terminate"},   {0x0E, "ShowDialog"}};
    for (const auto& [type, count] : counts_) {
      const auto name = kNames.find(type);
      const std::string label = name == kNames.end() ? "type" + std::to_string(type) : name->second;
      Say("messages " + label, count);
      Say("first " + label, first_.at(type));
    }
    for (const std::string& action : actions_) Say("action", ActionName(action));
    Say("foreign-thread", foreignThread_);
    Say("cancel-answered", answered_ ? "yes" : "no");
  }

 private:
  // "Action 12:00:01: InstallFiles. Copying new files" gives "InstallFiles".
  static std::string ActionName(const std::string& text) {
    const size_t dot = text.find(". ");
    const size_t colon = text.rfind(": ", dot);
    if (dot == std::string::npos || colon == std::string::npos) return text;
    return text.substr(colon + 2, dot - colon - 2);
  }

  Win32Installer& installer_;
  DWORD thread_;
  std::string cancelAt_;
  bool armed_ = false;
  bool answered_ = false;
  std::map<uint32_t, long long> counts_;
  std::map<uint32_t, std::string> first_;
  std::vector<std::string> actions_;
  long long foreignThread_ = 0;
};

void SayProduct(Win32Installer& installer, const std::optional<std::string>& productCode) {
  if (!productCode) return;
  Say("state", installer.QueryProductState(*productCode));
  Say("package-code", installer.GetProductInfo(*productCode, "PackageCode").value_or("<none>"));
}

// Whether the installer let go of its log: a run it finished closes the file.
bool LogReleased(const std::string& logFile) {
  HANDLE file = CreateFileA(logFile.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

struct Answer {
  std::string cancelAt;  // an action name, "-" for the first, empty for none
  bool atProgress = false;
  bool throwInstead = false;
};

int Install(Win32Installer& installer, const std::string& package, const std::string& logFile, const Answer& answer,
            const std::string& commandLine) {
  const std::optional<std::string> productCode = ProductCodeOf(installer, package);
  Say("product", productCode.value_or("<none>"));
  Say("previous-ui", installer.SetInternalUI(kInstallUiLevelNone | kInstallUiLevelSourceResOnly));
  MessageLog messages(installer);
  messages.Register(answer.cancelAt, answer.atProgress, answer.throwInstead);
  Say("log", installer.EnableLog(0x3FDF, logFile, kInstallLogAppend | kInstallLogFlushEachLine));
  const auto start = std::chrono::steady_clock::now();
  try {
    Say("result", installer.InstallProduct(package, commandLine));
  } catch (const std::exception& error) {
    Say("exception", error.what());
  }
  Say("elapsed-ms", static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                               std::chrono::steady_clock::now() - start)
                                               .count()));
  installer.SetExternalUI({}, 0);
  installer.EnableLog(0, "", 0);
  Say("log-released", LogReleased(logFile) ? "yes" : "no");
  messages.Print();
  SayProduct(installer, productCode);
  if (answer.throwInstead) {
    // What the installer can still do in this process after a handler failed inside it.
    long long seen = 0;
    installer.SetExternalUI([&seen](uint32_t, const std::string&) { return ++seen, 0; }, 0x7FDF);
    Say("second-result", installer.InstallProduct(package, commandLine));
    Say("second-messages", seen);
    installer.SetExternalUI({}, 0);
    SayProduct(installer, productCode);
  }
  return 0;
}

int Remove(Win32Installer& installer, const std::string& package, const std::string& properties) {
  const std::optional<std::string> productCode = ProductCodeOf(installer, package);
  installer.SetInternalUI(kInstallUiLevelNone | kInstallUiLevelSourceResOnly);
  Say("result", installer.InstallProduct(package, properties.empty() ? "REMOVE=ALL" : "REMOVE=ALL " + properties));
  SayProduct(installer, productCode);
  return 0;
}

int Source(Win32Installer& installer, const std::string& package, const std::string& source) {
  const std::optional<std::string> productCode = ProductCodeOf(installer, package);
  if (!productCode) return 1;
  Say("add-source", installer.SourceListAddSource(*productCode, "", source));
  Say("add-source-unknown", installer.SourceListAddSource("{00000000-0000-0000-0000-000000000000}", "", source));
  return 0;
}

int Patch(Win32Installer& installer, const std::string& patch) {
  installer.SetInternalUI(kInstallUiLevelNone);
  Say("apply-patch", installer.ApplyPatch(patch, ""));
  return 0;
}

int Missing(Win32Installer& installer) {
  try {
    installer.Require("MsiQuarrixProbeNoSuchFunctionA");
    Say("missing", "bound");
  } catch (const InstallerUnavailable& error) {
    Say("missing", error.what());
  }
  Say("find", installer.Find("MsiQuarrixProbeNoSuchFunctionA") == nullptr ? "nullptr" : "bound");
  // What the product queries and the other operations make of it when the library is missing.
  Say("query-state", installer.QueryProductState("{6D3B1C2A-4E5F-4A7B-9C8D-1E2F3A4B5C6D}"));
  Say("product-info",
      installer.GetProductInfo("{6D3B1C2A-4E5F-4A7B-9C8D-1E2F3A4B5C6D}", "PackageCode").value_or("<none>"));
  try {
    installer.OpenDatabase("C:\\nothing.msi", DatabaseOpenMode::ReadOnly);
    Say("open", "no exception");
  } catch (const InstallerUnavailable& error) {
    Say("open", error.what());
  }
  return 0;
}

int Package(Win32Installer& installer, const std::string& path) {
  installer.SetInternalUI(kInstallUiLevelNone);
  auto package = installer.OpenPackage(path);
  if (!package) {
    Say("open-package", "failed");
    return 1;
  }
  Say("open-package", "ok");
  Say("set-property", package->SetProperty("QXPROBE", "set by the probe"));
  Say("mode RebootAtEnd", package->GetMode(kInstallRunModeRebootAtEnd) ? 1 : 0);
  Say("mode RebootNow", package->GetMode(kInstallRunModeRebootNow) ? 1 : 0);
  Say("action CostInitialize", package->DoAction("CostInitialize"));
  Say("action NoSuchAction", package->DoAction("QuarrixNoSuchAction"));
  Say("open-missing", installer.OpenPackage("C:\\quarrix-no-such-package.msi") ? "opened" : "nothing");
  return 0;
}

int Usage() {
  std::fprintf(stderr,
               "usage: installer-probe REPORT read PACKAGE [NAME ...] | edit PACKAGE NAME VALUE WORDCOUNT COMMENTS"
               " | install PACKAGE LOGFILE [NAME=VALUE ...] | cancel PACKAGE LOGFILE start|progress ACTION [NAME=VALUE ...]"
               " | throw PACKAGE LOGFILE start|progress ACTION [NAME=VALUE ...] | remove PACKAGE [NAME=VALUE ...] | source PACKAGE SOURCE"
               " | patch PATCH | missing"
               " | package PACKAGE\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Usage();
  report = std::fopen(argv[1], "w");
  if (report == nullptr) return 3;
  const std::string mode = argv[2];
  char** end = argv + argc;
  Win32Installer installer;
  int result = 0;
  try {
    if (mode == "read" && argc >= 4)
      result = Read(installer, argv[3], std::vector<std::string>(argv + 4, end));
    else if (mode == "edit" && argc == 8)
      result = Edit(installer, argv[3], argv[4], argv[5], std::stoi(argv[6]), argv[7]);
    else if (mode == "install" && argc >= 5)
      result = Install(installer, argv[3], argv[4], {}, JoinAssignments(argv + 5, end));
    else if ((mode == "cancel" || mode == "throw") && argc >= 7)
      result = Install(installer, argv[3], argv[4], {argv[6], std::string(argv[5]) == "progress", mode == "throw"},
                       JoinAssignments(argv + 7, end));
    else if (mode == "remove" && argc >= 4)
      result = Remove(installer, argv[3], JoinAssignments(argv + 4, end));
    else if (mode == "source" && argc == 5)
      result = Source(installer, argv[3], argv[4]);
    else if (mode == "patch" && argc == 4)
      result = Patch(installer, argv[3]);
    else if (mode == "missing")
      result = Missing(installer);
    else if (mode == "package" && argc == 4)
      result = Package(installer, argv[3]);
    else
      result = Usage();
  } catch (const std::exception& error) {
    Say("uncaught", error.what());
    result = 1;
  }
  std::fclose(report);
  return result;
}
