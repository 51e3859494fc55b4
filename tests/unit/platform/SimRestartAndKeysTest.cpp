#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sim/SimRegistry.h"
#include "platform/sim/SimUserInterface.h"
#include "support/TempMachine.h"

namespace quarrix::testing {
namespace {

using platform::RegistryRoot;
using platform::RegistryValue;
using platform::RegistryView;

TEST(SimInUseTest, AFileInUseStaysButItsFolderCanBeRenamed) {
  TempMachine temp;
  auto& files = temp.machine.files;
  files.CreateDirectories("C:\\App");
  files.WriteFile("C:\\App\\setup.exe", "engine");
  files.WriteFile("C:\\Other.exe", "other");
  files.SetInUse("C:\\app\\SETUP.EXE", true);
  EXPECT_FALSE(files.RemoveFile("C:\\App\\setup.exe"));
  EXPECT_FALSE(files.Copy("C:\\Other.exe", "C:\\App\\setup.exe", true));
  EXPECT_TRUE(files.Move("C:\\App", "C:\\~0"));
  EXPECT_TRUE(files.IsInUse("C:\\~0\\setup.exe"));
  EXPECT_FALSE(files.RemoveFile("C:\\~0\\setup.exe"));
  files.SetInUse("C:\\~0\\setup.exe", false);
  EXPECT_TRUE(files.RemoveFile("C:\\~0\\setup.exe"));
}

TEST(SimRestartTest, DeletionsWaitForTheNextStartAndRunInOrder) {
  TempMachine temp;
  auto& files = temp.machine.files;
  files.CreateDirectories("C:\\Old\\Sub");
  files.WriteFile("C:\\Old\\setup.exe", "engine");
  files.WriteFile("C:\\Old\\Sub\\keep.txt", "x");
  files.CreateDirectories("C:\\Busy");
  files.WriteFile("C:\\Busy\\file.txt", "x");
  files.SetInUse("C:\\Old\\setup.exe", true);
  ASSERT_TRUE(files.DeleteAtRestart("C:\\Old\\setup.exe"));
  ASSERT_TRUE(files.DeleteAtRestart("C:\\Old\\zvk.lib"));  // recorded although it is not there
  ASSERT_TRUE(files.DeleteAtRestart("C:\\Old\\Sub\\keep.txt"));
  ASSERT_TRUE(files.DeleteAtRestart("C:\\Old\\Sub"));
  ASSERT_TRUE(files.DeleteAtRestart("C:\\Old"));
  ASSERT_TRUE(files.DeleteAtRestart("C:\\Busy"));  // not empty by then: stays
  EXPECT_TRUE(files.FileExists("C:\\Old\\setup.exe"));
  EXPECT_EQ(files.PendingRestartDeletes().size(), 6u);

  files.Restart();
  EXPECT_FALSE(files.DirectoryExists("C:\\Old"));
  EXPECT_TRUE(files.FileExists("C:\\Busy\\file.txt"));
  EXPECT_TRUE(files.PendingRestartDeletes().empty());
}

TEST(SimRegistryDeleteKeyTest, AKeyWithSubKeysStays) {
  platform::sim::SimRegistry registry;
  registry.WriteValue(RegistryRoot::CurrentUser, "Software\\A\\B", "v", RegistryValue::Text("1"), RegistryView::Default);
  registry.WriteValue(RegistryRoot::CurrentUser, "Software\\A\\B C", "v", RegistryValue::Text("1"), RegistryView::Default);
  registry.CreateKey(RegistryRoot::CurrentUser, "Software\\A\\B\\Child", RegistryView::Default);
  EXPECT_FALSE(registry.DeleteKey(RegistryRoot::CurrentUser, "Software\\A\\B", RegistryView::Default));
  EXPECT_TRUE(registry.DeleteKey(RegistryRoot::CurrentUser, "Software\\A\\B\\Child", RegistryView::Default));
  EXPECT_TRUE(registry.DeleteKey(RegistryRoot::CurrentUser, "software\\a\\b\\", RegistryView::Default));
  EXPECT_FALSE(registry.KeyExists(RegistryRoot::CurrentUser, "Software\\A\\B", RegistryView::Default));
  EXPECT_TRUE(registry.KeyExists(RegistryRoot::CurrentUser, "Software\\A\\B C", RegistryView::Default));
  EXPECT_FALSE(registry.DeleteKey(RegistryRoot::CurrentUser, "Software\\A\\B", RegistryView::Default));
}

TEST(SimRegistryDeleteKeyTest, EachViewOfTheMachinesSoftwareIsItsOwn) {
  platform::sim::SimRegistry registry(true);
  registry.WriteValue(RegistryRoot::LocalMachine, "SOFTWARE\\X", "v", RegistryValue::Text("32"), RegistryView::Force32);
  registry.WriteValue(RegistryRoot::LocalMachine, "SOFTWARE\\X", "v", RegistryValue::Text("64"), RegistryView::Force64);
  EXPECT_TRUE(registry.DeleteKey(RegistryRoot::LocalMachine, "SOFTWARE\\X", RegistryView::Default));
  EXPECT_FALSE(registry.KeyExists(RegistryRoot::LocalMachine, "SOFTWARE\\X", RegistryView::Force32));
  EXPECT_TRUE(registry.KeyExists(RegistryRoot::LocalMachine, "SOFTWARE\\X", RegistryView::Force64));
}

TEST(SimStyledMessageTest, AnUnansweredBoxGivesItsDefaultButton) {
  struct Case {
    uint32_t style;
    int button;
  } cases[] = {
      {0x0, 1}, {0x1, 1}, {0x101, 2}, {0x2, 3}, {0x102, 4}, {0x202, 5}, {0x3, 6}, {0x203, 2},
      {0x4, 6}, {0x104, 7}, {0x5, 4}, {0x105, 2}, {0x6, 2}, {0x206, 11}, {0x304, 6}, {0x12, 3},
  };
  for (const Case& c : cases) EXPECT_EQ(platform::sim::DefaultButton(c.style), c.button) << std::hex << c.style;
  platform::sim::SimUserInterface ui;
  ui.styledAnswers = {5};
  EXPECT_EQ(ui.ShowStyledMessage("text", "caption", 0x2, true, false), 5);
  EXPECT_EQ(ui.ShowStyledMessage("text", "caption", 0x104, false, true), 7);
  ASSERT_EQ(ui.shownStyled.size(), 2u);
  EXPECT_EQ(ui.shownStyled[1].style, 0x104u);
  EXPECT_TRUE(ui.shownStyled[1].neutralLanguage);
}

}  // namespace
}  // namespace quarrix::testing
