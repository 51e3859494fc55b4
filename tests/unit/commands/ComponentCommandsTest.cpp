#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/ComponentTable.h"
#include "commands/CommandRunner.h"
#include "platform/sim/SimDialogControls.h"

namespace quarrix {
namespace {

using testing::CommandRunner;

struct ScriptCase {
  const char* what;
  std::string script;  // [script] lines
  std::vector<std::pair<std::string, std::string>> expected;
};

std::string Source(const std::string& setup, const std::string& script) {
  return "#quarrix-script 1\n[setup]\n" + setup + "\n[script]\n" + script;
}

TEST(ComponentCommands, ScriptsGiveTheExpectedResults) {
  const std::string setup = "component-size = Tools 1000\ncomponent-size = Docs 300\n";
  const std::vector<ScriptCase> cases = {
      {"a deselected child becomes selected",
       "Define Component: Tools\\Samples FALSE \"\"\n"
       "Get Component State: Tools\\Samples BEFORE\n"
       "Set Component State: Tools\\Samples TRUE\n"
       "Get Component State: Tools\\Samples AFTER\n",
       {{"BEFORE", "FALSE"}, {"AFTER", "TRUE"}}},
      {"a second definition keeps the first state",
       "Define Component: Tools TRUE First\nDefine Component: Tools FALSE Second\nGet Component State: Tools S\n",
       {{"S", "TRUE"}}},
      {"deleted components are neither selected nor counted",
       "Define Component: Tools TRUE \"\"\nDefine Component: Docs TRUE \"\"\n"
       "Get Component Space: \"\" BEFORE\nDelete Component: Tools\n"
       "Get Component State: Tools S\nGet Component Space: \"\" AFTER\nGet Component Space: Tools OWN\n",
       {{"BEFORE", "1300"}, {"S", "FALSE"}, {"AFTER", "300"}, {"OWN", "1000"}}},
      {"a redefinition undeletes",
       "Define Component: Docs TRUE \"\"\nDelete Component: Docs\nDefine Component: Docs FALSE \"\"\n"
       "Get Component State: Docs S\n",
       {{"S", "TRUE"}}},
      {"space of undefined components and invalid sizes changes nothing",
       "Define Component: Tools TRUE \"\"\nSet Component Space: Tools 12x\nSet Component Space: Ghost 50\n"
       "Get Component Space: Tools T\nGet Component Space: Ghost G\n",
       {{"T", "1000"}, {"G", "0"}}},
      {"a new size replaces the compiled one and counts for the total",
       "Define Component: New TRUE \"\"\nSet Component Space: Tools 7\nDefine Component: Tools TRUE \"\"\n"
       "Set Component Space: new $BIG$\nGet Component Space: Tools T\nGet Component Space: \"\" ALL\n",
       {{"T", "1000"}, {"ALL", "9000000001000"}}},
      {"names compare without regard to case",
       "Define Component: Tools FALSE \"\"\nSet Component State: TOOLS TRUE\nGet Component State: tools S\n",
       {{"S", "TRUE"}}},
      {"an undefined component is not selected",
       "Set Component State: Ghost TRUE\nGet Component State: Ghost S\n", {{"S", "FALSE"}}},
      {"the predefined component is always there",
       "Get Component State: VELD-PREDEF-COMPONENT S\n", {{"S", "TRUE"}}},
  };
  for (const ScriptCase& c : cases) {
    SCOPED_TRACE(c.what);
    CommandRunner runner(Source(setup, c.script));
    runner.session.variables.SetVariable("BIG", "9000000000000", "Test");
    runner.RunAll();
    for (const auto& [name, value] : c.expected) EXPECT_EQ(runner.Var(name), value) << name;
  }
}

TEST(ComponentCommands, EmptyResultParameterTouchesNoVariable) {
  CommandRunner runner(Source("", "Define Component: Tools TRUE \"\"\n"
                                  "Get Component State: Tools \"\"\nGet Component Space: Tools \"\"\n"));
  const std::string before = runner.session.variables.ExportVariables();
  runner.RunAll();
  EXPECT_EQ(runner.session.variables.ExportVariables(), before);
}

TEST(ComponentCommands, ResultIsDeclaredUnderItsUpperCasedName) {
  CommandRunner runner(Source("", "Get Component State: Tools result\n"));
  runner.RunAll();
  EXPECT_TRUE(runner.Exists("RESULT"));
  EXPECT_EQ(runner.Var("result"), "FALSE");
}

TEST(ComponentCommands, RedefinitionReplacesTheDescription) {
  CommandRunner runner(Source("", "Define Component: Tools TRUE First\nDefine Component: Docs TRUE \"\"\n"
                                  "Define Component: tools FALSE \"Second $X$\"\n"));
  runner.session.variables.SetVariable("X", "text", "Test");
  runner.RunAll();
  EXPECT_EQ(runner.session.run.components.ComponentDescription("Tools"), "Second text");
  EXPECT_EQ(runner.session.run.components.ComponentDescription("Docs"), "");
  EXPECT_EQ(runner.session.run.components.names.size(), 3u);  // with the predefined component
}

TEST(ComponentCommands, ChoiceAndVisibilityMarkOnlyDefinedComponents) {
  CommandRunner runner(Source("", "Define Component: Tools TRUE \"\"\n"
                                  "Set Component Choice: Tools FALSE\nSet Component Choice: TOOLS FALSE\n"
                                  "Set Component Choice: Ghost FALSE\nSet Component Visibility: Tools FALSE\n"
                                  "Set Component Visibility: Ghost FALSE\n"));
  runner.RunAll();
  const ComponentTable& table = runner.session.run.components;
  EXPECT_EQ(table.fixed, StringList{"Tools"});
  EXPECT_EQ(table.hidden, StringList{"Tools"});

  runner.Load(Source("", "Set Component Choice: tools TRUE\nSet Component Visibility: tools -1\n"));
  runner.session.run.components.DefineComponent("Tools", "", true);
  runner.session.run.components.fixed = {"Tools"};
  runner.session.run.components.hidden = {"Tools"};
  runner.RunAll();
  EXPECT_TRUE(runner.session.run.components.fixed.empty());
  EXPECT_TRUE(runner.session.run.components.hidden.empty());
}

TEST(ComponentCommands, MaintenanceTotalIsNegativeWhenInstalledComponentsAreDeselected) {
  CommandRunner runner(Source("component-size = Tools 1000\ncomponent-size = Docs 300",
                              "Define Component: Tools TRUE \"\"\nDefine Component: Docs TRUE \"\"\n"
                              "Set Component State: Tools FALSE\nGet Component Space: \"\" TOTAL\n"));
  runner.session.run.components.installedBaseline = 1300;
  runner.RunAll();
  EXPECT_EQ(runner.Var("TOTAL"), "-1000");
}

TEST(ComponentCommands, LocalisedNameCarriesTheCompiledSize) {
  const std::string guid = "{11111111-2222-3333-4444-555555555555}";
  CommandRunner runner(Source("component-size = Tools 4096",
                              "Define Component: Tools TRUE Description @guid=" + guid +
                                  "\nGet Component Space: Werkzeuge SIZE @guid={11111111-2222-3333-4444-555555555556}\n"));
  runner.session.variables.SetVariable("LANGUAGE", "German", "Test");
  runner.session.translations.keys = {guid, guid};
  runner.session.translations.texts = {"Werkzeuge", "Beschreibung"};
  runner.RunAll();
  EXPECT_EQ(runner.Var("SIZE"), "4096");
  EXPECT_TRUE(runner.session.run.components.ComponentExists("Werkzeuge"));
  EXPECT_FALSE(runner.session.run.components.ComponentExists("Tools"));
  EXPECT_EQ(runner.session.run.components.ComponentDescription("Werkzeuge"), "Beschreibung");
}

// The wizard's views of a table with nesting, hidden, deleted and fixed components.
class ComponentViews : public ::testing::Test {
 protected:
  void SetUp() override {
    table.StartRun({});
    table.DefineComponent("Tools", "", true);
    table.DefineComponent("Tools\\Samples", "", false);
    table.DefineComponent("Extras\\Skins", "", true);  // a child before its parent
    table.DefineComponent("Extras", "", false);
    table.DefineComponent("Hidden", "", true);
    table.DefineComponent("Hidden\\Inner", "", true);
    table.DefineComponent("Gone", "", true);
    table.SetVisible("Hidden", false);
    table.DeleteComponent("Gone");
  }
  ComponentTable table;
};

TEST_F(ComponentViews, TreeNestsLevelsAndLeavesOutHiddenBranches) {
  platform::sim::SimTreeView tree;
  tree.AddNode(platform::kNoTreeNode, "stale");
  FillComponentTree(table, tree);
  ASSERT_EQ(tree.topLevel.size(), 2u);
  EXPECT_EQ(tree.Text(tree.topLevel[0]), "Tools");
  EXPECT_EQ(tree.Text(tree.topLevel[1]), "Extras");
  EXPECT_EQ(tree.nodes.size(), 4u);
  EXPECT_EQ(tree.Find("Hidden"), platform::kNoTreeNode);

  struct Expected {
    const char* path;
    int image;
    intptr_t data;
  };
  for (const Expected& e : {Expected{"Tools", 1, 2}, Expected{"Tools\\Samples", 0, 3},
                            Expected{"Extras\\Skins", 1, 4}, Expected{"Extras", 0, 5}}) {
    SCOPED_TRACE(e.path);
    platform::TreeNodeId node = tree.Find(e.path);
    ASSERT_NE(node, platform::kNoTreeNode);
    EXPECT_EQ(tree.nodes[node].imageIndex, e.image);
    EXPECT_EQ(tree.nodes[node].selectedImageIndex, e.image);
    EXPECT_EQ(tree.nodes[node].data, e.data);
  }
}

TEST_F(ComponentViews, CheckListShowsTopLevelComponentsWhoseOwnMarkIsNotHidden) {
  table.SetVisible("Tools\\Samples", false);
  table.DefineComponent("Hidden\\Top", "", true);
  platform::sim::SimCheckList list;
  list.AddItem("stale", true);
  FillComponentList(table, list);
  ASSERT_EQ(list.items.size(), 2u);
  EXPECT_EQ(list.items[0].text, "Tools");
  EXPECT_TRUE(list.items[0].checked);
  EXPECT_EQ(list.items[1].text, "Extras");
  EXPECT_FALSE(list.items[1].checked);
}

TEST_F(ComponentViews, ReadingTheCheckListKeepsLockedComponentsAndRevertsTheirMarks) {
  table.SetSelectionFixed("Tools", true);
  platform::sim::SimCheckList list;
  FillComponentList(table, list);
  list.SetChecked(0, false);  // Tools, locked
  list.SetChecked(1, true);   // Extras
  ReadComponentList(table, list);
  EXPECT_TRUE(table.ComponentSelected("Tools"));
  EXPECT_FALSE(table.ComponentSelected("Tools\\Samples"));  // locked through its parent
  EXPECT_TRUE(table.ComponentSelected("Extras"));
  EXPECT_TRUE(table.ComponentSelected("Extras\\Skins"));
  EXPECT_TRUE(list.items[0].checked);
  EXPECT_TRUE(list.items[1].checked);
}

TEST(ComponentTableState, StartRunKeepsOnlyThePredefinedComponentAndTheCompiledSizes) {
  ComponentTable table;
  table.StartRun({"VELD-PREDEF-COMPONENT", "2048"});
  table.DefineComponent("Tools", "", true);
  table.SetComponentSize("Tools", 5);
  table.installedBaseline = 9;
  table.StartRun({"VELD-PREDEF-COMPONENT", "2048"});
  EXPECT_EQ(table.names, StringList{"VELD-PREDEF-COMPONENT"});
  EXPECT_EQ(table.states, StringList{"TRUE"});
  EXPECT_EQ(table.sizes, (StringList{"VELD-PREDEF-COMPONENT", "2048"}));
  EXPECT_EQ(table.TotalToInstall(), 2048);

  table.DefineComponent("Tools", "", true);
  table.SetComponentSize("Tools", 5);
  table.ResetComponents();  // the sizes stay
  EXPECT_EQ(table.ComponentSize("tools"), 5);
  EXPECT_FALSE(table.ComponentExists("Tools"));
}

TEST(FeatureSelections, SavedSelectionComesBackOverLaterChanges) {
  CommandRunner runner(Source("component-size = Tools 1000",
                              "Define Component: Tools TRUE \"\"\nDefine Component: Docs FALSE \"\"\n"
                              "Set Component Choice: Docs FALSE\nSave Feature Selections: $FILE$\n"
                              "Set Component State: Tools FALSE\nSet Component State: Docs TRUE\n"
                              "Set Component Choice: Docs TRUE\nSet Component Visibility: Tools FALSE\n"
                              "Load Feature Selections: $FILE$\n"
                              "Get Component State: Tools TOOLS\nGet Component State: Docs DOCS\n"));
  TVariableManager& variables = runner.session.variables;
  variables.SetVariable("FILE", "C:\\Users\\User\\sel.dat", "Test");
  variables.SetVariable("STARTMENU", "Prod", "Test");
  variables.SetVariable("COLOR", "blue", "Test");
  runner.session.persistedVariables = {"COLOR"};
  const size_t saveLine = 3;
  for (size_t line = 0; line <= saveLine; ++line) runner.RunLine(line);
  variables.SetVariable("COLOR", "green", "Test");
  for (size_t line = saveLine + 1; line < runner.session.payload.LineCount(); ++line) runner.RunLine(line);

  EXPECT_EQ(runner.Var("TOOLS"), "TRUE");
  EXPECT_EQ(runner.Var("DOCS"), "FALSE");
  const ComponentTable& table = runner.session.run.components;
  EXPECT_EQ(table.fixed, StringList{"Docs"});
  EXPECT_TRUE(table.hidden.empty());
  EXPECT_EQ(table.ComponentSize("Tools"), 1000);
  EXPECT_EQ(runner.Var("COLOR"), "blue");

  // A selection file leaves the data-folder line after STARTMENU empty.
  const std::string text = runner.temp.machine.files.ReadFile("C:\\Users\\User\\sel.dat").value_or("");
  EXPECT_NE(text.find("\r\nProd\r\n\r\nCOLOR\r\nblue\r\n"), std::string::npos) << text;
}

TEST(FeatureSelections, LoadingAMissingFileChangesNothing) {
  CommandRunner runner(Source("", "Define Component: Tools TRUE \"\"\nLoad Feature Selections: C:\\none.dat\n"));
  runner.RunAll();
  EXPECT_TRUE(runner.session.run.components.ComponentSelected("Tools"));
  EXPECT_EQ(runner.session.run.components.names.size(), 2u);
}

}  // namespace
}  // namespace quarrix
