#include "media/CopyMedia.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "commands/CommandRunner.h"
#include "engine/FolderCleanup.h"

namespace quarrix {
namespace {

constexpr const char* kCopyFailed = "Unable to copy installation data to local folders";

class CopyMediaTest : public ::testing::Test {
 protected:
  void SetUp() override {
    session.silent = true;
    session.executableFolder = "C:\\Setup\\";
    session.instance.sourceDataFolder = "C:\\Setup\\data\\";
    session.dataFolder = "D:\\Cache\\R\\";
    session.payload.revisionCode = "R";
    session.payload.buildMode = 2;
    files.CreateDirectories("C:\\Setup\\data");
  }

  void Lay(const std::vector<std::pair<std::string, std::string>>& entries) {
    for (const auto& [path, content] : entries) {
      files.CreateDirectories(path.substr(0, path.rfind('\\')));
      files.WriteFile(path, content);
    }
  }

  // The copy's error text, empty when it succeeded.
  std::string Copy() {
    try {
      CopyOfflineMedia(session);
    } catch (const std::runtime_error& error) {
      return error.what();
    }
    return {};
  }

  std::string Var(std::string_view name) const { return session.variables.GetVariable(name); }

  testing::CommandRunner runner{"#quarrix-script 1\n[script]\n"};
  Session& session = runner.session;
  platform::sim::SimFileSystem& files = runner.temp.machine.files;
};

TEST_F(CopyMediaTest, OfflineFilesMoveIntoTheInstanceFolderSubFoldersFirstAndTheBlockIsMarked) {
  Lay({{"C:\\Setup\\data\\offline\\a.cab", "cab"}, {"C:\\Setup\\data\\offline\\sub\\b.dll", "dll"}});
  ASSERT_EQ(Copy(), "");
  EXPECT_EQ(files.ReadFile("D:\\Cache\\R\\offline\\a.cab"), "cab");
  EXPECT_EQ(files.ReadFile("D:\\Cache\\R\\offline\\sub\\b.dll"), "dll");
  EXPECT_TRUE(files.FileExists("D:\\Cache\\R\\OFFLINE\\R")) << "the completion marker";
  // The sub-folder's file went first (1 %), so the folder's own file was the last one shown.
  EXPECT_EQ(Var("VELD_thProgressText"), "a.cab, 51% complete");
  EXPECT_EQ(Var("VELD_thProgress"), "51");
  EXPECT_EQ(Var("VELD_thMax"), "100");
  EXPECT_FALSE(files.FileExists("C:\\Setup\\data\\offline\\a.cab")) << "moved, not copied";
}

TEST_F(CopyMediaTest, WhereEachTreeLandsAndWhichSourceFolderIsUsed) {
  struct Case {
    const char* label;
    std::vector<std::pair<std::string, std::string>> sources;
    std::string arrives;
  };
  const std::vector<Case> cases = {
      {"merge tree over the data folder's root", {{"C:\\Setup\\data\\mergemod\\x\\y.dat", "y"}},
       "D:\\Cache\\R\\x\\y.dat"},
      {"trees beside the setup when data\\ has none", {{"C:\\Setup\\offline\\c.txt", "c"}},
       "D:\\Cache\\R\\offline\\c.txt"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    // Each case starts from an empty data folder beside the setup and an unmarked block.
    RemoveFolderTree(files, "C:\\Setup\\data\\mergemod");
    RemoveFolderTree(files, "D:\\Cache\\R\\OFFLINE");
    Lay(c.sources);
    ASSERT_EQ(Copy(), "");
    EXPECT_TRUE(files.FileExists(c.arrives));
    EXPECT_FALSE(files.FileExists("D:\\Cache\\R\\offline\\x\\y.dat")) << "never below offline\\";
  }
}

TEST_F(CopyMediaTest, CachedSourcesStayAndFilesAlreadyThereAreNotOverwritten) {
  session.payload.buildConstants = {"CACHESOURCES", "true"};
  Lay({{"C:\\Setup\\data\\offline\\new.txt", "new"},
       {"C:\\Setup\\data\\offline\\old.txt", "from the setup"},
       {"D:\\Cache\\R\\offline\\old.txt", "left by an earlier copy"}});
  ASSERT_EQ(Copy(), "");
  EXPECT_EQ(files.ReadFile("D:\\Cache\\R\\offline\\new.txt"), "new");
  EXPECT_EQ(files.ReadFile("D:\\Cache\\R\\offline\\old.txt"), "left by an earlier copy");
  EXPECT_EQ(files.ReadFile("C:\\Setup\\data\\offline\\new.txt"), "new") << "the source tree stays intact";
}

TEST_F(CopyMediaTest, AFileThatDoesNotArriveFailsTheCopyAndNothingIsLeftMarked) {
  Lay({{"C:\\Setup\\data\\offline\\first.txt", "1"}, {"C:\\Setup\\data\\offline\\blocked.txt", "2"}});
  // A folder where the file should go: neither a move nor a copy can put the file there.
  files.CreateDirectories("D:\\Cache\\R\\offline\\blocked.txt");
  EXPECT_EQ(Copy(), kCopyFailed);
  EXPECT_FALSE(files.DirectoryExists("D:\\Cache\\R\\OFFLINE")) << "the block folder is emptied and removed";
  EXPECT_TRUE(runner.temp.machine.ui.shown.empty()) << "the caller reports the error";
}

TEST_F(CopyMediaTest, ACancelStopsTheCopyWithTheSameErrorAndNoCancelBox) {
  session.silent = false;
  Lay({{"C:\\Setup\\data\\offline\\a.txt", "a"}});
  session.variables.StoreVariable("VELD_IsCancelled", "TRUE");
  EXPECT_EQ(Copy(), kCopyFailed);
  EXPECT_FALSE(files.FileExists("D:\\Cache\\R\\offline\\a.txt"));
  EXPECT_TRUE(runner.temp.machine.ui.shown.empty());
  EXPECT_EQ(Var("ABORTEDONERROR"), "");
}

TEST_F(CopyMediaTest, NoTreesIsASuccessAndTheSetupIsCachedOnlyWhenItsSizeDiffers) {
  Lay({{"C:\\Setup\\setup.exe", "engine"}});
  session.variables.StoreVariable("SFXPATH", "C:\\Setup");
  session.variables.StoreVariable("SFXFILE", "setup.exe");
  session.variables.StoreVariable("COPYWEBLOCK", "E:\\Keep");
  ASSERT_EQ(Copy(), "");
  EXPECT_EQ(files.ReadFile("E:\\Keep\\setup.exe"), "engine");
  EXPECT_TRUE(files.FileExists("D:\\Cache\\R\\OFFLINE\\R"));

  files.WriteFile("E:\\Keep\\setup.exe", "ENGINE");
  RemoveFolderTree(files, "D:\\Cache\\R\\OFFLINE");
  ASSERT_EQ(Copy(), "");
  EXPECT_EQ(files.ReadFile("E:\\Keep\\setup.exe"), "ENGINE") << "same size: left as it is";
}

}  // namespace
}  // namespace quarrix
