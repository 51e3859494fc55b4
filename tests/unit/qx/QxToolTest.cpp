// Runs the built qx binary as a setup author would.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/QxProcess.h"
#include "support/TempMachine.h"

namespace quarrix {
namespace {

namespace fs = std::filesystem;

using QxResult = testing::QxOutcome;
using testing::ReadHostFile;
using testing::WriteHostFile;

class QxTool : public ::testing::Test {
 protected:
  fs::path File(const std::string& name) const { return temp_.Path() / name; }

  QxResult Run(const std::vector<std::string>& arguments) const {
    return testing::RunQx(arguments, File("stderr.txt"));
  }

  std::string WriteSource(const std::string& name, const std::string& text) const {
    WriteHostFile(File(name), text);
    return File(name).string();
  }

  testing::TempFolder temp_;
};

constexpr const char* kSource =
    "#quarrix-script 1\n"
    "[setup]\n"
    "title = \"Demo \xC4pp\"\n"
    "build-constant = PROJDIR \"C:\\Demo\"\n"
    "[script]\n"
    "Set Variable: A \"|\" \n"
    "If: A 0 \"|\" FALSE\n"
    "  Install Files: \"#PROJDIR#\\*\" \"\" \"$TARGETDIR$\"  @header=F525945E\n"
    "End\n"
    "Comment: $ \"\"  @media=OFFLINE\\\n";

// A minimal PE image: one section whose raw data ends at byte 1024, then old trailing data.
std::string SyntheticEngine() {
  std::string image(1024, '\0');
  image[0] = 'M';
  image[1] = 'Z';
  image[60] = 64;
  image.replace(64, 4, std::string("PE\0\0", 4));
  image[68 + 2] = 1;                                // one section
  image[68 + 16] = static_cast<char>(224);          // a PE32 optional header
  const size_t section = 68 + 244;                  // the section table
  image[section + 16 + 1] = 2;                      // SizeOfRawData 512
  image[section + 20 + 1] = 2;                      // PointerToRawData 512
  for (size_t i = 512; i < 1024; ++i) image[i] = static_cast<char>(i);
  return image + "OLD PAYLOAD\r\n";
}

TEST_F(QxTool, CompileDumpCompileGivesTheSameBytes) {
  std::string source = WriteSource("setup.qxs", kSource);
  ASSERT_EQ(Run({"compile", source, "-o", File("first.bin").string()}).exitCode, 0);
  QxResult dumped = Run({"dump", File("first.bin").string()});
  ASSERT_EQ(dumped.exitCode, 0) << dumped.err;
  std::string dumpedSource = WriteSource("dumped.qxs", dumped.out);
  ASSERT_EQ(Run({"compile", dumpedSource, "-o", File("second.bin").string()}).exitCode, 0);
  EXPECT_EQ(ReadHostFile(File("second.bin")), ReadHostFile(File("first.bin")));
  EXPECT_NE(ReadHostFile(File("first.bin")).find("\r\n$DOLLAR$\r\n"), std::string::npos);
  EXPECT_FALSE(fs::exists(File("first.bin.tmp")));
}

TEST_F(QxTool, AttachPutsThePayloadBehindTheEngineStub) {
  WriteHostFile(File("engine.exe"), SyntheticEngine());
  std::string source = WriteSource("setup.qxs", kSource);
  ASSERT_EQ(Run({"compile", source, "-o", File("setup.bin").string()}).exitCode, 0);
  QxResult attached =
      Run({"attach", File("engine.exe").string(), File("setup.bin").string(), "-o", File("setup.exe").string()});
  ASSERT_EQ(attached.exitCode, 0) << attached.err;
  std::string payload = ReadHostFile(File("setup.bin"));
  EXPECT_EQ(ReadHostFile(File("setup.exe")), SyntheticEngine().substr(0, 1024) + payload);

  // The setup's payload dumps exactly as the payload file does.
  QxResult fromSetup = Run({"dump", File("setup.exe").string()});
  ASSERT_EQ(fromSetup.exitCode, 0) << fromSetup.err;
  EXPECT_EQ(fromSetup.out, Run({"dump", File("setup.bin").string()}).out);

  // An engine without payload has nothing to dump; a non-PE file cannot be an engine.
  WriteHostFile(File("bare.exe"), SyntheticEngine().substr(0, 1024));
  EXPECT_EQ(Run({"dump", File("bare.exe").string()}).exitCode, 2);
  EXPECT_EQ(Run({"attach", source, File("setup.bin").string(), "-o", File("x.exe").string()}).exitCode, 2);
  EXPECT_FALSE(fs::exists(File("x.exe")));
}

TEST_F(QxTool, CheckReportsTheResultAndMessage) {
  struct Case {
    std::string script;
    int exitCode;
    std::string out;
  };
  const std::vector<Case> cases = {
      {"Set Variable: A 1\nIf: A 0 1 FALSE\nEnd\n", 0, "-1\nScript compiled successfully\n"},
      {"If: SILENT 0 TRUE FALSE\n", 1, "2147483644\nInsufficient END statements\n"},
      {"Comment: x\nGoTo Label: Nowhere\n", 1, "1\nLABEL undefined: Nowhere\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script);
    std::string source = WriteSource("check.qxs", std::string("#quarrix-script 1\n") + c.script);
    QxResult fromSource = Run({"check", source});
    EXPECT_EQ(fromSource.exitCode, c.exitCode) << fromSource.err;
    EXPECT_EQ(fromSource.out, c.out);
    ASSERT_EQ(Run({"compile", source, "-o", File("check.bin").string()}).exitCode, 0);
    QxResult fromPayload = Run({"check", File("check.bin").string()});
    EXPECT_EQ(fromPayload.exitCode, c.exitCode);
    EXPECT_EQ(fromPayload.out, c.out);
  }
  QxResult missing = Run({"check", File("absent.bin").string()});
  EXPECT_EQ(missing.exitCode, 2);
  EXPECT_EQ(missing.err.rfind("qx: ", 0), 0u) << missing.err;
}

TEST_F(QxTool, TheMarkerAloneTellsASourceFromAPayload) {
  const std::string source = WriteSource("good.qxs", "#quarrix-script 1\nSet Variable: A 1\n");
  ASSERT_EQ(Run({"compile", source, "-o", File("good.bin").string()}).exitCode, 0);
  const std::string payload = ReadHostFile(File("good.bin"));
  WriteHostFile(File("truncated.bin"), payload.substr(0, payload.size() / 2));
  // A text that compiles as script lines when taken for a source, though it is no payload.
  WriteHostFile(File("unmarked.bin"), "Set Variable: A 1\r\n");

  struct Case {
    const char* file;
    int check, compile, dump, run;
  };
  const Case cases[] = {
      {"good.qxs", 0, 0, 2, 0},
      {"good.bin", 0, 2, 0, 0},
      {"truncated.bin", 2, 2, 2, 2},
      {"unmarked.bin", 2, 2, 2, 2},
  };
  for (const Case& c : cases) {
    const std::string input = File(c.file).string();
    const std::string output = File(std::string(c.file) + ".out").string();
    const std::vector<std::pair<std::vector<std::string>, int>> runs = {
        {{"check", input}, c.check},
        {{"compile", input, "-o", output}, c.compile},
        {{"dump", input}, c.dump},
        {{"run", input, "--", "/s"}, c.run},
    };
    for (const auto& [arguments, exitCode] : runs) {
      SCOPED_TRACE(::testing::PrintToString(arguments));
      QxResult result = Run(arguments);
      EXPECT_EQ(result.exitCode, exitCode) << result.err;
      if (exitCode == 2) {
        EXPECT_EQ(result.err.rfind("qx: " + input + ": ", 0), 0u) << result.err;
        EXPECT_EQ(result.out, "") << "nothing reported as done";
      }
    }
    EXPECT_EQ(fs::exists(output), c.compile == 0);
  }
}

TEST_F(QxTool, EvalExpandAndCondPrintTheEngineResults) {
  struct Case {
    std::vector<std::string> arguments;
    int exitCode;
    std::string out;
  };
  const std::vector<Case> cases = {
      {{"eval", "$A$ = \"x\" and \"b\" <> \"c\"", "A=x"}, 0, "TRUE\n"},
      {{"eval", "\"a\" = \"a\" AND \"b\" = \"b\""}, 0, "ERROR\n"},
      {{"eval", "$A$ = \"x\"", "A=y"}, 0, "FALSE\n"},
      {{"expand", "x$A$y$B$A$", "A=1"}, 0, "x1y$B1\n"},
      {{"expand", "-$P$-", "P=a=b"}, 0, "-a=b-\n"},
      {{"cond", "V", "2", "9", "FALSE", "V=10"}, 0, "TRUE\n"},
      {{"cond", "V", "2", "abc9", "FALSE", "V=abc10"}, 0, "FALSE\n"},
      {{"cond", "MISSING", "5", "", "-1"}, 0, "TRUE\n"},
      {{"cond", "V", "6", "1.1.9.9", "FALSE", "V=1.2"}, 0, "TRUE\n"},
      {{"cond", "V", "6", "1.0", "FALSE", "V=a.1"}, 1, ""},
      {{"eval", "\"a\" = \"a\"", "NOEQUALS"}, 2, ""},
      {{"cond", "V", "0"}, 2, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.arguments));
    QxResult result = Run(c.arguments);
    EXPECT_EQ(result.exitCode, c.exitCode) << result.err;
    EXPECT_EQ(result.out, c.out);
    if (c.exitCode != 0) {
      EXPECT_EQ(result.err.rfind("qx: ", 0), 0u) << result.err;
    }
  }
}

TEST_F(QxTool, BadInputExitsWithTwoAndLeavesNoFile) {
  std::string broken = WriteSource("broken.qxs", "#quarrix-script 1\nComment: ok\nComment: \"open\n");
  QxResult malformed = Run({"compile", broken, "-o", File("out.bin").string()});
  EXPECT_EQ(malformed.exitCode, 2);
  EXPECT_EQ(malformed.err, "qx: " + broken + ":3: unterminated quote\n");
  EXPECT_TRUE(malformed.out.empty());
  EXPECT_FALSE(fs::exists(File("out.bin")));
  EXPECT_FALSE(fs::exists(File("out.bin.tmp")));

  // A value the payload cannot carry is refused before anything is written.
  std::string unwritable = WriteSource("unwritable.qxs", "#quarrix-script 1\nComment: \"a\"\\r\\n\"b\"\n");
  EXPECT_EQ(Run({"compile", unwritable, "-o", File("out.bin").string()}).exitCode, 2);
  EXPECT_FALSE(fs::exists(File("out.bin")));

  const std::vector<std::vector<std::string>> usageErrors = {
      {}, {"frobnicate"}, {"compile", broken}, {"compile", broken, "-x", "-o", "y"}, {"dump"},
      {"dump", File("absent.bin").string()}, {"attach", broken}, {"expand"}, {"help", "nothing"},
  };
  for (const auto& arguments : usageErrors) {
    SCOPED_TRACE(::testing::PrintToString(arguments));
    QxResult result = Run(arguments);
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.err.rfind("qx: ", 0), 0u) << result.err;
    EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << "one line";
  }
}

TEST_F(QxTool, HelpListsEverySubcommand) {
  QxResult overview = Run({"--help"});
  EXPECT_EQ(overview.exitCode, 0);
  for (const char* name : {"compile", "dump", "check", "eval", "expand", "cond", "attach", "msi", "dialog"}) {
    SCOPED_TRACE(name);
    EXPECT_NE(overview.out.find(std::string("\n  ") + name + " "), std::string::npos) << overview.out;
    QxResult help = Run({"help", name});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.out.rfind(std::string("usage: qx ") + name, 0), 0u) << help.out;
    EXPECT_EQ(Run({name, "--help"}).out, help.out);
  }
}

