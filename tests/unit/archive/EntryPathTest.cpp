#include "archive/EntryPath.h"

#include <gtest/gtest.h>

#include "archive/Cp1252CodePage.h"

namespace quarrix::archive {
namespace {

TEST(EntryPathTest, OnlyPlainRelativeNamesAreSafe) {
  struct Case {
    const char* path;
    bool safe;
  };
  const Case cases[] = {
      {"readme.txt", true},         {"bin\\tool.exe", true},      {"a b\\c.d.e", true},   {"caf\xE9.txt", true},
      {"..\\evil.txt", false},      {"bin\\..\\..\\x", false},    {".\\x", false},         {"\\windows\\x", false},
      {"\\\\server\\share\\x", false}, {"C:\\x.txt", false},      {"C:x.txt", false},      {"file.txt:stream", false},
      {"a\\\\b", false},            {"a\\", false},               {"", false},             {"name.", false},
      {"name ", false},             {"dir.\\x", false},           {"CON", false},          {"nul.txt", false},
      {"sub\\Aux.log", false},      {"COM1", false},              {"lpt9.dat", false},     {"com\xB9", false},
      {"CON .txt", false},          {"COM0", true},               {"CONSOLE.txt", true},   {"LPT10", true},
      {"a?b", false},               {"a*b", false},               {"a<b", false},          {"a|b", false},
      {"a\"b", false},              {"a/b", false},               {"tab\there", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(IsSafeEntryPath(c.path), c.safe);
  }
}

TEST(EntryPathTest, NamesConvertToCp1252WithQuestionMarksAndBackslashes) {
  Cp1252CodePage codePage;
  EXPECT_EQ(ToEntryPath(u"docs/caf\u00E9 \u20AC\u2122.txt", codePage), "docs\\caf\xE9 \x80\x99.txt");
  EXPECT_EQ(ToEntryPath(u"\u0444\U0001F600.txt", codePage), "??.txt");
  EXPECT_EQ(codePage.ToWide("\x80\x9F\xFF"), u"\u20AC\u0178\u00FF");
}

}  // namespace
}  // namespace quarrix::archive
