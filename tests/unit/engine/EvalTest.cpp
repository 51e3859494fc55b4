#include "engine/Eval.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "engine/VariableManager.h"

namespace quarrix {

class ConditionTest : public ::testing::Test {
 protected:
  struct Case {
    std::string left;  // value of variable L
    std::string code;
    std::string right;
    bool expected;
  };
  void ExpectConditions(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
      SCOPED_TRACE("'" + c.left + "' code " + c.code + " '" + c.right + "'");
      vars.StoreVariable("L", c.left);
      EXPECT_EQ(EvaluateCondition(vars, "L", c.code, c.right, "FALSE"), c.expected);
      EXPECT_EQ(EvaluateCondition(vars, "L", c.code, c.right, "TRUE"), !c.expected);
    }
  }
  TVariableManager vars;
};

TEST_F(ConditionTest, ComparesNumbersWhenBothParseOtherwiseTexts) {
  ExpectConditions({
      {"10", "2", "9", true},  // numeric
      {"abc10", "2", "abc9", false},  // text
      {"007", "0", "7", true},
      {"$FF", "0", "255", true},
      {"12", "1", "2", false},  // numbers compare by equality under "1"
      {"12", "1", "12", true},
      {"-1", "2", "$FFFFFFFE", true},
      {"b", "2", "a", true},
      {"abc", "2", "ab", true},  // a longer text after its own prefix
      {"ab", "2", "abc", false},
      {"\xe9", "2", "z", true},  // bytes compare unsigned
      {"abc", "0", "abc", true},
      {"abc", "0", "ABC", false},
      {"Program Files", "1", "Files", true},
      {"Program Files", "1", "FILES", false},
      {"Program Files", "3", "FILES", true},
      {"Program Files", "1", "", false},  // an empty operand is never contained
      {"Program Files", "3", "", false},
      {"abc", "4", "ABC", true},
      {"\xe9", "4", "\xc9", false},
      {"1", "4", "01", true},  // numbers again
      {"abc", "7", "abc", false},
      {"1", "9", "1", false},
      {"abc", "00", "abc", false},
      {"abc", "", "abc", false},
      {"1.2", "6", "1.1.9.9", true},
      {"1.2", "6", "1.2.0.0", false},
  });
}

TEST_F(ConditionTest, ExpandsBothSidesAndAcceptsAReferenceAsName) {
  vars.StoreVariable("ROOT", "C:\\App");
  vars.StoreVariable("DIR", "$ROOT$\\bin");
  EXPECT_TRUE(EvaluateCondition(vars, "DIR", "0", "C:\\App\\bin", "FALSE"));
  EXPECT_TRUE(EvaluateCondition(vars, "$DIR$", "0", "$ROOT$\\bin", "FALSE"));
  EXPECT_FALSE(EvaluateCondition(vars, "dir", "3", "\\BIN", "-1"));
  // an undefined variable reads as empty
  EXPECT_TRUE(EvaluateCondition(vars, "UNDEFINED", "0", "", "FALSE"));
  EXPECT_FALSE(EvaluateCondition(vars, "UNDEFINED", "0", "x", "FALSE"));
}

TEST_F(ConditionTest, ExistenceTestTakesTheNameAsWritten) {
  vars.StoreVariable("NEWINSTANCE", "");
  EXPECT_TRUE(EvaluateCondition(vars, "newinstance", "5", "", "FALSE"));
  EXPECT_FALSE(EvaluateCondition(vars, "newinstance", "5", "", "TRUE"));
  EXPECT_TRUE(EvaluateCondition(vars, "MISSING", "5", "", "TRUE"));
  EXPECT_FALSE(EvaluateCondition(vars, "$NEWINSTANCE$", "5", "", "FALSE"));
}

TEST(VersionGreater, ComparesUpToFourDottedNumbers) {
  struct Case {
    std::string left;
    std::string right;
    bool expected;
  };
  const std::vector<Case> cases = {
      {"1.2", "1.1.9.9", true},     {"1.1.9.9", "1.2", false}, {"1.2", "1.2.0.0", false},
      {"1.2.0.0", "1.2", false},    {"2", "10", false},        {"10", "9", true},
      {"1.2.3.5", "1.2.3.4", true}, {"1.2.3.4.9", "1.2.3.4", false},  // a fifth part is not read
      {"1.2.x", "1.2", false},      {"1.2.1", "1.2.x", true},  // a last part that is no number is 0
      {"", "0.0.0.0", false},       {"1.", "1.0", false},      {"$A.0", "9.0", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.left + " > " + c.right);
    EXPECT_EQ(VersionGreater(c.left, c.right), c.expected);
  }
}

