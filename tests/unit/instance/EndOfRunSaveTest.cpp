#include "instance/EndOfRunSave.h"

#include "instance/InstanceData.h"
#include "instance/InstanceFixture.h"

namespace quarrix::testing {
namespace {

const std::string kDataFile = std::string(kMachineInstance) + "setup.dat";

class EndOfRunSaveTest : public InstanceFixture {
 protected:
  EndOfRunSaveTest() {
    session.instance.packagePath = kPackagePath;
    session.variables.StoreVariable("VELD_COMPRESS_INSTALLER_CACHE", "TRUE");
    session.variables.StoreVariable("COLOR", "red");
  }
};

TEST_F(EndOfRunSaveTest, WithoutPersistedVariablesTheFolderIsHiddenAndCompressedButNoFileWritten) {
  files().CreateDirectories(kMachineInstance);
  session.instance.fullSave = true;
  SaveInstanceAtEndOfRun(session);
  EXPECT_TRUE(files().IsHidden(kMachineInstance));
  EXPECT_EQ(files().Compression(kMachineInstance), true);
  EXPECT_FALSE(files().FileExists(kDataFile));
}

TEST_F(EndOfRunSaveTest, TheSaveFlagsDecideBetweenFullUpdateAndNothing) {
  struct Case {
    const char* name;
    bool fileBefore;
    bool fullSave;
    bool noSave;
    bool colorSaved;
  };
  const std::vector<Case> cases = {
      {"full save creates the folder and the file", false, true, false, true},
      {"an update needs an existing file", false, false, false, false},
      {"an update rewrites the variables", true, false, false, true},
      {"a removal saves nothing", true, true, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    files().RemoveFile(kDataFile);
    if (c.fileBefore) Write(kDataFile, "$\r\n$\r\n$\r\n$\r\n$\r\n$\r\nC:\\T\\\r\nTRUE\r\nMenu\r\n\r\n");
    session.persistedVariables = {"COLOR"};
    session.instance.fullSave = c.fullSave;
    session.instance.noSave = c.noSave;
    SaveInstanceAtEndOfRun(session);
    const std::string text = files().ReadFile(kDataFile).value_or("");
    EXPECT_EQ(text.find("COLOR\r\nred\r\n") != std::string::npos, c.colorSaved) << text;
  }
}

TEST_F(EndOfRunSaveTest, WebBuildsThatDoNotCacheSourcesKeepOnlyTheOfflineBlock) {
  session.payload.buildMode = 2;
  session.payload.buildConstants = {"CACHESOURCES", "false"};
  for (const char* folder : {"OFFLINE", "Block1", "Block2\\Inner"})
    Write(std::string(kMachineInstance) + folder + "\\media.bin", "data");
  Write(std::string(kMachineInstance) + "setup.exe", "engine");
  SaveInstanceAtEndOfRun(session);
  EXPECT_TRUE(files().FileExists(std::string(kMachineInstance) + "OFFLINE\\media.bin"));
  EXPECT_FALSE(files().DirectoryExists(std::string(kMachineInstance) + "Block1"));
  EXPECT_FALSE(files().DirectoryExists(std::string(kMachineInstance) + "Block2"));
  EXPECT_TRUE(files().FileExists(std::string(kMachineInstance) + "setup.exe")) << "files of the folder stay";

  session.payload.buildConstants = {"CACHESOURCES", "TRUE"};
  Write(std::string(kMachineInstance) + "Block3\\media.bin", "data");
  SaveInstanceAtEndOfRun(session);
  EXPECT_TRUE(files().DirectoryExists(std::string(kMachineInstance) + "Block3"));
}

}  // namespace
}  // namespace quarrix::testing
