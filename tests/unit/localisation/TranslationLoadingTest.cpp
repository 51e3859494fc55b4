#include "localisation/TranslationLoading.h"

#include <gtest/gtest.h>

#include "support/TempMachine.h"

namespace quarrix {
namespace {

const std::string kFolder = "C:\\Users\\User\\AppData\\Local\\Temp\\zvk1\\";

class TranslationLoadingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    files().CreateDirectories(kFolder);
    Write("translations.Map", "Welcome.dfm\r\nWelcome.dfm\r\n");
    Write("Product.mtx", "Heading\r\nNextButton\r\n");
    Write("translations.Original", "Welcome\r\nNext\r\n");
    Write("translations.German", "Willkommen\r\nWeiter\r\n");
    Write("translations.French", "Bienvenue\r\nSuivant\r\n");
  }

  platform::FileSystem& files() { return temp.machine.files; }
  void Write(const std::string& name, const std::string& text) { files().WriteFile(kFolder + name, text); }
  std::string Load(const std::string& language) {
    return LoadTranslations(state, tables, messages, TranslationSources{files(), temp.machine.system, kFolder, "Product"},
                            language);
  }

  testing::TempMachine temp;
  LanguageState state;
  TranslationTables tables;
  MessageTable messages;
};

TEST_F(TranslationLoadingTest, ALanguageLoadsItsFourTablesAndItsSharedMessages) {
  std::string shared;
  for (int slot = 1; slot <= MessageTable::kSlotCount; ++slot) shared += "Meldung " + std::to_string(slot) + "\r\n";
  Write("shared.translations.German", shared);
  EXPECT_EQ(Load("German"), "German");
  EXPECT_EQ(tables.owners, (StringList{"Welcome.dfm", "Welcome.dfm"}));
  EXPECT_EQ(tables.keys, (StringList{"Heading", "NextButton"}));
  EXPECT_EQ(tables.texts, (StringList{"Willkommen", "Weiter"}));
  EXPECT_EQ(tables.originals, (StringList{"Welcome", "Next"}));
  EXPECT_EQ(messages.Text(20), "Meldung 20");
  EXPECT_EQ(state.lastLoaded, "German");

  EXPECT_EQ(Load("French"), "French");
  EXPECT_EQ(tables.texts, (StringList{"Bienvenue", "Suivant"}));
  EXPECT_EQ(messages.Text(20), "Meldung 20") << "a language without shared file keeps the message table";
}

TEST_F(TranslationLoadingTest, TheLanguageAlreadyLoadedIsNotReadAgainAndNoneLoadsNothing) {
  ASSERT_EQ(Load("German"), "German");
  Write("translations.German", "Neu\r\n");
  EXPECT_EQ(Load("German"), "German");
  EXPECT_EQ(tables.texts, (StringList{"Willkommen", "Weiter"}));
  EXPECT_EQ(Load(""), "");
  EXPECT_EQ(tables.texts, (StringList{"Willkommen", "Weiter"})) << "no language keeps the tables";
  EXPECT_EQ(Load("German"), "German");
  EXPECT_EQ(tables.texts, (StringList{"Willkommen", "Weiter"})) << "still the loaded language";
}

TEST_F(TranslationLoadingTest, AMissingFileEmptiesTheLanguageAndKeepsWhatWasReadBeforeIt) {
  ASSERT_EQ(Load("German"), "German");
  files().RemoveFile(kFolder + "translations.Original");
  EXPECT_EQ(Load("French"), "");
  EXPECT_EQ(tables.texts, (StringList{"Bienvenue", "Suivant"})) << "read before the missing file";
  EXPECT_EQ(tables.originals, (StringList{"Welcome", "Next"})) << "the old table stays";
  EXPECT_EQ(Load("Spanish"), "") << "no file at all";
  // Naming the failed language again, once its files are there, loads it.
  Write("translations.Original", "Welcome\r\nNext\r\n");
  EXPECT_EQ(Load("French"), "French");
}

}  // namespace
}  // namespace quarrix
