#include "msi/InstanceRegistration.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "instance/InstanceFixture.h"
#include "engine/Session.h"

namespace quarrix::testing {
namespace {

using platform::RegistryRoot;
using platform::RegistryType;
using platform::RegistryValue;
using platform::RegistryView;

const std::string kTitleKey = std::string(kUninstallKey) + "Sample";
const std::string kProductKey = std::string(kUninstallKey) + kProductCode;
const std::string kIdentKey = std::string("SOFTWARE\\Orlevant\\Quarrix\\Ident.Cache\\") + kProductCode;

class InstanceRegistrationTest : public InstanceFixture {
 protected:
  InstanceRegistrationTest() {
    Set("ALLUSERS", "TRUE");
    Set("TITLE", "Sample");
    Set("TARGETDIR", "C:\\Program Files\\\\Sample\\");
    Set("VELD_COMPRESS_INSTALLER_CACHE", "TRUE");
    session.payload.publisher = "Maker";
    session.payload.contact = "Desk";
    session.payload.helpLink = "http://help";
    session.payload.urlUpdateInfo = "http://update";
    session.payload.comments = "Notes";
    session.payload.displayVersion = "8.2.1";
    Write("C:\\Setup\\setup.exe", "engine");
    Write("C:\\Setup\\setup.msi", "package");
    Write("C:\\Setup\\setup.res", "support");
    Write("C:\\Setup\\zvk.lib", "library");
  }

