#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "support/ScriptRunner.h"

namespace quarrix {
namespace {

using testing::ScriptRunner;

std::string Script(const std::string& body) { return "#quarrix-script 1\n[script]\n" + body; }

struct VariableCase {
  const char* name;
  std::string body;
  std::map<std::string, std::string> expected;
};

void RunCases(const std::vector<VariableCase>& cases, const std::string& arguments = "") {
  for (const VariableCase& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptRunner runner(Script(c.body), arguments);
    ASSERT_NO_THROW(runner.Run());
    EXPECT_TRUE(runner.machine.ui.shown.empty()) << runner.machine.ui.shown.front().text;
    for (const auto& [name, value] : c.expected) EXPECT_EQ(runner.Var(name), value) << name;
  }
}

TEST(SetVariable, TargetsValuesAndSideEffects) {
  RunCases({
      {"plain and referenced targets", "Set Variable: X one\nSet Variable: $Y$ two\n", {{"X", "one"}, {"Y", "two"}}},
      {"the value is expanded", "Set Variable: X one\nSet Variable: Y <$X$>\n", {{"Y", "<one>"}}},
      {"a reference to an undefined variable stays as written", "Set Variable: X a$NOPE$b\n", {{"X", "a$NOPE$b"}}},
      {"the persistence marker is not part of the name",
       "Set Variable: X$VELD$VELD$TRUE 1\nSet Variable: Y$VELD$VELD$FALSE 2\n",
       {{"X", "1"}, {"Y", "2"}}},
      {"assigning ABORT cancels, and the next line still sees it",
       "Set Variable: ABORT TRUE\nSet Variable: SEEN $ABORT$\n",
       {{"VELD_IsCancelled", "TRUE"}, {"SEEN", "TRUE"}}},
      {"clearing ABORT", "Set Variable: ABORT TRUE\nSet Variable: abort FALSE\nSet Variable: SEEN $ABORT$\n",
       {{"VELD_IsCancelled", "FALSE"}, {"SEEN", "FALSE"}}},
      {"progress with an integer position", "Set Variable: PROGRESS 40\nSet Variable: PROGRESSTEXT Copying\n",
       {{"PROGRESS", "40"}, {"PROGRESSTEXT", "Copying"}}},
  });
}

TEST(SetVariable, PersistedNamesAreRecordedOnce) {
  ScriptRunner runner(Script(
      "Set Variable: N 0\n"
      "Label: again\n"
      "Set Variable: Keep$VELD$VELD$TRUE $N$\n"
      "Set Variable: KEEP$VELD$VELD$TRUE x\n"
      "Set Variable: Drop$VELD$VELD$FALSE 1\n"
      "Set Variable: Lower$VELD$VELD$true 1\n"
      "Mathematics: $N$ 1 0 N\n"
      "If: N 0 3 TRUE\n GoTo Label: again\nEnd\n"));
  runner.Run();
  EXPECT_EQ(runner.session.persistedVariables, StringList{"Keep"});
  EXPECT_EQ(runner.Var("N"), "3");
}

TEST(SetVariable, ProgressThatIsNoIntegerIsARuntimeError) {
  for (const char* target : {"PROGRESS", "PROGRESSTEXT"}) {
    SCOPED_TRACE(target);
    ScriptRunner runner(Script(std::string("Set Variable: PROGRESS half\nSet Variable: ") + target +
                               " x\nSet Variable: AFTER 1\n"));
    runner.Run();
    EXPECT_EQ(runner.Var("AFTER"), "");
    ASSERT_EQ(runner.machine.ui.shown.size(), 1u);
    EXPECT_NE(runner.machine.ui.shown[0].text.find("'half' is not a valid integer value"), std::string::npos);
  }
}

// The support folder's translation tables of German, which "Set Variable: LANGUAGE German" loads.
void WriteGermanTables(ScriptRunner& runner, const StringList& keys, const StringList& texts,
                       const StringList& originals) {
  const auto lines = [](const StringList& list) {
    std::string text;
    for (const std::string& line : list) text += line + "\r\n";
    return text;
  };
  platform::FileSystem& files = runner.machine.files;
  const std::string& folder = runner.session.supportFolder;
  files.WriteFile(folder + "translations.Map", lines(StringList(keys.size())));
  files.WriteFile(folder + runner.session.titleAsRead + ".mtx", lines(keys));
  files.WriteFile(folder + "translations.German", lines(texts));
  files.WriteFile(folder + "translations.Original", lines(originals));
}

TEST(LocalisedAssignments, TranslatedByLineOrByName) {
  ScriptRunner runner(Script(
      "Set Variable: BEFORE Hello\n"
      "Set Variable: LANGUAGE German\n"
      "Set Variable: X Hello @guid={00000000-0000-0000-0000-000000000001}\n"
      "Set Variable: NOTRANSLATION Hello\n"
      "Localization Variable: $GREETING$ Hello\n"));
  WriteGermanTables(runner, {"{00000000-0000-0000-0000-000000000001}", "BRIXEL$GREETING$BRIXEL"},
                    {"Hallo $BEFORE$", "Guten Tag"}, {"Hello", "Hello"});
  runner.Run();
  EXPECT_EQ(runner.Var("X"), "Hallo Hello") << "translated, then expanded";
  EXPECT_EQ(runner.Var("NOTRANSLATION"), "Hello");
  EXPECT_EQ(runner.Var("GREETING"), "Guten Tag");
}

TEST(LocalisedAssignments, ModesOfTheBuild) {
  struct Case {
    const char* mode;
    const char* byLine;  // "Set Variable" translated by its line
    const char* byName;  // "Localization Variable" translated by its name
    const char* changed; // a line whose text no longer matches the source text
  };
  for (const Case& c : {Case{"", "Hallo", "Guten Tag", "Neu"}, Case{"VARSONLY", "Hello", "Guten Tag", "Changed"},
                        Case{"newonly", "Hallo", "Guten Tag", "Changed"}}) {
    SCOPED_TRACE(c.mode);
    ScriptRunner runner(std::string("#quarrix-script 1\n[setup]\nbuild-constant = LOCMODE \"") + c.mode +
                        "\"\n[script]\n"
                        "Set Variable: LANGUAGE German\n"
                        "Set Variable: X Hello @guid={00000000-0000-0000-0000-000000000001}\n"
                        "Set Variable: Y Changed @guid={00000000-0000-0000-0000-000000000002}\n"
                        "Localization Variable: GREETING Hello\n");
    WriteGermanTables(runner, {"{00000000-0000-0000-0000-000000000001}",
                                        "{00000000-0000-0000-0000-000000000002}", "BRIXEL$GREETING$BRIXEL"}, {"Hallo", "Neu", "Guten Tag"}, {"Hello", "Original", "Hello"});
    runner.Run();
    EXPECT_EQ(runner.Var("X"), c.byLine);
    EXPECT_EQ(runner.Var("GREETING"), c.byName);
    EXPECT_EQ(runner.Var("Y"), c.changed);
  }
}

TEST(LocalisedAssignments, ConditionsCompareTranslatedTexts) {
  // Parameters 1 and 3 of an "If" are slots 1 and 2 of the line's entry.
  ScriptRunner runner(Script(
      "Set Variable: WORD Hallo\n"
      "Set Variable: NAME Other\n"
      "Set Variable: LANGUAGE German\n"
      "If: NAME 0 Hello FALSE @guid={00000000-0000-0000-0000-000000000003}\n"
      " Set Variable: MATCHED yes\n"
      "End\n"));
  WriteGermanTables(runner, {"{00000000-0000-0000-0000-000000000003}", "x"}, {"WORD", "Hallo"}, {"NAME", "Hello"});
  runner.Run();
  EXPECT_EQ(runner.Var("MATCHED"), "yes");
}

TEST(LocalisedAssignments, WithoutALanguageOnlyExpanded) {
  RunCases({{"localisation variable", "Set Variable: A x\nLocalization Variable: G <$A$>\n", {{"G", "<x>"}}}});
}

TEST(ConvertPath, LongFormTakesTheFileSystemsSpelling) {
  ScriptRunner runner(Script(
      "Set Variable: EXISTING \"c:\\program files\\MY APP\\\\data.txt\"\n"
      "Convert Path: EXISTING FALSE\n"
      "Set Variable: FOLDER \"C:\\PROGRAM FILES\\my app\\\"\n"
      "Convert Path: FOLDER FALSE\n"
      "Set Variable: MISSING \"C:\\Program Files\\nothing\\here.txt\"\n"
      "Convert Path: MISSING FALSE\n"
      "Set Variable: PARTLY \"c:\\program files\\My App\\absent\\\"\n"
      "Convert Path: PARTLY FALSE\n"
      "Set Variable: SHORT \"C:\\Program Files\\My App\"\n"
      "Convert Path: SHORT TRUE\n"
      "Set Variable: NOSHORT \"C:\\None\\\\x\"\n"
      "Convert Path: NOSHORT TRUE\n"));
  runner.machine.files.CreateDirectories("C:\\Program Files\\My App\\");
  runner.machine.files.WriteFile("C:\\Program Files\\My App\\Data.TXT", "x");
  runner.Run();
  EXPECT_EQ(runner.Var("EXISTING"), "c:\\Program Files\\My App\\Data.TXT");
  EXPECT_EQ(runner.Var("FOLDER"), "C:\\Program Files\\My App");
  EXPECT_EQ(runner.Var("MISSING"), "C:\\Program Files\\nothing\\here.txt");
  EXPECT_EQ(runner.Var("PARTLY"), "c:\\program files\\My App\\absent") << "kept whole when a part is missing";
  // The simulated machine has no 8.3 names: an existing path is its own short form.
  EXPECT_EQ(runner.Var("SHORT"), "C:\\Program Files\\My App");
  EXPECT_EQ(runner.Var("NOSHORT"), "C:\\None\\x") << "no short form: the normalised path stays";
}

TEST(ConvertCase, UpperAndLowerWithAnsiLetters) {
  RunCases({
      {"upper", "Set Variable: X \"a\\\\b \"\\xE4\\xFF\"z\"\nConvert Case: X TRUE\n", {{"X", "A\\B \xC4\x9FZ"}}},
      {"lower", "Set Variable: X \"A\\\\B \"\\xC4\\xDF\"Z\"\nConvert Case: X FALSE\n", {{"X", "a\\b \xE4\xDFz"}}},
  });
}

TEST(ReplaceString, Occurrences) {
  RunCases({
      {"first only", "Set Variable: X abcabc\nReplace String: X b - FALSE FALSE\n", {{"X", "a-cabc"}}},
      {"all", "Set Variable: X abcabc\nReplace String: X b - FALSE TRUE\n", {{"X", "a-ca-c"}}},
      {"case-sensitive by default", "Set Variable: X aBcb\nReplace String: X b - FALSE TRUE\n", {{"X", "aBc-"}}},
      {"ignoring case", "Set Variable: X aBcb\nReplace String: X b - TRUE TRUE\n", {{"X", "a-c-"}}},
      {"not overlapping", "Set Variable: X aaaa\nReplace String: X aa b FALSE TRUE\n", {{"X", "bb"}}},
      {"replacement inserted as it is", "Set Variable: X ab\nReplace String: X a <$NOPE$> FALSE TRUE\n",
       {{"X", "<$NOPE$>b"}}},
      {"search and replacement expanded", "Set Variable: S b\nSet Variable: R B\nSet Variable: X abc\n"
                                          "Replace String: X $S$ $R$ FALSE FALSE\n", {{"X", "aBc"}}},
      {"empty search leaves the value", "Set Variable: X abc\nReplace String: X \"\" - FALSE TRUE\n", {{"X", "abc"}}},
      {"search longer than the value", "Set Variable: X ab\nReplace String: X abc - FALSE TRUE\n", {{"X", "ab"}}},
      {"a line break becomes the newline reference without a match",
       "Set Variable: X \"one\"\\r\\n\"two\"\nReplace String: X zzz - FALSE TRUE\n", {{"X", "one$NEWLINE$two"}}},
      {"a written variable reference names the variable",
       "Set Variable: \"$X$\" abc\nReplace String: \"$X$\" c C FALSE FALSE\n",
       {{"X", "abC"}}},
  });
}

TEST(ExtractPath, PartCodes) {
  struct Case {
    const char* path;
    int code;
    const char* expected;
  };
  const std::vector<Case> cases = {
      {"C:\\Apps\\Tool\\setup.tar.gz", 0, "setup.tar.gz"},
      {"C:\\Apps\\Tool\\setup.tar.gz", 1, "setup.tar"},
      {"C:\\Apps\\Tool\\a.b.a.b", 1, "a.a.b"},  // the extension's first occurrence goes
      {"C:\\Apps\\Tool\\setup.tar.gz", 2, "gz"},
      {"C:\\Apps\\Tool\\README", 2, ""},
      {"C:\\Apps\\Tool\\setup.exe", 3, "C:\\Apps\\Tool\\"},
      {"C:setup.exe", 3, "C:\\"},
      {"setup.exe", 3, ""},
      {"C:\\Apps\\Tool\\setup.exe", 4, "C:\\Apps\\"},
      {"C:\\setup.exe", 4, "C:\\"},
      {"C:\\Apps\\Tool\\setup.exe", 5, "C:\\"},
      {"\\\\server\\share\\dir\\file", 5, "\\\\server\\share\\"},
      {"Apps\\Tool\\setup.exe", 5, ""},
      {"\\\\server\\share\\dir", 6, "\\server\\share\\dir"},
      {"C:\\Apps\\\\Tool", 9, "C:\\Apps\\Tool"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.path) + " " + std::to_string(c.code));
    ScriptRunner runner(Script("Set Variable: P \"" + std::string(c.path) + "\"\nExtract Path: P " +
                               std::to_string(c.code) + "\n"));
    runner.Run();
    EXPECT_EQ(runner.Var("P"), c.expected);
  }
}

TEST(ExtractPath, CodeThatIsNoIntegerIsARuntimeError) {
  ScriptRunner runner(Script("Set Variable: P C:\\x\nExtract Path: P two\nSet Variable: AFTER 1\n"));
  runner.Run();
  EXPECT_EQ(runner.Var("AFTER"), "");
  EXPECT_EQ(runner.machine.ui.shown.size(), 1u);
}

TEST(ParseString, SplitModes) {
  struct Case {
    const char* name;
    std::string text, pattern, mode, trim, ignoreCase;
    const char* first;
    const char* second;
  };
  const std::vector<Case> cases = {
      {"first occurrence", "a/b/c", "/", "0", "FALSE", "FALSE", "a", "b/c"},
      {"last occurrence", "a/b/c", "/", "1", "FALSE", "FALSE", "a/b", "c"},
      {"position from the start", "a/b/c", "2", "2", "FALSE", "FALSE", "a/", "b/c"},
      {"position from the end", "a/b/c", "2", "3", "FALSE", "FALSE", "a/b", "/c"},
      {"a missing delimiter puts everything first", "abc", "/", "0", "FALSE", "FALSE", "abc", ""},
      {"a missing last delimiter puts everything second", "abc", "/", "1", "FALSE", "FALSE", "", "abc"},
      {"multi-character delimiter", "key==value", "==", "0", "FALSE", "FALSE", "key", "value"},
      {"position zero", "abc", "0", "2", "FALSE", "FALSE", "", "abc"},
      {"position past the end", "abc", "9", "2", "FALSE", "FALSE", "abc", ""},
      {"from the end by the whole length empties both", "abc", "3", "3", "FALSE", "FALSE", "", ""},
      {"a position that is no integer empties both", "abc", "x", "2", "FALSE", "FALSE", "", ""},
      {"an unknown mode empties both", "a/b", "/", "7", "FALSE", "FALSE", "", ""},
      {"trimmed", " a / b ", "/", "0", "TRUE", "FALSE", "a", "b"},
      {"not trimmed", " a / b ", "/", "0", "FALSE", "FALSE", " a ", " b "},
      {"ignoring case finds the delimiter, parts keep their case", "OneXTwo", "x", "0", "FALSE", "TRUE", "One",
       "Two"},
      {"case-sensitive by default", "OneXTwo", "x", "0", "FALSE", "FALSE", "OneXTwo", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptRunner runner(Script("Parse String: \"" + c.text + "\" \"" + c.pattern + "\" LEFT right " + c.mode + " " +
                               c.trim + " " + c.ignoreCase + "\n"));
    runner.Run();
    EXPECT_EQ(runner.Var("LEFT"), c.first);
    EXPECT_EQ(runner.Var("RIGHT"), c.second);
  }
}

TEST(ParseString, ExpandsItsTextsAndMayLeaveATargetOut) {
  RunCases({{"expanded, second target empty", "Set Variable: S x-y\nParse String: $S$ - L \"\" 0 FALSE FALSE\n",
             {{"L", "x"}}}});
}

TEST(ParseString, ModeThatIsNoIntegerIsARuntimeError) {
  ScriptRunner runner(Script("Parse String: a/b / L R zero FALSE FALSE\nSet Variable: AFTER 1\n"));
  runner.Run();
  EXPECT_EQ(runner.Var("AFTER"), "");
  EXPECT_EQ(runner.Var("L"), "") << "declared before the failure";
  EXPECT_TRUE(runner.session.variables.VariableExists("L"));
}

TEST(Mathematics, Operations) {
  struct Case {
    const char* a;
    const char* b;
    const char* code;
    const char* expected;
  };
  const std::vector<Case> cases = {
      {"7", "3", "0", "10"},
      {"7", "10", "1", "-3"},
      {"-7", "3", "2", "-21"},
      {"-7", "2", "3", "-3"},
      {"7", "0", "3", ""},
      {"-7", "3", "4", "-1"},
      {"7", "0", "4", ""},
      {"12", "10", "5", "8"},
      {"12", "10", "6", "14"},
      {"12", "10", "7", "6"},
      {"1", "4", "8", "16"},
      {"1", "64", "8", "0"},
      {"1", "129", "8", "2"},  // 129 mod 32
      {"-1", "60", "9", "15"},  // unsigned shift
      {"5", "", "10", "-6"},
      {"A", "", "11", "65"},
      {"", "", "11", ""},
      {"65", "", "12", "A"},
      {"$41", "x", "12", "A"},
      {"9223372036854775807", "1", "0", "-9223372036854775808"},  // wraps
      {"-9223372036854775808", "-1", "3", ""},
      {"$10", "$10", "0", "32"},
      {"x", "1", "0", ""},
      {"1", "x", "0", ""},
      {"1", "2", "16", ""},
      {"1", "2", "x", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.a) + " " + c.b + " " + c.code);
    ScriptRunner runner(Script("Set Variable: R old\nMathematics: \"" + std::string(c.a) + "\" \"" + c.b + "\" " +
                               c.code + " R\n"));
    runner.Run();
    EXPECT_EQ(runner.Var("R"), c.expected);
  }
}

TEST(Mathematics, OperandsAreExpandedAndTheTargetDeclared) {
  RunCases({{"expanded", "Set Variable: A 20\nMathematics: $A$ 22 0 sum\n", {{"SUM", "42"}}}});
}

TEST(Mathematics, GeneratorIsSeededByScriptAndKeptForTheProcess) {
  const std::string draws =
      "Mathematics: 1103515245 12345 13 SEEDED\n"
      "Mathematics: 42 0 14 STATE\n"
      "Mathematics: 1000 0 15 R1\nMathematics: 1000 0 15 R2\nMathematics: 0 0 15 R3\nMathematics: 1000 0 15 R4\n";
  ScriptRunner first(Script(draws));
  first.Run();
  ScriptRunner second(Script(draws));
  second.Run();
  EXPECT_EQ(first.Var("SEEDED"), "1103527590");
  EXPECT_EQ(first.Var("STATE"), "42");
  // r = m*s + c in 32 bits; the state becomes r mod 32767; the result is r mod a.
  int32_t state = 42;
  std::vector<std::string> expected;
  for (int32_t divisor : {1000, 1000, 0, 1000}) {
    const auto r = static_cast<int32_t>(1103515245u * static_cast<uint32_t>(state) + 12345u);
    state = r % 32767;
    expected.push_back(divisor == 0 ? "" : std::to_string(r % divisor));
  }
  for (ScriptRunner* runner : {&first, &second}) {
    EXPECT_EQ((std::vector<std::string>{runner->Var("R1"), runner->Var("R2"), runner->Var("R3"), runner->Var("R4")}),
              expected);
  }

  // A second run in the same process continues the sequence.
  ScriptRunner process(Script(draws));
  process.Run();
  const std::string firstDraw = process.Var("R1");
  process.session.payload = CompileScriptSource(Script("Mathematics: 1000 0 15 NEXT\n"), "setup.qxs");
  process.session.parameterLists = {process.session.payload.parameterList};
  process.Run();
  const auto r5 = static_cast<int32_t>(1103515245u * static_cast<uint32_t>(state) + 12345u);
  EXPECT_EQ(process.Var("NEXT"), std::to_string(r5 % 1000));
  EXPECT_EQ(firstDraw, expected[0]);
}

TEST(Mathematics, UnseededGeneratorYieldsZero) {
  RunCases({{"no multiplier or increment", "Mathematics: 100 0 15 R\nMathematics: 100 0 15 S\n",
             {{"R", "0"}, {"S", "0"}}}});
}

TEST(EvaluateExpression, ValuesAreQuotedBeforeEvaluation) {
  RunCases({
      {"equal text", "Set Variable: A x\nEvaluate Expression: \"$A$ = \"\"x\"\"\" E\n", {{"E", "TRUE"}}},
      {"different text", "Set Variable: A y\nEvaluate Expression: \"$A$ = \"\"x\"\"\" E\n", {{"E", "FALSE"}}},
      {"syntax error", "Evaluate Expression: \"(\" E\n", {{"E", "ERROR"}}},
  });
}

}  // namespace
}  // namespace quarrix
