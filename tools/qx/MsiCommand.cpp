// qx msi: the edits the engine makes to a package before the installer runs it, made on a
// temporary copy with the engine's own functions and shown as the differences they left.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "QxCommands.h"
#include "common/AnsiText.h"
#include "common/CommaText.h"
#include "engine/PackageEdits.h"
#include "engine/Run.h"
#include "engine/Session.h"
#include "msi/PackageDatabase.h"
#include "platform/sim/SimInstaller.h"
#include "platform/sim/SimInstallerDatabase.h"
#include "platform/sim/SimMachine.h"
#include "platform/sim/SimSystemInfo.h"

namespace quarrix::qx {
namespace {

namespace fs = std::filesystem;
using platform::DatabaseOpenMode;
using platform::SummaryProperty;
using platform::SummaryValue;

struct MsiOptions {
  std::string package;
  std::optional<std::string> platformMode;
  std::vector<std::pair<std::string, std::string>> properties;
  std::optional<std::string> script;
  SimulatedRun run;
  bool runOptionsGiven = false;  // --answers or engine arguments
};

std::pair<std::string, std::string> SplitAssignment(const std::string& assignment) {
  const size_t equals = assignment.find('=');
  if (equals == std::string::npos || equals == 0)
    throw InputError("msi: --property expects NAME=VALUE, got " + assignment);
  return {assignment.substr(0, equals), assignment.substr(equals + 1)};
}

MsiOptions ParseMsiArguments(Arguments arguments) {
  MsiOptions options;
  bool havePackage = false;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument == "--") {
      options.run.engineArguments.assign(arguments.begin() + static_cast<std::ptrdiff_t>(i) + 1, arguments.end());
      options.runOptionsGiven = true;
      break;
    }
    if (argument == "--platform" || argument == "--property" || argument == "--script" || argument == "--answers") {
      if (i + 1 == arguments.size()) throw InputError("msi: " + argument + " needs a value");
      const std::string& value = arguments[++i];
      if (argument == "--platform") {
        // The engine compares the mode exactly.
        if (value != "Win32" && value != "x64" && value != "ia64")
          throw InputError("msi: --platform must be Win32, x64 or ia64, not " + value);
        options.platformMode = value;
      } else if (argument == "--property") {
        options.properties.push_back(SplitAssignment(value));
      } else if (argument == "--script") {
        if (options.script) throw InputError("msi: --script given twice");
        options.script = value;
      } else {
        options.run.answers = FromCommaText(value);
        options.runOptionsGiven = true;
      }
    } else if (argument.size() > 1 && argument[0] == '-') {
      throw InputError("msi: unknown option " + argument);
    } else if (havePackage) {
      throw InputError("msi: unexpected argument " + argument);
    } else {
      options.package = argument;
      havePackage = true;
    }
  }
  if (!havePackage) throw InputError("msi: missing argument (see 'qx help msi')");
  if (options.runOptionsGiven && !options.script)
    throw InputError("msi: --answers and engine arguments belong to --script");
  return options;
}

// What the edits can change, read through a database of its own.
struct PackageState {
  std::vector<std::pair<SummaryProperty, SummaryValue>> summary;
  std::map<std::string, std::string> properties;
  std::map<std::string, std::string> componentIds;
  std::map<std::string, int32_t> componentAttributes;
};

struct SummaryName {
  SummaryProperty property;
  const char* name;
};
constexpr SummaryName kSummaryNames[] = {
    {SummaryProperty::Codepage, "Codepage"},         {SummaryProperty::Title, "Title"},
    {SummaryProperty::Subject, "Subject"},           {SummaryProperty::Author, "Author"},
    {SummaryProperty::Keywords, "Keywords"},         {SummaryProperty::Comments, "Comments"},
    {SummaryProperty::Template, "Template"},         {SummaryProperty::LastAuthor, "Last Author"},
    {SummaryProperty::RevisionNumber, "Revision Number"}, {SummaryProperty::PageCount, "Page Count"},
    {SummaryProperty::WordCount, "Word Count"},
};

template <typename Row>
void EachRow(platform::InstallerDatabase& database, const std::string& query, Row row) {
  auto view = database.OpenView(query);
  if (!view || view->Execute(nullptr) != platform::kInstallerSuccess) return;
  while (auto record = view->Fetch()) row(*record);
  view->Close();
}

// Packages are compound files; anything else is refused before the installer library sees it
// (which would log its own complaint).
PackageState ReadPackageState(platform::Installer& installer, const std::string& path) {
  auto database = installer.OpenDatabase(path, DatabaseOpenMode::ReadOnly);
  if (!database) throw InputError(path + ": not an installer package");
  PackageState state;
  if (auto summary = database->GetSummaryInformation(0))
    for (const SummaryName& entry : kSummaryNames) state.summary.emplace_back(entry.property, summary->GetProperty(entry.property));
  EachRow(*database, "SELECT `Property`, `Value` FROM `Property`", [&](platform::InstallerRecord& record) {
    state.properties[record.GetString(1)] = record.GetString(2);
  });
  EachRow(*database, "SELECT `Component`, `ComponentId`, `Attributes` FROM `Component`",
          [&](platform::InstallerRecord& record) {
            state.componentIds[record.GetString(1)] = record.GetString(2);
            state.componentAttributes[record.GetString(1)] = record.GetInteger(3);
          });
  return state;
}

std::string Shown(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\r')
      out += "\\r";
    else if (c == '\n')
      out += "\\n";
    else
      out += c;
  }
  return out + "\"";
}
std::string Shown(int32_t number) { return std::to_string(number); }
std::string ShownSummary(const SummaryValue& value) {
  if (const auto* text = std::get_if<std::string>(&value)) return Shown(*text);
  if (const auto* number = std::get_if<int32_t>(&value)) return Shown(*number);
  return "(none)";
}
template <typename Value>
std::string Shown(const std::optional<Value>& value) {
  return value ? Shown(*value) : "(none)";
}

