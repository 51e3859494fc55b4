#include "msi/PackageDatabase.h"

#include <algorithm>
#include <memory>

#include "engine/VariableManager.h"

namespace quarrix {
namespace {

using platform::DatabaseOpenMode;
using platform::InstallerDatabase;
using platform::SummaryProperty;
using platform::SummaryValue;

constexpr int32_t kComponent64Bit = 0x100;  // msidbComponentAttributes64bit
constexpr size_t kSummaryBufferChars = 259;  // a 260-byte buffer with its terminator
constexpr size_t kRecordBufferChars = 10239;

// A package that cannot be opened makes every later call fail in the same silent way.
class Package {
 public:
  Package(platform::Installer& installer, const std::string& path, DatabaseOpenMode mode = DatabaseOpenMode::Direct)
      : database_(installer.OpenDatabase(path, mode)) {}

  void Run(const std::string& statement) {
    if (database_) database_->Execute(statement);
  }
  void SetSummary(SummaryProperty property, const SummaryValue& value) {
    if (!database_) return;
    if (auto summary = database_->GetSummaryInformation(1)) {
      summary->SetProperty(property, value);
      summary->Persist();
    }
  }
  void Commit() {
    if (database_) database_->Commit();
  }
  InstallerDatabase* operator->() const { return database_.get(); }
  explicit operator bool() const { return static_cast<bool>(database_); }