  void Set(const char* name, const char* value) { session.variables.StoreVariable(name, value); }
  std::string File(const std::string& path) { return files().ReadFile(path).value_or("<missing>"); }
  std::optional<std::string> Text(RegistryRoot root, const std::string& key, const char* name) {
    auto value = temp.machine.registry.ReadValue(root, key, name, RegistryView::Default);
    if (!value) return std::nullopt;
    return value->data;
  }
  std::optional<uint32_t> Number(RegistryRoot root, const std::string& key, const char* name) {
    auto value = temp.machine.registry.ReadValue(root, key, name, RegistryView::Default);
    if (!value || value->type != RegistryType::Dword || value->data.size() != 4) return std::nullopt;
    uint32_t number = 0;
    for (int i = 3; i >= 0; --i) number = (number << 8) | static_cast<unsigned char>(value->data[i]);
    return number;
  }
  bool Key(RegistryRoot root, const std::string& key) {
    return temp.machine.registry.KeyExists(root, key, RegistryView::Default);
  }
};

TEST_F(InstanceRegistrationTest, InstallCopiesTheSetupAndWritesItsRecords) {
  Set("LANGUAGE", "German");
  session.run.actionList = {"AInstallFiles", "TRUE", "MSINTEMP", "C:\\Temp\\"};
  session.run.packageEdits.pinRequests = {"C:\\Menu\\App.lnk|X|C:\\App\\app.exe"};
  RegisterInstance(session, ApplyMode::Install);

  const std::string folder = kMachineInstance;
  EXPECT_EQ(File(folder + "setup.exe"), "engine");
  EXPECT_EQ(File(folder + "setup.msi"), "package");
  EXPECT_EQ(File(folder + "setup.res"), "support");
  EXPECT_EQ(File(folder + "zvk.lib"), "library");
  EXPECT_FALSE(files().FileExists(folder + "setup.bmp"));  // none beside the engine: skipped
  EXPECT_TRUE(files().FileExists(folder + "setup.dat"));
  EXPECT_EQ(File(folder + "setup.par"), "AInstallFiles\r\nTRUE\r\nMSINTEMP\r\nC:\\Temp\\\r\n");
  EXPECT_EQ(File(folder + "setup.lnk"), "C:\\Menu\\App.lnk|X|C:\\App\\app.exe\r\n");
  EXPECT_EQ(File(folder + "setup.lan"), "German\r\n");
  EXPECT_EQ(File(folder + "instance.dat"), std::string(kProductCode) + "\r\n" + kRevisionCode + "\r\nSample\r\n");
  EXPECT_FALSE(files().FileExists(folder + kProductCode));  // media marker: web-based setups only
  EXPECT_EQ(files().Compression(folder), true);
  EXPECT_TRUE(session.instance.fullSave);
  EXPECT_FALSE(session.instance.noSave);

  const RegistryRoot hklm = RegistryRoot::LocalMachine;
  EXPECT_EQ(Text(hklm, kProductKey, "UninstallString"), folder + "setup.exe");
  EXPECT_EQ(Text(hklm, kTitleKey, "DisplayIcon"), folder + "setup.exe");
  EXPECT_EQ(Text(hklm, kTitleKey, "DisplayName"), "Sample");
  EXPECT_EQ(Text(hklm, kTitleKey, "UninstallString"), "\"" + folder + "setup.exe\" REMOVE=TRUE MODIFY=FALSE");
  EXPECT_EQ(Text(hklm, kTitleKey, "ModifyPath"), folder + "setup.exe");
  EXPECT_EQ(Text(hklm, kTitleKey, "Publisher"), "Maker");
  EXPECT_EQ(Text(hklm, kTitleKey, "Contact"), "Desk");
  EXPECT_EQ(Text(hklm, kTitleKey, "HelpLink"), "http://help");
  EXPECT_EQ(Text(hklm, kTitleKey, "URLUpdateInfo"), "http://update");
  EXPECT_EQ(Text(hklm, kTitleKey, "Comments"), "Notes");
  EXPECT_EQ(Text(hklm, kTitleKey, "DisplayVersion"), "8.2.1");
  EXPECT_EQ(Number(hklm, kTitleKey, "VersionMajor"), 8u);
  EXPECT_EQ(Number(hklm, kTitleKey, "VersionMinor"), 2u);
  EXPECT_EQ(Text(hklm, kTitleKey, "InstallLocation"), "C:\\Program Files\\Sample\\");
  EXPECT_EQ(Text(hklm, kIdentKey, ""), folder);
  EXPECT_FALSE(Key(RegistryRoot::CurrentUser, kTitleKey));
}

TEST_F(InstanceRegistrationTest, APerUserInstallRegistersUnderTheUser) {
  Set("ALLUSERS", "FALSE");
  RegisterInstance(session, ApplyMode::Install);
  EXPECT_TRUE(files().FileExists(std::string(kUserInstance) + "setup.exe"));
  EXPECT_EQ(Text(RegistryRoot::CurrentUser, kIdentKey, ""), kUserInstance);
  EXPECT_EQ(Text(RegistryRoot::CurrentUser, kTitleKey, "DisplayName"), "Sample");
  EXPECT_FALSE(Key(RegistryRoot::LocalMachine, kTitleKey));
}

TEST_F(InstanceRegistrationTest, Windows9xRegistersForTheMachineWithoutTheProductEntry) {
  Set("ALLUSERS", "FALSE");
  temp.machine.system.version = {4, 10, false};
  temp.machine.registry.WriteValue(RegistryRoot::LocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion",
                                   "CommonFilesDir", RegistryValue::Text("C:\\Program Files\\Common Files"),
                                   RegistryView::Default);
  RegisterInstance(session, ApplyMode::Install);
  EXPECT_EQ(Text(RegistryRoot::LocalMachine, kTitleKey, "DisplayName"), "Sample");
  EXPECT_FALSE(Key(RegistryRoot::LocalMachine, kProductKey));
  EXPECT_EQ(Text(RegistryRoot::LocalMachine, kIdentKey, ""),
            std::string("C:\\Program Files\\Common Files\\") + kRevisionCode + "\\");
}

TEST_F(InstanceRegistrationTest, AdvertiseMarksTheInstanceAndALaterInstallUnmarksIt) {
  RegisterInstance(session, ApplyMode::Advertise);
  const std::string marker = std::string(kMachineInstance) + "__ad";
  EXPECT_TRUE(files().DirectoryExists(marker));
  EXPECT_EQ(files().Compression(marker), true);
  EXPECT_TRUE(files().FileExists(std::string(kMachineInstance) + "setup.exe"));
  RegisterInstance(session, ApplyMode::Install);
  EXPECT_FALSE(files().DirectoryExists(marker));
}

TEST_F(InstanceRegistrationTest, InstallWithoutALanguageDeletesAnOldLanguageFile) {
  Write(std::string(kMachineInstance) + "setup.lan", "French\r\n");
  Set("VELD_COMPRESS_INSTALLER_CACHE", "FALSE");
  RegisterInstance(session, ApplyMode::Install);
  EXPECT_FALSE(files().FileExists(std::string(kMachineInstance) + "setup.lan"));
  EXPECT_EQ(files().Compression(kMachineInstance), false);
}

TEST_F(InstanceRegistrationTest, ATransformedPackageIsTheOneCached) {
  Write("C:\\Users\\User\\AppData\\Local\\Temp\\zvk1\\setup.msi", "transformed");
  RegisterInstance(session, ApplyMode::Install, "C:\\Users\\User\\AppData\\Local\\Temp\\zvk1\\setup.msi");
  EXPECT_EQ(File(std::string(kMachineInstance) + "setup.msi"), "transformed");
}

TEST_F(InstanceRegistrationTest, WebMediaSetupsCarryTheMediaMarker) {
  session.payload.buildMode = 2;
  RegisterInstance(session, ApplyMode::Install);
  const std::string marker = std::string(kMachineInstance) + kProductCode;
  EXPECT_EQ(File(marker), "");
}

TEST(DisplayVersionTest, FirstTwoNumbers) {
  struct Case {
    const char* version;
    uint32_t major, minor;
  } cases[] = {{"8.0.0", 8, 0}, {"8", 8, 0}, {"", 0, 0}, {"beta", 0, 0}, {"3.1", 3, 1},
               {"3.x", 3, 0}, {"3.", 3, 0},  {"10.20.30.40", 10, 20}};
  for (const Case& c : cases) {
    EXPECT_EQ(DisplayVersionMajor(c.version), c.major) << c.version;
    EXPECT_EQ(DisplayVersionMinor(c.version), c.minor) << c.version;
  }
  EXPECT_THROW(DisplayVersionMajor("v1.0"), std::runtime_error);
  EXPECT_THROW(DisplayVersionMinor("1.x.0"), std::runtime_error);
}

TEST_F(InstanceRegistrationTest, ABadDisplayVersionEndsTheRegistrationAfterWhatWasWritten) {
  session.payload.displayVersion = "v2.1";
  EXPECT_THROW(RegisterInstance(session, ApplyMode::Install), std::runtime_error);
  EXPECT_EQ(Text(RegistryRoot::LocalMachine, kTitleKey, "DisplayVersion"), "v2.1");
  EXPECT_FALSE(Number(RegistryRoot::LocalMachine, kTitleKey, "VersionMajor"));
  EXPECT_FALSE(Text(RegistryRoot::LocalMachine, kTitleKey, "InstallLocation"));
  EXPECT_FALSE(Key(RegistryRoot::LocalMachine, kIdentKey));
  EXPECT_TRUE(files().FileExists(std::string(kMachineInstance) + "setup.dat"));
}

TEST_F(InstanceRegistrationTest, RemovalDeletesTheInstanceAndItsKeysInBothRoots) {
  RegisterInstance(session, ApplyMode::Install);
  Set("ALLUSERS", "FALSE");
  RegisterInstance(session, ApplyMode::Install);
  Set("ALLUSERS", "TRUE");
  RegisterInstance(session, ApplyMode::Remove);
  EXPECT_FALSE(files().DirectoryExists(kMachineInstance));
  EXPECT_TRUE(files().PendingRestartDeletes().empty());
  for (RegistryRoot root : {RegistryRoot::LocalMachine, RegistryRoot::CurrentUser}) {
    EXPECT_FALSE(Key(root, kTitleKey));
    EXPECT_FALSE(Key(root, kIdentKey));
  }
  EXPECT_TRUE(session.instance.noSave);
}

// The normal maintenance case: the engine runs from the instance folder it removes.
TEST_F(InstanceRegistrationTest, RemovalFromTheRunningInstanceMovesItAsideUntilTheNextStart) {
  RegisterInstance(session, ApplyMode::Install);
  const std::string root = "C:\\ProgramData\\";
  files().CreateDirectories(root + "~0");  // taken by an earlier removal
  files().SetInUse(std::string(kMachineInstance) + "setup.exe", true);
  session.executablePath = std::string(kMachineInstance) + "setup.exe";
  session.executableFolder = kMachineInstance;

  RegisterInstance(session, ApplyMode::Remove);
  EXPECT_FALSE(files().DirectoryExists(kMachineInstance));
  EXPECT_TRUE(files().FileExists(root + "~1\\setup.exe"));
  EXPECT_FALSE(files().FileExists(root + "~1\\setup.dat"));
  const std::vector<std::string> pending = {root + "~1\\setup.exe", root + "~1\\zvk.lib", root + "~1"};
  EXPECT_EQ(files().PendingRestartDeletes(), pending);
  EXPECT_FALSE(Key(RegistryRoot::LocalMachine, kTitleKey));
  EXPECT_TRUE(session.instance.noSave);

  files().Restart();
  EXPECT_FALSE(files().DirectoryExists(root + "~1"));
  EXPECT_TRUE(files().DirectoryExists(root + "~0"));
}

TEST_F(InstanceRegistrationTest, SaveDataKeepsTheFolderButNotTheKeys) {
  RegisterInstance(session, ApplyMode::Install);
  session.instance.fullSave = false;
  Set("SAVEDATA", "TRUE");
  RegisterInstance(session, ApplyMode::Remove);
  EXPECT_TRUE(files().FileExists(std::string(kMachineInstance) + "setup.dat"));
  EXPECT_FALSE(Key(RegistryRoot::LocalMachine, kTitleKey));
  EXPECT_FALSE(Key(RegistryRoot::LocalMachine, kIdentKey));
  EXPECT_FALSE(session.instance.noSave);
  EXPECT_FALSE(session.instance.fullSave);

  Set("SAVEDATA", "true");  // only "TRUE" exactly keeps it
  RegisterInstance(session, ApplyMode::Remove);
  EXPECT_FALSE(files().DirectoryExists(kMachineInstance));
}

}  // namespace
}  // namespace quarrix::testing
