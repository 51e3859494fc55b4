#include "localisation/LanguageSelection.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "support/TempMachine.h"

namespace quarrix {
namespace {

TEST(LanguageSelectionTest, PreselectsTheUsersLanguageElseTheLastDefaultElseTheFirst) {
  struct Case {
    const char* name;
    StringList names;
    const char* defaultLanguage;
    const char* user;
    size_t expected;
  };
  const std::vector<Case> cases = {
      {"user's language wins over the default", {"English", "German"}, "English", "German", 1},
      {"unknown user language: the default", {"German", "English"}, "English", "Japanese", 1},
      {"letter case is ignored", {"english", "GERMAN"}, "English", "German", 1},
      {"first match of the user's language", {"German", "English", "German"}, "English", "German", 0},
      {"last match of the default", {"English", "French", "English"}, "English", "Dutch", 2},
      {"neither: the first item", {"French", "German"}, "English", "Dutch", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(PreselectedLanguage(c.names, c.defaultLanguage, c.user), c.expected);
  }
}

TEST(LanguageSelectionTest, OffersTheLanguageFilesWithoutTheProjectTablesAndSharedFiles) {
  for (const std::string& folder : {std::string("C:\\Support\\"), std::string("C:\\Users\\shared\\zvk1\\")}) {
    SCOPED_TRACE(folder);
    testing::TempMachine temp;
    platform::FileSystem& files = temp.machine.files;
    files.CreateDirectories(folder + "translations.Folder");
    for (const char* name : {"translations.German", "translations.Map", "translations.ORIGINAL", "translations.English",
                             "shared.translations.German", "translations.shared", "Setup.mtx"})
      files.WriteFile(folder + name, "x");
    OfferedLanguages offered = ListOfferedLanguages(files, folder, "english");
    std::sort(offered.names.begin(), offered.names.end());
    EXPECT_EQ(offered.names, (StringList{"English", "German"}));
    EXPECT_TRUE(offered.defaultFound);
    EXPECT_FALSE(ListOfferedLanguages(files, folder, "French").defaultFound);
  }
}

}  // namespace
}  // namespace quarrix
