// The language of a run: chosen at its start (the language dialog, the default, the installed
// instance's record) and followed line by line as the script changes LANGUAGE.
#include "engine/RunLanguage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/ScriptRunner.h"
#include "ui/DialogFixture.h"

namespace quarrix {
namespace {

constexpr const char* kRevision = "{22222222-3333-4444-5555-666666666666}";
constexpr const char* kProduct = "{77777777-8888-9999-AAAA-BBBBBBBBBBBB}";

std::string Script(bool ask, const std::string& lines = "Set Variable: SEEN \"[$LANGUAGE$]\"\n",
                   const std::string& setup = "") {
  return std::string("#quarrix-script 1\n[setup]\ntitle = \"Lang Test\"\ndefault-language = English\n") + setup +
         "product-code = " + kProduct + "\nrevision-code = " + kRevision + "\nask-language = " +
         (ask ? "TRUE" : "FALSE") + "\n[script]\n" + lines;
}

// The support folder of a setup translated into English and German: one label of the Page dialog.
void WriteTranslations(testing::ScriptRunner& runner, bool keyTable = true) {
  platform::FileSystem& files = runner.machine.files;
  const std::string& folder = runner.session.supportFolder;
  files.WriteFile(folder + "translations.Map", "Page.dfm\r\n");
  files.WriteFile(folder + "translations.Original", "Hello\r\n");
  files.WriteFile(folder + "translations.English", "Hello\r\n");
  files.WriteFile(folder + "translations.German", "Hallo\r\n");
  if (keyTable) files.WriteFile(folder + "Lang Test.mtx", "Greeting\r\n");
}

bool LanguageDialogShown(testing::ScriptRunner& runner) {
  const auto& log = runner.machine.toolkit.log;
  return std::any_of(log.begin(), log.end(), [](const std::string& line) { return line.find("shown: SetLanguage") == 0; });
}

std::string Preselected(testing::ScriptRunner& runner) {
  for (const std::string& line : runner.machine.toolkit.log)
    if (line.find("  LangCombo (TComboBox, LANGUAGE) = ") == 0) return line.substr(line.find("= ") + 2);
  return "(not shown)";
}

// An installed instance of the product whose record names its language.
void InstallInstance(testing::ScriptRunner& runner, const std::string& recordedLanguage) {
  platform::sim::SimProduct product;
  product.properties["PackageCode"] = kRevision;
  runner.machine.installer.products[kProduct] = product;
  const std::string folder = "C:\\Users\\User\\AppData\\Local\\" + std::string(kRevision) + "\\";
  runner.machine.files.CreateDirectories(folder);
  runner.machine.files.WriteFile(folder + "setup.dat", "");
  runner.machine.files.WriteFile(folder + "setup.lan", recordedLanguage + "\r\n");
  runner.machine.registry.WriteValue(platform::RegistryRoot::CurrentUser,
                                     std::string("SOFTWARE\\Orlevant\\Quarrix\\Ident.Cache\\") + kProduct, "",
                                     platform::RegistryValue::Text(folder), platform::RegistryView::Default);
}

// A patch beside the package, for the product installed from an older revision's instance folder
// whose record names its language.
void PlacePatch(testing::ScriptRunner& runner, const std::string& recordedLanguage) {
  const std::string folder = "C:\\Users\\User\\AppData\\Local\\{OLD}\\";
  runner.machine.files.CreateDirectories(folder);
  runner.machine.files.WriteFile(folder + "setup.dat", "");
  runner.machine.files.WriteFile(folder + "setup.lan", recordedLanguage + "\r\n");
  runner.machine.files.WriteFile(runner.session.supportFolder + "setup.msp", "patch");
  runner.machine.registry.WriteValue(platform::RegistryRoot::CurrentUser,
                                     "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Lang Test",
                                     "UninstallString",
                                     platform::RegistryValue::Text("\"" + folder + "setup.exe\" REMOVE=TRUE MODIFY=FALSE"),
                                     platform::RegistryView::Default);
}

TEST(RunLanguageTest, SelectLanguageAtTheStartOfARun) {
  struct Case {
    const char* name;
    bool ask;
    bool keyTable;
    uint32_t user;
    std::vector<std::string> answers;
    const char* arguments;
    const char* installed;  // the language record of an installed instance; nullptr: first run
    const char* expected;
    bool dialog;
    const char* preselected;
    bool patch;
  };
  const std::vector<Case> cases = {
      {"no key table: one language, nothing asked", true, false, 0x0407, {}, "", nullptr, "[]", false, "", false},
      {"default language without asking", false, true, 0x0407, {}, "", nullptr, "[English]", false, "", false},
      {"German user gets German preselected", true, true, 0x0407, {"OK"}, "", nullptr, "[German]", true, "German", false},
      {"Japanese user gets the default preselected", true, true, 0x0411, {"OK"}, "", nullptr, "[English]", true,
       "English", false},
      {"the user's choice", true, true, 0x0409, {"LangCombo=German", "OK"}, "", nullptr, "[German]", true,
       "English", false},
      {"silent run takes the preselected one", true, true, 0x0407, {}, "/qn", nullptr, "[German]", false, "", false},
      {"maintenance reads the instance's record", true, true, 0x0409, {}, "", "German", "[German]", false, "", false},
      {"a patch reads its target's record", true, true, 0x0409, {}, "", "German", "[German]", false, "", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testing::ScriptRunner runner(Script(c.ask, "Set Variable: SEEN \"[$LANGUAGE$]\"\n", c.patch ? "build-mode = 3\n" : ""),
                                 c.arguments);
    WriteTranslations(runner, c.keyTable);
    runner.machine.system.SetUserLanguage(c.user);
    runner.machine.toolkit.answers.assign(c.answers.begin(), c.answers.end());
    runner.machine.toolkit.pressNextWhenDone = false;
    if (c.installed && c.patch) {
      PlacePatch(runner, c.installed);
    } else if (c.installed) {
      InstallInstance(runner, c.installed);
    }
    runner.Run();
    EXPECT_EQ(runner.Var("SEEN"), c.expected) << runner.session.runtimeErrorReport;
    EXPECT_EQ(LanguageDialogShown(runner), c.dialog);
    if (c.dialog) {
      EXPECT_EQ(Preselected(runner), c.preselected);
    }
    if (c.installed) {
      EXPECT_EQ(runner.Var("MAINTENANCE"), c.patch ? "FALSE" : "TRUE");
    }
  }
}

TEST(RunLanguageTest, CancelInTheLanguageDialogEndsTheRunBeforeItsFirstLine) {
  testing::ScriptRunner runner(Script(true));
  WriteTranslations(runner);
  runner.machine.toolkit.answers = {"CANCEL"};
  runner.Run();
  EXPECT_TRUE(LanguageDialogShown(runner));
  EXPECT_EQ(runner.Var("SEEN"), "");
  EXPECT_TRUE(runner.session.runtimeErrorReport.empty());
  EXPECT_TRUE(runner.machine.ui.shown.empty()) << "no box: the setup ends quietly";
  EXPECT_TRUE(runner.machine.ui.styledAnswers.empty()) << "no confirmation is waiting to be answered";
}

TEST(RunLanguageTest, ALanguageTheScriptSetsIsLoadedBeforeTheNextLine) {
  testing::ScriptRunner runner(Script(false, "Set Variable: FIRST \"[$LANGUAGE$]\"\n"
                                             "Set Variable: LANGUAGE German\n"
                                             "Set Variable: SECOND \"[$LANGUAGE$]\"\n"
                                             "Set Variable: LANGUAGE Klingon\n"
                                             "Set Variable: THIRD \"[$LANGUAGE$]\"\n"));
  WriteTranslations(runner);
  runner.Run();
  EXPECT_EQ(runner.Var("FIRST"), "[English]");
  EXPECT_EQ(runner.Var("SECOND"), "[German]");
  EXPECT_EQ(runner.session.translations.texts, (StringList{"Hallo"}));
  EXPECT_EQ(runner.Var("THIRD"), "[]") << "no translation files for it";
}

TEST(RunLanguageTest, ADialogControlShowsItsTranslationForItsDialogAndName) {
  for (const char* language : {"English", "German"}) {
    SCOPED_TRACE(language);
    testing::DialogRunner runner(Script(false, std::string("Set Variable: LANGUAGE ") + language +
                                                   "\nDisplay Dialog: Page WIZARD TRUE \"\" \"\" \"\"\n"
                                                   "Display Dialog: Other WIZARD TRUE \"\" \"\" \"\"\n"));
    WriteTranslations(runner);
    const auto label = testing::Control("Greeting", "TLabel", {{"Caption", "design"}});
    runner.Load({{"Page", testing::Dialog("Page", {label, testing::NextButton()})},
                 {"Other", testing::Dialog("Other", {label, testing::NextButton()})}});
    std::vector<std::string> captions;
    runner.toolkit.onLog = [&](const std::string& line) {
      if (line.rfind("shown:", 0) == 0)
        captions.push_back(runner.toolkit.GetProperty(runner.toolkit.TopForm(), "Greeting", "Caption").value_or(""));
    };
    runner.Run();
    const std::string translated = std::string(language) == "German" ? "Hallo" : "Hello";
    EXPECT_EQ(captions, (std::vector<std::string>{translated, "design"})) << "only Page.dfm translates Greeting";
  }
}

}  // namespace
}  // namespace quarrix
