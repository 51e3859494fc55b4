#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/AnsiText.h"
#include "engine/WorkerHandshake.h"
#include "msi/InstanceRegistration.h"
#include "support/ScriptRunner.h"
#include "support/TestPackage.h"

namespace quarrix::platform::sim {
void PrintTo(const SimInstallerCall& call, std::ostream* out) {
  *out << call.operation;
  for (const std::string& argument : call.arguments) *out << " [" << argument << "]";
}
}  // namespace quarrix::platform::sim

namespace quarrix::testing {
namespace {

using platform::RegistryRoot;
using platform::RegistryView;
using platform::sim::kSimUserCancel;
using platform::sim::SimInstallerCall;

constexpr const char* kHeader = "1F11E501";
const std::string kUninstallTitleKey = std::string(kUninstallKey) + "Probe";

std::string Source(const std::string& apply) {
  return std::string("#quarrix-script 1\n[setup]\nproduct-code = ") + kTestProductCode +
         "\nrevision-code = {99999999-2222-3333-4444-555555555555}\ntitle = Probe\n[script]\n"
         "Set Variable: TARGETDIR \"C:\\Program Files\\Probe\\\"\n"
         "Install Files: \"files\\readme.txt\" \"\" \"$TARGETDIR$\"  @header=" +
         kHeader + "\n" + apply + "\n";
}

// A setup whose package beside the engine is a real one, run silently on a fresh machine.
class ApplySetup {
 public:
  explicit ApplySetup(const std::string& applyLine, const std::string& arguments = "/s")
      : runner(Source(applyLine), arguments) {
    built = BuildTestPackage(runner.temp.folder.Path() / "build").has_value();
    if (built) Place(runner.temp.folder.Path() / "build" / "setup.msi", runner.PackagePath());
  }

  void Place(const std::filesystem::path& host, const std::string& windowsPath) {
    std::filesystem::copy_file(host, *runner.machine.files.HostPath(windowsPath),
                               std::filesystem::copy_options::overwrite_existing);
  }
  std::filesystem::path HostPackage() { return *runner.machine.files.HostPath(runner.PackagePath()); }
  platform::sim::SimInstaller& Installer() { return runner.machine.installer; }
  std::vector<SimInstallerCall> Installs() {
    std::vector<SimInstallerCall> installs;
    for (const SimInstallerCall& call : Installer().calls)
      if (call.operation == "InstallProduct" || call.operation == "ApplyPatch") installs.push_back(call);
    return installs;
  }
  std::string Var(const char* name) { return runner.Var(name); }