 private:
  std::unique_ptr<InstallerDatabase> database_;
};

// Rewrites field 1 of every row the query selects.
template <typename Rewrite>
void RewriteEachRow(Package& package, const std::string& query, Rewrite rewrite) {
  if (!package) return;
  auto view = package->OpenView(query);
  if (!view) return;
  if (view->Execute(nullptr) == platform::kInstallerSuccess)
    while (auto record = view->Fetch()) {
      rewrite(*record);
      view->Modify(platform::RecordModify::Update, *record);
    }
  view->Close();
}

// Field 1 of every row, or nothing when the query cannot run.
std::optional<StringList> FirstColumn(Package& package, const std::string& query) {
  if (!package) return std::nullopt;
  auto view = package->OpenView(query);
  if (!view || view->Execute(nullptr) != platform::kInstallerSuccess) return std::nullopt;
  StringList values;
  while (auto record = view->Fetch()) values.push_back(record->GetString(1).substr(0, kRecordBufferChars));
  view->Close();
  return values;
}

}  // namespace

void RegenerateComponentIds(platform::Installer& installer, platform::SystemInfo& system, const std::string& path) {
  Package package(installer, path);
  RewriteEachRow(package, "SELECT `ComponentId` FROM `Component`",
                 [&](platform::InstallerRecord& record) { record.SetString(1, ToUpperAscii(system.NewGuid())); });
  package.Commit();
}

void ApplyQueuedProperties(platform::Installer& installer, platform::SystemInfo& system, PackageEdits& edits,
                           const std::string& path, const InstanceIdentity& identity) {
  if (edits.instanceTransformRequested && !edits.componentIdsRegenerated) {
    edits.componentIdsRegenerated = true;
    RegenerateComponentIds(installer, system, path);
  }
  if (!edits.pendingProperties) return;
  const InstallerPropertyQueue& queue = *edits.pendingProperties;
  Package package(installer, path);
  const size_t count = queue.names.size();
  for (size_t i = 0; i < count; ++i) {
    if (i + 1 == count && edits.instanceTransformRequested) {
      package.SetSummary(SummaryProperty::RevisionNumber, identity.revisionCode);
      package.Run("UPDATE `Property` SET `Value`='" + identity.productCode + "' WHERE `Property`='ProductCode'");
      edits.transformedPackagePath = path;
    }
    // The installer's SQL has no escape for a quote inside a literal; the package's own custom
    // actions turn "$QUOTE$" back.
    const std::string value = ReplaceAll(NewlineToCrLf(queue.values[i]), "'", "$QUOTE$");
    const std::string& name = queue.names[i];
    package.Run("INSERT INTO `Property` ( `Property` , `Value` ) VALUES ( '" + name + "' , '" + value + "' )");
    package.Run("UPDATE `Property` SET `Value`='" + value + "' WHERE `Property`='" + name + "'");
  }
  package.Commit();
  edits.pendingProperties.reset();
}

void SetPackagePlatform(platform::Installer& installer, const std::string& path, std::string_view mode) {
  bool changed = false;
  {
    Package package(installer, path);
    if (!package) return;
    auto summary = package->GetSummaryInformation(1);
    if (!summary) return;
    const SummaryValue current = summary->GetProperty(SummaryProperty::Template);
    std::string templateText;
    if (const auto* text = std::get_if<std::string>(&current)) templateText = text->substr(0, kSummaryBufferChars);
    const size_t separator = templateText.find(';');
    std::string platform = templateText.substr(0, separator);
    const std::string languages = separator == std::string::npos ? std::string() : templateText.substr(separator + 1);
    struct Target {
      std::string_view mode, platform;
    };
    for (const Target target : {Target{"Win32", "Intel"}, Target{"ia64", "Intel64"}, Target{"x64", "x64"}})
      if (mode == target.mode && platform != target.platform) {
        platform = target.platform;
        changed = true;
      }
    // Writing the same text back would only make the installer rewrite the whole file.
    const std::string rewritten = platform + ";" + languages;
    const auto* stored = std::get_if<std::string>(&current);
    if (stored == nullptr || *stored != rewritten) {
      summary->SetProperty(SummaryProperty::Template, rewritten);
      summary->Persist();
      summary.reset();
      package.Commit();
    }
  }
  if (!changed) return;
  Package package(installer, path);
  const bool is64Bit = mode != "Win32";
  RewriteEachRow(package, "SELECT `Attributes` FROM `Component`", [&](platform::InstallerRecord& record) {
    const int32_t attributes = record.GetInteger(1);
    record.SetInteger(1, is64Bit ? (attributes | kComponent64Bit) : (attributes & ~kComponent64Bit));
  });
  package.Commit();
}

void SetPackageWordCount(platform::Installer& installer, const std::string& path) {
  constexpr int32_t kWordCount = 8;
  Package package(installer, path);
  if (!package) return;
  if (auto summary = package->GetSummaryInformation(0)) {
    const SummaryValue current = summary->GetProperty(SummaryProperty::WordCount);
    const auto* number = std::get_if<int32_t>(&current);
    if (number != nullptr && *number == kWordCount) return;  // a repair or removal run's package
  }
  package.SetSummary(SummaryProperty::WordCount, kWordCount);
  package.Commit();
}

void LocalizeShortcutTable(platform::Installer& installer, const std::string& path, const StringList& triples) {
  Package package(installer, path);
  for (size_t k = 0; k + 2 < triples.size(); k += 3) {
    const std::string& key = triples[k];
    package.Run("UPDATE `Shortcut` SET `Name`='" + triples[k + 1] + "' WHERE `Directory_`='" + key + "'");
    package.Run("UPDATE `Shortcut` SET `Description`='" + triples[k + 2] + "' WHERE `Directory_`='" + key + "'");
  }
  package.Commit();
}

void LocalizeProgIdTable(platform::Installer& installer, const std::string& path, const StringList& triples) {
  Package package(installer, path);
  for (size_t k = 0; k + 2 < triples.size(); k += 3) {
    const std::string& progId = triples[k];
    // The description first: the row is still found by its old key.
    package.Run("UPDATE `ProgId` SET `Description`='" + triples[k + 2] + "' WHERE `ProgId`='" + progId + "'");
    package.Run("UPDATE `ProgId` SET `ProgId`='" + triples[k + 1] + "' WHERE `ProgId`='" + progId + "'");
  }
  package.Commit();
}

std::vector<std::pair<std::string, std::string>> ListPackageAssemblies(platform::Installer& installer,
                                                                       const std::string& path) {
  Package package(installer, path, DatabaseOpenMode::ReadOnly);
  auto components = FirstColumn(package, "SELECT * FROM  `MsiAssembly`");
  if (!components) return {};
  StringList names, versions;
  for (const std::string& component : *components) {
    const std::string query =
        "SELECT `Value` FROM  `MsiAssemblyName` WHERE `Component_`='" + component + "' AND `Name`=";
    auto name = FirstColumn(package, query + "'Name'");
    auto version = FirstColumn(package, query + "'Version'");
    if (!name || !version) return {};
    names.insert(names.end(), name->begin(), name->end());
    versions.insert(versions.end(), version->begin(), version->end());
  }
  if (names.empty() || names.size() != versions.size()) return {};
  std::vector<std::pair<std::string, std::string>> assemblies;
  for (size_t i = 0; i < names.size(); ++i) assemblies.emplace_back(names[i], versions[i]);
  return assemblies;
}

bool PackageCodeMatches(platform::Installer& installer, const std::string& productCode,
                        const std::string& packageCode) {
  const std::string installed = installer.GetProductInfo(productCode, "PackageCode").value_or("");
  return ToLowerAscii(installed.substr(0, kSummaryBufferChars)) == ToLowerAscii(packageCode);
}

}  // namespace quarrix
