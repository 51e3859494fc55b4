#include "platform/sim/SimInstaller.h"

#include <filesystem>
#include <fstream>

#include "platform/sim/SimFileSystem.h"
#include "platform/sim/SimInstallerDatabase.h"

namespace quarrix::platform::sim {
namespace {

bool Succeeded(unsigned status) {
  return status == kInstallerSuccess || status == kInstallerRebootRequired || status == kInstallerRebootInitiated;
}

std::string PropertyValue(InstallerDatabase& database, const std::string& name) {
  auto view = database.OpenView("SELECT `Value` FROM `Property` WHERE `Property`='" + name + "'");
  if (!view || view->Execute(nullptr) != kInstallerSuccess) return {};
  auto record = view->Fetch();
  return record ? record->GetString(1) : std::string();
}

class SimPackage : public InstallerPackage {
 public:
  SimPackage(SimInstaller& installer, std::string path) : installer_(installer), path_(std::move(path)) {}

  unsigned SetProperty(const std::string& name, const std::string& value) override {
    properties_[name] = value;
    return kInstallerSuccess;
  }
  unsigned DoAction(const std::string& action) override {
    SimInstallerCall call{"DoAction", {path_, action}};
    for (const auto& [name, value] : properties_) call.arguments.push_back(name + "=" + value);
    installer_.calls.push_back(std::move(call));
    lastResult_ = installer_.Run(path_, properties_, EqualsIgnoreCase(action, "INSTALL"));
    return lastResult_ == kInstallerRebootRequired || lastResult_ == kInstallerRebootInitiated ? kInstallerSuccess
                                                                                                : lastResult_;
  }
  bool GetMode(int runMode) override {
    if (runMode == kInstallRunModeRebootAtEnd) return lastResult_ == kInstallerRebootRequired;
    if (runMode == kInstallRunModeRebootNow) return lastResult_ == kInstallerRebootInitiated;
    return false;
  }

