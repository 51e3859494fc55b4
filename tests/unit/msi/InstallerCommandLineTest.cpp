#include "msi/InstallerCommandLine.h"

#include <gtest/gtest.h>

#include <string>

#include "support/TempMachine.h"

namespace quarrix {
namespace {

InstallerFolders PlainFolders() {
  InstallerFolders folders;
  folders.packageFolder = "C:\\Setup\\";
  folders.dataFolder = "C:\\Setup\\data\\";
  folders.previousSourceFolder = "C:\\Cache\\{REV}\\";
  folders.mediaPath = "\\Setup\\";
  return folders;
}

InstallerRunKind Install() { return {false, true, false}; }
InstallerRunKind Advertise() { return {false, true, true}; }
InstallerRunKind Removal() { return {false, false, false}; }
InstallerRunKind Patch() { return {true, false, false}; }

const std::string kArp =
    "ARPSYSTEMCOMPONENT=1 ARPNOREMOVE=1 ARPNOMODIFY=1 ARPNOREPAIR=1 ARPINSTALLLOCATION=\"C:\\Program Files\\Sample\\\" ";
const std::string kSources =
    "SRCDIR=C:\\Setup\\data\\ SOURCELIST=C:\\Setup\\data\\;C:\\Setup\\ MEDIAPACKAGEPATH=\\Setup\\ REBOOT=R ";

TEST(InstallerCommandLineTest, EveryModeBuildsItsItems) {
  struct Case {
    const char* name;
    InstallerRunKind kind;
    bool installed;
    bool marker;
    bool nt;
    std::string expected;
  } cases[] = {
      {"first install", Install(), false, false, true, "ADDLOCAL=ALL ALLUSERS=1 " + kArp + kSources},
      {"maintenance repair", Install(), true, false, true,
       "REINSTALL=ALL REINSTALLMODE=vomus ALLUSERS=1 " + kArp + kSources},
      {"completing an advertised instance", Install(), true, true, true,
       "ADDLOCAL=ALL ADVERTISE=\"\" ALLUSERS=1 " + kArp + kSources},
      {"advertise", Advertise(), false, true, true, "ADVERTISE=ALL ALLUSERS=1 " + kArp + kSources},
      {"advertise over an installed product", Advertise(), true, true, true,
       "REINSTALL=ALL REINSTALLMODE=vomus ALLUSERS=1 " + kArp + kSources},
      {"removal", Removal(), true, false, true, "REMOVE=ALL ALLUSERS=1 ALLUSERS=1 REMOVE=ALL " + kSources},
      {"removal on Windows 9x", Removal(), true, false, false, "REMOVE=ALL ALLUSERS=1 " + kSources},
      {"patch", Patch(), true, false, true,
       "ADDLOCAL=ALL ALLUSERS=1 SRCDIR=C:\\Cache\\{REV}\\ SRCDIREX=C:\\Cache\\{REV}\\ "},
  };
  for (const Case& c : cases) {
    CommandLineInputs inputs;
    inputs.kind = c.kind;
    inputs.productInstalled = c.installed;
    inputs.advertisedMarker = c.marker;
    inputs.ntPlatform = c.nt;
    inputs.allUsers = "TRUE";
    inputs.disableRollback = "FALSE";
    inputs.disableRestartManager = "FALSE";
    inputs.installLocation = "C:\\Program Files\\Sample\\";
    inputs.folders = PlainFolders();
    EXPECT_EQ(BuildInstallerCommandLine(inputs), c.expected) << c.name;
  }
}

TEST(InstallerCommandLineTest, SwitchesTakeEffectOnlyWhenExactlyTrue) {
  struct Case {
    const char* allUsers;
    const char* rollback;
    const char* restartManager;
    std::string expected;
  } cases[] = {
      {"TRUE", "TRUE", "TRUE", "ADDLOCAL=ALL ALLUSERS=1 DISABLEROLLBACK=1 MSIRESTARTMANAGERCONTROL=Disable "},
      {"true", "-1", "True", "ADDLOCAL=ALL ALLUSERS=\"\" "},
      {"FALSE", "FALSE", "TRUE", "ADDLOCAL=ALL ALLUSERS=\"\" MSIRESTARTMANAGERCONTROL=Disable "},
  };
  for (const Case& c : cases) {
    CommandLineInputs inputs;
    inputs.kind = Install();
    inputs.allUsers = c.allUsers;
    inputs.disableRollback = c.rollback;
    inputs.disableRestartManager = c.restartManager;
    inputs.installLocation = "C:\\Program Files\\Sample\\";
    inputs.folders = PlainFolders();
    EXPECT_EQ(BuildInstallerCommandLine(inputs), c.expected + kArp + kSources) << c.allUsers;
  }
}

TEST(InstallerCommandLineTest, QuoteFlagsQuoteTheirValues) {
  struct Case {
    InstallerRunKind kind;
    bool dataQuoted;
    bool packageQuoted;
    std::string tail;
  } cases[] = {
      {Removal(), true, false,
       "SRCDIR=\"C:\\Setup\\data\\\" SOURCELIST=\"C:\\Setup\\data\\;C:\\Setup\\\" MEDIAPACKAGEPATH=\"\\Setup\\\" "
       "REBOOT=R "},
      {Removal(), false, true,
       "SRCDIR=C:\\Setup\\data\\ SOURCELIST=\"C:\\Setup\\data\\;C:\\Setup\\\" MEDIAPACKAGEPATH=\\Setup\\ REBOOT=R "},
      {Patch(), true, true, "SRCDIR=\"C:\\Cache\\{REV}\\\" SRCDIREX=\"C:\\Cache\\{REV}\\\" "},
      {Patch(), false, true, "SRCDIR=C:\\Cache\\{REV}\\ SRCDIREX=C:\\Cache\\{REV}\\ "},
  };
  for (const Case& c : cases) {
    CommandLineInputs inputs;
    inputs.kind = c.kind;
    inputs.ntPlatform = false;
    inputs.allUsers = "FALSE";
    inputs.folders = PlainFolders();
    inputs.folders.dataQuoted = c.dataQuoted;
    inputs.folders.packageQuoted = c.packageQuoted;
    const std::string first = c.kind.patch ? "ADDLOCAL=ALL " : "REMOVE=ALL ";
    EXPECT_EQ(BuildInstallerCommandLine(inputs), first + "ALLUSERS=\"\" " + c.tail);
  }
}

TEST(InstallerCommandLineTest, Windows9xRemovalSetsThePropertiesItself) {
  CommandLineInputs inputs;
  inputs.kind = Removal();
  inputs.allUsers = "FALSE";
  inputs.folders = PlainFolders();
  inputs.folders.dataQuoted = true;
  auto properties = Windows9xRemovalProperties(inputs);
  std::vector<std::pair<std::string, std::string>> expected = {
      {"ALLUSERS", ""},
      {"REMOVE", "ALL"},
      {"SRCDIR", "\"C:\\Setup\\data\\\""},
      {"SOURCELIST", "\"C:\\Setup\\data\\;C:\\Setup\\\""},
      {"MEDIAPACKAGEPATH", "\"\\Setup\\\""},
      {"REBOOT", "R"},
  };
  EXPECT_EQ(properties, expected);
}

TEST(MediaPathTest, IsTheDataFoldersParentWithoutItsDrive) {
  EXPECT_EQ(MediaPathOf("D:\\setup\\data\\"), "\\setup\\");
  EXPECT_EQ(MediaPathOf("D:\\setup\\data"), "\\setup\\");
  EXPECT_EQ(MediaPathOf("D:\\data\\"), "\\");
  EXPECT_EQ(MediaPathOf("\\\\server\\share\\setup\\data\\"), "\\setup\\");
}

class InstallerFoldersTest : public ::testing::Test {
 protected:
  testing::TempMachine temp;
  platform::sim::SimFileSystem& files = temp.machine.files;
};

TEST_F(InstallerFoldersTest, APackageGetsItsDataFolderCreatedAndUnquotedFolders) {
  files.CreateDirectories("C:\\Setup");
  InstallerFolders folders = PrepareInstallerFolders(files, "C:\\Setup\\setup.msi", "C:\\Setup\\data\\", "");
  EXPECT_TRUE(files.DirectoryExists("C:\\Setup\\data"));
  EXPECT_EQ(folders.packageFolder, "C:\\Setup\\");
  EXPECT_EQ(folders.dataFolder, "C:\\Setup\\data\\");
  EXPECT_EQ(folders.mediaPath, "\\Setup\\");
  EXPECT_FALSE(folders.packageQuoted);
  EXPECT_FALSE(folders.dataQuoted);
}

// The simulated volume has no short names: a blank stays, as on a volume without 8.3 names.
TEST_F(InstallerFoldersTest, BlanksLeftInShortFormsAskForQuotes) {
  files.CreateDirectories("C:\\My Setup");
  InstallerFolders folders =
      PrepareInstallerFolders(files, "C:\\My Setup\\setup.msi", "C:\\My Setup\\data files\\", "");
  EXPECT_TRUE(folders.packageQuoted);
  EXPECT_TRUE(folders.dataQuoted);
  CommandLineInputs inputs;
  inputs.kind = Install();
  inputs.allUsers = "TRUE";
  inputs.installLocation = "C:\\Sample\\";
  inputs.folders = folders;
  const std::string line = BuildInstallerCommandLine(inputs);
  EXPECT_NE(line.find("SRCDIR=\"C:\\My Setup\\data files\\\" "), std::string::npos) << line;
  EXPECT_NE(line.find("SOURCELIST=\"C:\\My Setup\\data files\\;C:\\My Setup\\\" "), std::string::npos) << line;
  EXPECT_NE(line.find("MEDIAPACKAGEPATH=\"\\My Setup\\\" "), std::string::npos) << line;
}

TEST_F(InstallerFoldersTest, AFolderWithoutAShortFormIsQuotedAndAPatchCreatesNothing) {
  InstallerFolders folders =
      PrepareInstallerFolders(files, "C:\\Gone\\setup.msp", "C:\\Gone\\data\\", "C:\\Missing\\");
  EXPECT_FALSE(files.DirectoryExists("C:\\Gone\\data"));
  EXPECT_TRUE(folders.packageQuoted);
  EXPECT_FALSE(folders.dataQuoted);  // neither the previous source nor the data folder exists
  EXPECT_EQ(folders.previousSourceFolder, "C:\\Missing\\");
}

}  // namespace
}  // namespace quarrix
