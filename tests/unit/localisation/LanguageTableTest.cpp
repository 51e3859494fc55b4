#include "localisation/LanguageTable.h"

#include <gtest/gtest.h>

#include "platform/sim/SimSystemInfo.h"

namespace quarrix {

using platform::LocaleItem;
using platform::kLocaleUserDefault;

TEST(LanguageTable, LcidOfNameIgnoresCaseAndDefaultsToEnglish) {
  const std::pair<const char*, const char*> cases[] = {
      {"spanish", "3082"}, {"SPANISH", "3082"}, {"German", "1031"},
      {"Portugese (Portugal)", "2070"}, {"chinese (prc)", "2052"}, {"Vietnamese", "1066"},
      {"Portuguese (Brazil)", "1033"},  // only the table's own spelling is known
      {"Klingon", "1033"}, {"", "1033"},
  };
  for (const auto& [name, lcid] : cases) {
    SCOPED_TRACE(name);
    EXPECT_EQ(LanguageLcid(name), lcid);
  }
}

TEST(LanguageTable, NameOfLcidFallsBackThroughTheEnglishName) {
  platform::sim::SimSystemInfo system;
  system.locale[{0x0439, LocaleItem::EnglishLanguage}] = "Hindi";    // a name the table lacks
  system.locale[{0x0809, LocaleItem::EnglishLanguage}] = "English";  // another English
  system.locale[{0x0807, LocaleItem::EnglishLanguage}] = "german";   // letter case of the answer
  const std::pair<uint32_t, const char*> cases[] = {
      {1031, "German"}, {1046, "Portugese (Brazil)"}, {3082, "Spanish"}, {1033, "English"},
      {1034, "Spanish"},  // not listed; Windows calls it Spanish
      {0x0807, "German"}, {0x0439, "English"}, {0x0809, "English"},
      {0x0455, "English"},  // Windows has no name for it
      {0, "English"},
  };
  for (const auto& [lcid, name] : cases) {
    SCOPED_TRACE(lcid);
    EXPECT_EQ(LanguageName(lcid, system), name);
  }
}

TEST(LanguageTable, UserLanguageIdReadsTheLocaleAsHexadecimal) {
  platform::sim::SimSystemInfo system;
  system.locale[{kLocaleUserDefault, LocaleItem::Language}] = "0413";
  system.locale[{kLocaleUserDefault, LocaleItem::DefaultLanguage}] = "0c0a";
  EXPECT_EQ(UserLanguageId(system, false), 0x0413u);
  EXPECT_EQ(UserLanguageId(system, true), 0x0C0Au);

  for (const char* bad : {"", "04G7", " 0407", "-407"}) {
    SCOPED_TRACE(bad);
    system.locale[{kLocaleUserDefault, LocaleItem::Language}] = bad;
    EXPECT_EQ(UserLanguageId(system, false), 0u);
  }
  system.locale.erase({kLocaleUserDefault, LocaleItem::Language});
  EXPECT_EQ(UserLanguageId(system, false), 0u);
  EXPECT_EQ(LanguageName(UserLanguageId(system, false), system), "English");
}

}  // namespace quarrix
