#include "msi/InstallerRegistration.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/sim/SimRegistry.h"

namespace quarrix {
namespace {

using platform::RegistryRoot;
using platform::RegistryType;
using platform::RegistryValue;
using platform::RegistryView;

constexpr const char* kProduct = "{12345678-9ABC-DEF0-1234-56789ABCDEF0}";
constexpr const char* kPacked = "87654321CBA90FED21436587A9CBED0F";

TEST(PackGuidTest, ReversesTheFirstGroupsAndSwapsThePairsOfTheRest) {
  EXPECT_EQ(PackGuid(kProduct), kPacked);
  EXPECT_EQ(PackGuid("{00000000-0000-0000-C000-000000000046}"), "00000000000000000C00000000000064");
}

class SourceListTest : public ::testing::Test {
 protected:
  std::string Text(RegistryRoot root, const std::string& key, const std::string& name) {
    auto value = registry.ReadValue(root, key, name, RegistryView::Default);
    return value ? value->data : "<none>";
  }
  void Put(RegistryRoot root, const std::string& key, const std::string& name, const std::string& text) {
    registry.WriteValue(root, key, name, RegistryValue{RegistryType::ExpandString, text}, RegistryView::Default);
  }
  void Redirect() {
    RedirectSourceList(registry, true, kProduct, "C:\\Cache\\{REV}\\", "C:\\Cache\\{REV}\\data\\", "\\Cache\\");
  }

  platform::sim::SimRegistry registry;
  const std::string user = std::string("SOFTWARE\\Microsoft\\Installer\\Products\\") + kPacked + "\\SourceList\\";
  const std::string classes = std::string("Installer\\Products\\") + kPacked + "\\SourceList\\";
};

TEST_F(SourceListTest, LastUsedSourceKeepsItsPrefixUpToTheLastSemicolon) {
  Put(RegistryRoot::CurrentUser, user, "LastUsedSource", "n;1;D:\\old\\");
  Put(RegistryRoot::ClassesRoot, classes, "LastUsedSource", "D:\\old\\");
  Redirect();
  EXPECT_EQ(Text(RegistryRoot::CurrentUser, user, "LastUsedSource"), "n;1;C:\\Cache\\{REV}\\");
  EXPECT_EQ(Text(RegistryRoot::ClassesRoot, classes, "LastUsedSource"), "C:\\Cache\\{REV}\\");
  EXPECT_EQ(registry.ReadValue(RegistryRoot::CurrentUser, user, "LastUsedSource", RegistryView::Default)->type,
            RegistryType::ExpandString);
}

TEST_F(SourceListTest, NetListGainsTheTwoFoldersAfterItsLargestNumber) {
  Put(RegistryRoot::CurrentUser, user + "Net\\", "1", "D:\\a\\");
  Put(RegistryRoot::CurrentUser, user + "Net\\", "2", "D:\\b\\");
  Put(RegistryRoot::CurrentUser, user + "Net\\", "x7", "D:\\c\\");
  registry.CreateKey(RegistryRoot::ClassesRoot, classes + "Net\\", RegistryView::Default);
  Redirect();
  EXPECT_EQ(Text(RegistryRoot::CurrentUser, user + "Net\\", "3"), "C:\\Cache\\{REV}\\");
  EXPECT_EQ(Text(RegistryRoot::CurrentUser, user + "Net\\", "4"), "C:\\Cache\\{REV}\\data\\");
  EXPECT_EQ(Text(RegistryRoot::ClassesRoot, classes + "Net\\", "1"), "C:\\Cache\\{REV}\\");
  EXPECT_EQ(Text(RegistryRoot::ClassesRoot, classes + "Net\\", "2"), "C:\\Cache\\{REV}\\data\\");
}

TEST_F(SourceListTest, MediaPackageIsOnlyReplacedWhereItExists) {
  Put(RegistryRoot::CurrentUser, user + "Media\\", "MediaPackage", "\\old\\");
  registry.CreateKey(RegistryRoot::ClassesRoot, classes + "Media\\", RegistryView::Default);
  Redirect();
  EXPECT_EQ(Text(RegistryRoot::CurrentUser, user + "Media\\", "MediaPackage"), "\\Cache\\");
  EXPECT_EQ(Text(RegistryRoot::ClassesRoot, classes + "Media\\", "MediaPackage"), "<none>");
  EXPECT_FALSE(registry.KeyExists(RegistryRoot::ClassesRoot, classes + "Net", RegistryView::Default));
}

TEST_F(SourceListTest, AProductTheInstallerDoesNotKnowIsLeftAlone) {
  Redirect();
  EXPECT_TRUE(registry.Keys().empty());
}

TEST(ClearTempPackagesTest, DeletesOnlyTheProductsValues) {
  platform::sim::SimRegistry registry;
  const char* key = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\TempPackages";
  const std::string lower = "{12345678-9abc-def0-1234-56789abcdef0}";
  for (const std::string& name : {std::string("C:\\Temp\\") + kProduct + "\\a.msi", std::string("C:\\Temp\\other.msi"),
                                  std::string("C:\\Temp\\") + lower + "\\b.msi", std::string(kProduct)})
    registry.WriteValue(platform::RegistryRoot::LocalMachine, key, name, RegistryValue::Number(1),
                        RegistryView::Default);
  ClearTempPackages(registry, lower);
  auto names = registry.ListValueNames(platform::RegistryRoot::LocalMachine, key, RegistryView::Default);
  ASSERT_TRUE(names);
  std::sort(names->begin(), names->end());
  // The comparison is with the upper-cased product code, as the installer writes it.
  EXPECT_EQ(*names, (std::vector<std::string>{"C:\\Temp\\other.msi", std::string("C:\\Temp\\") + lower + "\\b.msi"}));
}

}  // namespace
}  // namespace quarrix
