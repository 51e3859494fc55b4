#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "commands/CommandRunner.h"
#include "media/DirectExtractMedia.h"

namespace quarrix {
namespace {

using testing::CommandRunner;

namespace fs = std::filesystem;

std::string Script(const std::string& lines) { return "#quarrix-script 1\n[script]\n" + lines; }

class ArchiveCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::system("command -v 7z >/dev/null 2>&1") != 0) GTEST_SKIP() << "7z is not installed";
    fs::create_directories(source / "docs");
    std::ofstream(source / "docs" / "guide.txt", std::ios::binary) << std::string(5000, 'g');
    std::ofstream(source / "top.txt", std::ios::binary) << "top";
  }

  // Packs the source folder into a path of the runner's simulated drive.
  void Pack(CommandRunner& runner, const std::string& windowsPath, const std::string& switches = "") {
    const fs::path host = *runner.temp.machine.files.HostPath(windowsPath);
    fs::create_directories(host.parent_path());
    const std::string command = "cd '" + source.string() + "' && 7z a -bd -y " + switches + " '" + host.string() +
                                "' . >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
  }

  ::quarrix::testing::TempFolder hostFolder;
  fs::path source = hostFolder.Path() / "source";
};

// Parameters: 1 archive, 2 destination, 3 result, 4 password, 5 overwrite, 6 mode switch.
TEST_F(ArchiveCommandsTest, ExtractsIntoANewFolderAndStoresTheOutcome) {
  struct Case {
    const char* name;
    std::string line;
    std::string result;
    bool extracted;
  };
  const std::vector<Case> cases = {
      {"plain archive", "Extract 7Zip Archive: \"$SRC$\\data.7z\" \"C:\\New\\Deep\\\" RESULT \"\" TRUE TRUE\n",
       "SUCCESS", true},
      {"password from a variable",
       "Extract 7Zip Archive: \"$SRC$\\locked.7z\" \"C:\\New\\Deep\\\" RESULT $PW$ TRUE TRUE\n", "SUCCESS", true},
      {"wrong password", "Extract 7Zip Archive: \"$SRC$\\locked.7z\" \"C:\\New\\Deep\\\" RESULT wrong TRUE TRUE\n",
       "The archive cannot be opened: unsupported archive or incorrect password", false},
      {"missing archive", "Extract 7Zip Archive: \"$SRC$\\none.7z\" \"C:\\New\\Deep\\\" RESULT \"\" TRUE TRUE\n",
       "The archive file was not found", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CommandRunner runner(Script(c.line));
    Pack(runner, "C:\\Media\\data.7z");
    Pack(runner, "C:\\Media\\locked.7z", "-pOpenUp -mhe=on");
    runner.session.variables.SetVariable("SRC", "C:\\Media", "Test");
    runner.session.variables.SetVariable("PW", "OpenUp", "Test");
    runner.session.variables.SetVariable("RESULT", "unset", "Test");
    runner.session.silent = true;
    runner.RunLine(0);
    EXPECT_EQ(runner.Var("RESULT"), c.result);
    auto& files = runner.temp.machine.files;
    EXPECT_TRUE(files.DirectoryExists("C:\\New\\Deep")) << "the destination is made first";
    EXPECT_EQ(files.ReadFile("C:\\New\\Deep\\docs\\guide.txt"),
              c.extracted ? std::optional<std::string>(std::string(5000, 'g')) : std::nullopt);
  }
}

TEST_F(ArchiveCommandsTest, OverwriteSwitchDecidesAndAnEmptyResultNameStoresNothing) {
  for (const char* overwrite : {"FALSE", "TRUE"}) {
    SCOPED_TRACE(overwrite);
    CommandRunner runner(Script(std::string("Extract 7Zip Archive: C:\\Media\\data.7z C:\\Out\\ \"\" \"\" ") +
                                overwrite + " TRUE\n"));
    Pack(runner, "C:\\Media\\data.7z");
    auto& files = runner.temp.machine.files;
    files.CreateDirectories("C:\\Out");
    files.WriteFile("C:\\Out\\top.txt", "mine");
    runner.session.silent = true;
    runner.RunLine(0);
    EXPECT_EQ(files.ReadFile("C:\\Out\\top.txt"), std::string(overwrite) == "TRUE" ? "top" : "mine");
    EXPECT_EQ(files.FileSize("C:\\Out\\docs\\guide.txt"), 5000u);
  }
}

TEST_F(ArchiveCommandsTest, WorkerReportsProgressAndStopsWhenAskedTo) {
  for (bool terminate : {false, true}) {
    SCOPED_TRACE(terminate ? "terminate requested" : "runs through");
    CommandRunner runner(Script("Comment: x\n"));
    Pack(runner, "C:\\Media\\data.7z", "-ms=off");
    WorkerOf<TDirectExtractMedia> worker(runner.session, DirectExtractRequest{"C:\\Media\\data.7z", "C:\\Out\\", "", true, true});
    if (terminate) worker->RequestTerminate();
    worker->Start();
    worker->WaitUntilEnded();
    ASSERT_TRUE(worker->Finished());
    EXPECT_EQ(worker->Succeeded(), !terminate);
    EXPECT_EQ(worker->ErrorText(), terminate ? "#1007" : "");
    if (!terminate) {
      EXPECT_EQ(runner.Var("VELD_thProgress"), "100");
      EXPECT_EQ(runner.Var("VELD_thMax"), "100");
      const std::string text = runner.Var("VELD_thProgressText");
      EXPECT_TRUE(text == "top.txt, 100% complete" || text == "guide.txt, 100% complete") << text;
    }
  }
}

}  // namespace
}  // namespace quarrix
