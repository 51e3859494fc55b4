#include "commands/EngineCommands.h"
#include "engine/ScriptPreparation.h"

#include <gtest/gtest.h>

#include <vector>

namespace quarrix {
namespace {

struct Line {
  std::string command;
  StringList params;
  bool commented = false;
};

Line Commented(Line line) {
  line.commented = true;
  return line;
}

// The script tables as the payload reader leaves them: one parameter list holding each line's
// GUID followed by its parameters.
struct ScriptTables {
  HashedStringList commandNames, lineGuids, commentFlags;
  ParameterLists parameterLists{1};

  explicit ScriptTables(const std::vector<Line>& lines) {
    for (size_t i = 0; i < lines.size(); ++i) {
      std::string guid = "{GUID-" + std::to_string(i) + "}";
      commandNames.Add(lines[i].command);
      lineGuids.Add(guid);
      commentFlags.Add(lines[i].commented ? "C" : "");
      parameterLists[0].Add(guid);
      for (const auto& param : lines[i].params) parameterLists[0].Add(param);
    }
  }
};

struct Prepared {
  PreparationResult outcome;
  StringList skipMarks;
};

Prepared Prepare(TVariableManager& variables, const std::vector<Line>& lines, bool withFlags = true) {
  ScriptTables tables(lines);
  Prepared prepared;
  prepared.skipMarks = {"stale"};
  prepared.outcome = PrepareScript(variables, EngineCommands(), tables.commandNames, tables.lineGuids,
                                   withFlags ? &tables.commentFlags : nullptr, tables.parameterLists,
                                   prepared.skipMarks);
  return prepared;
}

const Line kEnd{"End", {}};
Line If(std::string variable, std::string operand = "") { return {"If", {variable, "0", operand, "FALSE"}}; }
Line SetVariable(std::string target) { return {"Set Variable", {target, "1"}}; }
Line Label(std::string name) { return {"Label", {name}}; }

const std::string kInstallFilesMessage =
    "A target folder must be specified for files that are being installed.\r"
    "The value $TARGETDIR$ represents the destination folder chosen by the user.";
const std::string kExpressionMessage =
    "Syntax error in expression. Please review the help topic \"Evaluate Expression\" for the correct syntax.";
const std::string kWizardLoopMessage = "Statements other than DISPLAY DIALOG not allowed inside WIZARD LOOP";
const std::string kAccepted = "Script compiled successfully";

struct ScriptCase {
  const char* name;
  std::vector<Line> lines;
  int32_t result;
  std::string message;
};

void RunCases(const std::vector<ScriptCase>& cases) {
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TVariableManager variables;
    Prepared prepared = Prepare(variables, c.lines);
    EXPECT_EQ(prepared.outcome.result, c.result);
    EXPECT_EQ(prepared.outcome.message, c.message);
    EXPECT_EQ(prepared.outcome.Accepted(), c.result == kScriptAccepted);
  }
}

TEST(ScriptPreparation, BlockStructureAndLabels) {
  RunCases({
      {"empty script", {}, -1, kAccepted},
      {"balanced blocks", {If("TARGETDIR"), {"Wizard Loop", {}}, kEnd, kEnd}, -1, kAccepted},
      {"If without End", {If("TARGETDIR"), {"Else", {}}}, kUnbalancedBlocks, "Insufficient END statements"},
      {"one End too many", {If("TARGETDIR"), kEnd, kEnd}, kUnbalancedBlocks, "Too many END statements"},
      {"commented If does not open", {Commented(If("TARGETDIR"))}, -1, kAccepted},
      {"commented End does not close", {If("TARGETDIR"), kEnd, Commented(kEnd)}, -1, kAccepted},
      {"Else If needs no End", {If("TARGETDIR"), {"Else If", {"TARGETDIR", "0", "", ""}}, kEnd}, -1, kAccepted},
      {"Label inside If", {SetVariable("A"), If("TARGETDIR"), Label("in"), kEnd}, 2,
       "LABEL statements cannot be nested inside loops/conditionals"},
      {"Label inside Wizard Loop", {{"Wizard Loop", {}}, Label("in"), kEnd}, 1,
       "LABEL statements cannot be nested inside loops/conditionals"},
      {"Label after End", {If("TARGETDIR"), kEnd, Label("after")}, -1, kAccepted},
      {"commented Label inside If is ignored by nesting", {If("TARGETDIR"), Commented(Label("in")), kEnd}, -1,
       kAccepted},
      {"label defined twice, once commented", {Commented(Label("Start")), {"Comment", {}}, Label("START")}, 2,
       "LABEL re-defined: START"},
      {"GoTo a label in a commented line", {{"GoTo Label", {"later"}}, Commented(Label("Later"))}, -1, kAccepted},
      {"GoTo an undefined label", {Label("here"), {"GoTo Label", {"Nowhere"}}}, 1, "LABEL undefined: Nowhere"},
      {"nesting is found before a later duplicate label", {If("TARGETDIR"), Label("x"), kEnd, Label("x")}, 1,
       "LABEL statements cannot be nested inside loops/conditionals"},
  });
}

TEST(ScriptPreparation, CommandChecks) {
  RunCases({
      {"web media block with illegal name", {{"Web Media Block", {"disk?1", "http://host/d1"}}}, 0,
       "Web Media Block name must be a legal file name"},
      {"web media block judges only the name after the last separator",
       {{"Web Media Block", {"C:\\a/b*\\disk1", "http://host/d1"}}, {"Web Media Block", {"x:y", "u"}}}, -1,
       kAccepted},
      {"web media block slash in the name", {{"Web Media Block", {"a\\b/c", "u"}}}, 0,
       "Web Media Block name must be a legal file name"},
      {"web media block without URL", {{"Comment", {}}, {"Web Media Block", {"disk1", ""}}}, 1,
       "Web Media Block must have at least one download URL"},
      {"missing URL wins over illegal name", {{"Web Media Block", {"bad|name", ""}}}, 0,
       "Web Media Block must have at least one download URL"},
      {"web media block without name", {{"Web Media Block", {"", ""}}}, -1, kAccepted},
      {"installed check without variable", {{"Is MSI Setup Installed", {"{PC}", ""}}}, 0, "Variable required"},
      {"file search without variable", {{"Find All Files", {"C:\\", "*.*", "TRUE", ""}}}, 0, "Variable required"},
      {"disk space without variable", {{"Check Disk Space", {"", "C:\\"}}}, 0, "Variable required"},
      {"delete without mode", {{"Delete Files", {"C:\\x", "*.*", "FALSE", "yes"}}}, 0,
       "At least one delete mode must be selected"},
      {"delete with a mode", {{"Delete Files", {"C:\\x", "*.*", "", "-1"}}, {"Delete Files", {"", "", "true", ""}}},
       -1, kAccepted},
      {"install files without target", {{"Install Files", {"src", "*.*", ""}}}, 0, kInstallFilesMessage},
      {"install files with target", {{"Install Files", {"src", "*.*", "$TARGETDIR$"}}}, -1, kAccepted},
      {"convert path of a defined name", {{"Convert Path", {"TargetDir", "0"}}}, -1, kAccepted},
      {"convert case of an undefined name", {{"Convert Case", {"NOPE", "0"}}}, 0, "Variable not defined: NOPE"},
      {"extract path takes no reference", {{"Extract Path", {"$TARGETDIR$", "0"}}}, 0,
       "Variable not defined: $TARGETDIR$"},
      {"replace string of an undefined name", {{"Replace String", {"", "a", "b"}}}, 0, "Variable not defined: "},
      {"expression with a reference", {{"Evaluate Expression", {"$A$ = \"x\"", "RES"}}}, -1, kAccepted},
      {"expression with an extra parenthesis", {{"Evaluate Expression", {"\"a\" = \"a\")", "RES"}}}, 0,
       kExpressionMessage},
      {"dialog without name", {{"Display Dialog", {"", "RES", "", ""}}}, 0, "Dialog name not specified"},
      {"dialog bound to an undefined name", {{"Display Dialog", {"welcome", "", "", "NOPE"}}}, 0,
       "Variable not defined: NOPE"},
      {"dialog bound to a defined reference", {{"Display Dialog", {"welcome", "", "", "$TARGETDIR$"}}}, -1,
       kAccepted},
      {"commented lines are not checked",
       {Commented({"Install Files", {"", "", ""}}), Commented(If("NOPE")), Commented({"GoTo Label", {"none"}})}, -1,
       kAccepted},
      {"unknown command", {{"Frobnicate", {}}}, -1, kAccepted},
      {"command names are case-sensitive", {{"install files", {"", "", ""}}, {"IF", {"NOPE"}}}, -1, kAccepted},
  });
}

TEST(ScriptPreparation, ConditionsTestTheirVariables) {
  const Line elseIf{"Else If", {"NOPE", "0", "", ""}};
  RunCases({
      {"no variable", {If(""), kEnd}, 0, "Variable required"},
      {"undefined name", {If("NOPE"), kEnd}, 0, "Variable not defined: NOPE"},
      {"undefined reference", {If("$NOPE$"), kEnd}, 0, "Variable not defined: $NOPE$"},
      {"defined reference", {If("$TargetDir$"), kEnd}, -1, kAccepted},
      {"plain operand is accepted", {If("TARGETDIR", "C:\\Program Files"), kEnd}, -1, kAccepted},
      {"undefined operand reference", {If("TARGETDIR", "$NOPE$"), kEnd}, 0, "Variable not defined: $NOPE$"},
      {"operand named when both fail", {If("NOPE", "$ALSO$"), kEnd}, 0, "Variable not defined: $ALSO$"},
      {"Else If is checked too", {If("TARGETDIR"), elseIf, kEnd}, 1, "Variable not defined: NOPE"},
  });
}

TEST(ScriptPreparation, DeclaresInLineOrderAndPersistedVariablesFirst) {
  RunCases({
      {"assigned by a later line", {If("MYVAR"), kEnd, SetVariable("MyVar")}, 0, "Variable not defined: MYVAR"},
      {"assigned by an earlier line", {SetVariable("MyVar"), If("MYVAR"), kEnd}, -1, kAccepted},
      {"persisted later", {If("KEEP"), kEnd, SetVariable("keep$VELD$VELD$TRUE")}, -1, kAccepted},
      {"persisted by a commented line", {If("KEEP"), kEnd, Commented(SetVariable("keep$VELD$VELD$TRUE"))}, -1,
       kAccepted},
      {"not persisted later", {If("KEEP"), kEnd, SetVariable("KEEP$VELD$VELD$FALSE")}, 0,
       "Variable not defined: KEEP"},
      {"persist flag must be exactly TRUE", {If("KEEP"), kEnd, SetVariable("KEEP$VELD$VELD$true")}, 0,
       "Variable not defined: KEEP"},
      {"assignment declares the name before the marker",
       {SetVariable("KEEP$VELD$VELD$FALSE"), If("KEEP"), kEnd, If("KEEP$VELD$VELD$FALSE"), kEnd}, 3,
       "Variable not defined: KEEP$VELD$VELD$FALSE"},
      {"commented assignment declares nothing", {Commented(SetVariable("MYVAR")), If("MYVAR"), kEnd}, 1,
       "Variable not defined: MYVAR"},
      {"expression result", {{"Evaluate Expression", {"\"a\" = \"a\"", "RES"}}, If("RES"), kEnd}, -1, kAccepted},
      {"dialog result", {{"Display Dialog", {"welcome", "Choice", "", ""}}, If("CHOICE"), kEnd}, -1, kAccepted},
      {"an unchecked command declares nothing", {{"Comment", {"MYVAR"}}, If("MYVAR"), kEnd}, 1,
       "Variable not defined: MYVAR"},
  });
}

TEST(ScriptPreparation, RejectedExpressionHasDeclaredItsResult) {
  TVariableManager variables;
  Prepared prepared = Prepare(variables, {{"Evaluate Expression", {"\"a\" = \"a\")", "Res"}}});
  EXPECT_EQ(prepared.outcome.message, kExpressionMessage);
  EXPECT_TRUE(variables.VariableExists("RES"));
}

TEST(ScriptPreparation, WizardLoopHoldsOnlyDialogs) {
  const Line loop{"Wizard Loop", {}};
  const Line dialog{"Display Dialog", {"welcome", "", "", ""}};
  RunCases({
      {"dialogs and harmless lines", {loop, dialog, {"Comment", {}}, {"Ignore", {}}, Commented(SetVariable("A")),
       dialog, kEnd, SetVariable("B")}, -1, kAccepted},
      {"assignment inside", {SetVariable("A"), loop, dialog, SetVariable("B"), kEnd}, 3, kWizardLoopMessage},
      {"command checks come first", {loop, SetVariable("B"), kEnd, {"GoTo Label", {"none"}}}, 3,
       "LABEL undefined: none"},
  });
}

TEST(ScriptPreparation, EveryAssigningCommandDeclaresItsResult) {
  struct Case {
    std::string command;
    StringList params;  // "Out" marks each declared position
  };
  const std::vector<Case> cases = {
      {"Get Folder Location", {"Out"}},
      {"Mathematics", {"1", "+", "2", "Out"}},
      {"Is MSI Setup Installed", {"{PC}", "Out"}},
      {"Get INI File Settings", {"Out", "f.ini"}},
      {"Extract 7Zip Archive", {"a.7z", "C:\\", "Out"}},
      {"Run Light Mode Setup", {"x", "Out"}},
      {"Read from Text File", {"f.txt", "Out", "Out2"}},
      {"Parse String", {"a,b", ",", "Out", "Out2"}},
      {"Check File Version", {"Out"}},
      {"Get System Settings", {"Out"}},
      {"Get OS or SP Level", {"Out"}},
      {"Evaluate Expression", {"$X$ = \"x\"", "Out"}},
      {"Read Registry", {"Out"}},
      {"Check Registry", {"Out"}},
      {"Does File/Folder Exist", {"Out"}},
      {"Run Program", {"app.exe", "", "", "Out"}},
      {"Run Program As", {"app.exe", "", "", "", "", "", "", "Out"}},
      {"Set Variable", {"Out", "v"}},
      {"Set Variable", {"Out$VELD$VELD$FALSE", "v"}},
      {"Localization Variable", {"Out"}},
      {"Get Temporary File", {"Out"}},
      {"Get IIS Property", {"Out"}},
      {"Get IIS Site List", {"Out"}},
      {"Get File Version", {"f.dll", "Out"}},
      {"Get Environment", {"PATH", "Out"}},
      {"Get IIS Site Index", {"site", "Out"}},
      {"Find All Files", {"C:\\", "*.*", "TRUE", "Out"}},
      {"Check Disk Space", {"Out", "C:\\"}},
      {"MessageBox", {"t", "m", "0", "0", "Out"}},
      {"Check Service", {"svc", "0", "Out"}},
      {"Check Process", {"p.exe", "Out"}},
      {"Register Library", {"a.dll", "0", "Out"}},
      {"Apply Changes", {"0", "Out"}},
      {"Apply Patch", {"Out"}},
      {"Display Dialog", {"welcome", "Out", "", ""}},
      {"Get Component State", {"c", "Out"}},
      {"Get Component Space", {"c", "Out"}},
      {"IIS Anonymous User", {"Out"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.command + " " + c.params[0]);
    bool twoResults = c.params.size() > 3 && c.params.back() == "Out2";
    std::vector<Line> lines = {{c.command, c.params}, If("OUT"), kEnd};
    if (twoResults) lines.push_back(If("OUT2")), lines.push_back(kEnd);
    TVariableManager variables;
    Prepared prepared = Prepare(variables, lines);
    EXPECT_EQ(prepared.outcome.message, kAccepted);
    // Declared names are upper-cased and empty.
    EXPECT_NE(variables.ExportVariables().find("OUT"), std::string::npos);
    EXPECT_EQ(variables.ExportVariables().find("Out"), std::string::npos);
    EXPECT_EQ(variables.GetVariable("OUT"), "");
  }
}

TEST(ScriptPreparation, SkipMarksOnePerLineFalseForInstallerCommands) {
  const char* installerCommands[] = {
      "Copy/Move Local Files", "Create Folder", "Create Shortcut", "Advertised Shortcut", "Edit INI File",
      "Install Assembly", "Set Environment", "Install Service", "Install ODBC Driver", "Create ODBC DSN",
      "Control Service", "Write Registry", "Create File Type", "Advertised File Type"};
  std::vector<Line> lines;
  StringList expected;
  for (const char* command : installerCommands) {
    lines.push_back({command, {"x"}});
    expected.push_back("FALSE");
  }
  const std::vector<std::pair<Line, const char*>> mixed = {
      {{"Install Files", {"src", "*.*", "$TARGETDIR$"}}, "FALSE"},
      {{"Delete Files", {"x", "*.*", "TRUE", ""}}, "FALSE"},
      {Commented({"Write Registry", {"x"}}), "SKIP"},
      {{"Comment", {}}, "SKIP"},
      {SetVariable("A"), "SKIP"},
      {{"Unknown Command", {}}, "SKIP"},
  };
  for (const auto& [line, mark] : mixed) {
    lines.push_back(line);
    expected.push_back(mark);
  }
  TVariableManager variables;
  Prepared prepared = Prepare(variables, lines);
  ASSERT_TRUE(prepared.outcome.Accepted()) << prepared.outcome.message;
  EXPECT_EQ(prepared.skipMarks, expected);
}

TEST(ScriptPreparation, ResetsTheStoreAndDeclaresPredefinedNames) {
  TVariableManager variables;
  variables.StoreVariable("LEFTOVER", "1");
  Prepared prepared = Prepare(variables, {If("VELD_DISABLEVISTARESTARTMANAGER"), kEnd, If("PROGRESSMODE"), kEnd,
                                          If("SAVEDATA"), kEnd, If("LEFTOVER"), kEnd});
  EXPECT_EQ(prepared.outcome.result, 6);
  EXPECT_EQ(prepared.outcome.message, "Variable not defined: LEFTOVER");
  for (const char* name : {"VELD_COMPRESSCACHE", "IISHOST", "SFXFILE", "LASTERROR", "PROGRESSMODE", "NEWLINE",
                           "ABORTEDONERROR", "SAVEDATA"}) {
    EXPECT_TRUE(variables.VariableExists(name)) << name;
    EXPECT_EQ(variables.GetVariable(name), "") << name;
  }
}

TEST(ScriptPreparation, SilentRunKeepsCommandLineNamesDeclared) {
  TVariableManager variables;
  variables.SetSilent(true);
  variables.SetCommandLineAssignments({"TARGETDIR", "D:\\App", "MYVAR", "1"});
  Prepared prepared = Prepare(variables, {SetVariable("MyVar"), SetVariable("targetdir"), If("MYVAR"), kEnd,
                                          {"Convert Path", {"TARGETDIR", "0"}}});
  EXPECT_EQ(prepared.outcome.message, kAccepted);
  EXPECT_TRUE(variables.VariableExists("MYVAR"));
  EXPECT_EQ(variables.GetVariable("TARGETDIR"), "");
}

TEST(ScriptPreparation, WithoutCommentFlagsBlocksAreNotCounted) {
  TVariableManager variables;
  Prepared prepared = Prepare(variables, {If("TARGETDIR"), Label("x")}, false);
  EXPECT_EQ(prepared.outcome.message, kAccepted);
  EXPECT_EQ(prepared.skipMarks, (StringList{"SKIP", "SKIP"}));
}

TEST(ScriptPreparation, ParametersMissingFromTheListReadAsEmpty) {
  // The last line's parameter list ends right after its GUID.
  RunCases({
      {"condition without parameters", {{"Comment", {}}, {"Else If", {}}}, 1, "Variable required"},
      {"install files cut short", {{"Install Files", {"src"}}}, 0, kInstallFilesMessage},
      {"dialog cut short", {{"Display Dialog", {"welcome"}}}, -1, kAccepted},
  });
}

TEST(ScriptPreparation, LineWithoutGuidHasNoParameters) {
  // A lookup of the empty GUID would land on the empty parameter of line 0 and read "NOPE".
  ScriptTables tables({{"Comment", {"", "NOPE"}}, {"Else If", {}}});
  tables.lineGuids.Set(1, "");
  TVariableManager variables;
  StringList skipMarks;
  PreparationResult outcome = PrepareScript(variables, EngineCommands(), tables.commandNames, tables.lineGuids,
                                            &tables.commentFlags, tables.parameterLists, skipMarks);
  EXPECT_EQ(outcome.result, 1);
  EXPECT_EQ(outcome.message, "Variable required");
}

}  // namespace
}  // namespace quarrix
