#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "engine/ProcessExit.h"
#include "engine/RuntimeError.h"
#include "engine/Skipping.h"
#include "engine/PackageEdits.h"
#include "support/ScriptRunner.h"

namespace quarrix {
namespace {

using testing::ScriptRunner;

std::string Script(const std::string& body) { return "#quarrix-script 1\n[script]\n" + body; }

struct FlowCase {
  const char* name;
  std::string body;          // T collects one letter per branch that ran
  std::string expectedTrail;
};

// Every case starts with A = 1, B = 2 and an empty trail T.
const std::string kPrologue = "Set Variable: A 1\nSet Variable: B 2\nSet Variable: T \"\"\n";

TEST(InterpreterFlow, BranchesThatRun) {
  const std::vector<FlowCase> cases = {
      {"true if skips its else", "If: A 0 1 FALSE\n Set Variable: T $T$a\nElse\n Set Variable: T $T$b\nEnd\n", "a"},
      {"false if runs its else", "If: A 0 9 FALSE\n Set Variable: T $T$a\nElse\n Set Variable: T $T$b\nEnd\n", "b"},
      {"negated condition", "If: A 0 1 TRUE\n Set Variable: T $T$a\nElse\n Set Variable: T $T$b\nEnd\n", "b"},
      {"false if passes nested blocks and commented block lines",
       "If: A 0 9 FALSE\n"
       " Set Variable: T $T$a\n"
       " If: A 0 1 FALSE @commented\n"
       " If: A 0 1 FALSE\n  Set Variable: T $T$n\n Else\n  Set Variable: T $T$m\n End\n"
       " End @commented\n"
       " Wizard Loop\n End\n"
       "End\n"
       "Set Variable: T $T$z\n",
       "z"},
      {"false if, true else if, else", 
       "If: A 0 9 FALSE\n Set Variable: T $T$a\nElse If: B 0 2 FALSE\n Set Variable: T $T$b\n"
       "Else\n Set Variable: T $T$c\nEnd\nSet Variable: T $T$z\n",
       "bz"},
      {"all conditions false, no else",
       "If: A 0 9 FALSE\n Set Variable: T $T$a\nElse If: B 0 9 FALSE\n Set Variable: T $T$b\nEnd\n"
       "Set Variable: T $T$z\n",
       "z"},
      {"after a false if without else only the first true branch runs",
       "If: A 0 9 FALSE\n Set Variable: T $T$x\nEnd\n"
       "If: A 0 1 FALSE\n Set Variable: T $T$a\nElse If: B 0 2 FALSE\n Set Variable: T $T$b\nEnd\n",
       "a"},
      {"the same with the earlier block nested in a running branch",
       "If: A 0 1 FALSE\n If: A 0 9 FALSE\n  Set Variable: T $T$x\n End\n"
       " If: A 0 1 FALSE\n  Set Variable: T $T$a\n Else If: B 0 2 FALSE\n  Set Variable: T $T$b\n End\n"
       "Else\n Set Variable: T $T$e\nEnd\n",
       "a"},
      {"the same after a block that ended through its else",
       "If: A 0 9 FALSE\n Set Variable: T $T$x\nElse\n Set Variable: T $T$y\nEnd\n"
       "If: A 0 1 FALSE\n Set Variable: T $T$a\nElse If: B 0 2 FALSE\n Set Variable: T $T$b\nEnd\n"
       "Set Variable: T $T$z\n",
       "yaz"},
      {"false if then true else if inside two true blocks",
       "If: A 0 1 FALSE\n If: B 0 2 FALSE\n"
       "  If: A 0 9 FALSE\n   Set Variable: T $T$x\n  Else If: B 0 2 FALSE\n   Set Variable: T $T$b\n  End\n"
       "  Set Variable: T $T$i\n End\n Set Variable: T $T$o\nEnd\n",
       "bio"},
      // Only a commented-out label may stand inside a block.
      {"jump into a first branch evaluates the else if it reaches",
       "GoTo Label: inside\nIf: A 0 1 FALSE\n Label: inside @commented\n Set Variable: T $T$a\n"
       "Else If: B 0 2 FALSE\n Set Variable: T $T$b\nEnd\n",
       "ab"},
      {"jump into a first branch, false else if",
       "GoTo Label: inside\nIf: A 0 1 FALSE\n Label: inside @commented\n Set Variable: T $T$a\n"
       "Else If: B 0 9 FALSE\n Set Variable: T $T$b\nEnd\nSet Variable: T $T$z\n",
       "az"},
      {"jump to a commented label, any letter case",
       "GoTo Label: Target\nSet Variable: T $T$x\nLabel: TARGET @commented\nSet Variable: T $T$a\n", "a"},
      {"a label that looks like a number is found by name",
       "GoTo Label: 2\nSet Variable: T $T$x\nLabel: 2\nSet Variable: T $T$a\n", "a"},
      {"backward jump forms a loop",
       "Label: again\nSet Variable: T $T$a\nIf: T 0 aaa FALSE\n GoTo Label: done\nEnd\nGoTo Label: again\n"
       "Label: done\n",
       "aaa"},
      {"unknown names, comments and ignored lines pass",
       "Code Folding Region: x\nComment: y\nIgnore\nSet Variable: T $T$a\nLabel: here\n", "a"},
      {"commented lines do not run, also the last one",
       "Set Variable: T $T$a @commented\nSet Variable: T $T$b\nSet Variable: T $T$c @commented\n", "b"},
      {"terminate install ends the script",
       "Set Variable: T $T$a\nTerminate Install\nSet Variable: T $T$b\n", "a"},
      {"an empty wizard pass leaves by its end",
       "Wizard Loop\nEnd\nSet Variable: T $T$a\nIf: A 0 1 FALSE\n Set Variable: T $T$b\nEnd\n", "ab"},
  };
  for (const FlowCase& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptRunner runner(Script(kPrologue + c.body));
    ASSERT_NO_THROW(runner.Run());
    EXPECT_EQ(runner.Var("T"), c.expectedTrail);
  }
}

TEST(InterpreterFlow, ExitCodes) {
  struct Case {
    const char* name;
    std::string body;
    int exitCode;
  };
  const std::vector<Case> cases = {
      {"integer", "Terminate with Exit Code: 1603\n", 1603},
      {"hexadecimal", "Terminate with Exit Code: $10\n", 16},
      {"not an integer", "Terminate with Exit Code: abc\n", 0},
      {"a variable holding an integer", "Set Variable: CODE -5\nTerminate with Exit Code: $CODE$\n", -5},
      {"lines after it do not run", "Terminate with Exit Code: 7\nTerminate with Exit Code: 8\n", 7},
      {"the end of the lines leaves it as it was", "Set Variable: X 1\n", 99},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptRunner runner(Script(c.body));
    runner.session.exitCode = 99;
    runner.Run();
    EXPECT_EQ(runner.session.exitCode, c.exitCode);
  }
}

TEST(InterpreterFlow, WizardLoopWithoutAnswersMovesForwardThroughEveryDialog) {
  ScriptRunner runner(Script(
      "Set Variable: T \"\"\n"                       // line 1
      "Wizard Loop\n"                                // 2
      " Display Dialog: One W \"\" \"\" \"\" \"\"\n"   // 3
      " Display Dialog: Skip W \"\" \"\" \"\" \"\" @commented\n"
      " Display Dialog: Two W \"\" \"\" \"\" \"\"\n"   // 5
      "End\n"                                        // 6
      "Set Variable: T done\n"));                    // 7
  std::vector<int32_t> visited;
  runner.Run([&](int32_t line) {
    visited.push_back(line);
    return true;
  });
  EXPECT_EQ(visited, (std::vector<int32_t>{1, 2, 3, 5, 6, 7}));
  EXPECT_EQ(runner.Var("T"), "done");
}

TEST(InterpreterFlow, WizardLoopFollowsTheDialogResults) {
  struct Case {
    const char* name;
    std::vector<const char*> answers;
    std::vector<std::string> shown;
    const char* wizard;  // the dialog variable after the loop
  };
  const std::vector<Case> cases = {
      {"next, next, back, next, next", {"NEXT", "NEXT", "BACK", "NEXT", "NEXT"},
       {"One", "Two", "Three", "Two", "Three"}, "NEXT"},
      {"back on the first dialog leaves at once", {"BACK"}, {"One"}, "BACK"},
      {"cancel on the first", {"CANCEL"}, {"One"}, "CANCEL"},
      {"cancel on a later dialog", {"NEXT", "CANCEL"}, {"One", "Two"}, "CANCEL"},
      {"back twice returns to the first", {"NEXT", "BACK", "NEXT", "NEXT", "NEXT"},
       {"One", "Two", "One", "Two", "Three"}, "NEXT"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptRunner runner(Script(kPrologue +
                               "Wizard Loop\n"
                               " Display Dialog: One WIZARD \"\" \"\" \"\" \"\"\n"
                               " Ignore\n"
                               " Display Dialog: Two WIZARD \"\" \"\" \"\" \"\"\n"
                               " Display Dialog: Three WIZARD \"\" \"\" \"\" \"\"\n"
                               "End\n"
                               "If: A 0 1 FALSE\n Set Variable: T $T$a\nElse\n Set Variable: T $T$b\nEnd\n"));
    for (const char* answer : c.answers)
      runner.machine.ui.dialogAnswers.push_back(*platform::sim::ParseDialogAnswer(answer));
    runner.Run();
    std::vector<std::string> shown;
    for (const auto& dialog : runner.machine.ui.dialogs) shown.push_back(dialog.dialogName);
    EXPECT_EQ(shown, c.shown);
    EXPECT_EQ(runner.Var("WIZARD"), c.wizard);
    EXPECT_EQ(runner.Var("T"), "a") << "the loop's End leaves the branches after it intact";
  }
}

TEST(InterpreterFlow, ProgressReachesADialogShownWithoutWaiting) {
  ScriptRunner runner(Script(
      "Set Variable: PROGRESS 10\n"
      "Display Dialog: Progress WIZARD FALSE \"\" \"\" \"\"\n"
      "Set Variable: PROGRESSTEXT Copying\n"
      "Set Variable: PROGRESS 50\n"
      "Set Variable: SEEN $VELD_thProgress$/$VELD_thProgressText$\n"
      "Hide Dialog\n"
      "Set Variable: PROGRESS 70\n"
      "Set Variable: AFTER $VELD_thProgress$\n"));
  runner.Run();
  ASSERT_EQ(runner.machine.ui.dialogs.size(), 1u);
  EXPECT_FALSE(runner.machine.ui.dialogs[0].modal);
  EXPECT_EQ(runner.Var("SEEN"), "50/Copying");
  EXPECT_EQ(runner.Var("AFTER"), "50") << "nothing is reported once the dialog is gone";
  EXPECT_FALSE(runner.machine.ui.dialogShownWithoutWaiting);
}

TEST(InterpreterFlow, StepCallbackStopsTheRun) {
  for (int32_t stopAt : {1, 2}) {
    SCOPED_TRACE(stopAt);
    ScriptRunner runner(Script("Set Variable: X a\nSet Variable: Y b\n"));
    std::vector<int32_t> asked;
    runner.Run([&](int32_t line) {
      asked.push_back(line);
      return line != stopAt;
    });
    EXPECT_EQ(asked.back(), stopAt);
    EXPECT_EQ(runner.Var("X"), stopAt == 1 ? "" : "a");
    EXPECT_EQ(runner.Var("Y"), "");
  }
}

TEST(InterpreterFlow, JumpResetsOpenBranchesSoALaterEndDoesNotCloseAnOuterBlock) {
  // Without the reset the outer block's "Else" would find a branch still open and skip.
  ScriptRunner runner(Script(kPrologue +
                             "If: A 0 1 FALSE\n GoTo Label: out\nEnd\nLabel: out\n"
                             "If: A 0 9 FALSE\n Set Variable: T $T$x\nElse\n Set Variable: T $T$e\nEnd\n"));
  runner.Run();
  EXPECT_EQ(runner.Var("T"), "e");
}

// ---- run entry ------------------------------------------------------------------------------------

TEST(InterpreterRunEntry, NothingToInstallReturnsSilentlyBeforeTheFirstLine) {
  struct Case {
    const char* name;
    bool package, patch;
    bool runs;
  };
  for (const Case& c : {Case{"package", true, false, true}, Case{"patch only", false, true, true},
                        Case{"neither", false, false, false}}) {
    SCOPED_TRACE(c.name);
    ScriptRunner runner(Script("Set Variable: X ran\n"));
    if (!c.package) runner.machine.files.RemoveFile(runner.PackagePath());
    if (c.patch) runner.machine.files.WriteFile(runner.session.supportFolder + "setup.msp", "patch");
    runner.Run();
    EXPECT_EQ(runner.Var("X"), c.runs ? "ran" : "");
    EXPECT_TRUE(runner.machine.ui.shown.empty());
  }
}

TEST(InterpreterRunEntry, EachRunStartsFromTheEnginesDefaults) {
  ScriptRunner runner(Script("Set Variable: X ran\n"));
  runner.session.run.platformMode = "x64";
  runner.session.instance.acceptedOverrideCache = "D:\\Cache\\";
  runner.session.instance.fullSave = true;
  runner.session.instance.noSave = true;
  runner.Run();
  EXPECT_EQ(runner.Var("X"), "ran");
  EXPECT_EQ(runner.session.run.platformMode, "Win32");
  EXPECT_EQ(runner.session.instance.acceptedOverrideCache, "");
  EXPECT_FALSE(runner.session.instance.fullSave);
  EXPECT_FALSE(runner.session.instance.noSave);
}

TEST(InterpreterRunEntry, SingleInstanceMarker) {
  const std::string source =
      "#quarrix-script 1\n[setup]\nrevision-code = {0B1C2D3E-4F50-4162-8374-95A6B7C8D9EA}\n"
      "build-constant = SINGLEINSTANCE TRUE\n[script]\nSet Variable: X ran\n";
  ScriptRunner first(source);
  const std::string marker = first.session.tempFolder + "{0B1C2D3E-4F50-4162-8374-95A6B7C8D9EA}.zvk";
  std::string seenDuringRun;
  first.Run([&](int32_t) {
    seenDuringRun = first.machine.files.FileExists(marker) ? "present" : "absent";
    return true;
  });
  EXPECT_EQ(seenDuringRun, "present");
  EXPECT_FALSE(first.machine.files.FileExists(marker)) << "the cleanup removes it";
  EXPECT_EQ(first.Var("X"), "ran");

  ScriptRunner second(source);
  second.machine.files.WriteFile(marker, "");
  second.Run();
  EXPECT_EQ(second.Var("X"), "") << "another run is active";
  EXPECT_TRUE(second.machine.files.FileExists(marker)) << "not ours to remove";
}

TEST(InterpreterRunEntry, CommandLineVariablesOverrideTheScriptOnlyInSilentRuns) {
  for (bool silent : {false, true}) {
    SCOPED_TRACE(silent);
    ScriptRunner runner(Script("Set Variable: Before $TARGETDIR$\nSet Variable: TARGETDIR C:\\Script\n"),
                        std::string(silent ? "/qn " : "") + "targetdir=D:\\App");
    runner.Run();
    EXPECT_EQ(runner.Var("BEFORE"), "D:\\App") << "injected before the first line";
    EXPECT_EQ(runner.Var("TARGETDIR"), silent ? "D:\\App" : "C:\\Script");
  }
}

TEST(InterpreterRunEntry, EveryActionPropertyStartsSwitchedOff) {
  // Commented-out lines never switch their property on again.
  ScriptRunner runner(Script("Install Files: a b c @header=F525945E @commented\nComment: x\n"
                             "Create Folder: d @header=0000ABCD @commented\n"));
  runner.Run();
  EXPECT_EQ(QueuedInstallerProperty(runner.session.run, "AF525945E").value_or("none"), "FALSE");
  EXPECT_EQ(QueuedInstallerProperty(runner.session.run, "A0000ABCD").value_or("none"), "FALSE");
  const StringList& actions = runner.session.run.actionList;
  ASSERT_GE(actions.size(), 4u);
  EXPECT_EQ(StringList(actions.begin(), actions.begin() + 4), (StringList{"AF525945E", "FALSE", "A0000ABCD", "FALSE"}));
}

TEST(InterpreterRunEntry, ResumeEntryOfAnEarlierRebootIsRemoved) {
  using platform::RegistryRoot;
  using platform::RegistryValue;
  using platform::RegistryView;
  const std::string key = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce\\";
  ScriptRunner runner("#quarrix-script 1\n[setup]\nproduct-code = {6F1C2A3B-4D5E-4F60-8172-93A4B5C6D7E8}\n"
                      "[script]\nComment: x\n");
  platform::Registry& registry = runner.machine.registry;
  for (RegistryRoot root : {RegistryRoot::CurrentUser, RegistryRoot::LocalMachine}) {
    registry.WriteValue(root, key, "6F1C2A3B", RegistryValue::Text("setup.exe"), RegistryView::Default);
    registry.WriteValue(root, key, "Other", RegistryValue::Text("other.exe"), RegistryView::Default);
  }
  runner.Run();
  for (RegistryRoot root : {RegistryRoot::CurrentUser, RegistryRoot::LocalMachine}) {
    EXPECT_FALSE(registry.ReadValue(root, key, "6F1C2A3B", RegistryView::Default).has_value());
    EXPECT_TRUE(registry.ReadValue(root, key, "Other", RegistryView::Default).has_value());
  }
}

TEST(InterpreterRunEntry, RejectedScriptEndsTheProcessWith314) {
  ScriptRunner runner(Script("If: A 0 1 FALSE\n"));
  try {
    runner.Run();
    FAIL() << "expected the process to end";
  } catch (const ProcessExit& exit) {
    EXPECT_EQ(exit.code, 314);
  }
}

std::vector<std::string> TraceLines(ScriptRunner& runner, const std::string& log) {
  const std::string raw = runner.machine.files.ReadFile(log).value_or("");
  std::string text;
  for (size_t i = 0; i + 1 < raw.size(); i += 2) text += raw[i];  // UTF-16LE of ASCII tags
  std::vector<std::string> lines;
  for (size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(text.substr(start, end - start));
  return lines;
}

TEST(InterpreterRunEntry, RemovedSetupMediumEndsTheProcessFromTheRun) {
  struct Case {
    const char* name;
    bool removableDrive, folderLeft;
    bool endsProcess;
  };
  for (const Case& c : {Case{"medium taken out", true, false, true}, Case{"medium still there", true, true, false},
                        Case{"fixed disk folder gone", false, false, false}}) {
    SCOPED_TRACE(c.name);
    const std::string log = "C:\\Users\\User\\AppData\\Local\\Temp\\run.log";
    ScriptRunner runner(Script("Terminate with Exit Code: 3\n"), "/l=" + log);
    runner.session.executableFolder = "E:\\Setup\\";
    if (c.removableDrive) runner.machine.files.removableDrives = "E";
    if (c.folderLeft) runner.machine.files.CreateDirectories(runner.session.executableFolder);
    int exitCode = -1;
    try {
      runner.Run();
    } catch (const ProcessExit& exit) {
      exitCode = exit.code;
    }
    EXPECT_EQ(exitCode, c.endsProcess ? 3 : -1);
    EXPECT_EQ(runner.machine.files.DirectoryExists(runner.session.supportFolder), !c.endsProcess);
    EXPECT_EQ(runner.session.payload.LineCount(), c.endsProcess ? 0u : 1u) << "script tables freed";
    std::vector<std::string> ending = {"    </veld>", "    <ExitScript>", "    </ExitScript>"};
    if (c.endsProcess)
      ending.insert(ending.end(), {"  </RunScript>", "  <Free>", "  </Free>", "  <CachedSupportDir>",
                                   "  </CachedSupportDir>", "  <RemovableMediaPrematureEject>",
                                   "  </RemovableMediaPrematureEject>", "</Quarrix>"});
    const std::vector<std::string> trace = TraceLines(runner, log);
    ASSERT_GE(trace.size(), ending.size());
    EXPECT_EQ(std::vector<std::string>(trace.end() - static_cast<std::ptrdiff_t>(ending.size()), trace.end()), ending);
  }
}

// ---- runtime errors ---------------------------------------------------------------------------------

TEST(InterpreterRuntimeError, BoxNamesSourceFileAndLine) {
  ScriptRunner runner(Script("Set Variable: TITLE Product\nSet Variable: X 1\nExtract Path: X code\nSet Variable: X 2\n"));
  runner.Run();
  EXPECT_EQ(runner.Var("X"), "1") << "the run ends at the failing line";
  ASSERT_EQ(runner.machine.ui.shown.size(), 1u);
  const auto& box = runner.machine.ui.shown[0];
  // The source's line 5 (0-based 4) holds the failing line.
  EXPECT_EQ(box.text, "Runtime error in setup script:\r\rSource File: setup\rLine Number: 5\r\r"
                      "'code' is not a valid integer value");
  EXPECT_EQ(box.caption, "Product - Quarrix Wizard");
  EXPECT_EQ(box.icon, platform::MessageIcon::Error);
}

TEST(InterpreterRuntimeError, SilentRunShowsNoBoxAndStillReturns) {
  ScriptRunner runner(Script("Set Variable: X 1\nExtract Path: X code\nSet Variable: X 2\n"), "/qn");
  runner.Run();
  EXPECT_TRUE(runner.machine.ui.shown.empty());
  EXPECT_EQ(runner.Var("X"), "1");
}

TEST(InterpreterRuntimeError, ScriptThatSwitchesSilenceOnShowsNoBox) {
  ScriptRunner runner(Script("Set Variable: SILENT TRUE\nSet Variable: X 1\nExtract Path: X abc\n"));
  runner.Run();
  EXPECT_TRUE(runner.machine.ui.shown.empty());
}

TEST(InterpreterRuntimeError, TextOfOddSourceLocations) {
  struct Case {
    const char* location;
    const char* expected;
  };
  for (const Case& c : {Case{"C:\\Projects\\Main Script.qxs*41", "Source File: Main Script\rLine Number: 42"},
                        Case{"setup*0", "Source File: setup\rLine Number: 1"},
                        Case{"", "Source File: \rLine Number: "}}) {
    SCOPED_TRACE(c.location);
    EXPECT_EQ(RuntimeErrorText("H", c.location, "E"), std::string("H\r\r") + c.expected + "\r\rE");
  }
}

// ---- scans ------------------------------------------------------------------------------------------

TEST(InterpreterScans, StopLines) {
  HashedStringList names(std::vector<std::string>{"If", "Set Variable", "If", "Else", "End", "Else If", "Else", "End"});
  HashedStringList flags(std::vector<std::string>{"", "", "", "", "", "", "", ""});
  const ScriptLines lines(names, &flags);
  EXPECT_EQ(ScanToBranchEnd(lines, 1, SkipKind::ToElse), 6) << "the nested else is passed over";
  EXPECT_EQ(ScanToBranchEnd(lines, 1, SkipKind::ToEnd), 8);
  EXPECT_EQ(ScanToBranchEnd(lines, 6, SkipKind::ToElse), 7);
}

TEST(InterpreterScans, RunningPastTheLastLineIsAnError) {
  HashedStringList names(std::vector<std::string>{"If", "Set Variable", "End"});
  HashedStringList flags(std::vector<std::string>{"", "", "C"});
  const ScriptLines lines(names, &flags);
  EXPECT_THROW(ScanToBranchEnd(lines, 1, SkipKind::ToEnd), std::out_of_range) << "a commented End closes nothing";
  EXPECT_THROW(ScanToNextEnd(lines, 1), std::out_of_range);
  EXPECT_THROW(StepInWizardLoop(lines, 1, -1), std::out_of_range);
}

}  // namespace
}  // namespace quarrix
