#include "msi/PackageDatabase.h"
#include "msi/InstallerRegistration.h"

#include <gtest/gtest.h>

#include "support/QxProcess.h"
#include "support/TempMachine.h"
#include "support/TestPackage.h"

namespace quarrix::testing {
namespace {

using platform::DatabaseOpenMode;

// A simulated machine whose C:\Setup\setup.msi is a fresh wixl package.
class PackageDatabaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HaveTool("wixl") || !HaveTool("msiinfo")) GTEST_SKIP() << "wixl and msiinfo are needed";
    auto built = BuildTestPackage(*temp.machine.files.HostPath("C:\\Setup"), "setup.msi", architecture);
    ASSERT_TRUE(built);
    host = *built;
  }

  // Through a database of its own, so that nothing the edit kept open answers.
  std::optional<std::string> Property(const std::string& name) {
    auto database = temp.machine.installer.OpenDatabase(kPackage, DatabaseOpenMode::ReadOnly);
    auto view = database->OpenView("SELECT `Value` FROM `Property` WHERE `Property`='" + name + "'");
    view->Execute(nullptr);
    auto record = view->Fetch();
    if (!record) return std::nullopt;
    return record->GetString(1);
  }
  void Sql(const std::string& statements) {
    ASSERT_TRUE(RunTool("msibuild " + ShellQuote(host.string()) + " -q " + ShellQuote(statements))) << statements;
  }

  static constexpr const char* kPackage = "C:\\Setup\\setup.msi";
  std::string architecture = "x86";
  TempMachine temp;
  platform::Installer& installer = temp.machine.installer;
  std::filesystem::path host;
};

TEST_F(PackageDatabaseTest, QueuedPropertiesReachThePackageInOrderWithQuotesEncoded) {
  PackageEdits edits;
  edits.pendingProperties.emplace();
  auto queue = [&](const std::string& name, const std::string& value) {
    edits.pendingProperties->names.push_back(name);
    edits.pendingProperties->values.push_back(value);
  };
  queue("QUOTED", "it's 'here'");
  queue("TWOLINES", "first$NEWLINE$second");
  queue("TWICE", "one");
  queue("TWICE", "two");
  queue("EXISTING", "new");
  ApplyQueuedProperties(installer, temp.machine.system, edits, kPackage, {"{P}", "{R}"});

  EXPECT_EQ(Property("QUOTED"), "it$QUOTE$s $QUOTE$here$QUOTE$");
  EXPECT_EQ(Property("TWOLINES"), "first\r\nsecond");
  EXPECT_EQ(Property("TWICE"), "two");
  EXPECT_EQ(Property("EXISTING"), "new");
  EXPECT_EQ(Property("ProductCode"), kTestProductCode);  // no transform asked for
  EXPECT_FALSE(edits.pendingProperties);
  EXPECT_TRUE(edits.transformedPackagePath.empty());
}

TEST_F(PackageDatabaseTest, InstanceTransformWritesTheIdentityAndNewComponentIdsOnce) {
  PackageEdits edits;
  edits.instanceTransformRequested = true;
  const InstanceIdentity identity{"{AAAAAAAA-0000-0000-0000-000000000001}", "{BBBBBBBB-0000-0000-0000-000000000002}"};

  // An empty queue: component ids change, the identity does not.
  ApplyQueuedProperties(installer, temp.machine.system, edits, kPackage, identity);
  const std::string components = ExportTable(host, "Component");
  EXPECT_EQ(components.find("{33333333-"), std::string::npos) << components;
  EXPECT_NE(components.find("{5151D000-0000-4000-8000-000000000001}"), std::string::npos) << components;
  EXPECT_NE(components.find("{5151D000-0000-4000-8000-000000000002}"), std::string::npos) << components;
  EXPECT_EQ(Property("ProductCode"), kTestProductCode);
  EXPECT_TRUE(edits.transformedPackagePath.empty());

  edits.pendingProperties.emplace();
  edits.pendingProperties->names = {"MSINTEMP"};
  edits.pendingProperties->values = {"C:\\Temp\\"};
  ApplyQueuedProperties(installer, temp.machine.system, edits, kPackage, identity);
  EXPECT_EQ(Property("ProductCode"), identity.productCode);
  EXPECT_EQ(Property("MSINTEMP"), "C:\\Temp\\");
  EXPECT_NE(SummaryText(host).find("Revision number (UUID): " + identity.revisionCode), std::string::npos);
  EXPECT_EQ(edits.transformedPackagePath, kPackage);
  EXPECT_EQ(ExportTable(host, "Component"), components);  // regenerated once per process
}