template <typename Value>
std::optional<Value> Lookup(const std::map<std::string, Value>& table, const std::string& key) {
  const auto found = table.find(key);
  if (found == table.end()) return std::nullopt;
  return found->second;
}

// "WHAT: before -> after" for every key whose value differs, in key order.
template <typename Value>
void AddDifferences(std::string& out, const std::string& prefix, const std::string& suffix,
                    const std::map<std::string, Value>& before, const std::map<std::string, Value>& after) {
  std::map<std::string, bool> keys;
  for (const auto& [key, value] : before) keys[key] = true;
  for (const auto& [key, value] : after) keys[key] = true;
  for (const auto& [key, unused] : keys) {
    const std::optional<Value> was = Lookup(before, key), is = Lookup(after, key);
    if (was != is) out += prefix + key + suffix + ": " + Shown(was) + " -> " + Shown(is) + "\n";
  }
}

std::string Differences(const PackageState& before, const PackageState& after) {
  std::string out;
  for (const SummaryName& entry : kSummaryNames) {
    auto valueIn = [&](const PackageState& state) -> SummaryValue {
      for (const auto& [property, value] : state.summary)
        if (property == entry.property) return value;
      return {};
    };
    const SummaryValue was = valueIn(before), is = valueIn(after);
    if (was != is) out += std::string(entry.name) + ": " + ShownSummary(was) + " -> " + ShownSummary(is) + "\n";
  }
  AddDifferences(out, "Property ", "", before.properties, after.properties);
  AddDifferences(out, "Component ", " ComponentId", before.componentIds, after.componentIds);
  AddDifferences(out, "Component ", " Attributes", before.componentAttributes, after.componentAttributes);
  return out.empty() ? "no differences\n" : out;
}

// A folder of its own under the host's temporary folder, removed with everything in it.
class TemporaryCopy {
 public:
  explicit TemporaryCopy(const fs::path& original) {
    std::random_device random;
    folder_ = fs::temp_directory_path() / ("qx-msi-" + std::to_string(random()) + std::to_string(random()));
    std::error_code error;
    fs::create_directories(folder_, error);
    path_ = folder_ / original.filename();
    if (!error) fs::copy_file(original, path_, error);
    if (!error) fs::permissions(path_, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add, error);
    if (error) throw InputError(original.string() + ": cannot copy the package: " + error.message());
  }
  ~TemporaryCopy() {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }
  TemporaryCopy(const TemporaryCopy&) = delete;
  TemporaryCopy& operator=(const TemporaryCopy&) = delete;

  std::string Path() const { return path_.string(); }

 private:
  fs::path folder_;
  fs::path path_;
};

void WriteStderrLine(const std::string& line) {
  const std::string text = "qx: " + line + "\n";
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
}

// What a run would hand to the package: its queue, identity request and platform mode.
struct RequestedEdits {
  Run run;
  InstanceIdentity identity;
  uint64_t guidsMade = 0;  // new component ids must not repeat the run's new identity
};

void TakeScriptRun(const MsiOptions& options, RequestedEdits& requested) {
  const ScriptPayload payload = LoadPayloadOrSource(*options.script);
  WarnCommandsNotCarriedOut(payload);
  SimulatedRun setup = options.run;
  // The run finds the package beside its engine, as a built setup carries it.
  setup.package = ReadHostFile(options.package);
  const int exitCode = RunOnSimulatedMachine(payload, setup, [&](Session& session, platform::sim::SimMachine& machine, size_t) {
    requested.guidsMade = machine.system.guidsMade;
    requested.run.packageEdits = session.run.packageEdits;
    requested.run.platformMode = session.run.platformMode;
    requested.identity = {session.payload.productCode, session.payload.revisionCode};
  });
  if (exitCode != 0) WriteStderrLine("warning: the script's run ended with exit code " + std::to_string(exitCode));
}

}  // namespace

int RunMsi(Arguments arguments) {
  const MsiOptions options = ParseMsiArguments(arguments);
  std::error_code error;
  if (!fs::exists(options.package, error)) throw InputError(options.package + ": no such file");
  if (!fs::is_regular_file(options.package, error)) throw InputError(options.package + ": not a file");
  if (!platform::sim::IsCompoundFile(options.package)) throw InputError(options.package + ": not an installer package");

  platform::sim::SimInstaller installer;  // host paths
  const PackageState before = ReadPackageState(installer, options.package);

  RequestedEdits requested;
  if (options.script) TakeScriptRun(options, requested);
  for (const auto& [name, value] : options.properties) QueueInstallerProperty(requested.run, name, value);
  if (options.platformMode) requested.run.platformMode = *options.platformMode;

  const TemporaryCopy copy(options.package);
  // The engine's order; a patch gets no properties.
  if (EqualsIgnoreCase(fs::path(options.package).extension().string(), ".msp")) {
    if (requested.run.packageEdits.pendingProperties)
      WriteStderrLine("note: " + options.package + " is a patch: no properties are written into it");
  } else {
    platform::sim::SimSystemInfo system;
    system.guidsMade = requested.guidsMade;
    ApplyQueuedProperties(installer, system, requested.run.packageEdits, copy.Path(), requested.identity);
  }
  SetPackagePlatform(installer, copy.Path(), requested.run.platformMode);
  SetPackageWordCount(installer, copy.Path());

  WriteStdout(Differences(before, ReadPackageState(installer, copy.Path())));
  return kExitOk;
}

}  // namespace quarrix::qx
