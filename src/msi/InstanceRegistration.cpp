#include "msi/InstanceRegistration.h"

#include <stdexcept>

#include "common/AnsiText.h"
#include "common/IntegerSyntax.h"
#include "instance/CacheRoot.h"
#include "instance/InstanceData.h"
#include "engine/FolderCleanup.h"
#include "engine/Session.h"

namespace quarrix {
namespace {

using platform::RegistryRoot;
using platform::RegistryValue;
using platform::RegistryView;

constexpr const char* kAdvertisedMarker = "__ad";

uint32_t VersionPart(const std::string& part, bool mustBeNumber) {
  auto value = ParseScriptInteger(part);
  if (value) return static_cast<uint32_t>(*value);
  if (mustBeNumber) throw std::runtime_error("'" + part + "' is not a valid integer value");
  return 0;
}

std::string Lines(const StringList& entries) {
  std::string text;
  for (const std::string& entry : entries) text += entry + "\r\n";
  return text;
}

std::string WithoutBackslash(std::string folder) {
  while (!folder.empty() && folder.back() == '\\') folder.pop_back();
  return folder;
}

class Registration {
 public:
  explicit Registration(Session& session)
      : session_(session),
        files_(session.platform.files),
        registry_(session.platform.registry),
        allUsers_(IsTrue(Var("ALLUSERS"))),
        cacheRoot_(GetCacheRoot(session, allUsers_)),
        instanceFolder_(cacheRoot_ + session.payload.revisionCode + "\\"),
        base_(session.executableName) {}

  void AdvertisedMarker(ApplyMode mode) {
    const std::string marker = instanceFolder_ + kAdvertisedMarker;
    if (mode == ApplyMode::Advertise) {
      files_.CreateDirectories(marker);
      files_.SetCompression(marker, Compress());
    } else {
      files_.RemoveEmptyDirectory(marker);
    }
  }

  void Install(const std::string& transformedPackage) {
    files_.CreateDirectories(instanceFolder_);
    files_.SetCompression(instanceFolder_, Compress());
    if (session_.payload.buildMode == 2) files_.WriteFile(instanceFolder_ + session_.payload.productCode, "");

    const std::string& beside = session_.executableFolder;
    CopyIn(session_.executablePath, session_.executableFileName);
    CopyIn(transformedPackage.empty() ? beside + base_ + ".msi" : transformedPackage, base_ + ".msi");
    CopyIn(beside + base_ + ".res", base_ + ".res");
    CopyIn(beside + "zvk.lib", "zvk.lib");
    CopyIn(beside + "setup.bmp", "setup.bmp");

    SaveInstanceData(session_, instanceFolder_ + base_ + ".dat", false, true);
    files_.WriteFile(instanceFolder_ + base_ + ".par", Lines(session_.run.actionList));
    files_.WriteFile(instanceFolder_ + base_ + ".lnk", Lines(session_.run.packageEdits.pinRequests));
    const std::string language = Var("LANGUAGE");
    if (!language.empty())
      files_.WriteFile(instanceFolder_ + base_ + ".lan", language + "\r\n");
    else
      files_.RemoveFile(instanceFolder_ + base_ + ".lan");

    session_.instance.fullSave = true;
    session_.instance.noSave = false;

    WriteUninstallEntries();
    registry_.WriteValue(UninstallRoot(), std::string(kIdentCacheKey) + session_.payload.productCode, "",
                         RegistryValue::Text(instanceFolder_), RegistryView::Default);
    files_.WriteFile(instanceFolder_ + "instance.dat", session_.payload.productCode + "\r\n" +
                                                           session_.payload.revisionCode + "\r\n" + Var("TITLE") +
                                                           "\r\n");
  }

  void Remove() {
    if (Var("SAVEDATA") != "TRUE") {
      if (session_.payload.buildMode == 2) files_.RemoveFile(instanceFolder_ + session_.payload.productCode);
      EmptyFolder(files_, instanceFolder_);
      files_.RemoveEmptyDirectory(WithoutBackslash(instanceFolder_));
      if (files_.DirectoryExists(instanceFolder_)) MoveAside();
      session_.instance.noSave = true;
    }
    for (RegistryRoot root : {RegistryRoot::LocalMachine, RegistryRoot::CurrentUser})
      registry_.DeleteKey(root, kUninstallKey + Var("TITLE"), RegistryView::Default);
    for (RegistryRoot root : {RegistryRoot::LocalMachine, RegistryRoot::CurrentUser})
      registry_.DeleteKey(root, std::string(kIdentCacheKey) + session_.payload.productCode, RegistryView::Default);
  }