TEST(VersionGreater, NonNumberBeforeADotFails) {
  for (const char* bad : {"abc.1", "1..2", "1.2b.3", ".5"}) {
    SCOPED_TRACE(bad);
    EXPECT_THROW(VersionGreater(bad, "1"), std::runtime_error);
    EXPECT_THROW(VersionGreater("1", bad), std::runtime_error);
  }
  try {
    VersionGreater("abc.1", "1");
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "'abc' is not a valid integer value");
  }
  TVariableManager vars;
  vars.StoreVariable("V", "x.1");
  EXPECT_THROW(EvaluateCondition(vars, "V", "6", "1.0", "FALSE"), std::runtime_error);
}

TEST(EvaluateExpression, ReadsTheGrammar) {
  struct Case {
    std::string text;
    std::string result;
    bool acceptedBeforeRun;
  };
  const std::vector<Case> cases = {
      {R"("a" = "a" and "b" <> "c")", "TRUE", true},
      {R"("a" = "a" AND "b" <> "c")", "ERROR", true},
      {R"("1"="1" or "1"="2" and "1"="2")", "FALSE", true},  // left to right, no precedence
      {R"("a"="a")", "TRUE", true},
      {R"(  "a"   =   "b"  )", "FALSE", true},
      {R"("a" < "b")", "TRUE", true},
      {R"("ab" > "a")", "TRUE", true},
      {R"("a" <= "a")", "TRUE", true},
      {R"("a" >= "b")", "FALSE", true},
      {R"("B" < "a")", "TRUE", true},  // case-sensitive bytes
      {"\"\xe9\" > \"z\"", "TRUE", true},
      {R"("" = "")", "TRUE", true},
      {R"(("a"="a" or "a"="b") and ("c"="c"))", "TRUE", true},
      {R"((("a"="b")))", "FALSE", true},
      {R"("a"="a" or("b"="b"))", "ERROR", false},  // "or(" is no connective
      {R"("a"="b" or"b"="b")", "TRUE", true},      // a quote may follow a connective
      {R"("a""b" = "a""b")", "ERROR", false},      // the quote before b closes the string
      {R"("a""" = "a""")", "TRUE", true},          // doubled quotes stay in the value
      {R"("x" = "x"")", "FALSE", true},  // the right value is x"
      {R"("a" = "a"))", "ERROR", false},  // extra closing parenthesis
      {R"("a" = "a)", "ERROR", false},    // string without closing quote
      {R"("a" = "a" junk)", "ERROR", true},
      {R"(a = "a")", "ERROR", false},
      // syntax errors with nothing left unread: stored as "ERROR", accepted by the check
      {R"("a" == "b")", "ERROR", true},
      {R"(("a" = "a")", "ERROR", true},  // missing closing parenthesis
      {R"("a" = "a" and)", "ERROR", true},
      {R"("a")", "ERROR", true},
      {"", "ERROR", true},
      {"   ", "ERROR", true},
      {R"("a" = "a" and ("b"="b")", "ERROR", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(EvaluateExpression(c.text), c.result);
    EXPECT_EQ(CheckExpressionSyntax(c.text), c.acceptedBeforeRun);
  }
}

TEST(EvaluateExpression, QuotedExpansionFeedsIt) {
  TVariableManager vars;
  vars.StoreVariable("SETUPTYPE", "Custom");
  vars.StoreVariable("ODD", "a\"b");
  EXPECT_EQ(EvaluateExpression(vars.ExpandVariablesQuoted(R"($SETUPTYPE$ = "Custom")")), "TRUE");
  // values are not escaped: an inserted quote ends the string early
  EXPECT_EQ(EvaluateExpression(vars.ExpandVariablesQuoted(R"($ODD$ = "x")")), "ERROR");
}

TEST(EvaluateExpression, DeepNestingIsASyntaxErrorNotACrash) {
  for (size_t depth : {999u, 5'000u, 200'000u}) {
    SCOPED_TRACE(depth);
    std::string text = std::string(depth, '(') + "\"a\"=\"a\"" + std::string(depth, ')');
    std::string result = EvaluateExpression(text);
    EXPECT_EQ(result, depth <= 999 ? "TRUE" : "ERROR");
    EXPECT_EQ(CheckExpressionSyntax(text), depth < 1000);
  }
}

TEST(CheckExpressionSyntax, ReadsDollarsAsQuotes) {
  struct Case {
    std::string raw;
    bool accepted;
  };
  const std::vector<Case> cases = {
      {R"($SETUPTYPE$ = "Custom")", true},
      {R"($A$ = $B$ and $C$ <> "x")", true},
      {R"($A$ == $B$)", true},  // unknown operator: accepted, fails at run time
      {R"(($A$ = "x")", true},
      {R"($A$ = "x"))", false},
      {R"($A$ = "x)", false},
      {R"($A = "x")", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.raw);
    EXPECT_EQ(CheckExpressionSyntax(c.raw), c.accepted);
  }
}

}  // namespace quarrix
