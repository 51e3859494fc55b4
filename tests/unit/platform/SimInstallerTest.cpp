#include "platform/sim/SimInstaller.h"

#include <gtest/gtest.h>

#include "platform/sim/SimMachineStore.h"
#include "support/QxProcess.h"
#include "support/TempMachine.h"
#include "support/TestPackage.h"

namespace quarrix::testing {
namespace {

using namespace platform;
using platform::sim::SimInstallerCall;
using platform::sim::SimInstallerMessage;
using platform::sim::SimMachine;
using platform::sim::SimMachineStore;

constexpr const char* kPackage = "C:\\Setup\\setup.msi";

class SimInstallerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HaveTool("wixl") || !HaveTool("msiinfo")) GTEST_SKIP() << "wixl and msiinfo are needed";
    auto built = BuildTestPackage(*temp.machine.files.HostPath("C:\\Setup"));
    ASSERT_TRUE(built);
    const std::string summary = SummaryText(*built);
    const std::string label = "Revision number (UUID): ";
    packageCode = summary.substr(summary.find(label) + label.size(), 38);
    installer.messages = {
        {kInstallMessageActionStart, "12:00:00: InstallFiles. Copying new files"},
        {kInstallMessageProgress, "1: 0 2: 1000 3: 0 4: 1 "},
        {kInstallMessageFilesInUse, "in use"},
        {kInstallMessageWarning | 0x31, "careful"},
    };
  }

  TempMachine temp;
  sim::SimInstaller& installer = temp.machine.installer;
  std::string packageCode;
  std::vector<SimInstallerMessage> seen;
  InstallerUiHandler Recorder(int answer = 1) {
    return [this, answer](uint32_t code, const std::string& text) {
      seen.push_back({code, text});
      return answer;
    };
  }
};

TEST_F(SimInstallerTest, InstallPlaysTheFilteredMessagesAndRecordsTheProduct) {
  installer.SetExternalUI(Recorder(), 0x7FDF);  // every type but files in use
  EXPECT_EQ(installer.InstallProduct(kPackage, "ALLUSERS=1 TARGETDIR=\"C:\\Program Files\\Probe\\\""),
            kInstallerSuccess);
  EXPECT_EQ(seen, (std::vector<SimInstallerMessage>{installer.messages[0], installer.messages[1],
                                                     installer.messages[3]}));
  EXPECT_EQ(installer.calls, (std::vector<SimInstallerCall>{
                                 {"InstallProduct", {kPackage, "ALLUSERS=1 TARGETDIR=\"C:\\Program Files\\Probe\\\""}}}));
  EXPECT_EQ(installer.QueryProductState(kTestProductCode), kInstallStateDefault);
  EXPECT_EQ(installer.GetProductInfo(kTestProductCode, "PackageCode"), packageCode);
  EXPECT_EQ(installer.GetProductInfo(kTestProductCode, "VersionString"), "1.2.3");

  EXPECT_EQ(installer.InstallProduct(kPackage, "REMOVE=ALL"), kInstallerSuccess);
  EXPECT_EQ(installer.QueryProductState(kTestProductCode), kInstallStateUnknown);
  EXPECT_EQ(installer.calls.size(), 2u);
}

TEST_F(SimInstallerTest, ResultsAndCancelDecideWhetherTheProductIsKept) {
  struct Case {
    unsigned scripted;
    int answer;  // of the handler, to every message
    unsigned expected;
    bool installed;
  };
  for (const Case& c : {Case{3010, 1, 3010, true}, Case{1603, 1, 1603, false}, Case{0, 2, kInstallerUserExit, false}}) {
    installer.products.clear();
    seen.clear();
    installer.result = c.scripted;
    installer.SetExternalUI(Recorder(c.answer), 0x7FDF);
    EXPECT_EQ(installer.InstallProduct(kPackage, ""), c.expected) << c.scripted;
    EXPECT_EQ(installer.QueryProductState(kTestProductCode) == kInstallStateDefault, c.installed) << c.scripted;
    EXPECT_EQ(seen.size(), c.answer == 2 ? 1u : 3u) << "a cancel ends the stream";
  }
  EXPECT_EQ(installer.InstallProduct("C:\\Setup\\missing.msi", ""), platform::kInstallerPackageOpenFailed);
}

TEST_F(SimInstallerTest, RemovalThroughAnOpenedPackageAndThePatchAndSourceCalls) {
  installer.AddProduct(kTestProductCode, packageCode);
  auto package = installer.OpenPackage(kPackage);
  ASSERT_TRUE(package);
  package->SetProperty("REMOVE", "ALL");
  EXPECT_EQ(package->DoAction("INSTALL"), kInstallerSuccess);
  EXPECT_FALSE(package->GetMode(kInstallRunModeRebootAtEnd));
  EXPECT_EQ(installer.QueryProductState(kTestProductCode), kInstallStateUnknown);

  std::ofstream(*temp.machine.files.HostPath("C:\\Setup\\setup.msp")) << "patch";
  EXPECT_EQ(installer.ApplyPatch("C:\\Setup\\setup.msp", "REINSTALL=ALL"), kInstallerSuccess);
  EXPECT_EQ(installer.SourceListAddSource(kTestProductCode, "", "C:\\Cache\\"), sim::kInstallerUnknownProduct);
  EXPECT_EQ(installer.calls, (std::vector<SimInstallerCall>{
                                 {"DoAction", {kPackage, "INSTALL", "REMOVE=ALL"}},
                                 {"ApplyPatch", {"C:\\Setup\\setup.msp", "REINSTALL=ALL"}},
                                 {"SourceListAddSource", {kTestProductCode, "", "C:\\Cache\\"}}}));
}