 private:
  std::string Var(std::string_view name) const { return session_.variables.GetVariable(name); }
  bool Compress() const { return IsTrue(Var("VELD_COMPRESS_INSTALLER_CACHE")); }

  RegistryRoot UninstallRoot() const {
    return allUsers_ || !session_.platform.system.Version().ntFamily ? RegistryRoot::LocalMachine
                                                                      : RegistryRoot::CurrentUser;
  }

  void CopyIn(const std::string& source, const std::string& name) {
    const std::string target = instanceFolder_ + name;
    files_.SetAttributesNormal(target);
    files_.Copy(source, target, true);
  }

  void Text(const std::string& key, const char* name, const std::string& value) {
    registry_.WriteValue(UninstallRoot(), key, name, RegistryValue::Text(value), RegistryView::Default);
  }

  void WriteUninstallEntries() {
    const ScriptPayload& payload = session_.payload;
    const std::string engine = instanceFolder_ + session_.executableFileName;
    const platform::WindowsVersion version = session_.platform.system.Version();
    // Windows' own removal of the product starts the cached engine.
    if (version.major >= 5)
      Text(kUninstallKey + payload.productCode, "UninstallString", instanceFolder_ + base_ + ".exe");

    const std::string title = Var("TITLE");
    const std::string key = kUninstallKey + title;
    Text(key, "DisplayIcon", engine);
    Text(key, "DisplayName", title);
    Text(key, "UninstallString", "\"" + engine + "\" REMOVE=TRUE MODIFY=FALSE");
    Text(key, "ModifyPath", engine);
    Text(key, "Publisher", payload.publisher);
    Text(key, "Contact", payload.contact);
    Text(key, "HelpLink", payload.helpLink);
    Text(key, "URLUpdateInfo", payload.urlUpdateInfo);
    Text(key, "Comments", payload.comments);
    Text(key, "DisplayVersion", payload.displayVersion);
    registry_.WriteValue(UninstallRoot(), key, "VersionMajor",
                         RegistryValue::Number(DisplayVersionMajor(payload.displayVersion)), RegistryView::Default);
    registry_.WriteValue(UninstallRoot(), key, "VersionMinor",
                         RegistryValue::Number(DisplayVersionMinor(payload.displayVersion)), RegistryView::Default);
    Text(key, "InstallLocation", NormalizePath(session_.variables, Var("TARGETDIR")));
  }

  // The running engine keeps its folder: it moves to the first free "~n" beside it and goes at
  // the next start of the system.
  void MoveAside() {
    const std::string folder = WithoutBackslash(instanceFolder_);
    std::string moved;
    for (uint32_t n = 0;; ++n) {
      moved = cacheRoot_ + "~" + std::to_string(n);
      if (!files_.DirectoryExists(moved) && !files_.FileExists(moved)) break;
    }
    if (!files_.Move(folder, moved)) return;
    files_.DeleteAtRestart(moved + "\\" + session_.executableFileName);
    files_.DeleteAtRestart(moved + "\\zvk.lib");
    files_.DeleteAtRestart(moved);
  }

  Session& session_;
  platform::FileSystem& files_;
  platform::Registry& registry_;
  bool allUsers_;
  std::string cacheRoot_;
  std::string instanceFolder_;
  std::string base_;
};

}  // namespace

uint32_t DisplayVersionMajor(const std::string& displayVersion) {
  const size_t dot = displayVersion.find('.');
  return VersionPart(displayVersion.substr(0, dot), dot != std::string::npos);
}

uint32_t DisplayVersionMinor(const std::string& displayVersion) {
  const size_t first = displayVersion.find('.');
  if (first == std::string::npos) return 0;
  const std::string rest = displayVersion.substr(first + 1);
  const size_t dot = rest.find('.');
  return VersionPart(rest.substr(0, dot), dot != std::string::npos);
}

void RegisterInstance(Session& session, ApplyMode mode, const std::string& transformedPackage) {
  Registration registration(session);
  registration.AdvertisedMarker(mode);
  if (mode == ApplyMode::Remove)
    registration.Remove();
  else
    registration.Install(transformedPackage);
}

}  // namespace quarrix
