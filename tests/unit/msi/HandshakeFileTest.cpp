#include "msi/HandshakeFile.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "common/AnsiText.h"
#include "common/CommaText.h"
#include "engine/VariableManager.h"
#include "support/TempMachine.h"

namespace quarrix {
namespace {

std::string Record(const std::string& name, const std::string& value) { return name + "\r\n" + value + "\r\n$ex\r\n"; }

class HandshakeFileTest : public ::testing::Test {
 protected:
  HandshakeFileTest() {
    inputs.install = true;
    inputs.dataFolder = "C:\\Setup\\data\\";
    inputs.previousSourceFolder = "C:\\Cache\\{REV}\\";
    inputs.mediaPath = "\\Setup\\";
  }
  HandshakeFile Build() { return BuildHandshakeFile(variables, temp.machine.files, inputs); }

  testing::TempMachine temp;
  TVariableManager variables;
  HandshakeInputs inputs;
};

TEST(ReservedInstallerPropertiesTest, AreUniqueAndMatchInAnyCase) {
  std::set<std::string> folded;
  for (std::string_view name : kReservedInstallerProperties) folded.insert(ToUpperAscii(name));
  EXPECT_EQ(folded.size(), kReservedInstallerProperties.size());
  EXPECT_EQ(kReservedInstallerProperties.front(), "MSIDISABLEEEUI");
  EXPECT_EQ(kReservedInstallerProperties.back(), "SOURCEDIRPRODUCT");
  for (const char* name : {"ALLUSERS", "allusers", "MsiLogging", "MSILOGGING", "sourcedir", "MediaSourceDir"})
    EXPECT_TRUE(IsReservedInstallerProperty(name)) << name;
  for (const char* name : {"TARGETDIR", "SILENT", "TITLE", "ALLUSER", "ALLUSERS2", ""})
    EXPECT_FALSE(IsReservedInstallerProperty(name)) << name;
}

TEST(HandshakeFilePathTest, IsTheProductCodeInTheTemporaryFolder) {
  EXPECT_EQ(HandshakeFilePath("C:\\Temp\\", "{11111111-2222-3333-4444-555555555555}"),
            "C:\\Temp\\{11111111-2222-3333-4444-555555555555}");
}

TEST_F(HandshakeFileTest, InstallWritesSourcesPropertiesAndUnreservedVariables) {
  variables.StoreVariable("APPDIR", "C:\\Apps");
  inputs.propertiesText = ToCommaText({"AInstallFiles", "TRUE", "PINSTALL_1", "$APPDIR$\\\\bin", "MSINTEMP", "C:\\Temp\\"});
  inputs.variablesText =
      ToCommaText({"allusers", "TRUE", "TARGETDIR", "$APPDIR$\\\\Sample", "PRODUCTCODE", "{X}", "COLOR", "blue"});
  const HandshakeFile file = Build();
  EXPECT_EQ(file.text, Record("SourceDir", "C:\\Setup\\data\\") + Record("MEDIAPACKAGEPATH", "\\Setup\\") +
                           Record("AInstallFiles", "TRUE") + Record("PINSTALL_1", "C:\\Apps\\bin") +
                           Record("MSINTEMP", "C:\\Temp\\") + Record("TARGETDIR", "C:\\Apps\\Sample") +
                           Record("COLOR", "blue"));
}

TEST_F(HandshakeFileTest, PatchNamesThePreviousSources) {
  inputs.patch = true;
  inputs.install = false;
  inputs.propertiesText = ToCommaText({"PGONE", "Z:\\nowhere"});  // only a removal replaces it
  EXPECT_EQ(Build().text, Record("SourceDir", "C:\\Cache\\{REV}\\") + Record("SRCDIREX", "C:\\Cache\\{REV}\\") +
                              Record("PGONE", "Z:\\nowhere"));
}

TEST_F(HandshakeFileTest, RemovalReplacesPropertyPathsThatAreGone) {
  inputs.install = false;
  temp.machine.files.CreateDirectories("C:\\Kept");
  temp.machine.files.WriteFile("C:\\Kept\\file.txt", "x");
  inputs.propertiesText =
      ToCommaText({"PGONE", "C:\\Removed\\app", "PFOLDER", "C:\\Kept", "PFILE", "C:\\Kept\\file.txt", "PTEXT", "hello"});
  inputs.variablesText = ToCommaText({"VGONE", "C:\\Removed\\app"});
  EXPECT_EQ(Build().text, Record("SourceDir", "C:\\Setup\\data\\") + Record("MEDIAPACKAGEPATH", "\\Setup\\") +
                              Record("PGONE", "C:\\Setup\\data\\") + Record("PFOLDER", "C:\\Kept") +
                              Record("PFILE", "C:\\Kept\\file.txt") + Record("PTEXT", "hello") +
                              Record("VGONE", "C:\\Removed\\app"));
}

TEST_F(HandshakeFileTest, SilentAndTitleVariablesBecomeTheHandlersSettings) {
  struct Case {
    StringList variables;
    std::optional<bool> silent;
    std::optional<std::string> caption;
  } cases[] = {
      {{"SILENT", "true", "TITLE", "Sample"}, true, "Sample"},
      {{"silent", "TRUE"}, true, std::nullopt},
      {{"SILENT", "-1"}, false, std::nullopt},
      {{"COLOR", "blue"}, std::nullopt, std::nullopt},
  };
  for (const Case& c : cases) {
    inputs.variablesText = ToCommaText(c.variables);
    const HandshakeFile file = Build();
    EXPECT_EQ(file.silent, c.silent) << inputs.variablesText;
    EXPECT_EQ(file.caption, c.caption) << inputs.variablesText;
  }
}

}  // namespace
}  // namespace quarrix