struct PlatformCase {
  const char* builtFor;          // wixl architecture
  int secondAttributes;          // the Second component's attributes before the edit
  const char* mode;
  const char* expectedTemplate;
  const char* expectedSecond;    // the Second component's attributes after it
};

class PackagePlatformTest : public PackageDatabaseTest, public ::testing::WithParamInterface<PlatformCase> {
 protected:
  void SetUp() override {
    architecture = GetParam().builtFor;
    PackageDatabaseTest::SetUp();
  }
};

TEST_P(PackagePlatformTest, TemplateAndComponentBitFollowTheMode) {
  const PlatformCase& c = GetParam();
  Sql("UPDATE `Component` SET `Attributes`=" + std::to_string(c.secondAttributes) + " WHERE `Component`='Second'");
  SetPackagePlatform(installer, kPackage, c.mode);
  EXPECT_NE(SummaryText(host).find(std::string("Template: ") + c.expectedTemplate + "\n"), std::string::npos)
      << SummaryText(host);
  const std::string components = ExportTable(host, "Component");
  EXPECT_NE(components.find(std::string("INSTALLDIR\t") + c.expectedSecond + "\t\treg"), std::string::npos)
      << components;
}

INSTANTIATE_TEST_SUITE_P(
    Modes, PackagePlatformTest,
    ::testing::Values(PlatformCase{"x86", 0x104, "Win32", "Intel;1033", "260"},  // unchanged: no row touched
                      PlatformCase{"x64", 0x104, "Win32", "Intel;1033", "4"},
                      PlatformCase{"x86", 4, "x64", "x64;1033", "260"},
                      PlatformCase{"x86", 4, "ia64", "Intel64;1033", "260"},
                      PlatformCase{"x64", 4, "x64", "x64;1033", "4"}),
    [](const ::testing::TestParamInfo<PlatformCase>& info) {
      return std::string(info.param.builtFor) + "PackageFor" + info.param.mode + "_" + std::to_string(info.index);
    });

TEST_F(PackageDatabaseTest, WordCountDeclaresUncompressedSources) {
  ASSERT_NE(SummaryText(host).find("Source: 2 "), std::string::npos);
  SetPackageWordCount(installer, kPackage);
  EXPECT_NE(SummaryText(host).find("Source: 8 "), std::string::npos) << SummaryText(host);
}

TEST_F(PackageDatabaseTest, ShortcutRowsTakeTheLocalisedTextsUnlessATextHasAQuote) {
  LocalizeShortcutTable(installer, kPackage, {"INSTALLDIR", "LISEZ~1|Lisez-moi", "Lisez-moi d'abord"});
  std::string shortcuts = ExportTable(host, "Shortcut");
  EXPECT_NE(shortcuts.find("INSTALLDIR\tLISEZ~1|Lisez-moi\tMain"), std::string::npos) << shortcuts;
  EXPECT_NE(shortcuts.find("\tRead me\t"), std::string::npos) << shortcuts;  // the quote failed that statement

  LocalizeShortcutTable(installer, kPackage, {"OTHERDIR", "X", "Y", "INSTALLDIR", "Lies", "Lies mich"});
  shortcuts = ExportTable(host, "Shortcut");
  EXPECT_NE(shortcuts.find("INSTALLDIR\tLies\tMain\tAll\t\tLies mich"), std::string::npos) << shortcuts;
}

