// The simulated machine's archive library reads real archives made by 7z on its drives, so the
// engine's wrappers and start-up are exercised end to end without Windows.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "media/ArchiveExtraction.h"
#include "startup/PayloadWriter.h"
#include "startup/PeImageBuilder.h"
#include "startup/Startup.h"
#include "support/TempMachine.h"

namespace quarrix {
namespace {

namespace fs = std::filesystem;

bool HaveSevenZip() { return std::system("command -v 7z >/dev/null 2>&1") == 0; }

class SimArchiveLibraryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HaveSevenZip()) GTEST_SKIP() << "7z is not installed";
    files.CreateDirectories("C:\\Setup");
    files.WriteFile("C:\\Setup\\zvk.lib", "library image");
    ASSERT_TRUE(machine.archive.Load("C:\\Setup\\zvk.lib"));
    fs::create_directories(source / "texts");
    Put("Welcome.dfm", "object Welcome\r\nend\r\n");
    Put("texts/licence.txt", std::string(70000, 'L'));
  }

  void Put(const std::string& relative, const std::string& content) {
    std::ofstream(source / relative, std::ios::binary) << content;
  }

  // Packs the source folder into the given Windows path of the simulated drive.
  std::string Pack(const std::string& windowsPath, const std::string& switches = "") {
    const fs::path host = *files.HostPath(windowsPath);
    fs::create_directories(host.parent_path());
    const std::string command =
        "cd '" + source.string() + "' && 7z a -bd -y " + switches + " '" + host.string() + "' . >/dev/null 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return windowsPath;
  }

  testing::TempMachine temp;
  platform::sim::SimMachine& machine = temp.machine;
  platform::sim::SimFileSystem& files = machine.files;
  fs::path source = temp.folder.Path() / "source";
};

TEST_F(SimArchiveLibraryTest, WholeArchiveLandsInTheDestination) {
  // Solid, and one folder per file, which decode on several threads.
  for (const std::string switches : {"", "-ms=off"}) {
    SCOPED_TRACE(switches);
    const std::string archive = Pack("C:\\Setup\\setup" + switches + ".res", switches);
    std::vector<std::string> entries;
    std::string errorText;
    ASSERT_TRUE(ListArchiveFiles(machine.archive, archive, "", errorText, &entries)) << errorText;
    EXPECT_EQ(entries.size(), 3u);  // the folder and its file, and the dialog

    const std::string destination = "C:\\Temp\\zvk" + switches + "\\";
    ASSERT_TRUE(ExtractArchiveFiles(machine.archive, archive, "", destination, true, true, errorText)) << errorText;
    EXPECT_EQ(files.ReadFile(destination + "Welcome.dfm"), "object Welcome\r\nend\r\n");
    EXPECT_EQ(files.ReadFile(destination + "texts\\licence.txt"), std::string(70000, 'L'));
  }
}