TEST_F(QxTool, DialogReportsWhatStartUpWouldRefuseAndHintsNoScriptUses) {
  const std::string script = WriteSource("setup.qxs",
                                         "#quarrix-script 1\n"
                                         "Set Variable: COMPANY \"\"\n"
                                         "Display Dialog: Welcome WIZARD \"\" \"\"\n");
  const std::string good = WriteSource("Welcome.dfm",
                                       "object Welcome: TPoolTemplate\n"
                                       "  object cmpFormDesigner: TDesignerThing\n"
                                       "    Hint = 'NOTHING'\n"
                                       "  end\n"
                                       "  object Edit1: TEdit\n"
                                       "    Hint = '$COMPANY$'\n"
                                       "  end\n"
                                       "  object Edit2: TEdit\n"
                                       "    Hint = 'TARGETDIR'\n"
                                       "  end\n"
                                       "  object Edit3: TEdit\n"
                                       "    Hint = 'COMPNAY'\n"
                                       "  end\n"
                                       "end\n");
  QxResult checked = Run({"dialog", good, "--script", script});
  EXPECT_EQ(checked.exitCode, 0) << checked.err;
  EXPECT_EQ(checked.out,
            "Welcome.dfm line 12: warning: the hint of \"Edit3\" names \"COMPNAY\", a variable the script does not use\n"
            "Welcome.dfm: TPoolTemplate \"Welcome\", 4 controls, 3 bound to variables\n");

  const std::string unknown = WriteSource("Bad.dfm",
                                          "object Bad: TForm\n"
                                          "  object Grid1: TStringGrid\n"
                                          "  end\n"
                                          "end\n");
  QxResult refused = Run({"dialog", unknown});
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_EQ(refused.out,
            "Bad.dfm line 2: unknown control class \"TStringGrid\" of \"Grid1\"\n"
            "Bad.dfm: TForm \"Bad\", 1 control, 0 bound to variables, 1 error\n");

  const std::string broken = WriteSource("Broken.dfm", "object Broken: TForm\n  Caption = 'open\nend\n");
  QxResult malformed = Run({"dialog", broken});
  EXPECT_EQ(malformed.exitCode, 1);
  EXPECT_EQ(malformed.out, "Broken.dfm line 2: string not closed on its line\n");

  EXPECT_EQ(Run({"dialog", File("absent.dfm").string()}).exitCode, 2);
}

}  // namespace
}  // namespace quarrix
