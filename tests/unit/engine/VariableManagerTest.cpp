#include "engine/VariableManager.h"

#include "common/CommaText.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace quarrix {

TEST(VariableManager, NamesFoldOnlyAsciiLettersAndKeepFirstSpelling) {
  TVariableManager vars;
  vars.StoreVariable("SetupType", "typical");
  vars.StoreVariable("SETUPTYPE", "custom");
  EXPECT_EQ(vars.GetVariable("setuptype"), "custom");
  EXPECT_EQ(vars.ExportVariables(), "SetupType,custom");

  vars.StoreVariable("caf\xe9", "lower");
  vars.StoreVariable("CAF\xc9", "upper");  // accented letters are distinct bytes
  EXPECT_EQ(vars.GetVariable("CAF\xe9"), "lower");
  EXPECT_EQ(vars.GetVariable("caf\xc9"), "upper");
}

TEST(VariableManager, CaseSensitiveStoreComparesExactly) {
  TVariableManager vars(/*caseSensitive=*/true);
  vars.StoreVariable("Name", "1");
  vars.StoreVariable("NAME", "2");
  EXPECT_EQ(vars.GetVariable("Name"), "1");
  EXPECT_EQ(vars.GetVariable("NAME"), "2");
  EXPECT_FALSE(vars.VariableExists("name"));
}

TEST(VariableManager, EmptyNamesAreIgnoredAndEmptyValuesExist) {
  TVariableManager vars;
  vars.StoreVariable("", "x");
  vars.SetVariable("", "x", "Set Variable Action");
  vars.DeclareVariable("", "Compilation");
  EXPECT_EQ(vars.ExportVariables(), "");
  EXPECT_FALSE(vars.VariableExists(""));
  EXPECT_EQ(vars.GetVariable(""), "");

  vars.StoreVariable("EMPTY", "");
  EXPECT_TRUE(vars.VariableExists("empty"));
  EXPECT_FALSE(vars.VariableExists("MISSING"));
  EXPECT_EQ(vars.GetVariable("MISSING"), "");
  vars.ClearVariables();
  EXPECT_FALSE(vars.VariableExists("EMPTY"));
}

TEST(VariableManager, DeclareCreatesUpperCasedNameOnlyWhenMissing) {
  TVariableManager vars;
  vars.DeclareVariable("result", "Compilation");
  EXPECT_EQ(vars.ExportVariables(), "RESULT,");

  vars.SetVariable("Mixed", "kept", "Set Variable Action");
  vars.DeclareVariable("MIXED", "Set Variable Action");
  vars.SetVariable("MIXED", "new", "Set Variable Action");
  EXPECT_EQ(vars.GetVariable("mixed"), "new");
  EXPECT_EQ(vars.ExportVariables().find("MIXED"), std::string::npos);
}

TEST(VariableManager, SilentRunsProtectCommandLineNames) {
  struct Case {
    bool silent;
    std::string context;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {true, "Set Variable Action", "cmdline"},
      {true, std::string(kInjectOverrideContext), "script"},
      {false, "Set Variable Action", "script"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.context + (c.silent ? " silent" : " interactive"));
    TVariableManager vars;
    vars.SetCommandLineAssignments({"TargetDir", "C:\\Cmd", "OTHER", "1"});
    vars.SetVariable("TARGETDIR", "cmdline", std::string(kInjectOverrideContext));
    vars.SetSilent(c.silent);
    vars.SetVariable("targetdir", "script", c.context);
    EXPECT_EQ(vars.GetVariable("TARGETDIR"), c.expected);
  }

  // A command-line name not yet defined is not protected: the first assignment creates it.
  TVariableManager vars;
  vars.SetCommandLineAssignments({"NEWNAME", "x"});
  vars.SetSilent(true);
  vars.SetVariable("NEWNAME", "first", "Set Variable Action");
  EXPECT_EQ(vars.GetVariable("NEWNAME"), "first");
  // Values on the command line are not names.
  vars.SetVariable("x", "v1", "a");
  vars.SetVariable("x", "v2", "a");
  EXPECT_EQ(vars.GetVariable("x"), "v2");
}