TEST_F(SimArchiveLibraryTest, PasswordsAndTheirFailureTexts) {
  const std::string locked = Pack("C:\\Setup\\locked.7z", "-pRight -mhe=on");
  struct Case {
    const char* name;
    std::string password;
    bool chosenFiles;
    bool succeeds;
    std::string errorText;
  };
  const std::vector<Case> cases = {
      {"right password", "Right", false, true, ""},
      {"wrong password, listed first", "Wrong", false, false,
       "The archive cannot be opened: unsupported archive or incorrect password"},
      {"wrong password, given files", "Wrong", true, false, "#1003"},
      {"no password", "", true, false, "#1003"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string errorText;
    const std::vector<std::string> chosen = c.chosenFiles ? std::vector<std::string>{"Welcome.dfm"} : std::vector<std::string>{};
    EXPECT_EQ(ExtractArchiveFiles(machine.archive, locked, c.password, "C:\\Out\\", true, true, errorText, chosen),
              c.succeeds);
    EXPECT_EQ(errorText, c.errorText);
    EXPECT_EQ(files.FileExists("C:\\Out\\Welcome.dfm"), c.succeeds);
    files.RemoveFile("C:\\Out\\Welcome.dfm");
  }
}

TEST_F(SimArchiveLibraryTest, OverwriteFlagDecidesOverExistingFiles) {
  const std::string archive = Pack("C:\\Setup\\setup.res");
  for (bool overwrite : {false, true}) {
    SCOPED_TRACE(overwrite);
    files.CreateDirectories("C:\\Out");
    files.WriteFile("C:\\Out\\Welcome.dfm", "older");
    std::string errorText;
    ASSERT_TRUE(ExtractArchiveFiles(machine.archive, archive, "", "C:\\Out\\", true, overwrite, errorText));
    EXPECT_EQ(files.ReadFile("C:\\Out\\Welcome.dfm"), overwrite ? "object Welcome\r\nend\r\n" : "older");
  }
}

TEST_F(SimArchiveLibraryTest, ProgressCallbackSeesTheBytesAndMayCancel) {
  const std::string archive = Pack("C:\\Setup\\setup.res", "-ms=off");
  for (bool cancel : {false, true}) {
    SCOPED_TRACE(cancel ? "cancel" : "go on");
    uint64_t lastDone = 0, lastTotal = 0;
    int calls = 0;
    platform::ArchiveCallbacks callbacks;
    callbacks.progress = [&](const std::string&, uint64_t done, uint64_t total) {
      EXPECT_GE(done, lastDone);
      lastDone = done;
      lastTotal = total;
      ++calls;
      return !cancel;
    };
    std::string errorText;
    const std::string destination = cancel ? "C:\\Cancelled\\" : "C:\\Done\\";
    EXPECT_EQ(ExtractArchiveFiles(machine.archive, archive, "", destination, true, true, errorText, {}, callbacks),
              !cancel);
    EXPECT_EQ(errorText, cancel ? "#1007" : "");
    EXPECT_EQ(lastTotal, 70000u + 21u);
    EXPECT_EQ(calls == 1, cancel);
    if (!cancel) {
      EXPECT_EQ(lastDone, lastTotal);
    }
  }
}

// Replacing a file with an entry that then fails its check must not cost the file it replaced.
TEST_F(SimArchiveLibraryTest, FailedReplacementKeepsTheExistingFile) {
  const std::string locked = Pack("C:\\Setup\\locked.7z", "-pRight");  // names readable, data locked
  files.CreateDirectories("C:\\Out\\texts");
  files.WriteFile("C:\\Out\\Welcome.dfm", "the user's own");
  std::string errorText;
  EXPECT_FALSE(ExtractArchiveFiles(machine.archive, locked, "Wrong", "C:\\Out\\", true, true, errorText));
  EXPECT_EQ(errorText, "#1003");
  EXPECT_EQ(files.ReadFile("C:\\Out\\Welcome.dfm"), "the user's own");
  EXPECT_EQ(files.ListDirectory("C:\\Out").size(), 2u) << "no temporary left behind";
  ASSERT_TRUE(ExtractArchiveFiles(machine.archive, locked, "Right", "C:\\Out\\", true, true, errorText));
  EXPECT_EQ(files.ReadFile("C:\\Out\\Welcome.dfm"), "object Welcome\r\nend\r\n");
}

TEST_F(SimArchiveLibraryTest, DamagedOrForeignArchivesFailWithoutLeavingFiles) {
  const std::string good = Pack("C:\\Setup\\good.7z", "-mx0");
  std::string bytes = *files.ReadFile(good);
  bytes[bytes.find("object Welcome")] ^= 0x20;  // stored data, CRC no longer matches
  files.WriteFile("C:\\Setup\\damaged.7z", bytes);
  files.WriteFile("C:\\Setup\\text.7z", "plain text");
  struct Case {
    std::string archive, errorText;
  };
  for (const Case& c : std::vector<Case>{
           {"C:\\Setup\\damaged.7z", "#1004"},
           {"C:\\Setup\\text.7z", "The archive cannot be opened: unsupported archive or incorrect password"},
           {"C:\\Setup\\missing.7z", "The archive file was not found"}}) {
    SCOPED_TRACE(c.archive);
    std::string errorText;
    EXPECT_FALSE(ExtractArchiveFiles(machine.archive, c.archive, "", "C:\\Out\\", true, true, errorText));
    EXPECT_EQ(errorText, c.errorText);
    EXPECT_FALSE(files.FileExists("C:\\Out\\Welcome.dfm"));
  }
}

// A .res the reader cannot take ends start-up with 15; a real one lets it go on to the script.
TEST_F(SimArchiveLibraryTest, StartupUnpacksTheSupportArchiveAndReachesTheScript) {
  ScriptPayload payload;
  payload.title = "Sample";
  files.WriteFile("C:\\Setup\\setup.exe", testing::MakePeImage({{0x400, 0x200}}) + WritePayload(payload));
  files.WriteFile("C:\\Setup\\setup.msi", "package");
  const std::string log = machine.system.tempPath + "trace.log";
  machine.system.commandLine = "\"C:\\Setup\\setup.exe\" /s /l=" + log;
  struct Case {
    const char* name;
    bool realArchive;
    int exitCode;
  };
  for (const Case& c : std::vector<Case>{{"7z archive", true, 0}, {"damaged archive", false, 15}}) {
    SCOPED_TRACE(c.name);
    if (c.realArchive) {
      Pack("C:\\Setup\\setup.res");
    } else {
      files.WriteFile("C:\\Setup\\setup.res", "7z but not really");
    }
    files.RemoveFile(log);
    platform::Platform platform = machine.AsPlatform();
    EXPECT_EQ(RunStartup(platform), c.exitCode);
    std::string raw = files.ReadFile(log).value_or("");
    std::string trace;
    for (size_t i = 0; i < raw.size(); i += 2) trace += raw[i];
    EXPECT_EQ(trace.find("    </ExtractArchive>") != std::string::npos, c.realArchive) << trace;
    EXPECT_EQ(trace.find("  <RunScript>") != std::string::npos, c.realArchive);
  }
}

}  // namespace
}  // namespace quarrix
