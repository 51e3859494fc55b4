#include <gtest/gtest.h>

#include "platform/sim/SimSystemInfo.h"
#include "support/TempMachine.h"

namespace quarrix {
namespace {

using platform::RegistryRoot;
using platform::RegistryValue;
using platform::RegistryView;

TEST(SimFileSystem, ResolvesNamesWithoutRegardToCase) {
  testing::TempMachine t;
  auto& files = t.machine.files;
  ASSERT_TRUE(files.CreateDirectories("C:\\Program Files\\App"));
  ASSERT_TRUE(files.WriteFile("c:\\PROGRAM FILES\\app\\Readme.TXT", "hello"));
  EXPECT_TRUE(files.FileExists("C:\\Program Files\\App\\README.txt"));
  EXPECT_FALSE(files.DirectoryExists("C:\\Program Files\\App\\README.txt"));
  EXPECT_EQ(files.ReadFile("C:/program files/APP/readme.txt").value_or(""), "hello");
  // A new name keeps the spelling it was given; the existing folder is reused, not duplicated.
  auto entries = files.ListDirectory("C:\\Program Files");
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].name, "App");
  EXPECT_TRUE(entries[0].isDirectory);
}

TEST(SimFileSystem, NeverLeavesItsHostFolder) {
  testing::TempMachine t;
  auto& files = t.machine.files;
  auto escaped = files.HostPath("C:\\..\\..\\..\\etc\\passwd");
  ASSERT_TRUE(escaped.has_value());
  EXPECT_EQ(*escaped, t.folder.Path() / "C" / "etc" / "passwd");
  EXPECT_FALSE(files.HostPath("relative\\path").has_value());
  EXPECT_FALSE(files.HostPath("C:no-separator").has_value());
  EXPECT_TRUE(files.HostPath("\\\\server\\share\\x").has_value());
}

TEST(SimFileSystem, FileOperationsReportFailureInsteadOfThrowing) {
  testing::TempMachine t;
  auto& files = t.machine.files;
  EXPECT_FALSE(files.WriteFile("C:\\Missing\\a.txt", "x"));
  EXPECT_FALSE(files.ReadFile("C:\\a.txt").has_value());
  ASSERT_TRUE(files.AppendFile("C:\\a.txt", "ab"));
  ASSERT_TRUE(files.AppendFile("C:\\a.txt", "cd"));
  EXPECT_EQ(files.ReadFile("C:\\a.txt", 1, 2).value_or(""), "bc");
  EXPECT_EQ(files.FileSize("C:\\a.txt").value_or(0), 4u);
  EXPECT_FALSE(files.Copy("C:\\a.txt", "C:\\a.txt.copy", false) && files.Copy("C:\\a.txt", "C:\\a.txt.copy", false));
  EXPECT_TRUE(files.Copy("C:\\a.txt", "C:\\a.txt.copy", true));
  EXPECT_FALSE(files.Move("C:\\a.txt", "C:\\a.txt.copy"));  // the target exists
  ASSERT_TRUE(files.CreateDirectories("C:\\d"));
  ASSERT_TRUE(files.Move("C:\\a.txt", "C:\\d\\b.txt"));
  EXPECT_FALSE(files.RemoveEmptyDirectory("C:\\d"));
  EXPECT_TRUE(files.RemoveFile("C:\\d\\b.txt"));
  EXPECT_TRUE(files.RemoveEmptyDirectory("C:\\d"));
  EXPECT_FALSE(files.RemoveFile("C:\\d\\b.txt"));
}

TEST(SimRegistry, SeparatesTheMachineSoftwareViews) {
  testing::TempMachine t;
  auto& registry = t.machine.registry;  // a 32-bit process by default
  ASSERT_TRUE(registry.WriteValue(RegistryRoot::LocalMachine, "SOFTWARE\\Maker\\App", "Path",
                                  RegistryValue::Text("C:\\32"), RegistryView::Default));
  ASSERT_TRUE(registry.WriteValue(RegistryRoot::LocalMachine, "Software\\Maker\\App", "path",
                                  RegistryValue::Text("C:\\64"), RegistryView::Force64));
  EXPECT_EQ(registry.ReadValue(RegistryRoot::LocalMachine, "software\\maker\\app", "PATH", RegistryView::Force32)->data,
            "C:\\32");
  EXPECT_EQ(registry.ReadValue(RegistryRoot::LocalMachine, "SOFTWARE\\Maker\\App", "Path", RegistryView::Force64)->data,
            "C:\\64");
  // Keys outside the redirected software branch are shared by both views.
  registry.WriteValue(RegistryRoot::CurrentUser, "Software\\X", "V", RegistryValue::Number(32), RegistryView::Force64);
  auto shared = registry.ReadValue(RegistryRoot::CurrentUser, "Software\\X", "v", RegistryView::Force32);
  ASSERT_TRUE(shared.has_value());
  EXPECT_EQ(shared->type, platform::RegistryType::Dword);
  EXPECT_EQ(shared->data, std::string("\x20\0\0\0", 4));
  EXPECT_TRUE(registry.KeyExists(RegistryRoot::LocalMachine, "SOFTWARE\\Maker", RegistryView::Force64));
  EXPECT_FALSE(registry.KeyExists(RegistryRoot::LocalMachine, "SOFTWARE\\Other", RegistryView::Force64));
}

TEST(SimSystemInfo, ConvertsCodePage1252ToUtf16) {
  testing::TempMachine t;
  EXPECT_EQ(t.machine.system.AnsiToWide("a\x80\xe9\x9f"), std::u16string(u"a\u20ac\u00e9\u0178"));
}

// Letters change only where both cases are in code page 1252; signs and lone letters stay.
TEST(SimSystemInfo, MapsCaseByCodePage1252) {
  struct CasePair {
    const char* lower;
    const char* upper;
  };
  const CasePair pairs[] = {
      {"az", "AZ"},
      {"\xe0\xfe", "\xc0\xde"},          // Latin-1 letters
      {"\x9a\x9c\x9e\xff", "\x8a\x8c\x8e\x9f"},  // s, oe, z with caron; y with diaeresis
      {"\xf7\xd7", "\xf7\xd7"},          // division and multiplication signs
      {"\xdf\xb5\x83", "\xdf\xb5\x83"},  // sharp s, micro sign, f hook: no counterpart
      {"1\\!", "1\\!"},
  };
  platform::sim::SimSystemInfo system;
  for (const CasePair& pair : pairs) {
    EXPECT_EQ(system.AnsiToUpper(pair.lower), pair.upper) << pair.lower;
    EXPECT_EQ(system.AnsiToLower(pair.upper), pair.lower) << pair.upper;
  }
}

}  // namespace
}  // namespace quarrix
