#include "media/ExtractMedia.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "commands/CommandRunner.h"

namespace quarrix {
namespace {

namespace fs = std::filesystem;
using platform::sim::SimFileSystem;

const std::string kBlock = "C:\\Temp\\veld\\Block1\\";
const std::string kRoot = "C:\\Data\\";

class RelocateMappedFilesTest : public ::testing::Test {
 protected:
  void SetUp() override { files.CreateDirectories(kBlock + "sub"); }

  bool Relocate(const StringList& map) {
    return RelocateMappedFiles(files, machine.system, map, "Block1", kBlock, kRoot, 1252);
  }

  testing::TempMachine temp;
  platform::sim::SimMachine& machine = temp.machine;
  SimFileSystem& files = machine.files;
};

TEST_F(RelocateMappedFilesTest, MovesCopiesAgainAndIgnoresOtherBlocks) {
  files.WriteFile(kBlock + "sub\\shared.dll", "shared");
  files.WriteFile(kBlock + "other.txt", "other");
  files.CreateDirectories(kRoot + "first");
  files.WriteFile(kRoot + "first\\shared.dll", "stale");
  const StringList map = {"block1", "sub\\shared.dll", "first",        // block name case ignored
                          "Block2", "other.txt",       "elsewhere\\",  // another block
                          "Block1", "SUB\\Shared.dll", "second\\"};    // same file again: a copy
  ASSERT_TRUE(Relocate(map));
  EXPECT_EQ(files.ReadFile(kRoot + "first\\shared.dll"), "shared");
  EXPECT_EQ(files.ReadFile(kRoot + "second\\Shared.dll"), "shared");
  EXPECT_FALSE(files.FileExists(kBlock + "sub\\shared.dll"));
  EXPECT_TRUE(files.FileExists(kBlock + "other.txt"));
  EXPECT_FALSE(files.DirectoryExists(kRoot + "elsewhere"));
}

// "Caf\xE9" is the payload's spelling; the block holds the name in UTF-16 only (a host name
// in UTF-8 here), so the ANSI move fails and the wide functions take over from then on.
TEST_F(RelocateMappedFilesTest, FailedAnsiMoveSwitchesThisAndLaterTriplesToWideNames) {
  files.WriteFile(kBlock + SimFileSystem::HostName(u"Caf\u00E9.txt"), "wide cafe");
  // Both spellings exist for the later file: which one arrives shows which functions were used.
  files.WriteFile(kBlock + "na\xEFve.txt", "ansi naive");
  files.WriteFile(kBlock + SimFileSystem::HostName(u"na\u00EFve.txt"), "wide naive");
  const StringList map = {"Block1", "Caf\xE9.txt", "a", "Block1", "na\xEFve.txt", "b"};
  ASSERT_TRUE(Relocate(map));
  EXPECT_EQ(files.ReadFile(kRoot + "a\\" + SimFileSystem::HostName(u"Caf\u00E9.txt")), "wide cafe");
  EXPECT_EQ(files.ReadFile(kRoot + "b\\" + SimFileSystem::HostName(u"na\u00EFve.txt")), "wide naive");
  EXPECT_EQ(files.ReadFile(kBlock + "na\xEFve.txt"), "ansi naive");
}

TEST_F(RelocateMappedFilesTest, FileMissingUnderBothNamesFails) {
  files.WriteFile(kBlock + "late.txt", "late");
  EXPECT_FALSE(Relocate({"Block1", "missing.txt", "a", "Block1", "late.txt", "b"}));
  EXPECT_FALSE(files.FileExists(kRoot + "b\\late.txt")) << "the walk ends at the failure";
}

class ExtractMediaTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::system("command -v 7z >/dev/null 2>&1") != 0) GTEST_SKIP() << "7z is not installed";
    fs::create_directories(source / "Block1" / "bin");
    std::ofstream(source / "Block1" / "bin" / "app.exe", std::ios::binary) << std::string(3000, 'A');
    std::ofstream(source / "Block1" / "readme.txt", std::ios::binary) << "readme";
    runner.session.tempFolder = runner.temp.machine.system.tempPath;
    runner.session.payload.mediaFileMap = {"Block1", "bin\\app.exe", "Program\\"};
  }

  std::string Pack(const std::string& windowsPath, const std::string& switches = "") {
    const fs::path host = *runner.temp.machine.files.HostPath(windowsPath);
    fs::create_directories(host.parent_path());
    const std::string command = "cd '" + source.string() + "' && 7z a -t7z -bd -y " + switches + " '" +
                                host.string() + "' Block1 >/dev/null 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0);
    return windowsPath;
  }

  void RunWorker(TExtractMedia& worker) {
    worker.Start();
    worker.WaitUntilEnded();
    ASSERT_TRUE(worker.Finished());
  }

  testing::TempFolder hostFolder;
  fs::path source = hostFolder.Path() / "source";
  testing::CommandRunner runner{"#quarrix-script 1\n[script]\nComment: x\n"};
  platform::sim::SimFileSystem& files = runner.temp.machine.files;
};

TEST_F(ExtractMediaTest, PlacesMappedFilesMergesTheRestAndHandlesTheBlockFile) {
  for (bool keep : {false, true}) {
    SCOPED_TRACE(keep ? "keep the block" : "delete the block");
    const std::string block = Pack("C:\\Download\\Block1.7zip");
    runner.session.variables.SetVariable("COPYWEBLOCK", "C:\\Cache", "Test");
    WorkerOf<TExtractMedia> worker(runner.session, ExtractMediaRequest{block, "C:\\Data", "", keep, 1252, "Extracting Web Media: "});
    RunWorker(*worker);
    EXPECT_TRUE(worker->Succeeded());
    EXPECT_FALSE(worker->ListingUnsupported());
    EXPECT_EQ(files.FileSize("C:\\Data\\Program\\app.exe"), 3000u);
    EXPECT_EQ(files.ReadFile("C:\\Data\\Block1\\readme.txt"), "readme");
    EXPECT_FALSE(files.FileExists("C:\\Data\\Block1\\bin\\app.exe")) << "a mapped file is moved, not merged";
    EXPECT_EQ(files.FileExists(block), keep);
    EXPECT_TRUE(files.FileExists("C:\\Cache\\Block1.7zip"));
    EXPECT_FALSE(files.DirectoryExists(runner.session.tempFolder + "veld")) << "the work folder goes";
    EXPECT_EQ(runner.Var("VELD_thProgressText").rfind("Extracting Web Media: \r", 0), 0u);
  }
}

TEST_F(ExtractMediaTest, OnlyAListingFailureSetsTheUnsupportedFlag) {
  files.CreateDirectories("C:\\Download");
  files.WriteFile("C:\\Download\\Text.7zip", "not an archive");
  struct Case {
    const char* name;
    std::string block;
    std::string password;
    bool unsupported;
  };
  const std::vector<Case> cases = {
      {"unreadable block", "C:\\Download\\Text.7zip", "", true},
      {"names readable, wrong password", Pack("C:\\Download\\Block1.7zip", "-pRight"), "Wrong", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WorkerOf<TExtractMedia> worker(runner.session, ExtractMediaRequest{c.block, "C:\\Data", c.password, false, 1252, ""});
    RunWorker(*worker);
    EXPECT_FALSE(worker->Succeeded());
    EXPECT_EQ(worker->ListingUnsupported(), c.unsupported);
    EXPECT_TRUE(files.FileExists(c.block)) << "a block that failed stays for a retry";
  }
}

}  // namespace
}  // namespace quarrix
