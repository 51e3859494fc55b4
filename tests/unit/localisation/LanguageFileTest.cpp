#include "localisation/LanguageFile.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/TempMachine.h"

namespace quarrix {
namespace {

const std::string kPath = "C:\\Users\\User\\AppData\\Local\\Temp\\lang.loc";

// A block of `lines` lines, line k reading "<tag> k".
std::string Block(const std::string& tag, int lines = MessageTable::kSlotCount) {
  std::string text;
  for (int slot = 1; slot <= lines; ++slot) text += tag + " " + std::to_string(slot) + "\r\n";
  return text;
}

std::string Section(const std::string& language, const std::string& tag) { return language + "\r\n" + Block(tag); }

class LanguageFileTest : public ::testing::Test {
 protected:
  bool Load(const std::string& content, uint32_t userLanguage) {
    machine.machine.system.SetUserLanguage(userLanguage);
    machine.machine.files.WriteFile(kPath, content);
    return LoadLanguageFile(table, machine.machine.files, machine.machine.system, kPath);
  }

  testing::TempMachine machine;
  MessageTable table;
};

TEST_F(LanguageFileTest, PicksTheUsersBlockOrElseTheLastOne) {
  const std::string germanAndFrench = Block("Default") + Section("German", "Deutsch") + Section("French", "Francais");
  struct Case {
    const char* name;
    std::string content;
    uint32_t user;
    std::string expectedTag;
  };
  const std::vector<Case> cases = {
      {"default block only, German user", Block("Default"), 0x0407, "Default"},
      {"no section for a Dutch user", germanAndFrench, 0x0413, "Francais"},
      {"German user stops at German", germanAndFrench, 0x0407, "Deutsch"},
      {"French user", germanAndFrench, 0x040C, "Francais"},
      {"header case is ignored", Block("Default") + Section("gERMAN", "Deutsch") + Section("French", "Francais"),
       0x0407, "Deutsch"},
      {"unlisted sublanguage by English name", Block("Default") + Section("Spanish", "Espanol") +
       Section("French", "Francais"), 0x040A, "Espanol"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    table = MessageTable();
    ASSERT_TRUE(Load(c.content, c.user));
    for (int slot : {1, 2, 54, 90, 112, 115}) EXPECT_EQ(table.Text(slot), c.expectedTag + " " + std::to_string(slot));
  }
}

TEST_F(LanguageFileTest, SlotsNinetyOneToOneHundredElevenAreReadAndDiscarded) {
  ASSERT_TRUE(Load(Block("Default") + Section("German", "Deutsch"), 0x0407));
  EXPECT_EQ(table.Text(90), "Deutsch 90");
  for (int slot : {91, 100, 111}) EXPECT_EQ(table.Text(slot), "") << slot;
  EXPECT_EQ(table.Text(112), "Deutsch 112");  // line 112 of the block, so the lines stay aligned
}

TEST_F(LanguageFileTest, FileEndingInsideABlockEmptiesTheRemainingSlots) {
  struct Case {
    const char* name;
    std::string content;
    std::string tag;
    int lines;
  };
  const std::vector<Case> cases = {
      {"short default block", Block("Default", 10), "Default", 10},
      {"short section", Block("Default") + "German\r\n" + Block("Deutsch", 30), "Deutsch", 30},
      {"header without block", Block("Default") + "German\r\n", "", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    table = MessageTable();
    ASSERT_TRUE(Load(c.content, 0x0407));
    for (int slot = 1; slot <= MessageTable::kSlotCount; ++slot) {
      bool read = slot <= c.lines && (slot < 91 || slot > 111);
      ASSERT_EQ(table.Text(slot), read ? c.tag + " " + std::to_string(slot) : "") << slot;
    }
  }
}

TEST_F(LanguageFileTest, FinalLineWithoutLineEndAndBlankTexts) {
  std::string content = Block("Default");
  content.resize(content.size() - 2);   // "Default 115" without CR LF
  content.replace(0, 9, "");            // slot 1 blank: "\r\n" starts the file
  ASSERT_TRUE(Load(content, 0x0409));
  EXPECT_EQ(table.Text(1), "");
  EXPECT_EQ(table.Text(2), "Default 2");
  EXPECT_EQ(table.Text(115), "Default 115");
}

TEST_F(LanguageFileTest, MissingOrEmptyFileLeavesTheTableUnchanged) {
  table.Set(2, "kept");
  EXPECT_FALSE(LoadLanguageFile(table, machine.machine.files, machine.machine.system,
                                "C:\\Users\\User\\AppData\\Local\\Temp\\missing.loc"));
  EXPECT_FALSE(Load("", 0x0409));
  EXPECT_EQ(table.Text(2), "kept");
  EXPECT_EQ(table.Text(3), "Setup resource decompression failure");
}

}  // namespace
}  // namespace quarrix
