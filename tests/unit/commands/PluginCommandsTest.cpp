// Plug-in lines on the simulated machine: the library each line names, what its entry point
// hands back, and the lines that go on when it hands back nothing usable.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/ScriptRunner.h"

namespace quarrix {
namespace {

using platform::PluginOutcome;
using platform::sim::SimPlugin;
using testing::ScriptRunner;

constexpr const char* kMissingLibrary =
    "Unable to load plug-in library. Please rebuild your project and make sure all required plug-ins are "
    "installed.\r\rAction skipped";

// A script whose plug-in command is "Greet"; setup values and script lines as given.
std::string Script(const std::string& setup, const std::string& lines) {
  return "#quarrix-script 1\n[setup]\ntitle = Sample\nplugin-command = Greet\n" + setup + "[script]\n" + lines;
}

void Place(ScriptRunner& runner, const std::string& path, SimPlugin plugin = {}) {
  auto& files = runner.machine.files;
  files.CreateDirectories(path.substr(0, path.rfind('\\')));
  files.WriteFile(path, "MZ");
  if (plugin.library.empty()) plugin.library = path;
  runner.machine.plugins.plugins.push_back(std::move(plugin));
}

std::vector<std::string> BoxTexts(const ScriptRunner& runner) {
  std::vector<std::string> texts;
  for (const auto& box : runner.machine.ui.shown) texts.push_back(box.text);
  return texts;
}

TEST(PluginCommandsTest, TheStoreBecomesWhatThePluginReturnsOrStaysWhenItReturnsNothingUsable) {
  struct Case {
    const char* label;
    PluginOutcome outcome;
    bool emptyOutput;
    bool changed;
  };
  const Case cases[] = {
      {"returns", PluginOutcome::Returned, false, true},
      {"returns an empty text", PluginOutcome::Returned, true, false},
      {"first call gives -1", PluginOutcome::Failed, false, false},
      {"first call raises", PluginOutcome::Raised, false, false},
      {"the copy of the output raises", PluginOutcome::OutputLost, false, false},
      {"no entry point", PluginOutcome::NoEntryPoint, false, false},
      {"not a library", PluginOutcome::NotLoaded, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    ScriptRunner runner(Script("", "Set Variable: ABORTONERROR FALSE\n"
                                   "Set Variable: KEPT before\n"
                                   "Set Variable: GONE here\n"
                                   "Greet: \"hello $KEPT$\" greet.dll\n"
                                   "Set Variable: AFTER ran\n"),
                        "/s");
    Place(runner, runner.session.supportFolder + "greet.dll",
          SimPlugin{"", c.outcome, c.emptyOutput, {"KEPT=changed", "-GONE", "NEW=$DATA$"}});
    runner.Run();
    EXPECT_EQ(runner.Var("KEPT"), c.changed ? "changed" : "before");
    EXPECT_EQ(runner.session.variables.VariableExists("GONE"), !c.changed) << "a name left out is removed";
    EXPECT_EQ(runner.Var("NEW"), c.changed ? "hello $KEPT$" : "") << "the plug-in data is passed on as stored";
    EXPECT_EQ(runner.Var("AFTER"), "ran");
    EXPECT_TRUE(runner.machine.ui.shown.empty()) << "no box for a plug-in that answers nothing usable";
    ASSERT_EQ(runner.machine.plugins.Calls().size(), 1u);
    EXPECT_EQ(runner.machine.plugins.Calls()[0].outcome, c.outcome);
  }
}

TEST(PluginCommandsTest, AnEmptyAnswerIsAGeneralFailureOnlyWithAbortOnError) {
  ScriptRunner runner(Script("", "Set Variable: ABORTONERROR TRUE\n"
                                 "Greet: data greet.dll\n"
                                 "Set Variable: AFTER ran\n"),
                      "/s");
  Place(runner, runner.session.supportFolder + "greet.dll", SimPlugin{"", PluginOutcome::Returned, true, {}});
  runner.Run();
  EXPECT_NE(runner.session.runtimeErrorReport.find("General setup failure"), std::string::npos)
      << runner.session.runtimeErrorReport;
  EXPECT_NE(runner.session.runtimeErrorReport.find("Line Number: 7"), std::string::npos);
  EXPECT_EQ(runner.Var("AFTER"), "");
}

TEST(PluginCommandsTest, APluginCommandNamedAfterABuiltInRunsThePlugin) {
  ScriptRunner runner("#quarrix-script 1\n[setup]\nplugin-command = \"Create Folder\"\n[script]\n"
                      "Create Folder: C:\\Made tool.dll\n",
                      "/s");
  Place(runner, runner.session.supportFolder + "tool.dll", SimPlugin{"", PluginOutcome::Returned, false, {"RAN=1"}});
  runner.Run();
  EXPECT_EQ(runner.Var("RAN"), "1");
  EXPECT_FALSE(runner.machine.files.DirectoryExists("C:\\Made"));
}

TEST(PluginCommandsTest, TheLibraryIsLookedForWhereTheLineSays) {
  struct Case {
    const char* label;
    std::string setup;
    std::string line;
    std::string library;  // where it lies
  };
  const std::vector<Case> cases = {
      {"no media: the file name in the support folder", "", "Greet: d plugins\\x.dll\n",
       "C:\\Users\\User\\AppData\\Local\\Temp\\zvk1\\x.dll"},
      {"media folder below the data folder", "", "Greet: d tools\\x.dll @media=\"Block\\\"\n",
       "C:\\Setup\\data\\Block\\tools\\x.dll"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    ScriptRunner runner(Script(c.setup, c.line), "/s");
    ASSERT_EQ(runner.session.supportFolder, "C:\\Users\\User\\AppData\\Local\\Temp\\zvk1\\");
    Place(runner, c.library, SimPlugin{"x.dll", PluginOutcome::Returned, false, {"RAN=1"}});
    runner.Run();
    EXPECT_EQ(runner.Var("RAN"), "1") << (BoxTexts(runner).empty() ? "" : BoxTexts(runner)[0]);
    ASSERT_EQ(runner.machine.plugins.Calls().size(), 1u);
    EXPECT_EQ(runner.machine.plugins.Calls()[0].libraryPath, c.library);
  }
}

TEST(PluginCommandsTest, AMissingLibraryIsReportedEvenInSilentRunsAndTheScriptGoesOn) {
  ScriptRunner runner(Script("", "Set Variable: ABORTONERROR FALSE\n"
                                 "Greet: d tools\\gone.dll @media=\"Block\\\"\n"
                                 "Set Variable: AFTER ran\n"),
                      "/s");
  runner.Run();
  ASSERT_EQ(BoxTexts(runner), std::vector<std::string>{kMissingLibrary});
  EXPECT_EQ(runner.machine.ui.shown[0].icon, platform::MessageIcon::Error);
  EXPECT_TRUE(runner.machine.ui.folderBrowserTitles.empty()) << "a silent run never asks for the sources";
  EXPECT_TRUE(runner.machine.plugins.Calls().empty());
  EXPECT_EQ(runner.Var("AFTER"), "ran");
}

TEST(PluginCommandsTest, MissingSourcesWithAbortOnErrorEndTheRunWithSourcesRequired) {
  ScriptRunner runner(Script("", "Set Variable: ABORTONERROR TRUE\n"
                                 "Greet: d tools\\gone.dll @media=\"Block\\\"\n"
                                 "Set Variable: AFTER ran\n"),
                      "/s");
  runner.Run();
  EXPECT_NE(runner.session.runtimeErrorReport.find(
                "Original setup sources required to complete operation, sources not found"),
            std::string::npos)
      << runner.session.runtimeErrorReport;
  EXPECT_EQ(runner.Var("AFTER"), "");
}

TEST(PluginCommandsTest, TheUserPointsAtTheSourcesAndLaterLinesUseThatDataFolder) {
  ScriptRunner runner(Script("product-code = {11111111-2222-3333-4444-555555555555}\n",
                             "Greet: d tools\\x.dll @media=\"Block\\\"\n"));
  auto& files = runner.machine.files;
  files.CreateDirectories("D:\\Disc\\data");
  files.WriteFile("D:\\Disc\\data\\{11111111-2222-3333-4444-555555555555}", "");
  Place(runner, "D:\\Disc\\data\\Block\\tools\\x.dll", SimPlugin{"x.dll", PluginOutcome::Returned, false, {"RAN=1"}});
  runner.machine.ui.folderAnswers = {std::string("D:\\Elsewhere"), std::string("D:\\Disc")};
  runner.Run();
  EXPECT_EQ(runner.machine.ui.folderBrowserTitles,
            (std::vector<std::string>{"Please locate your original setup sources to continue operation",
                                      "Please locate your original setup sources to continue operation"}));
  EXPECT_EQ(runner.Var("RAN"), "1");
  EXPECT_EQ(runner.session.dataFolder, "D:\\Disc\\data\\");
}

TEST(PluginCommandsTest, APatchFindsTheLibraryWhereTheProductWasInstalledFrom) {
  ScriptRunner runner(Script("build-mode = 3\n", "Set Variable: ALLUSERS FALSE\n"
                                                "Greet: d tools\\x.dll @media=\"Block\\\"\n"),
                      "/s");
  runner.machine.registry.WriteValue(platform::RegistryRoot::CurrentUser,
                                     "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Sample",
                                     "UninstallString", platform::RegistryValue::Text("\"D:\\Old\\setup.exe\" /x"),
                                     platform::RegistryView::Default);
  Place(runner, "D:\\Old\\Block\\tools\\x.dll", SimPlugin{"x.dll", PluginOutcome::Returned, false, {"RAN=1"}});
  runner.Run();
  EXPECT_EQ(runner.Var("RAN"), "1") << (BoxTexts(runner).empty() ? "" : BoxTexts(runner)[0]);
  EXPECT_EQ(runner.session.dataFolder, "D:\\Old\\");
}

}  // namespace
}  // namespace quarrix
