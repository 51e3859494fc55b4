#include "engine/CommandLine.h"

#include <gtest/gtest.h>

#include <string>

namespace quarrix {
namespace {

using namespace std::string_literals;

const std::string kProgram = "\"C:\\Program Files\\Setup\\setup.exe\" ";

CommandLineValues ParseArguments(const std::string& arguments) { return ParseCommandLine(kProgram + arguments); }

TEST(CommandLine, SplitsArgumentsByQuotingRules) {
  struct Case {
    std::string line;
    StringList arguments;
  };
  const Case cases[] = {
      {kProgram + "/s TARGETDIR=D:\\App", {"/s", "TARGETDIR=D:\\App"}},
      {"C:\\Setup\\setup.exe a b", {"a", "b"}},
      {"setup.exe", {}},
      {"", {}},
      // quotes group blanks and vanish, also in the middle of an argument
      {"setup.exe \"TARGETDIR=C:\\Program Files\\App\" x\"y z\"w", {"TARGETDIR=C:\\Program Files\\App", "xy zw"}},
      {"setup.exe a\"\"b", {"ab"}},
      // "" pairs between arguments are skipped, not taken as empty arguments
      {"setup.exe \"\" a \"\"\"\" b", {"a", "b"}},
      {"setup.exe a \"\"\" b", {"a", " b"}},
      // an unmatched quote runs to the end of the line
      {"setup.exe a \"b c", {"a", "b c"}},
      {"setup.exe a\"b c d", {"ab c d"}},
      // every code from 1 to 32 separates; bytes from 0x80 up do not
      {"setup.exe\ta\t\t\x01" "b\r\n", {"a", "b"}},
      {"setup.exe caf\xe9 \xa0x !", {"caf\xe9", "\xa0x", "!"}},
      // the list ends at the first empty argument: a lone quote at the end, or a NUL
      {"setup.exe a \"", {"a"}},
      {"setup.exe a\0b c"s, {"a"}},
      // the program name follows the same rules
      {"\"C:\\a b\\setup.exe\"/s x", {"x"}},
      {"\"\" setup.exe /s", {"/s"}},
      {"\"C:\\a b\\setup.exe /s", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(ParseCommandLine(c.line).arguments, c.arguments);
  }
}

TEST(CommandLine, RawArgumentsDropTheProgramName) {
  struct Case {
    std::string line;
    std::string raw;
  };
  const Case cases[] = {
      {"\"C:\\Program Files\\setup.exe\" /s x=\"a b\"", "/s x=\"a b\""},
      {"\"C:\\Program Files\\setup.exe\"  /s", " /s"},
      // the character after the closing quote goes too, whatever it is
      {"\"C:\\a b\\setup.exe\"/s", "s"},
      {"\"C:\\a b\\setup.exe\"", ""},
      {"\"C:\\a b\\setup.exe\" ", ""},
      {"\"C:\\a b\\setup.exe /s", ""},
      {"C:\\Setup\\setup.exe /s \"a b\"", "/s \"a b\""},
      {"C:\\Setup\\setup.exe", ""},
      {"C:\\Setup\\setup.exe\t/s", ""},
      {"", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(ParseCommandLine(c.line).rawArguments, c.raw);
  }
}

TEST(CommandLine, SilentSwitches) {
  struct Case {
    std::string arguments;
    bool silent;
  };
  const Case cases[] = {
      {"/S", true},        {"-s", true},       {"/QN", true},      {"-qn", true},  {"x=1 /s", true},
      {"/silent", false},  {"s", false},       {"/s=1", false},    {"--s", false}, {"qn", false},
      {"\"/s\"", true},    {"", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments);
    EXPECT_EQ(ParseArguments(c.arguments).silent, c.silent);
  }
}

TEST(CommandLine, HasSwitchNeedsTheWholeNameAfterTheMark) {
  auto values = ParseArguments("/UPDATE -Other x/updatesetup");
  EXPECT_TRUE(values.HasSwitch("update"));
  EXPECT_TRUE(values.HasSwitch("other"));
  EXPECT_FALSE(values.HasSwitch("updatesetup"));
  EXPECT_FALSE(values.HasSwitch("upd"));
  EXPECT_FALSE(values.HasSwitch("/update"));
}

TEST(CommandLine, PathSwitchesAreLowerCasedAndCutByPosition) {
  struct Case {
    std::string arguments;
    std::string log, policy, wrapper, source;
  };
  const Case cases[] = {
      {"/L=C:\\Logs\\Setup.txt", "c:\\logs\\setup.txt", "", "", ""},
      {"/l=C:\\Temp\\Log.txt /l=D:\\x.txt", "c:\\temp\\log.txt", "", "", ""},
      {"-l=First.txt /l=Second.txt", "first.txt", "", "", ""},
      {"-p=\\\\server\\share", "", "", "", "\\\\server\\share"},
      {"/P=\\\\Server\\Share /p=other", "", "", "", "\\\\server\\share"},
      {"/G=C:\\Policy\\P.ini /M=C:\\Wrap\\Run.exe", "", "c:\\policy\\p.ini", "c:\\wrap\\run.exe", ""},
      // only the slash form exists for the policy and wrapper paths
      {"-g=x -m=y", "", "", "", ""},
      // a key in the middle: the text from the fourth character on
      {"LOG=C:\\A/L=x", "=c:\\a/l=x", "", "", ""},
      {"\"/l=C:\\My Logs\\a.txt\"", "c:\\my logs\\a.txt", "", "", ""},
      {"/l=", "", "", "", ""},
      {"/l", "", "", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments);
    auto values = ParseArguments(c.arguments);
    EXPECT_EQ(values.logPath, c.log);
    EXPECT_EQ(values.policyPath, c.policy);
    EXPECT_EQ(values.wrapperPath, c.wrapper);
    EXPECT_EQ(values.sourcePath, c.source);
  }
}

TEST(CommandLine, AssignmentsKeepOrderAndValueCase) {
  struct Case {
    std::string arguments;
    StringList assignments;
  };
  const Case cases[] = {
      {"mode=a=b", {"MODE", "a=b"}},
      {"Path=C:\\X", {"PATH", "C:\\X"}},
      {"=x", {"", "x"}},
      {"x=", {"X", ""}},
      {"/NAME=value -N=v /s novalue", {}},
      {"a=1 /s A=2", {"A", "1", "A", "2"}},
      {"\"Target Dir=C:\\Program Files\\App\"", {"TARGET DIR", "C:\\Program Files\\App"}},
      // names fold A to Z only
      {"caf\xe9=1", {"CAF\xe9", "1"}},
      // an assignment may carry a path key too and then is both
      {"LOG=C:\\A/L=x", {"LOG", "C:\\A/L=x"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments);
    EXPECT_EQ(ParseArguments(c.arguments).assignments, c.assignments);
  }
}

}  // namespace
}  // namespace quarrix