TEST(VariableManager, ExportImportRoundTripsAwkwardValues) {
  TVariableManager source;
  const std::vector<std::pair<std::string, std::string>> values = {
      {"SPACES", "  C:\\Program Files\\App  "},
      {"COMMAS", "a,b,,c"},
      {"QUOTES", "say \"hi\" \"\""},
      {"EMPTY", ""},
      {"CONTROL", "line1\r\nline2\tend\x01"},
      {"HIGH", "caf\xe9"},
      {"NAME WITH BLANK", "x"},
      {"\"", ","},
  };
  for (const auto& [name, value] : values) source.StoreVariable(name, value);

  TVariableManager target;
  target.StoreVariable("STALE", "removed by the import");
  target.ImportVariables(source.ExportVariables());
  EXPECT_FALSE(target.VariableExists("STALE"));
  for (const auto& [name, value] : values) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(target.VariableExists(name));
    EXPECT_EQ(target.GetVariable(name), value);
  }
  EXPECT_EQ(FromCommaText(target.ExportVariables()).size(), values.size() * 2);
}

TEST(VariableManager, ImportIgnoresOddLastItemAndEmptyNames) {
  TVariableManager vars;
  vars.ImportVariables("A,1,,2,B");
  EXPECT_EQ(vars.GetVariable("A"), "1");
  EXPECT_FALSE(vars.VariableExists("B"));
  EXPECT_EQ(vars.ExportVariables(), "A,1");
}

TEST(VariableManager, WorkerAssignmentsDoNotDisturbReaders) {
  TVariableManager vars;
  vars.StoreVariable("TEXT", "progress $VELD_thProgress$ of $VELD_thMax$");
  std::atomic<bool> stop{false};
  std::thread worker([&] {
    for (int i = 0; !stop; ++i) {
      vars.SetVariable("VELD_thProgress", std::to_string(i), "worker");
      vars.StoreVariable("VELD_thMax", "100");
      vars.StoreVariable("WORKER_" + std::to_string(i % 50), "v");
    }
  });
  for (int i = 0; i < 2000; ++i) {
    std::string expanded = vars.ExpandVariables(vars.GetVariable("TEXT"));
    EXPECT_EQ(expanded.rfind("progress ", 0), 0u);
    vars.ExportVariables();
  }
  stop = true;
  worker.join();
  EXPECT_EQ(vars.GetVariable("VELD_thMax"), "100");
}

TEST(TruthValues, IsTrueAcceptsTrueInAnyCaseOrMinusOne) {
  for (const char* yes : {"TRUE", "true", "True", "-1"}) EXPECT_TRUE(IsTrue(yes)) << yes;
  for (const char* no : {"1", "YES", "", " TRUE", "TRUE ", "-1 ", "FALSE", "-01"}) EXPECT_FALSE(IsTrue(no)) << no;
  EXPECT_EQ(BoolText(true), "TRUE");
  EXPECT_EQ(BoolText(false), "FALSE");
}

TEST(References, StripAndResolve) {
  struct Case {
    std::string text;
    std::string stripped;
  };
  const std::vector<Case> cases = {
      {"$NAME$", "NAME"}, {"$A B$", "A B"}, {"$$", ""},    {"NAME", ""}, {"$NAME", ""},
      {"$A$B$", ""},      {"x$A$", ""},     {"$A$ ", ""}, {"$", ""},    {"", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(StripReference(c.text), c.stripped);
  }

  TVariableManager vars;
  vars.StoreVariable("DIR", "$ROOT$\\App");
  vars.StoreVariable("ROOT", "C:");
  vars.StoreVariable("BLANK", "");
  EXPECT_EQ(ResolveVariable(vars, "$DIR$"), "C:\\App");
  EXPECT_EQ(ResolveVariable(vars, "dir"), "C:\\App");
  EXPECT_EQ(ResolveVariable(vars, "$MISSING$"), "");
  EXPECT_EQ(ResolveVariableOrMarker(vars, "$MISSING$"), "$VELDNX$");
  EXPECT_EQ(ResolveVariableOrMarker(vars, "BLANK"), "");
  EXPECT_EQ(ResolveVariableOrMarker(vars, "ROOT"), "C:");
}

}  // namespace quarrix
