// The language file the archive library carries is checked in beside it; it must never drift
// from the built-in English texts, and start-up must find it behind a library image.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "support/BuildPaths.h"
#include <vector>

#include "localisation/LanguageFile.h"
#include "localisation/MessageTable.h"
#include "engine/AppendedData.h"
#include "startup/PeImageBuilder.h"
#include "support/TempMachine.h"

namespace quarrix {
namespace {

std::string ReadShippedLanguageFile() {
  // Not beside __FILE__: the compiler cache may make that path relative to the build folder.
  const auto path = std::filesystem::path(quarrix::testing::SourceDir()) / "src/archive/zvk/English.lang";
  std::ifstream file(path, std::ios::binary);
  EXPECT_TRUE(file) << path;
  return std::string(std::istreambuf_iterator<char>(file), {});
}

std::vector<std::string> SplitCrLfLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(text.substr(start, end - start));
  EXPECT_EQ(start, text.size()) << "the last line must end with CR LF";
  return lines;
}

TEST(EnglishLanguageFileTest, EveryLineIsTheDefaultTextOfItsSlot) {
  const std::string text = ReadShippedLanguageFile();
  EXPECT_EQ(text.find('\n'), text.find("\r\n") + 1) << "lines end with CR LF";
  const std::vector<std::string> lines = SplitCrLfLines(text);
  ASSERT_EQ(lines.size(), static_cast<size_t>(MessageTable::kSlotCount));
  const MessageTable defaults;
  for (int slot = 1; slot <= MessageTable::kSlotCount; ++slot) {
    SCOPED_TRACE("slot " + std::to_string(slot));
    EXPECT_EQ(lines[slot - 1].find_first_of("\r\n"), std::string::npos);
    EXPECT_EQ(lines[slot - 1], defaults.Text(slot));
    if (slot >= 91 && slot <= 111) {
      EXPECT_EQ(lines[slot - 1], "");
    }
  }
}

// The shipped block stays the default; a German section added behind it wins for a German user.
TEST(EnglishLanguageFileTest, LibraryTailServesTheUsersLanguage) {
  std::string german = "German\r\n";
  for (int slot = 1; slot <= MessageTable::kSlotCount; ++slot)
    german += (slot == 3 ? std::string("Entpacken der Setup-Ressource fehlgeschlagen") : "") + "\r\n";
  const std::string library = testing::MakePeImage({{0x400, 0x600}, {0xA00, 0x200}}) + ReadShippedLanguageFile() + german;

  testing::TempMachine temp;
  auto& m = temp.machine;
  m.system.SetUserLanguage(0x0407);
  const std::string libraryPath = "C:\\Setup\\zvk.lib";
  const std::string languagePath = m.system.tempPath + "lang.loc";
  m.files.CreateDirectories("C:\\Setup");
  ASSERT_TRUE(m.files.WriteFile(libraryPath, library));
  ASSERT_TRUE(ExtractAppendedData(m.files, libraryPath, languagePath));
  MessageTable table;
  ASSERT_TRUE(LoadLanguageFile(table, m.files, m.system, languagePath));
  EXPECT_EQ(table.Text(3), "Entpacken der Setup-Ressource fehlgeschlagen");
  EXPECT_EQ(table.Text(2), "");  // the German block replaces every slot
}

TEST(EnglishLanguageFileTest, LibraryTailAloneRestoresTheEnglishTexts) {
  testing::TempMachine temp;
  auto& m = temp.machine;
  m.system.SetUserLanguage(0x0407);
  const std::string libraryPath = "C:\\Setup\\zvk.lib";
  const std::string languagePath = m.system.tempPath + "lang.loc";
  m.files.CreateDirectories("C:\\Setup");
  ASSERT_TRUE(m.files.WriteFile(libraryPath, testing::MakePeImage({{0x400, 0x600}}) + ReadShippedLanguageFile()));
  ASSERT_TRUE(ExtractAppendedData(m.files, libraryPath, languagePath));
  MessageTable table;
  for (int slot = 1; slot <= MessageTable::kSlotCount; ++slot) table.Set(slot, "x");
  ASSERT_TRUE(LoadLanguageFile(table, m.files, m.system, languagePath));
  const MessageTable defaults;
  for (int slot = 1; slot <= MessageTable::kSlotCount; ++slot) {
    if (slot >= 91 && slot <= 111) continue;  // read from the file and discarded
    EXPECT_EQ(table.Text(slot), defaults.Text(slot)) << slot;
  }
}

}  // namespace
}  // namespace quarrix