  ScriptRunner runner;
  bool built = false;
};

#define REQUIRE_PACKAGE(setup)                                               \
  if (!(setup).built) GTEST_SKIP() << "wixl is needed to build the package"

TEST(ApplyChanges, TheInstallerResultBecomesTheResultVariable) {
  struct Case {
    const char* name;
    unsigned installerResult;
    bool userCancels;
    const char* result;
    const char* lastError;
    const char* rebootComputer;
  };
  const Case cases[] = {
      {"success", 0, false, "COMPLETE", "", ""},
      {"restart required", 3010, false, "REBOOT", "", "TRUE"},
      {"restart initiated", 1641, false, "REBOOT", "", "TRUE"},
      // The system's text with its final period cut.
      {"failure", 1603, false, "ERROR", "Fatal error during installation", ""},
      {"a code without text falls back to the general failure", 1627, false, "ERROR", "General setup failure", ""},
      {"the user cancels and the installer gives up", 0, true, "CANCEL", "User cancelled installation", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ApplySetup setup("Apply Changes: \"\" RESULT TRUE FALSE");
    REQUIRE_PACKAGE(setup);
    setup.Installer().result = c.installerResult;
    setup.Installer().messages = {{platform::kInstallMessageActionStart, "12:00:00: InstallFiles. Copying"},
                                  {platform::kInstallMessageProgress, "1: 0 2: 100 3: 0 4: 0"}};
    if (c.userCancels) {
      setup.Installer().messages.insert(setup.Installer().messages.begin() + 1, {kSimUserCancel, ""});
      setup.Installer().onUserCancel = [&setup] {
        setup.runner.session.variables.StoreVariable(kIsCancelled, "TRUE");
        setup.runner.session.variables.StoreVariable(kThCancelled, "TRUE");
      };
    }
    setup.runner.Run();
    EXPECT_EQ(setup.Var("RESULT"), c.result);
    EXPECT_EQ(setup.Var("LASTERROR"), c.lastError);
    EXPECT_EQ(setup.Var("REBOOTCOMPUTER") == "TRUE" ? "TRUE" : "", std::string(c.rebootComputer));
    EXPECT_EQ(setup.Var(std::string(kThFinished).c_str()), "TRUE");
    // Registration follows success only.
    const bool registered = setup.runner.machine.registry.KeyExists(RegistryRoot::LocalMachine, kUninstallTitleKey,
                                                                    RegistryView::Default);
    EXPECT_EQ(registered, std::string(c.result) == "COMPLETE" || std::string(c.result) == "REBOOT");
  }
}

TEST(ApplyChanges, AnotherInstallationInProgressIsWaitedFor) {
  ApplySetup setup("Apply Changes: \"\" RESULT TRUE FALSE");
  REQUIRE_PACKAGE(setup);
  setup.Installer().busyRuns = 2;
  setup.runner.Run();
  EXPECT_EQ(setup.Var("RESULT"), "COMPLETE");
  EXPECT_EQ(setup.Installs().size(), 3u);
  EXPECT_EQ(setup.runner.machine.clock.sleptMilliseconds, 2u * 3141u);
}

TEST(ApplyChanges, TheModeDecidesTheCommandLine) {
  struct Case {
    const char* line;
    bool installedBefore;
    const char* startsWith;
    bool installedAfter;
  };
  const Case cases[] = {
      {"Apply Changes: \"\" RESULT TRUE FALSE", false, "ADDLOCAL=ALL ALLUSERS=1 ARPSYSTEMCOMPONENT=1", true},
      // The remove flag is not looked at when installing.
      {"Apply Changes: \"\" RESULT TRUE TRUE", false, "ADDLOCAL=ALL ", true},
      {"Apply Changes: \"\" RESULT TRUE FALSE", true, "REINSTALL=ALL REINSTALLMODE=vomus ", true},
      {"Apply Changes: \"\" RESULT FALSE FALSE", false, "ADVERTISE=ALL ", true},
      {"Apply Changes: \"\" RESULT FALSE TRUE", true, "REMOVE=ALL ALLUSERS=1 ALLUSERS=1 REMOVE=ALL SRCDIR=",
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    ApplySetup setup(c.line);
    REQUIRE_PACKAGE(setup);
    if (c.installedBefore) setup.Installer().AddProduct(kTestProductCode, "{AAAAAAAA-2222-3333-4444-555555555555}");
    setup.runner.Run();
    EXPECT_EQ(setup.Var("RESULT"), "COMPLETE");
    const auto installs = setup.Installs();
    ASSERT_EQ(installs.size(), 1u);
    EXPECT_EQ(installs[0].arguments[0], setup.runner.PackagePath());
    EXPECT_TRUE(StartsWith(installs[0].arguments[1], c.startsWith)) << installs[0].arguments[1];
    EXPECT_TRUE(EndsWith(installs[0].arguments[1], "REBOOT=R ")) << installs[0].arguments[1];
    EXPECT_EQ(setup.Installer().Find(kTestProductCode) != nullptr, c.installedAfter);
  }
}

TEST(ApplyChanges, Windows9xRemovesThroughTheOpenedPackage) {
  ApplySetup setup("Apply Changes: \"\" RESULT FALSE TRUE");
  REQUIRE_PACKAGE(setup);
  setup.runner.machine.system.version = {4, 10, false};
  setup.Installer().AddProduct(kTestProductCode, "{AAAAAAAA-2222-3333-4444-555555555555}");
  setup.Installer().result = 3010;  // the opened package asks for a restart at its end
  setup.runner.Run();
  EXPECT_EQ(setup.Var("RESULT"), "REBOOT");
  ASSERT_EQ(setup.Installer().calls.size(), 1u);
  const SimInstallerCall& call = setup.Installer().calls[0];
  EXPECT_EQ(call.operation, "DoAction");
  const StringList expected = {setup.runner.PackagePath(), "INSTALL", "ALLUSERS=", "MEDIAPACKAGEPATH=\\Setup\\",
                               "REBOOT=R", "REMOVE=ALL", "SOURCELIST=C:\\Setup\\data\\;" + setup.runner.session.supportFolder,
                               "SRCDIR=C:\\Setup\\data\\"};
  EXPECT_EQ(call.arguments, expected);
  EXPECT_EQ(setup.Installer().Find(kTestProductCode), nullptr);
}

TEST(ApplyChanges, ThePackageIsEditedAndTheTraceLogKeepsTheRun) {
  ApplySetup setup("Apply Changes: \"\" RESULT TRUE FALSE", "/s /l=C:\\Logs\\setup.log");
  REQUIRE_PACKAGE(setup);
  setup.Installer().messages = {{platform::kInstallMessageInfo, "Action start: InstallFiles."}};
  setup.runner.Run();
  ASSERT_EQ(setup.Var("RESULT"), "COMPLETE");

  // The line's action property and the temporary folder are in the package; uncompressed sources.
  const std::string properties = ExportTable(setup.HostPackage(), "Property");
  EXPECT_NE(properties.find(std::string("A") + kHeader + "\tTRUE"), std::string::npos) << properties;
  EXPECT_NE(properties.find("MSINTEMP\tC:\\Users\\User\\AppData\\Local\\Temp\\"), std::string::npos);
  EXPECT_NE(SummaryText(setup.HostPackage()).find("Source: 8 "), std::string::npos);

  // The handshake file lives only while the installer runs.
  EXPECT_FALSE(setup.runner.machine.files.FileExists(setup.runner.session.tempFolder + kTestProductCode));

  auto log = setup.runner.machine.files.ReadFile("C:\\Logs\\setup.log");
  ASSERT_TRUE(log.has_value());
  // The NT trace log is UTF-16LE, and the installer's own ANSI lines are taken into it as such.
  ASSERT_EQ(log->size() % 2, 0u);
  std::string text;
  for (size_t i = 0; i + 1 < log->size(); i += 2) text += (*log)[i + 1] == '\0' ? (*log)[i] : '?';
  for (const char* section : {"*** Variables ***", "*** Properties ***", "*** MSI Database ***", "*** GUID ***",
                              "*** Data Directory ***", "*** Media Directory ***", "*** MSI Directory ***"})
    EXPECT_NE(text.find(section), std::string::npos) << section;
  EXPECT_NE(text.find(": Applying Changes @"), std::string::npos);
  EXPECT_NE(text.find("*** MSI Directory ***\r\nC:\\Users\\User\\AppData\\Local\\Temp\\zvk1\\\r\n\r\n\r\n"
                      "Action start: InstallFiles.\r\n"),
            std::string::npos)
      << text;
}

TEST(ApplyChanges, MaintenanceWithoutItsSourcesCancelsWhenSilent) {
  ApplySetup setup("Set Variable: MAINTENANCE TRUE\nApply Changes: \"\" RESULT TRUE FALSE");
  REQUIRE_PACKAGE(setup);
  setup.runner.Run();
  EXPECT_EQ(setup.Var("RESULT"), "CANCEL");
  EXPECT_EQ(setup.Var("LASTERROR"), "Original setup sources required to complete operation, sources not found");
  EXPECT_TRUE(setup.Installs().empty());
}

TEST(ApplyChanges, MaintenanceAsksForTheSourcesUntilAFolderHoldsThem) {
  ApplySetup setup("Set Variable: MAINTENANCE TRUE\nApply Changes: \"\" RESULT TRUE FALSE", "");
  REQUIRE_PACKAGE(setup);
  platform::sim::SimMachine& machine = setup.runner.machine;
  machine.files.CreateDirectories("D:\\Media\\data\\");
  machine.files.WriteFile(std::string("D:\\Media\\data\\") + kTestProductCode, "");
  machine.files.CreateDirectories("D:\\Elsewhere\\");
  machine.ui.folderAnswers = {"D:\\Elsewhere", "D:\\Media"};
  setup.runner.Run();
  EXPECT_EQ(setup.Var("RESULT"), "COMPLETE");
  ASSERT_EQ(machine.ui.folderBrowserTitles.size(), 2u);
  EXPECT_EQ(machine.ui.folderBrowserTitles[0], "Please locate your original setup sources to continue operation");
  const auto installs = setup.Installs();
  ASSERT_EQ(installs.size(), 1u);
  EXPECT_NE(installs[0].arguments[1].find("SRCDIR=D:\\Media\\data\\ "), std::string::npos) << installs[0].arguments[1];
}

TEST(ApplyPatch, ThePatchBesideThePackageIsAppliedFromThePreviousSources) {
  ApplySetup setup("Apply Patch: RESULT");
  REQUIRE_PACKAGE(setup);
  platform::sim::SimMachine& machine = setup.runner.machine;
  const std::string patch = setup.runner.session.supportFolder + "setup.msp";
  machine.files.WriteFile(patch, "patch");
  const std::string data = setup.runner.session.dataFolder;
  machine.files.CreateDirectories(data);
  machine.files.WriteFile(data + kTestProductCode, "");
  setup.Installer().AddProduct(kTestProductCode, "{AAAAAAAA-2222-3333-4444-555555555555}");
  setup.runner.Run();
  EXPECT_EQ(setup.Var("RESULT"), "COMPLETE") << setup.Var("LASTERROR");
  std::vector<SimInstallerCall> expected = {
      {"SourceListAddSource", {kTestProductCode, "", data}},
      {"SourceListAddSource", {kTestProductCode, "SIMULATED\\User", data}},
      {"ApplyPatch", {patch, "ADDLOCAL=ALL ALLUSERS=1 SRCDIR=" + data + " SRCDIREX=" + data + " "}},
  };
  EXPECT_EQ(setup.Installer().calls, expected);
  // A patch does not register a new instance.
  EXPECT_FALSE(machine.registry.KeyExists(RegistryRoot::LocalMachine, kUninstallTitleKey, RegistryView::Default));
}

}  // namespace
}  // namespace quarrix::testing
