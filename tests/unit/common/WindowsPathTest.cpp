#include "common/WindowsPath.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace quarrix {
namespace {

using Rule = std::string (*)(std::string_view);

struct PathCase {
  const char* rule;
  Rule apply;
  const char* path;
  const char* expected;
};

#define RULE(name) #name, [](std::string_view path) { return name(std::string(path)); }

// Cases set the look-alike rules side by side where they part: the empty path, a colon, a slash.
const PathCase kCases[] = {
    {RULE(WithTrailingBackslash), "", "\\"},
    {RULE(WithTrailingBackslash), "C:\\a", "C:\\a\\"},
    {RULE(WithTrailingBackslash), "C:\\a\\", "C:\\a\\"},
    {RULE(WithTrailingBackslashUnlessEmpty), "", ""},
    {RULE(WithTrailingBackslashUnlessEmpty), "C:\\a", "C:\\a\\"},
    {RULE(WithTrailingBackslashUnlessEmpty), "C:\\a\\", "C:\\a\\"},

    {RULE(WithoutTrailingBackslash), "C:\\a\\\\", "C:\\a\\"},
    {RULE(WithoutTrailingBackslash), "", ""},
    {RULE(WithoutTrailingBackslashes), "C:\\a\\\\", "C:\\a"},
    {RULE(WithoutTrailingBackslashes), "\\\\", ""},
    {RULE(WithoutTrailingBackslashesNeverEmpty), "\\\\", "\\"},
    {RULE(WithoutTrailingBackslashesNeverEmpty), "C:\\a\\\\", "C:\\a"},
    {RULE(WithoutTrailingBackslashesNeverEmpty), "C:\\a/", "C:\\a/"},
    {RULE(WithoutTrailingSeparatorsNeverEmpty), "C:\\a\\/", "C:\\a"},
    {RULE(WithoutTrailingSeparatorsNeverEmpty), "/", "/"},

    {RULE(FileNameAfterBackslash), "C:\\a\\b.txt", "b.txt"},
    {RULE(FileNameAfterBackslash), "C:setup.exe", "C:setup.exe"},
    {RULE(FileNameAfterBackslash), "a/b", "a/b"},
    {RULE(FileNameAfterBackslash), "C:\\a\\", ""},
    {RULE(FileNameAfterBackslashOrColon), "C:setup.exe", "setup.exe"},
    {RULE(FileNameAfterBackslashOrColon), "a/b", "a/b"},
    {RULE(FileNameAfterBackslashOrColon), "setup.exe", "setup.exe"},
    {RULE(FileNameAfterSlashOrBackslash), "dir/sub\\f.txt", "f.txt"},
    {RULE(FileNameAfterSlashOrBackslash), "dir\\sub/f.txt", "f.txt"},
    {RULE(FileNameAfterSlashOrBackslash), "C:f.txt", "C:f.txt"},
    {RULE(FileNameAfterAnySeparator), "C:f.txt", "f.txt"},
    {RULE(FileNameAfterAnySeparator), "a\\b/c.txt", "c.txt"},

    {RULE(FolderUpToBackslash), "C:\\a\\b", "C:\\a\\"},
    {RULE(FolderUpToBackslash), "C:setup.exe", ""},
    {RULE(FolderUpToBackslashOrColon), "C:setup.exe", "C:"},
    {RULE(FolderUpToBackslashOrColon), "C:\\a\\b", "C:\\a\\"},
    {RULE(FolderUpToBackslashOrColon), "setup.exe", ""},
    {RULE(FolderBeforeBackslash), "C:\\a\\b", "C:\\a"},
    {RULE(FolderBeforeBackslash), "C:\\b", "C:"},
    {RULE(FolderBeforeBackslash), "b", ""},
    {RULE(FolderWithoutTrailingBackslash), "C:\\a\\b", "C:\\a"},
    {RULE(FolderWithoutTrailingBackslash), "C:\\a", "C:\\"},
    {RULE(FolderWithoutTrailingBackslash), "C:a", "C:"},
    {RULE(FolderWithoutTrailingBackslash), "\\a", "\\"},
    {RULE(FolderWithoutTrailingBackslash), "\\\\server", "\\\\"},
    {RULE(FolderWithoutTrailingBackslash), "\\\\server\\share", "\\\\server"},
    {RULE(FolderWithoutTrailingBackslash), "a", ""},

    {RULE(FileNameWithoutExtension), "setup.tar.gz", "setup.tar"},
    {RULE(FileNameWithoutExtension), "a.b:c", "a"},
    {RULE(FileNameWithoutExtension), "README", "README"},
    {RULE(ExtensionOf), "C:\\a\\c.TXT", ".TXT"},
    {RULE(ExtensionOf), "C:\\a.b\\c", ""},
    {RULE(ExtensionOf), "a.b:c", ""},
    {RULE(ExtensionOf), "c.", "."},

    {RULE(DriveOf), "C:\\x\\y", "C:"},
    {RULE(DriveOf), "c:", "c:"},
    {RULE(DriveOf), "\\\\srv\\share\\x", "\\\\srv\\share"},
    {RULE(DriveOf), "\\\\srv\\share", "\\\\srv\\share"},
    {RULE(DriveOf), "\\\\srv", "\\\\srv"},
    {RULE(DriveOf), "\\x\\y", ""},
    {RULE(DriveOf), "x\\y", ""},
};

#undef RULE

TEST(WindowsPath, RulesKeepTheirOwnMeaning) {
  for (const PathCase& c : kCases)
    EXPECT_EQ(c.apply(c.path), c.expected) << c.rule << "(\"" << c.path << "\")";
}

TEST(WindowsPath, JoinAddsOneBackslashUnlessTheFolderEndsWithASeparator) {
  struct JoinCase {
    const char* folder;
    const char* relative;
    const char* expected;
  };
  const JoinCase cases[] = {
      {"C:\\out", "a\\b.txt", "C:\\out\\a\\b.txt"},
      {"C:\\out\\", "b.txt", "C:\\out\\b.txt"},
      {"/tmp/out/", "b.txt", "/tmp/out/b.txt"},
      {"", "b.txt", "b.txt"},
  };
  for (const JoinCase& c : cases)
    EXPECT_EQ(JoinPath(c.folder, c.relative), c.expected) << c.folder << " + " << c.relative;
}

}  // namespace
}  // namespace quarrix