 private:
  SimInstaller& installer_;
  std::string path_;
  std::map<std::string, std::string> properties_;
  unsigned lastResult_ = kInstallerSuccess;
};

}  // namespace

std::map<std::string, std::string> CommandLineProperties(const std::string& commandLine) {
  std::map<std::string, std::string> properties;
  size_t pos = 0;
  while (pos < commandLine.size()) {
    if (commandLine[pos] == ' ' || commandLine[pos] == '\t') {
      ++pos;
      continue;
    }
    std::string name, value;
    bool inValue = false, quoted = false;
    for (; pos < commandLine.size(); ++pos) {
      const char c = commandLine[pos];
      if (c == '"') {
        quoted = !quoted;
      } else if (!quoted && (c == ' ' || c == '\t')) {
        break;
      } else if (!inValue && c == '=') {
        inValue = true;
      } else {
        (inValue ? value : name) += c;
      }
    }
    if (inValue && !name.empty()) properties[ToUpperAscii(name)] = value;
  }
  return properties;
}

void SimInstaller::AddProduct(const std::string& productCode, const std::string& packageCode) {
  SimProduct& product = products[ToUpperAscii(productCode)];
  product.state = kInstallStateDefault;
  product.properties["PackageCode"] = packageCode;
}

const SimProduct* SimInstaller::Find(const std::string& productCode) const {
  auto it = products.find(ToUpperAscii(productCode));
  return it == products.end() ? nullptr : &it->second;
}

int SimInstaller::QueryProductState(const std::string& productCode) {
  const SimProduct* product = Find(productCode);
  return product == nullptr ? kInstallStateUnknown : product->state;
}

std::optional<std::string> SimInstaller::GetProductInfo(const std::string& productCode, const std::string& property) {
  const SimProduct* product = Find(productCode);
  if (product == nullptr) return std::nullopt;
  auto it = product->properties.find(property);
  if (it == product->properties.end()) return std::nullopt;
  return it->second;
}

std::optional<std::string> SimInstaller::HostPath(const std::string& path) const {
  if (files_ == nullptr) return path;
  auto host = files_->HostPath(path);
  if (!host) return std::nullopt;
  return host->string();
}

std::unique_ptr<InstallerDatabase> SimInstaller::OpenDatabase(const std::string& path, DatabaseOpenMode mode) {
  auto host = HostPath(path);
  return host ? OpenHostDatabase(*host, mode) : nullptr;
}

std::unique_ptr<InstallerRecord> SimInstaller::CreateRecord(unsigned fieldCount) { return CreateHostRecord(fieldCount); }

void SimInstaller::SetExternalUI(InstallerUiHandler handler, uint32_t messageFilter) {
  handler_ = std::move(handler);
  externalUiFilter = handler_ ? messageFilter : 0;
}

int SimInstaller::SetInternalUI(int level) {
  const int previous = internalUiLevel;
  if (level != kInstallUiLevelNoChange) internalUiLevel = level;
  return previous;
}

unsigned SimInstaller::EnableLog(uint32_t mode, const std::string& file, uint32_t attributes) {
  logMode = mode;
  logFile = file;
  logAttributes = attributes;
  return kInstallerSuccess;
}

unsigned SimInstaller::Run(const std::string& packagePath, const std::map<std::string, std::string>& properties,
                           bool changesProducts) {
  if (busyRuns > 0) {
    --busyRuns;
    return kInstallerAlreadyRunning;
  }
  // A patch is only looked for; a package must open, as the installer reads it first.
  auto host = HostPath(packagePath);
  std::error_code ec;
  if (!host || !std::filesystem::is_regular_file(*host, ec)) return kInstallerPackageOpenFailed;
  std::unique_ptr<InstallerDatabase> database;
  if (changesProducts) {
    database = OpenHostDatabase(*host, DatabaseOpenMode::ReadOnly);
    if (!database) return kInstallerPackageOpenFailed;
  }

  std::optional<std::ofstream> log;
  if (!logFile.empty())
    if (auto logHost = HostPath(logFile)) {
      const bool append = (logAttributes & kInstallLogAppend) != 0;
      log.emplace(*logHost, std::ios::binary | (append ? std::ios::app : std::ios::trunc));
    }
  bool cancelled = false;
  for (const SimInstallerMessage& message : messages) {
    if (message.code == kSimUserCancel) {
      if (onUserCancel) onUserCancel();
      continue;
    }
    const uint32_t typeBit = 1u << ((message.code >> 24) & 0x1F);
    if (log && (logMode & typeBit) != 0) *log << message.text << "\r\n";
    if (handler_ && (externalUiFilter & typeBit) != 0 && handler_(message.code, message.text) == 2) {
      cancelled = true;
      break;
    }
  }
  const unsigned status = cancelled ? kInstallerUserExit : result;
  if (!changesProducts || !Succeeded(status)) return status;

  const std::string productCode = PropertyValue(*database, "ProductCode");
  if (productCode.empty()) return status;
  auto remove = properties.find("REMOVE");
  if (remove != properties.end() && EqualsIgnoreCase(remove->second, "ALL")) {
    products.erase(ToUpperAscii(productCode));
    if (registry_ != nullptr) {
      const std::string entry = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + productCode;
      for (RegistryRoot root : {RegistryRoot::LocalMachine, RegistryRoot::CurrentUser})
        registry_->DeleteKey(root, entry, RegistryView::Default);
    }
    return status;
  }
  SimProduct& product = products[ToUpperAscii(productCode)];
  auto advertise = properties.find("ADVERTISE");
  product.state = advertise != properties.end() && !advertise->second.empty() ? kInstallStateAdvertised
                                                                               : kInstallStateDefault;
  if (auto summary = database->GetSummaryInformation(0)) {
    const SummaryValue packageCode = summary->GetProperty(SummaryProperty::RevisionNumber);
    if (const auto* code = std::get_if<std::string>(&packageCode)) product.properties["PackageCode"] = *code;
  }
  product.properties["ProductName"] = PropertyValue(*database, "ProductName");
  product.properties["VersionString"] = PropertyValue(*database, "ProductVersion");
  return status;
}

unsigned SimInstaller::InstallProduct(const std::string& packagePath, const std::string& commandLine) {
  calls.push_back({"InstallProduct", {packagePath, commandLine}});
  return Run(packagePath, CommandLineProperties(commandLine), true);
}

unsigned SimInstaller::ApplyPatch(const std::string& patchPath, const std::string& commandLine) {
  calls.push_back({"ApplyPatch", {patchPath, commandLine}});
  return Run(patchPath, CommandLineProperties(commandLine), false);
}

unsigned SimInstaller::SourceListAddSource(const std::string& productCode, const std::string& userName,
                                           const std::string& source) {
  calls.push_back({"SourceListAddSource", {productCode, userName, source}});
  return Find(productCode) == nullptr ? kInstallerUnknownProduct : kInstallerSuccess;
}

std::unique_ptr<InstallerPackage> SimInstaller::OpenPackage(const std::string& packagePath) {
  auto host = HostPath(packagePath);
  if (!host || !OpenHostDatabase(*host, DatabaseOpenMode::ReadOnly)) return nullptr;
  return std::make_unique<SimPackage>(*this, packagePath);
}

}  // namespace quarrix::platform::sim
