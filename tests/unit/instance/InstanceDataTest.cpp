#include "instance/InstanceData.h"

#include "instance/InstanceFixture.h"

namespace quarrix::testing {
namespace {

constexpr const char* kDataPath = "C:\\Data\\setup.dat";

class InstanceDataTest : public InstanceFixture {
 protected:
  void DefineSampleState() {
    ComponentTable& table = session.run.components;
    table.DefineComponent("Tools", "", true);
    table.DefineComponent("Tools\\Samples", "", false);
    table.SetComponentSize("Tools", 1500);
    table.DeleteComponent("Tools\\Samples");
    table.SetVisible("Tools\\Samples", false);
    table.SetSelectionFixed("Tools", true);
    session.variables.StoreVariable("TARGETDIR", "C:\\Program Files\\Sample\\");
    session.variables.StoreVariable("ALLUSERS", "TRUE");
    session.variables.StoreVariable("STARTMENU", "Sample");
    session.variables.StoreVariable("OVERRIDECACHE", "D:\\Cache\\");
    session.variables.StoreVariable("COLOR", "red\r\nblue");
    session.persistedVariables = {"COLOR"};
    session.run.platformMode = "x64";
    session.dataFolder = "C:\\Setup\\data\\";
    files().CreateDirectories("C:\\Setup\\data");
    files().CreateDirectories("C:\\Data");
  }
  std::string FileText() { return files().ReadFile(kDataPath).value_or("<missing>"); }
};

TEST_F(InstanceDataTest, FullSaveWritesEverySectionThenTheFoldersAndPairs) {
  DefineSampleState();
  SaveInstanceData(session, kDataPath, /*emptyDataLine=*/false, /*full=*/true);
  EXPECT_EQ(FileText(),
            "VELD-PREDEF-COMPONENT\r\nTools\r\nTools\\Samples\r\n$\r\n"
            "TRUE\r\nTRUE\r\nFALSE\r\n$\r\n"
            "Tools\\Samples\r\n$\r\n"
            "Tools\\Samples\r\n$\r\n"
            "Tools\r\n$\r\n"
            "VELD-PREDEF-COMPONENT\r\n0\r\nTools\r\n1500\r\nTools\\Samples\r\n0\r\n$\r\n"
            "C:\\Program Files\\Sample\\\r\nTRUE\r\nSample\r\nC:\\Setup\\data\\\r\n"
            "COLOR\r\nred$NEWLINE$blue\r\n"
            "VELD64WOW\r\nx64\r\nOVERRIDECACHE\r\nD:\\Cache\\\r\n");

  SaveInstanceData(session, kDataPath, /*emptyDataLine=*/true, /*full=*/true);
  EXPECT_NE(FileText().find("Sample\r\n\r\nCOLOR\r\n"), std::string::npos) << "the data line is left empty";
}

TEST_F(InstanceDataTest, LiveLoadRestoresTheStateAndTwoLineValuesComeBackAsReferences) {
  DefineSampleState();
  SaveInstanceData(session, kDataPath, false, true);
  const ComponentTable saved = session.run.components;

  Session second(platform_);
  // The compiled script of the second run carries no sizes.
  second.variables.StoreVariable("NEWLINE", "\r\n");
  LoadInstanceData(second, kDataPath, InstanceLoad::Live);

  EXPECT_EQ(second.run.components.names, saved.names);
  EXPECT_EQ(second.run.components.states, saved.states);
  EXPECT_EQ(second.run.components.deleted, saved.deleted);
  EXPECT_EQ(second.run.components.hidden, saved.hidden);
  EXPECT_EQ(second.run.components.fixed, saved.fixed);
  EXPECT_EQ(second.run.components.sizes, saved.sizes);
  EXPECT_EQ(second.variables.GetVariable("TARGETDIR"), "C:\\Program Files\\Sample\\");
  EXPECT_EQ(second.variables.GetVariable("ALLUSERS"), "TRUE");
  EXPECT_EQ(second.variables.GetVariable("STARTMENU"), "Sample");
  EXPECT_EQ(second.variables.GetVariable("OVERRIDECACHE"), "D:\\Cache\\");
  EXPECT_EQ(second.run.platformMode, "x64");
  EXPECT_EQ(second.persistedVariables, StringList{"COLOR"}) << "OVERRIDECACHE after VELD64WOW is not persisted";
  EXPECT_EQ(second.instance.savedDataFolderLine, "C:\\Setup\\data\\");
  EXPECT_EQ(second.variables.GetVariable("COLOR"), "red$NEWLINE$blue");
  EXPECT_EQ(second.variables.ExpandVariables(second.variables.GetVariable("COLOR")), "red\r\nblue");
}

TEST_F(InstanceDataTest, KeepSizesLoadLeavesThisSetupsSizes) {
  Write(kDataPath, "Old\r\n$\r\nTRUE\r\n$\r\n$\r\n$\r\n$\r\nOld\r\n999\r\n$\r\nC:\\T\\\r\nFALSE\r\nOld Menu\r\n\r\n");
  session.run.components.SetComponentSize("VELD-PREDEF-COMPONENT", 10);
  const StringList sizes = session.run.components.sizes;
  LoadInstanceData(session, kDataPath, InstanceLoad::KeepSizes);
  EXPECT_EQ(session.run.components.sizes, sizes);
  EXPECT_EQ(session.run.components.names, (StringList{"VELD-PREDEF-COMPONENT", "Old"}));
  EXPECT_EQ(Var("STARTMENU"), "Old Menu");
}

TEST_F(InstanceDataTest, MergeTakesStatesOfKnownComponentsAndReplacesTheMarkLists) {
  ComponentTable& table = session.run.components;
  table.DefineComponent("Tools", "", true);
  table.DefineComponent("Docs", "", false);
  table.DeleteComponent("Docs");
  table.SetSelectionFixed("Tools", true);
  const StringList sizes = table.sizes;
  session.instance.savedDataFolderLine = "kept";
  Write(kDataPath,
        "tools\r\nDocs\r\nUnknown\r\n$\r\nFALSE\r\nTRUE\r\nTRUE\r\n$\r\n$\r\nTools\r\n$\r\n$\r\n"
        "Unknown\r\n5\r\n$\r\nC:\\T\\\r\nTRUE\r\nMenu\r\nC:\\D\\\r\nSHADE\r\ndark\r\n");
  LoadInstanceData(session, kDataPath, InstanceLoad::Merge);

  EXPECT_EQ(table.names, (StringList{"VELD-PREDEF-COMPONENT", "Tools", "Docs"})) << "no component is added";
  EXPECT_EQ(table.states, (StringList{"TRUE", "FALSE", "TRUE"}));
  EXPECT_TRUE(table.deleted.empty());
  EXPECT_EQ(table.hidden, StringList{"Tools"});
  EXPECT_TRUE(table.fixed.empty());
  EXPECT_EQ(table.sizes, sizes);
  EXPECT_EQ(session.instance.savedDataFolderLine, "kept");
  EXPECT_EQ(Var("TARGETDIR"), "C:\\T\\");
  EXPECT_EQ(Var("SHADE"), "dark");
  EXPECT_EQ(session.persistedVariables, StringList{"SHADE"});
}

TEST_F(InstanceDataTest, UpdateKeepsComponentsAndFoldersAndRewritesTheVariables) {
  Write(kDataPath,
        "A\r\n$\r\nTRUE\r\n$\r\n$\r\n$\r\n$\r\nA\r\n7\r\n$\r\nC:\\Old\\\r\nFALSE\r\nOld\r\nC:\\D\\\r\n"
        "GONE\r\nx\r\nCOLOR\r\nred\r\nVELD64WOW\r\nWin32\r\nOVERRIDECACHE\r\n\r\n");
  session.run.components.DefineComponent("Live", "", true);  // the update does not write the live table
  session.variables.StoreVariable("TARGETDIR", "C:\\New\\");
  session.variables.StoreVariable("COLOR", "green");
  session.variables.StoreVariable("SIZE", "2\r\n3");
  session.variables.StoreVariable("OVERRIDECACHE", "E:\\C\\");
  session.persistedVariables = {"COLOR", "SIZE"};
  SaveInstanceData(session, kDataPath, false, /*full=*/false);

  EXPECT_EQ(FileText(),
            "A\r\n$\r\nTRUE\r\n$\r\n$\r\n$\r\n$\r\nA\r\n7\r\n$\r\nC:\\Old\\\r\nFALSE\r\nOld\r\nC:\\D\\\r\n"
            "COLOR\r\ngreen\r\nSIZE\r\n2$NEWLINE$3\r\nVELD64WOW\r\nWin32\r\nOVERRIDECACHE\r\nE:\\C\\\r\n");
  EXPECT_FALSE(files().FileExists(std::string(kDataPath) + ".dat")) << "the temporary file is renamed";
}

TEST_F(InstanceDataTest, MissingAndShortFilesChangeLittle) {
  session.persistedVariables = {"COLOR"};
  SaveInstanceData(session, kDataPath, false, /*full=*/false);
  EXPECT_FALSE(files().FileExists(kDataPath)) << "an update creates no file";

  const StringList names = session.run.components.names;
  LoadInstanceData(session, "C:\\Data\\missing.dat", InstanceLoad::Live);
  EXPECT_EQ(session.run.components.names, names);

  session.variables.StoreVariable("TARGETDIR", "C:\\Keep\\");
  Write(kDataPath, "A\r\n$\r\nTRUE\r\n$\r\n$\r\nC:\\Not\\A\\Target\\\r\n");
  LoadInstanceData(session, kDataPath, InstanceLoad::Live);
  EXPECT_EQ(session.run.components.names, (StringList{"VELD-PREDEF-COMPONENT", "A"}));
  EXPECT_EQ(Var("TARGETDIR"), "C:\\Keep\\") << "fewer than six sections never reach the variables";

  // Six sections but cut right after them: the folders are not blanked.
  Write(kDataPath, "$\r\n$\r\n$\r\n$\r\n$\r\n$\r\n");
  LoadInstanceData(session, kDataPath, InstanceLoad::Live);
  EXPECT_EQ(Var("TARGETDIR"), "C:\\Keep\\");
}

}  // namespace
}  // namespace quarrix::testing
