#include "authoring/ScriptCompiler.h"
#include "authoring/ScriptDumper.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "startup/PayloadReader.h"
#include "startup/PayloadWriter.h"

namespace quarrix {
namespace {

constexpr const char* kSetupSource = R"(#quarrix-script 1
# A small setup written by hand.
[setup]
product-code = {11111111-2222-3333-4444-555555555555}
revision-code = {AAAAAAAA-BBBB-CCCC-DDDD-EEEEEEEEEEEE}
title = "Sample Product"
publisher = "Sample Maker"
display-version = 1.0
build-mode = 2
code-page = 1250
ask-language = TRUE
default-language = English
plugin-command = "Send Report"
web-media-password = web1 "x!y"
component-size = VELD-PREDEF-COMPONENT 1024
media-file = web1 "bin\app.exe" "data\"
build-constant = PROJDIR "C:\Projects\Sample"

[script]
Set Variable: PRODUCTVER 1.0
Wizard Loop
  Display Dialog: Welcome DLGRESULT "" ""
End
If: NEWINSTANCE 0 TRUE FALSE
  Install Files: "#PROJDIR#\bin\*.*" "" "$TARGETDIR$\bin\"  @header=F525945E @media=OFFLINE\
Else
  Comment: "maintenance"  @commented
End
Label: Done
GoTo Label: Done  @guid={0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}
Evaluate Expression: "$A$ = ""x""" RESULT
)";

TEST(ScriptSource, HandWrittenSourceCompilesAndRoundTrips) {
  ScriptPayload payload = CompileScriptSource(kSetupSource, "sample.qxs");

  EXPECT_EQ(payload.LineCount(), 12u);
  EXPECT_EQ(payload.commandNames[3], "End");
  EXPECT_EQ(payload.title, "Sample Product");
  EXPECT_EQ(payload.buildMode, 2);
  EXPECT_EQ(payload.codePage, 1250);
  EXPECT_TRUE(payload.AsksLanguage());
  EXPECT_EQ(payload.mediaFileMap, (StringList{"web1", "bin\\app.exe", "data\\"}));
  EXPECT_EQ(payload.componentSizes, (StringList{"VELD-PREDEF-COMPONENT", "1024"}));
  EXPECT_EQ(payload.commandHeaders, (StringList{"F525945E", "5"}));
  EXPECT_EQ(payload.lineMedia[5], "OFFLINE\\");
  EXPECT_EQ(payload.commentFlags[7], "C");
  EXPECT_EQ(payload.lineGuids[10], "{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}");
  EXPECT_EQ(payload.sourceLocations[0], "sample.qxs*19");

  // Lines without values (Wizard Loop, End, Else) have no place in the parameter list.
  ParameterLists lists{payload.parameterList};
  EXPECT_EQ(GetLineParameter(lists, payload.lineGuids[2], 3), "");
  EXPECT_EQ(GetLineParameter(lists, payload.lineGuids[2], 2), "DLGRESULT");
  EXPECT_EQ(GetLineParameter(lists, payload.lineGuids[5], 3), "$TARGETDIR$\\bin\\");
  EXPECT_EQ(GetLineParameter(lists, payload.lineGuids[11], 1), "$A$ = \"x\"");
  EXPECT_EQ(payload.parameterList.IndexOf(payload.lineGuids[1]), HashedStringList::npos);

  std::string dumped = DumpScriptSource(payload);
  EXPECT_EQ(CompileScriptSource(dumped, "elsewhere.qxs"), payload) << dumped;
  EXPECT_EQ(DumpScriptSource(CompileScriptSource(dumped, "x")), dumped);
}

TEST(ScriptSource, AnyParameterBytesSurviveDumpAndCompile) {
  const std::vector<std::string> values = {
      "|",      "\t",   " lead", "trail ", "",        "\xFC\xE9\x80", "$",  "a\"b",  "\"",     "@x",
      "#x",     "\\",   "\\x41", "a b",    ":",       "[setup]",      "=",  "\r",    "\n",     "\x01\x7F",
      "\"\"\"", "{G}",  "-1",    "x\\",    "$NAME$",  "key = value",  "# c", "\\t",  "C:\\a b\\",
  };
  for (const std::string& value : values) {
    SCOPED_TRACE(::testing::PrintToString(value));
    ScriptPayload payload;
    payload.commandNames = HashedStringList({value.empty() ? "X" : value});
    payload.lineGuids = HashedStringList({"{00000000-0000-0000-0000-000000000001}"});
    payload.parameterList = HashedStringList({payload.lineGuids.Entries()[0], value, value});
    payload.commentFlags = HashedStringList({""});
    payload.lineMedia = HashedStringList({value});
    payload.sourceLocations = {value};
    payload.title = value;
    payload.buildConstants = {value, value};
    std::string dumped = DumpScriptSource(payload);
    EXPECT_EQ(CompileScriptSource(dumped, "s"), payload) << dumped;
    for (unsigned char c : dumped) EXPECT_TRUE(c == '\n' || (c >= 0x20 && c < 0x7F)) << dumped;
  }
}

TEST(ScriptSource, ValueSpellings) {
  struct Case {
    std::string written;
    std::string value;
  };
  const std::vector<Case> cases = {
      {R"("C:\Program Files\")", "C:\\Program Files\\"},
      {R"("say ""hi""")", "say \"hi\""},
      {R"(\t"x"\x41)", "\txA"},
      {R"("a"\r\n"b")", "a\r\nb"},
      {"\"\xFC\"", "\xFC"},
      {"$", "$"},
      {R"("")", ""},
      {R"(bare\path)", "bare\\path"},
      {R"("  ")", "  "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.written);
    ScriptPayload payload = CompileScriptSource("Comment: " + c.written + "\n", "s");
    EXPECT_EQ(payload.parameterList.Entries(), (std::vector<std::string>{payload.lineGuids.Entries()[0], c.value}));
  }
}

ScriptPayload OddPayload() {
  ScriptPayload p;
  p.commandNames = HashedStringList({"If", "End", "Comment", "extra"});
  // A duplicate, a lower-case GUID and a value that is no GUID at all.
  p.lineGuids = HashedStringList({"{AAAAAAAA-0000-0000-0000-000000000001}", "{AAAAAAAA-0000-0000-0000-000000000001}",
                                  "{aaaaaaaa-0000-0000-0000-000000000003}"});
  // A GUID followed directly by the next, and values under a GUID no line has.
  p.parameterList = HashedStringList({"{AAAAAAAA-0000-0000-0000-000000000001}",
                                      "{aaaaaaaa-0000-0000-0000-000000000003}", "v", "{FFFFFFFF-0000-0000-0000-00000000000F}",
                                      "w", "$"});
  p.commentFlags = HashedStringList({"C", "", "X", "", ""});
  p.lineMedia = HashedStringList({"", "web1", "", "", "", ""});
  p.sourceLocations = {"a*1", "b", "a*07", "a*9"};
  p.commandHeaders = {"F525945E", "2", "F525945F", "1", "nothex", "012", "lonely"};
  p.webMediaPasswords = {"odd"};
  p.mediaFileMap = {"b", "p", "d", "b2"};
  p.pluginCommands = {"$", ""};
  p.buildMode = -7;
  p.codePage = 0;
  p.askLanguage = "true";
  return p;
}

TEST(ScriptSource, OddPayloadsDumpWithoutLoss) {
  ScriptPayload odd = OddPayload();
  std::string dumped = DumpScriptSource(odd);
  EXPECT_EQ(CompileScriptSource(dumped, "other"), odd) << dumped;

  ScriptPayload empty;
  EXPECT_EQ(CompileScriptSource(DumpScriptSource(empty), "x"), empty);
}

TEST(ScriptSource, WriterMadePayloadBytesRoundTrip) {
  ScriptPayload payload = CompileScriptSource(kSetupSource, "sample.qxs");
  payload.parameterList = HashedStringList({payload.lineGuids.Entries()[0], "$", "x", payload.lineGuids.Entries()[4], "y"});
  std::string bytes = WritePayload(payload);
  ScriptPayload parsed = ParsePayload(bytes);
  EXPECT_EQ(WritePayload(CompileScriptSource(DumpScriptSource(parsed), "again")), bytes);
}

TEST(ScriptSource, ErrorsNameTheSourceLine) {
  struct Case {
    std::string source;
    size_t line;
    std::string fragment;
  };
  const std::vector<Case> cases = {
      {"[setup]\ntitle = x\nbogus = 1\n", 3, "unknown directive bogus"},
      {"[setup]\ntitle = x\ntitle = y\n", 3, "duplicate directive title (first on line 2)"},
      {"[setup]\nbuild-mode = 2x\n", 2, "bad integer"},
      {"[setup]\ncode-page = 99999999999\n", 2, "bad integer"},
      {"[setup]\ncomponent-size = Main\n", 2, "component-size takes 2 value(s)"},
      {"[stuff]\n", 1, "unknown section [stuff]"},
      {"[raw]\nline-guid = x\n", 2, "unknown directive line-guid"},
      {"Comment: ok\nComment: \"open\n", 2, "unterminated quote"},
      {"Comment: \\q\n", 1, "unknown escape \\q"},
      {"Comment: a\"b\n", 1, "double quote inside an unquoted value"},
      {"Comment: x  @colour=red\n", 1, "unknown attribute @colour"},
      {"End  @guid=123\n", 1, "malformed GUID"},
      {"End  @header=F52\n", 1, "eight hexadecimal digits"},
      {"End  @commented @flag=C\n", 1, "already has a comment flag"},
      {"\"End\" x\n", 1, "expected ':'"},
      {"#quarrix-script 2\n", 1, "unsupported source format"},
      {"End @guid={0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}\n\nEnd @guid={0a1b2c3d-4e5f-6071-8293-a4b5c6d7e8f9}\n", 3,
       "duplicate GUID {0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9} (also on line 1)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.source);
    try {
      CompileScriptSource(c.source, "s");
      ADD_FAILURE() << "accepted";
    } catch (const SourceError& error) {
      EXPECT_EQ(error.Line(), c.line);
      EXPECT_NE(std::string(error.what()).find(c.fragment), std::string::npos) << error.what();
    }
  }
}

TEST(ScriptSource, GeneratedGuidsAreDeterministicUniqueAndAvoidGivenOnes) {
  std::string source;
  for (int i = 0; i < 200; ++i) source += "Comment: x\n";
  ScriptPayload first = CompileScriptSource(source, "a.qxs");
  EXPECT_EQ(CompileScriptSource(source, "a.qxs").lineGuids, first.lineGuids);
  EXPECT_NE(CompileScriptSource(source, "b.qxs").lineGuids[0], first.lineGuids[0]);
  std::set<std::string> unique(first.lineGuids.Entries().begin(), first.lineGuids.Entries().end());
  EXPECT_EQ(unique.size(), first.LineCount());
  for (const std::string& guid : first.lineGuids.Entries()) {
    ASSERT_EQ(guid.size(), 38u);
    EXPECT_EQ(guid, ToUpperAscii(guid));
    EXPECT_EQ(guid.front(), '{');
    EXPECT_EQ(guid[9], '-');
  }

  // Line 0 takes the GUID line 1 would have been given; line 1 must draw another.
  std::string taken = GenerateLineGuid("a.qxs", 1);
  ScriptPayload clash = CompileScriptSource("End @guid=" + taken + "\nEnd\n", "a.qxs");
  EXPECT_EQ(clash.lineGuids[0], taken);
  EXPECT_NE(clash.lineGuids[1], taken);
  EXPECT_EQ(clash.lineGuids[1], GenerateLineGuid("a.qxs", 1, 1));
}

TEST(ScriptSource, SourceLocationsDefaultToTheSourceLine) {
  ScriptPayload payload = CompileScriptSource(
      "# comment\n\nEnd\n  End @line=40\nEnd @source=\"other.qxs*3\"\n[setup]\n", "setup.qxs");
  EXPECT_EQ(payload.sourceLocations, (StringList{"setup.qxs*2", "setup.qxs*40", "other.qxs*3"}));

  ScriptPayload renamed = CompileScriptSource("End\n[setup]\nsource-name = \"C:\\p\\main.qxs\"\n", "ignored");
  EXPECT_EQ(renamed.sourceLocations, (StringList{"C:\\p\\main.qxs*0"}));
  EXPECT_EQ(renamed.lineGuids[0], GenerateLineGuid("C:\\p\\main.qxs", 0));
}

}  // namespace
}  // namespace quarrix
