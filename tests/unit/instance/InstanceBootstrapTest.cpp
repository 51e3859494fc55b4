#include "instance/InstanceBootstrap.h"

#include <optional>

#include "engine/PredefinedVariables.h"
#include "instance/CacheRoot.h"
#include "instance/InstanceFixture.h"

namespace quarrix::testing {
namespace {

using platform::RegistryRoot;

// A saved instance: one selected component of 300 bytes, folders and one persisted variable.
constexpr const char* kSavedState =
    "Core\r\n$\r\nTRUE\r\n$\r\n$\r\n$\r\n$\r\nCore\r\n300\r\n$\r\n"
    "D:\\Apps\\Sample\\\r\nFALSE\r\nSample Menu\r\n\r\nCOLOR\r\nred\r\nVELD64WOW\r\nWin32\r\nOVERRIDECACHE\r\n\r\n";

class InstanceBootstrapTest : public InstanceFixture {
 protected:
  void Install(const std::string& packageCode) { temp.machine.installer.AddProduct(kProductCode, packageCode); }
  void Bootstrap() { RunBootstrap(session, kPackagePath); }
};

TEST_F(InstanceBootstrapTest, InstalledStateDecidesMaintenanceUpgradeAndNewInstance) {
  struct Case {
    const char* name;
    std::optional<std::string> installedPackage;
    bool startedFromCache;
    const char* maintenance;
    const char* needsUpgrade;
    const char* newInstance;
  };
  const std::vector<Case> cases = {
      {"not installed", std::nullopt, false, "FALSE", "FALSE", "FALSE"},
      {"same package, code compared in lower case", ToLowerAscii(kRevisionCode), false, "TRUE", "FALSE", "TRUE"},
      {"older package", kOlderRevision, false, "FALSE", "TRUE", "TRUE"},
      {"maintenance from the cache", kRevisionCode, true, "TRUE", "FALSE", "FALSE"},
      {"upgrade from the cache", kOlderRevision, true, "FALSE", "TRUE", "FALSE"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempMachine fresh;
    fresh.machine.files.CreateDirectories("C:\\Setup");
    platform::Platform machine = fresh.machine.AsPlatform();
    Session run(machine);
    run.payload = session.payload;
    run.workingTitle = session.workingTitle;
    run.executableFolder = session.executableFolder;
    run.executableName = session.executableName;
    run.executableFileName = session.executableFileName;
    if (c.installedPackage) fresh.machine.installer.AddProduct(kProductCode, *c.installedPackage);
    if (c.startedFromCache)
      fresh.machine.files.WriteFile("C:\\Setup\\instance.dat",
                                    std::string(kProductCode) + "\r\n" + kRevisionCode + "\r\nSample\r\n");
    RunBootstrap(run, kPackagePath);
    EXPECT_EQ(run.variables.GetVariable("MAINTENANCE"), c.maintenance);
    EXPECT_EQ(run.variables.GetVariable("NEEDSUPGRADE"), c.needsUpgrade);
    EXPECT_EQ(run.variables.GetVariable("NEWINSTANCE"), c.newInstance);
  }
}

TEST_F(InstanceBootstrapTest, FirstRunPublishesTheDefaultsAndResetsTheComponents) {
  session.run.components.DefineComponent("Leftover", "", true);
  session.run.actionList = {"AOLD", "TRUE"};
  Bootstrap();
  EXPECT_EQ(Var("PRODUCTCODE"), kProductCode);
  EXPECT_EQ(Var("REVISIONCODE"), kRevisionCode);
  EXPECT_EQ(Var("ENGINECACHE"), kMachineInstance);
  EXPECT_EQ(Var("UNINSTALLLINK"), std::string(kMachineInstance) + "setup.exe");
  EXPECT_EQ(Var("DATADIR"), "C:\\Setup\\data\\");
  EXPECT_EQ(Var("TARGETDIR"), "C:\\Program Files (x86)\\Sample\\");
  EXPECT_EQ(Var("STARTMENU"), "Sample");
  EXPECT_EQ(Var("ALLUSERS"), "TRUE");
  EXPECT_EQ(session.run.components.names, StringList{"VELD-PREDEF-COMPONENT"});
  EXPECT_TRUE(session.run.actionList.empty());
}

TEST_F(InstanceBootstrapTest, MaintenanceLoadsTheInstanceFolderAndItsLists) {
  Install(kRevisionCode);
  Write(std::string(kMachineInstance) + "setup.dat", kSavedState);
  Write(std::string(kMachineInstance) + "setup.lnk", "C:\\Menu\\Sample.lnk\r\n");
  Write(std::string(kMachineInstance) + "setup.par", "AINSTALL\r\nTRUE\r\n");
  session.run.components.ClearComponents();
  Bootstrap();
  EXPECT_EQ(Var("MAINTENANCE"), "TRUE");
  EXPECT_EQ(Var("TARGETDIR"), "D:\\Apps\\Sample\\");
  EXPECT_EQ(Var("STARTMENU"), "Sample Menu");
  EXPECT_EQ(Var("COLOR"), "red");
  EXPECT_EQ(session.persistedVariables, StringList{"COLOR"});
  EXPECT_EQ(session.run.components.installedBaseline, 300);
  EXPECT_EQ(session.instance.installedShortcuts, StringList{"C:\\Menu\\Sample.lnk"});
  EXPECT_EQ(session.run.actionList, (StringList{"AINSTALL", "TRUE"}));
}

TEST_F(InstanceBootstrapTest, FirstRunStillLoadsStateAnEarlierRunOfTheRevisionLeft) {
  Write(std::string(kMachineInstance) + "setup.dat", kSavedState);
  Bootstrap();
  EXPECT_EQ(Var("MAINTENANCE"), "FALSE");
  EXPECT_EQ(Var("TARGETDIR"), "D:\\Apps\\Sample\\");
  EXPECT_EQ(session.run.components.installedBaseline, 0);
}

TEST_F(InstanceBootstrapTest, OverrideFileReplacesTheIdentity) {
  Write("C:\\Setup\\instance.dat", "{PRODUCT-X}\r\n{REVISION-X}\r\nRenamed\r\n");
  Bootstrap();
  EXPECT_EQ(Var("PRODUCTCODE"), "{PRODUCT-X}");
  EXPECT_EQ(Var("REVISIONCODE"), "{REVISION-X}");
  EXPECT_EQ(Var("STARTMENU"), "Renamed");
  EXPECT_EQ(Var("ENGINECACHE"), "C:\\ProgramData\\{REVISION-X}\\");
}

TEST_F(InstanceBootstrapTest, RecordedFolderGivesTheRootOnlyForThisRevision) {
  RecordInstance(RegistryRoot::CurrentUser, std::string("D:\\Cache\\") + kRevisionCode + "\\");
  EXPECT_EQ(GetCacheRoot(session, true), "D:\\Cache\\") << "the machine key is missing: the user's is read";

  RecordInstance(RegistryRoot::LocalMachine, std::string("E:\\Old\\") + kOlderRevision + "\\");
  EXPECT_EQ(GetCacheRoot(session, true), "C:\\ProgramData\\") << "an older revision's folder is no root";
  EXPECT_EQ(GetCacheRoot(session, false), "C:\\Users\\User\\AppData\\Local\\");

  session.variables.StoreVariable("OVERRIDECACHE", "F:\\Mine");
  EXPECT_EQ(GetCacheRoot(session, true), "F:\\Mine\\");
}

TEST_F(InstanceBootstrapTest, ApplicationDataFallbacks) {
  auto& folders = temp.machine.system.folders;
  folders.erase(platform::SpecialFolder::LocalAppData);
  EXPECT_EQ(GetCacheRoot(session, false), "C:\\Users\\User\\AppData\\Roaming\\");
  folders.erase(platform::SpecialFolder::RoamingAppData);
  EXPECT_EQ(GetCacheRoot(session, false), "C:\\Users\\User\\Application Data\\");
}

TEST_F(InstanceBootstrapTest, UserDataFileChoosesTheUserRoot) {
  EXPECT_TRUE(HasNoUserData(session, kPackagePath));
  EXPECT_EQ(InstanceFolder(session, kPackagePath), kMachineInstance);
  Write(std::string(kUserInstance) + "setup.dat", kSavedState);
  EXPECT_FALSE(HasNoUserData(session, kPackagePath));
  EXPECT_EQ(InstanceFolder(session, kPackagePath), kUserInstance);

  session.payload.buildMode = 3;
  EXPECT_EQ(InstanceFolder(session, kPackagePath), kUserInstance) << "no target known: never the bare root";
  session.instance.patchTarget = kOlderRevision;
  EXPECT_EQ(InstanceFolder(session, kPackagePath), std::string("C:\\ProgramData\\") + kOlderRevision + "\\")
      << "a patch works on the installed instance's folder";
}

TEST_F(InstanceBootstrapTest, OlderRevisionDataLoadsWhenTheBuildAsksForIt) {
  const std::string oldFolder = std::string("E:\\Old\\") + kOlderRevision + "\\";
  RecordInstance(RegistryRoot::LocalMachine, oldFolder);
  Write(oldFolder + "instance.dat", "x\r\ny\r\nz\r\n");
  Write(oldFolder + "setup.dat", kSavedState);
  Install(kOlderRevision);
  session.payload.buildConstants = {"LOADOLDDATA", "TRUE"};
  session.run.components.SetComponentSize("VELD-PREDEF-COMPONENT", 42);
  const StringList sizes = session.run.components.sizes;

  Bootstrap();
  EXPECT_EQ(Var("NEEDSUPGRADE"), "TRUE");
  EXPECT_EQ(Var("ENGINECACHE"), kMachineInstance) << "the old folder is not this revision's root";
  EXPECT_EQ(Var("TARGETDIR"), "D:\\Apps\\Sample\\") << "one .dat besides instance.dat needs no companions";
  EXPECT_EQ(Var("COLOR"), "red");
  EXPECT_EQ(session.run.components.sizes, sizes) << "this setup's sizes are kept";
}

TEST_F(InstanceBootstrapTest, OlderDataAmongSeveralFilesNeedsItsCompanions) {
  const std::string oldFolder = std::string("E:\\Old\\") + kOlderRevision + "\\";
  RecordInstance(RegistryRoot::LocalMachine, oldFolder);
  Write(oldFolder + "stray.dat", "$\r\n$\r\n$\r\n$\r\n$\r\n$\r\nC:\\Stray\\\r\n");
  for (const char* extension : {".dat", ".exe", ".res", ".msi", ".par"}) Write(oldFolder + "setup" + extension, kSavedState);
  Write(oldFolder + "setup.lnk", "C:\\Menu\\Old.lnk\r\n");
  Install(kOlderRevision);

  Bootstrap();
  EXPECT_EQ(Var("TARGETDIR"), "C:\\Program Files (x86)\\Sample\\") << "without LOADOLDDATA no old data loads";
  EXPECT_EQ(session.instance.installedShortcuts, StringList{"C:\\Menu\\Old.lnk"}) << "but its shortcut list does";

  session.payload.buildConstants = {"LOADOLDDATA", "TRUE"};
  Bootstrap();
  EXPECT_EQ(Var("TARGETDIR"), "D:\\Apps\\Sample\\");
}

TEST_F(InstanceBootstrapTest, WebBuildKeepsItsDataInTheCache) {
  session.payload.buildMode = 2;
  Bootstrap();
  EXPECT_EQ(Var("DATADIR"), kMachineInstance);
  EXPECT_EQ(session.instance.sourceDataFolder, "C:\\Setup\\data\\");
}

TEST_F(InstanceBootstrapTest, RelocationProbesTheFolderAndBootstrapsAgain) {
  Bootstrap();
  session.variables.StoreVariable("OVERRIDECACHE", "C:\\New\\Cache");
  RefreshCacheOverride(session);
  EXPECT_EQ(Var("OVERRIDECACHE"), "C:\\New\\Cache\\");
  EXPECT_EQ(Var("ENGINECACHE"), std::string("C:\\New\\Cache\\") + kRevisionCode + "\\");
  EXPECT_EQ(session.instance.acceptedOverrideCache, "C:\\New\\Cache\\");
  EXPECT_FALSE(files().DirectoryExists("C:\\New")) << "the probe's folders are removed again";

  session.variables.StoreVariable("ENGINECACHE", "untouched");
  RefreshCacheOverride(session);
  EXPECT_EQ(Var("ENGINECACHE"), "untouched") << "an accepted value is not applied twice";
}

TEST_F(InstanceBootstrapTest, RelocationToAFolderThatCannotBeMadeClearsTheOverride) {
  Bootstrap();
  Write("C:\\Blocked", "a file");
  session.variables.StoreVariable("ENGINECACHE", "untouched");
  session.variables.StoreVariable("OVERRIDECACHE", "C:\\Blocked\\Cache\\");
  RefreshCacheOverride(session);
  EXPECT_EQ(Var("OVERRIDECACHE"), "");
  EXPECT_EQ(session.instance.acceptedOverrideCache, "");
  EXPECT_EQ(Var("ENGINECACHE"), "untouched") << "the bootstrap is not repeated";
}

}  // namespace
}  // namespace quarrix::testing