TEST_F(SimInstallerTest, TheLogReceivesTheMessagesItsModeAsksFor) {
  const std::string log = temp.machine.system.tempPath + "msi.log";
  installer.EnableLog(1u << (kInstallMessageWarning >> 24), log, kInstallLogAppend);
  installer.InstallProduct(kPackage, "");
  installer.InstallProduct(kPackage, "");
  EXPECT_EQ(temp.machine.files.ReadFile(log), "careful\r\ncareful\r\n");
}

TEST_F(SimInstallerTest, APackageOpenedForWritingKeepsItsBytesUntilACommit) {
  const std::string before = temp.machine.files.ReadFile(kPackage).value_or("");
  {
    auto database = installer.OpenDatabase(kPackage, DatabaseOpenMode::Direct);
    ASSERT_NE(database, nullptr);
    database->Execute("UPDATE `Property` SET `Value`='changed' WHERE `Property`='EXISTING'");
  }
  EXPECT_EQ(temp.machine.files.ReadFile(kPackage), before);
  auto database = installer.OpenDatabase(kPackage, DatabaseOpenMode::Direct);
  ASSERT_NE(database, nullptr);
  database->Execute("UPDATE `Property` SET `Value`='changed' WHERE `Property`='EXISTING'");
  EXPECT_EQ(database->Commit(), kInstallerSuccess);
  database.reset();
  EXPECT_NE(ExportTable(*temp.machine.files.HostPath(kPackage), "Property").find("EXISTING\tchanged"),
            std::string::npos);
}

TEST_F(SimInstallerTest, AFileThatIsNoPackageSurvivesAnAttemptToEditIt) {
  temp.machine.files.WriteFile("C:\\Setup\\setup.msp", "not a compound file");
  EXPECT_EQ(installer.OpenDatabase("C:\\Setup\\setup.msp", DatabaseOpenMode::Direct), nullptr);
  EXPECT_EQ(temp.machine.files.ReadFile("C:\\Setup\\setup.msp"), "not a compound file");
}

TEST(SimInstallerStoreTest, MessagesResultAndCallsSurviveASaveAndLoad) {
  TempFolder dir;
  SimMachineStore store(dir.Path());
  std::string error;
  {
    SimMachine machine(store.DrivesFolder());
    machine.installer.result = 1603;
    machine.installer.busyRuns = 2;
    machine.installer.messages = {{kInstallMessageActionData, "a \"quoted\"\ttext"},
                                  {kInstallMessageUser | 0x24, "user"},
                                  {0x1F000000, "unknown type"},
                                  {sim::kSimUserCancel, ""}};
    machine.installer.calls = {{"InstallProduct", {"C:\\a.msi", "REMOVE=ALL"}}, {"ApplyPatch", {"C:\\b.msp", ""}}};
    ASSERT_TRUE(store.Save(machine, error)) << error;
  }
  const std::string text = ReadHostFile(dir.Path() / "installer-messages.txt");
  EXPECT_NE(text.find("\nresult\t1603\nbusy\t2\nactiondata\t\"a \\\"quoted\\\"\\x09text\"\nuser+0x24\t\"user\"\n0x1F000000\t"),
            std::string::npos)
      << text;
  SimMachine loaded(store.DrivesFolder());
  ASSERT_TRUE(store.Load(loaded, error)) << error;
  EXPECT_EQ(loaded.installer.result, 1603u);
  EXPECT_EQ(loaded.installer.busyRuns, 2u);
  EXPECT_EQ(loaded.installer.messages.size(), 4u);
  EXPECT_EQ(loaded.installer.messages[3].code, sim::kSimUserCancel);
  EXPECT_EQ(loaded.installer.messages[0].text, "a \"quoted\"\ttext");
  EXPECT_EQ(loaded.installer.messages[1].code, kInstallMessageUser | 0x24);
  EXPECT_EQ(loaded.installer.messages[2].code, 0x1F000000u);
  EXPECT_EQ(loaded.installer.calls.size(), 2u);
  EXPECT_EQ(loaded.installer.calls[1].arguments, (StringList{"C:\\b.msp", ""}));
}

TEST(SimInstallerStoreTest, AMalformedMessageLineNamesTheFile) {
  TempFolder dir;
  std::ofstream(dir.Path() / "installer-messages.txt") << "bogus\t\"x\"\n";
  SimMachine machine(dir.Path() / "drives");
  std::string error;
  EXPECT_FALSE(SimMachineStore(dir.Path()).Load(machine, error));
  EXPECT_NE(error.find("installer-messages.txt: unknown message type bogus"), std::string::npos) << error;
}

}  // namespace
}  // namespace quarrix::testing
