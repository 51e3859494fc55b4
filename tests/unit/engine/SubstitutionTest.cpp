#include <gtest/gtest.h>

#include <chrono>

#include "engine/VariableManager.h"

namespace quarrix {
namespace {

struct ExpandCase {
  std::string text;
  std::string expected;
};

void ExpectExpansions(const TVariableManager& vars, const std::vector<ExpandCase>& cases, bool quoted) {
  for (const ExpandCase& c : cases) {
    SCOPED_TRACE("text: " + c.text);
    EXPECT_EQ(quoted ? vars.ExpandVariablesQuoted(c.text) : vars.ExpandVariables(c.text), c.expected);
  }
}

}  // namespace

TEST(ExpandVariables, ScansReferencesAsWritten) {
  TVariableManager vars;
  vars.StoreVariable("A", "1");
  vars.StoreVariable("REF", "$C$");
  vars.StoreVariable("C", "2");
  vars.StoreVariable("DOLLAR", "$");
  vars.StoreVariable("SPACED NAME", "s");
  vars.StoreVariable("EMPTY", "");
  vars.StoreVariable("HALF", "$A");
  ExpectExpansions(vars,
                   {
                       {"", ""},
                       {"no references", "no references"},
                       {"x$A$y", "x1y"},
                       {"x$a$y", "x1y"},
                       {"x$B$y", "x$B$y"},
                       {"$B$A$", "$B1"},  // the closing dollar of unknown B opens A
                       {"$$A$", "$1"},
                       {"$REF$", "2"},  // inserted text is scanned again
                       {"price 5$", "price 5$"},
                       {"$", "$"},
                       {"$$", "$$"},
                       {"$A$$A$", "11"},
                       {"[$EMPTY$]", "[]"},
                       {"$SPACED NAME$", "s"},
                       {"$DOLLAR$A$", "1"},    // the inserted "$" forms $A$ with the text after it
                       {"$HALF$$", "1"},       // a value's dollar pairs with the text after it
                       {"$B$$A$", "$B$1"},
                   },
                   false);
}

TEST(ExpandVariables, QuotedWrapsEachInsertedValue) {
  TVariableManager vars;
  vars.StoreVariable("A", "say \"hi\"");
  vars.StoreVariable("REF", "$C$");
  vars.StoreVariable("C", "2");
  ExpectExpansions(vars,
                   {
                       {"$A$", "\"say \"hi\"\""},  // the value's own quotes stay single
                       {"$REF$ = \"2\"", "\"\"2\"\" = \"2\""},
                       {"$B$", "$B$"},
                       {"plain", "plain"},
                   },
                   true);
}

TEST(ExpandVariables, SelfReferencesTerminateQuicklyWithBoundedResult) {
  struct Case {
    std::vector<std::pair<std::string, std::string>> variables;
    std::string text;
  };
  const std::vector<Case> cases = {
      {{{"A", "$A$"}}, "x$A$y"},
      {{{"A", "$B$"}, {"B", "$A$"}}, "$A$"},
      {{{"A", "$A$$A$"}}, "$A$"},
      {{{"A", std::string(100'000, 'x') + "$A$"}}, "$A$"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.variables.front().second.substr(0, 10));
    TVariableManager vars;
    for (const auto& [name, value] : c.variables) vars.StoreVariable(name, value);
    auto start = std::chrono::steady_clock::now();
    for (bool quoted : {false, true}) {
      std::string result = quoted ? vars.ExpandVariablesQuoted(c.text) : vars.ExpandVariables(c.text);
      EXPECT_LT(result.size(), 40u << 20);
      EXPECT_NE(result.find('$'), std::string::npos);  // the unfinished rest stays as it stands
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  }
}

TEST(ExpandVariables, CycleCutOffLeavesTheRestAsItStands) {
  TVariableManager vars;
  vars.StoreVariable("A", "$A$");
  vars.StoreVariable("B", "b");
  EXPECT_EQ(vars.ExpandVariables("x$A$y$B$"), "x$A$y$B$");
  EXPECT_EQ(vars.ExpandVariables("$B$x$A$"), "bx$A$");
}

TEST(ExpandVariables, LargeValueIsInsertedWhole) {
  TVariableManager vars;
  std::string big(20u << 20, 'b');
  vars.StoreVariable("BIG", big);
  EXPECT_EQ(vars.ExpandVariables("<$BIG$>"), "<" + big + ">");
}

TEST(NewlineText, ConvertsMarkerAndCrLf) {
  EXPECT_EQ(NewlineToCrLf("a$NEWLINE$b$newline$c$NewLine$"), "a\r\nb\r\nc\r\n");
  EXPECT_EQ(NewlineToCrLf("$NEWLINE"), "$NEWLINE");
  EXPECT_EQ(CrLfToNewline("a\r\nb\nc\r"), "a$NEWLINE$b\nc\r");
  EXPECT_EQ(NewlineToCrLf(CrLfToNewline("x\r\n\r\ny")), "x\r\n\r\ny");
}

TEST(NormalizePath, CollapsesDoubledSeparatorsButKeepsUncPrefix) {
  struct Case {
    std::string text;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"C:\\Program Files\\\\App", "C:\\Program Files\\App"},
      {"\\\\server\\share", "\\\\server\\share"},
      {"\\\\server\\\\share", "\\\\server\\share"},
      {"a\\\\\\b", "a\\\\b"},
      {"a\\\\\\\\b", "a\\\\b"},
      {"C:\\single\\", "C:\\single\\"},
      {"", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(NormalizePathNoExpand(c.text), c.expected);
  }

  TVariableManager vars;
  vars.StoreVariable("TARGETDIR", "C:\\App\\");
  vars.StoreVariable("UNC", "\\\\srv\\");
  EXPECT_EQ(NormalizePath(vars, "$TARGETDIR$\\bin"), "C:\\App\\bin");
  EXPECT_EQ(NormalizePath(vars, "$UNC$\\share"), "\\\\srv\\share");
  EXPECT_EQ(NormalizePathNoExpand("$TARGETDIR$\\\\bin"), "$TARGETDIR$\\bin");
}

TEST(ExpandConstants, ReplacesBuildConstantsIgnoringCaseAndRepeats) {
  const StringList constants = {"SINGLEINSTANCE", "TRUE", "LocMode",     "#INNER#", "INNER",
                                "2",              "LATE", "#SingleInstance#!", "MISSINGHASH", "x#"};
  struct Case {
    std::string text;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"#SINGLEINSTANCE#", "TRUE"},
      {"#singleInstance#/#SINGLEINSTANCE#", "TRUE/TRUE"},
      {"#LOCMODE#", "2"},  // a later constant of the table applies in the same pass
      {"#LATE#", "TRUE!"},  // an earlier one needs the next pass
      {"#UNDEFINED#", "#UNDEFINED#"},
      {"no hash", "no hash"},
      {"#MISSINGHASH#", "x#"},
      {"#", "#"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ExpandConstants(c.text, constants), c.expected);
  }
  TVariableManager vars;
  vars.StoreVariable("SINGLEINSTANCE", "from store");
  EXPECT_EQ(ExpandConstants("#SINGLEINSTANCE#", {}), "#SINGLEINSTANCE#");  // never reads the store
}

TEST(ExpandConstants, SelfProducingConstantsTerminate) {
  for (const StringList& constants : {StringList{"A", "#A#"}, StringList{"A", "#A##A#"}, StringList{"A", "#B#", "B", "#A#x"}}) {
    SCOPED_TRACE(constants[1]);
    auto start = std::chrono::steady_clock::now();
    std::string result = ExpandConstants("#A#", constants);
    EXPECT_LT(result.size(), 40u << 20);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  }
}

}  // namespace quarrix