// The installer's SQL refuses to change a primary key, so the rename fails silently: the
// description, written first, is what the edit achieves.
TEST_F(PackageDatabaseTest, ProgIdTakesItsDescriptionWhileItsKeyStays) {
  Sql("CREATE TABLE `ProgId` (`ProgId` CHAR(255) NOT NULL, `ProgId_Parent` CHAR(255), `Class_` CHAR(38), "
      "`Description` CHAR(255) LOCALIZABLE, `Icon_` CHAR(72), `IconIndex` INT PRIMARY KEY `ProgId`)");
  Sql("INSERT INTO `ProgId` (`ProgId`, `Description`) VALUES ('Probe.Doc', 'Probe document')");
  LocalizeProgIdTable(installer, kPackage, {"Probe.Doc", "Probe.Dokument", "Probe-Dokument"});
  const std::string progIds = ExportTable(host, "ProgId");
  EXPECT_NE(progIds.find("\nProbe.Doc\t\t\tProbe-Dokument\t"), std::string::npos) << progIds;
}

TEST_F(PackageDatabaseTest, AssembliesPairTheirNamesAndVersions) {
  EXPECT_TRUE(ListPackageAssemblies(installer, kPackage).empty());  // no such table
  Sql("CREATE TABLE `MsiAssembly` (`Component_` CHAR(72) NOT NULL, `Feature_` CHAR(38) NOT NULL, "
      "`File_Manifest` CHAR(72), `File_Application` CHAR(72), `Attributes` INT PRIMARY KEY `Component_`)");
  Sql("CREATE TABLE `MsiAssemblyName` (`Component_` CHAR(72) NOT NULL, `Name` CHAR(255) NOT NULL, "
      "`Value` CHAR(255) NOT NULL PRIMARY KEY `Component_`, `Name`)");
  Sql("INSERT INTO `MsiAssembly` (`Component_`, `Feature_`) VALUES ('Main', 'All')");
  Sql("INSERT INTO `MsiAssemblyName` (`Component_`, `Name`, `Value`) VALUES ('Main', 'Name', 'Probe.Lib')");
  Sql("INSERT INTO `MsiAssemblyName` (`Component_`, `Name`, `Value`) VALUES ('Main', 'Version', '1.0.0.0')");
  Sql("INSERT INTO `MsiAssemblyName` (`Component_`, `Name`, `Value`) VALUES ('Main', 'Culture', 'neutral')");
  using Pairs = std::vector<std::pair<std::string, std::string>>;
  EXPECT_EQ(ListPackageAssemblies(installer, kPackage), (Pairs{{"Probe.Lib", "1.0.0.0"}}));
}

TEST_F(PackageDatabaseTest, AMissingPackageIsLeftAlone) {
  PackageEdits edits;
  edits.pendingProperties.emplace();
  edits.pendingProperties->names = {"A"};
  edits.pendingProperties->values = {"1"};
  ApplyQueuedProperties(installer, temp.machine.system, edits, "C:\\Setup\\missing.msi", {});
  SetPackagePlatform(installer, "C:\\Setup\\missing.msi", "x64");
  SetPackageWordCount(installer, "C:\\Setup\\missing.msi");
  EXPECT_FALSE(edits.pendingProperties);
  EXPECT_FALSE(temp.machine.files.FileExists("C:\\Setup\\missing.msi"));
}

TEST(PackGuidTest, ReversesTheFirstGroupsAndSwapsThePairsOfTheRest) {
  EXPECT_EQ(PackGuid("{12345678-ABCD-EF01-2345-6789ABCDEF01}"), "87654321DCBA10FE32547698BADCFE10");
}

TEST(PackageCodeMatchesTest, ComparesTheInstalledPackageCodeIgnoringCase) {
  TempMachine temp;
  temp.machine.installer.AddProduct("{P}", "{ABCDEF00-0000-0000-0000-000000000000}");
  EXPECT_TRUE(PackageCodeMatches(temp.machine.installer, "{P}", "{abcdef00-0000-0000-0000-000000000000}"));
  EXPECT_FALSE(PackageCodeMatches(temp.machine.installer, "{P}", "{ABCDEF00-0000-0000-0000-000000000001}"));
  EXPECT_FALSE(PackageCodeMatches(temp.machine.installer, "{Q}", "{ABCDEF00-0000-0000-0000-000000000000}"));
}

}  // namespace
}  // namespace quarrix::testing
