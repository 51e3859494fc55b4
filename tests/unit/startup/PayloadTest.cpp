#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "common/AnsiText.h"
#include "startup/PayloadReader.h"
#include "startup/PayloadSamples.h"
#include "startup/PayloadWriter.h"

namespace quarrix {
namespace {

// Every field holds its own name (lists as their one entry), so a field read from the wrong
// position shows at once. The parameter list carries a GUID and an escaped "$".
std::string NamedFieldsText(std::string_view parameterLines = "{G}\r\n$DOLLAR$\r\n", std::string_view buildModeLine = "3") {
  std::string text;
  text += "commandNames\r\n$\r\nlineGuids\r\n$\r\n";
  text += std::string(parameterLines) + "$\r\n";
  text += "commentFlags\r\n$\r\nproductCode\r\ntitle\r\npluginCommands\r\n$\r\n";
  text += "publisher\r\ncontact\r\nhelpLink\r\nurlUpdateInfo\r\ncomments\r\ndisplayVersion\r\n";
  text += "webMediaPasswords\r\n$\r\nlineMedia\r\n$\r\n";
  text += std::string(buildModeLine) + "\r\n";
  text += "componentSizes\r\n$\r\nrevisionCode\r\nmediaFileMap\r\n$\r\naskLanguage\r\ndefaultLanguage\r\n";
  text += "commandHeaders\r\n$\r\nbuildConstants\r\n$\r\n1252\r\nsourceLocations\r\n$\r\n";
  return text;
}

ScriptPayload NamedFieldsPayload() {
  ScriptPayload p;
  p.commandNames = HashedStringList({"commandNames"});
  p.lineGuids = HashedStringList({"lineGuids"});
  p.parameterList = HashedStringList({"{G}", "$"});
  p.commentFlags = HashedStringList({"commentFlags"});
  p.productCode = "productCode";
  p.title = "title";
  p.pluginCommands = {"pluginCommands"};
  p.publisher = "publisher";
  p.contact = "contact";
  p.helpLink = "helpLink";
  p.urlUpdateInfo = "urlUpdateInfo";
  p.comments = "comments";
  p.displayVersion = "displayVersion";
  p.webMediaPasswords = {"webMediaPasswords"};
  p.lineMedia = HashedStringList({"lineMedia"});
  p.buildMode = 3;
  p.componentSizes = {"componentSizes"};
  p.revisionCode = "revisionCode";
  p.mediaFileMap = {"mediaFileMap"};
  p.askLanguage = "askLanguage";
  p.defaultLanguage = "defaultLanguage";
  p.commandHeaders = {"commandHeaders"};
  p.buildConstants = {"buildConstants"};
  p.codePage = 1252;
  p.sourceLocations = {"sourceLocations"};
  return p;
}

TEST(PayloadFormatTest, FieldsAreReadAndWrittenInTheirFixedPositions) {
  EXPECT_EQ(ParsePayload(NamedFieldsText()), NamedFieldsPayload());
  EXPECT_EQ(WritePayload(NamedFieldsPayload()), NamedFieldsText());
}

TEST(PayloadFormatTest, EmptyPayloadIsOneTerminatorPerListAndOneLinePerValue) {
  const std::string expected =
      "$\r\n$\r\n$\r\n$\r\n"  // 1-4
      "\r\n\r\n$\r\n"         // 5-7
      "\r\n\r\n\r\n\r\n\r\n\r\n"  // 8-13
      "$\r\n$\r\n1\r\n$\r\n"  // 14-17
      "\r\n$\r\n\r\n\r\n"     // 18-21
      "$\r\n$\r\n1252\r\n$\r\n";  // 22-25
  EXPECT_EQ(WritePayload(ScriptPayload{}), expected);
  EXPECT_EQ(ParsePayload(expected), ScriptPayload{});
}

TEST(PayloadFormatTest, RoundTripKeepsEveryRepresentablePayload) {
  ScriptPayload emptyEntries;
  emptyEntries.commandNames = HashedStringList({"", ""});
  emptyEntries.parameterList = HashedStringList({"", "$", ""});
  emptyEntries.sourceLocations = {""};
  emptyEntries.buildMode = -5;
  emptyEntries.codePage = std::numeric_limits<int32_t>::min();

  ScriptPayload extremes = testing::MakeFullPayload();
  extremes.codePage = std::numeric_limits<int32_t>::max();
  extremes.title = std::string(70000, 'T');

  const std::vector<std::pair<const char*, ScriptPayload>> cases = {
      {"every field set", testing::MakeFullPayload()},
      {"defaults", ScriptPayload{}},
      {"empty entries and odd integers", emptyEntries},
      {"extreme values", extremes},
  };
  for (const auto& [name, payload] : cases) {
    SCOPED_TRACE(name);
    EXPECT_EQ(ParsePayload(WritePayload(payload)), payload);
  }
}

TEST(PayloadFormatTest, OnlyWholeEscapeWordsInTheParameterListBecomeDollar) {
  struct Case {
    const char* entry;
    const char* expected;
  };
  const std::vector<Case> cases = {
      {"$DOLLAR$", "$"},          {"$dollar$", "$"},           {"$WILD_DOLLAR$", "$"},
      {"$wild_Dollar$", "$"},     {"x$DOLLAR$", "x$DOLLAR$"},  {"$DOLLAR$ ", "$DOLLAR$ "},
      {"$DOLLAR$$DOLLAR$", "$DOLLAR$$DOLLAR$"},                {"$WILD$", "$WILD$"},
      {"$$", "$$"},               {"DOLLAR", "DOLLAR"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.entry);
    ScriptPayload p = ParsePayload(NamedFieldsText(std::string("{G}\r\n") + c.entry + "\r\n"));
    EXPECT_EQ(p.parameterList.Entries(), (StringList{"{G}", c.expected}));
  }

  std::string elsewhere = ReplaceAll(NamedFieldsText(), "commandNames\r\n", "$DOLLAR$\r\n");
  elsewhere = ReplaceAll(elsewhere, "pluginCommands\r\n", "$wild_dollar$\r\n");
  elsewhere = ReplaceAll(elsewhere, "title\r\n", "$DOLLAR$\r\n");
  ScriptPayload p = ParsePayload(elsewhere);
  EXPECT_EQ(p.commandNames[0], "$DOLLAR$");
  EXPECT_EQ(p.pluginCommands, StringList{"$wild_dollar$"});
  EXPECT_EQ(p.title, "$DOLLAR$");
}

TEST(PayloadFormatTest, OnlyCrLfEndsALine) {
  // A lone CR or LF stays in the value: splitting there would shift every later field.
  std::string text = ReplaceAll(NamedFieldsText(), "commandNames\r\n", "command\nNames\r\n");
  text = ReplaceAll(text, "title\r\n", "ti\rtle\r\n");
  ScriptPayload p = ParsePayload(text);
  EXPECT_EQ(p.commandNames.Entries(), StringList{"command\nNames"});
  EXPECT_EQ(p.title, "ti\rtle");
  EXPECT_EQ(p.sourceLocations, StringList{"sourceLocations"});

  // Converted to bare LF, the whole text is one line and the first list never ends.
  EXPECT_THROW(ParsePayload(ReplaceAll(NamedFieldsText(), "\r\n", "\n")), PayloadError);
}

TEST(PayloadFormatTest, BytesBehindTheLastFieldAreIgnored) {
  const std::string full = WritePayload(testing::MakeFullPayload());
  const std::string padded = full + std::string(4096, '\0') + "\x30\x82 certificate\r\n$\r\nnot a field\r\n";
  EXPECT_EQ(ParsePayload(padded), testing::MakeFullPayload());
}

TEST(PayloadFormatTest, EveryTruncationFailsCleanly) {
  const ScriptPayload full = testing::MakeFullPayload();
  const std::string text = WritePayload(full);
  // Without its final CR LF, or just its LF, the last terminator line is still complete.
  const size_t shortestComplete = text.size() - 2;
  for (size_t length = 0; length <= text.size(); ++length) {
    SCOPED_TRACE(length);
    const std::string prefix = text.substr(0, length);  // own buffer: over-reads reach the sanitizer
    if (length >= shortestComplete) {
      EXPECT_EQ(ParsePayload(prefix), full);
    } else {
      EXPECT_THROW(ParsePayload(prefix), PayloadError);
    }
  }
}

TEST(PayloadFormatTest, TruncationNamesTheFieldThatEnded) {
  const std::string text = NamedFieldsText();
  struct Case {
    std::string text;
    const char* field;
  };
  const std::vector<Case> cases = {
      {"", "field 1, commandNames"},
      {text.substr(0, text.find("productCode")), "field 5, productCode"},
      {text.substr(0, text.find("\r\n3\r\n") + 2), "field 16, buildMode"},
      {text.substr(0, text.size() - 3), "field 25, sourceLocations"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.field);
    try {
      ParsePayload(c.text);
      ADD_FAILURE() << "parsed a truncated payload";
    } catch (const PayloadError& error) {
      EXPECT_EQ(std::string(error.what()), std::string("The setup script payload is truncated (") + c.field + ")");
    }
  }
}

TEST(PayloadFormatTest, IntegerLinesStartWithADecimalNumber) {
  struct Case {
    const char* line;
    std::optional<int32_t> expected;  // nothing: the payload is rejected
  };
  const std::vector<Case> cases = {
      {"2", 2},           {"  3", 3},           {"1 trailing words", 1}, {"-7", -7},
      {"+4", 4},          {"0012", 12},         {"\t9;", 9},             {"2147483647", 2147483647},
      {"-2147483648", std::numeric_limits<int32_t>::min()},
      {"", std::nullopt}, {"abc", std::nullopt}, {"x1", std::nullopt},    {"-", std::nullopt},
      {"$10", std::nullopt}, {"2147483648", std::nullopt}, {"99999999999999999999999", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const std::string text = NamedFieldsText("{G}\r\n$DOLLAR$\r\n", c.line);
    if (c.expected) {
      EXPECT_EQ(ParsePayload(text).buildMode, *c.expected);
    } else {
      EXPECT_THROW(ParsePayload(text), PayloadError);
    }
  }
}

TEST(PayloadFormatTest, WriterRefusesWhatCannotBeReadBack) {
  struct Case {
    const char* name;
    void (*change)(ScriptPayload&);
  };
  const std::vector<Case> cases = {
      {"\"$\" in commandNames", [](ScriptPayload& p) { p.commandNames.Add("$"); }},
      {"\"$\" in pluginCommands", [](ScriptPayload& p) { p.pluginCommands.push_back("$"); }},
      {"\"$\" in sourceLocations", [](ScriptPayload& p) { p.sourceLocations.push_back("$"); }},
      {"escape word as a parameter", [](ScriptPayload& p) { p.parameterList.Add("$Dollar$"); }},
      {"wild escape word as a parameter", [](ScriptPayload& p) { p.parameterList.Add("$WILD_DOLLAR$"); }},
      {"CR LF in a parameter", [](ScriptPayload& p) { p.parameterList.Add("a\r\nb"); }},
      {"LF in a list entry", [](ScriptPayload& p) { p.buildConstants.push_back("a\nb"); }},
      {"CR in a hashed list entry", [](ScriptPayload& p) { p.lineMedia.Add("a\rb"); }},
      {"LF in a single", [](ScriptPayload& p) { p.title = "two\nlines"; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptPayload p = testing::MakeFullPayload();
    c.change(p);
    EXPECT_THROW(WritePayload(p), std::invalid_argument);
  }
}

TEST(GetLineParameterTest, FindsTheLineInTheFirstListThatHoldsIt) {
  const std::string g1 = "{AAAAAAAA-0000-0000-0000-000000000001}";
  const std::string g2 = "{AAAAAAAA-0000-0000-0000-000000000002}";
  const std::string g3 = "{AAAAAAAA-0000-0000-0000-000000000003}";
  const std::string g4 = "{AAAAAAAA-0000-0000-0000-00000000000F}";
  const ParameterLists lists = {
      HashedStringList({g1, "a1", "", g2, "b1", g4, "first", g4, "second"}),
      HashedStringList({g3, "c1", g1, "shadowed"}),
  };
  struct Case {
    std::string guid;
    size_t n;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {g1, 0, g1},
      {ToLowerAscii(g1), 0, g1},  // the GUID as stored, whatever the spelling asked for
      {ToLowerAscii(g1), 1, "a1"},
      {g1, 2, ""},
      {g2, 1, "b1"},
      {g3, 1, "c1"},
      {g4, 1, "second"},  // the last occurrence wins
      {"{AAAAAAAA-0000-0000-0000-00000000000f}", 1, "second"},
      {"{AAAAAAAA-0000-0000-0000-000000000009}", 0, ""},
      {"{AAAAAAAA-0000-0000-0000-000000000009}", 7, ""},
      {"", 1, ""},  // not the empty value of line g1 and what follows it
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.guid + " n=" + std::to_string(c.n));
    EXPECT_EQ(GetLineParameter(lists, c.guid, c.n), c.expected);
  }
  EXPECT_EQ(GetLineParameter({}, g1, 0), "");

  // All lines at once, as the preparation pass finds them, agree with one line at a time.
  std::vector<std::string> guids;
  for (const Case& c : cases) guids.push_back(c.guid);
  const std::vector<LineParameters> lines = FindEachLine(lists, guids);
  ASSERT_EQ(lines.size(), cases.size());
  for (size_t i = 0; i < cases.size(); ++i) EXPECT_EQ(lines[i].Get(cases[i].n), cases[i].expected) << guids[i];
}

TEST(GetLineParameterTest, PositionPastTheEndIsTheListsIndexError) {
  const ParameterLists lists = {HashedStringList({"{G1}", "a", "{G2}", "b"})};
  EXPECT_EQ(GetLineParameter(lists, "{G2}", 1), "b");
  EXPECT_THROW(GetLineParameter(lists, "{G2}", 2), std::out_of_range);
  // A huge position must not wrap around onto an earlier entry.
  EXPECT_THROW(GetLineParameter(lists, "{G2}", std::numeric_limits<size_t>::max() - 1), std::out_of_range);
}

}  // namespace
}  // namespace quarrix
