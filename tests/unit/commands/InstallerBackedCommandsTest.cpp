#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "commands/CommandRunner.h"
#include "engine/PackageEdits.h"

namespace quarrix {
namespace {

using testing::CommandRunner;

std::string Script(const std::string& lines) { return "#quarrix-script 1\n[script]\n" + lines; }

void SetVariables(CommandRunner& runner) {
  TVariableManager& v = runner.session.variables;
  v.SetVariable("TARGETDIR", "C:\\Program Files\\Prod\\", "Test");
  v.SetVariable("NAME", "Prod", "Test");
  v.SetVariable("TWOLINES", "one\r\ntwo", "Test");
}

struct PropertyCase {
  std::string line;  // one script line with the header F525945E
  StringList queued;  // name, value, name, value ...
};

TEST(InstallerBackedCommands, QueueTheActionPropertyAndTheParameterProperties) {
  const std::vector<PropertyCase> cases = {
      // Only parameters that refer to a variable are handed over, each under its own number.
      {"Write Registry: 2 x \"Software\\$NAME$\" Plain $TWOLINES$",
       {"AF525945E", "TRUE", "PF525945E_1", "Software\\Prod", "PF525945E_3", "one$NEWLINE$two"}},
      {"Write Registry: 2 x Software Plain Data", {"AF525945E", "TRUE"}},
      {"Install Files: \"#SRC#\\*.*\" \"\" \"$TARGETDIR$\\bin\"",
       {"AF525945E", "TRUE", "PF525945E_1", "C:\\Program Files\\Prod\\bin"}},
      {"Edit INI File: a.ini x y k v \"\\\\srv\\\\share\\\\$NAME$\"",
       {"AF525945E", "TRUE", "PF525945E_1", "a.ini", "PF525945E_2", "k", "PF525945E_3", "v", "PF525945E_4",
        "\\\\srv\\share\\Prod"}},
      {"Set Environment: PATH $TARGETDIR$", {"AF525945E", "TRUE", "PF525945E_1", "C:\\Program Files\\Prod\\"}},
      {"Copy/Move Local Files: src x dst", {"AF525945E", "TRUE", "PF525945E_1", "src", "PF525945E_2", "dst"}},
      {"Delete Files: \"$TARGETDIR$\\old.txt\"",
       {"AF525945E", "TRUE", "PF525945E_1", "C:\\Program Files\\Prod\\old.txt"}},
      {"Create Folder: $TARGETDIR$data", {"AF525945E", "TRUE", "PF525945E_1", "C:\\Program Files\\Prod\\data"}},
      {"Create Shortcut: target name folder desc args work x y pin",
       {"AF525945E", "TRUE", "PF525945E_1", "folder", "PF525945E_2", "target", "PF525945E_3", "args", "PF525945E_4",
        "work"}},
      {"Advertised Shortcut: target name folder desc args work x y pin",
       {"AF525945E", "TRUE", "PF525945E_1", "folder", "PF525945E_2", "target", "PF525945E_3", "args", "PF525945E_4",
        "work"}},
      {"Create File Type: .prd $NAME$.Doc \"Prod document\" icon verb",
       {"AF525945E", "TRUE", "PF525945E_1", ".prd", "PF525945E_2", "Prod.Doc", "PF525945E_3", "Prod document",
        "PF525945E_4", "icon", "PF525945E_5", "verb"}},
      {"Advertised File Type: Prod.Doc x Desc", {"AF525945E", "TRUE"}},
      {"Control Service: $NAME$Svc start", {"AF525945E", "TRUE", "PF525945E_1", "ProdSvc", "PF525945E_2", "start"}},
      {"Install Service: 1 svc 3 disp desc \"$TARGETDIR$\\s.exe\" 7 8 acct pw~x~ 11 12 p13 p14 p15",
       {"AF525945E", "TRUE", "PF525945E_1", "svc", "PF525945E_2", "disp", "PF525945E_3", "desc", "PF525945E_4",
        "acct", "PF525945E_5", "pw$NULL$x$NULL$", "PF525945E_6", "p13", "PF525945E_7", "p14", "PF525945E_8", "p15",
        "PF525945E_9", "C:\\Program Files\\Prod\\s.exe"}},
      {"Install Assembly: a b $TARGETDIR$", {"AF525945E", "TRUE", "PF525945E_1", "C:\\Program Files\\Prod\\"}},
      {"Create ODBC DSN: a b c", {"AF525945E", "TRUE"}},
      {"Install ODBC Driver: a b c \"$TARGETDIR$\\drv\"",
       {"AF525945E", "TRUE", "PF525945E_1", "C:\\Program Files\\Prod\\drv"}},
  };
  for (const PropertyCase& c : cases) {
    SCOPED_TRACE(c.line);
    CommandRunner runner(Script("Comment: first\n" + c.line + "  @header=F525945E\n"));
    SetVariables(runner);
    runner.RunLine(1);
    const std::optional<InstallerPropertyQueue>& queue = runner.session.run.packageEdits.pendingProperties;
    ASSERT_TRUE(queue.has_value());
    StringList queued;
    for (size_t i = 0; i < queue->names.size(); ++i) {
      queued.push_back(queue->names[i]);
      queued.push_back(queue->values[i]);
    }
    EXPECT_EQ(queued, c.queued);
    EXPECT_EQ(runner.session.run.actionList, c.queued);
    EXPECT_EQ(runner.session.run.skipMarks, (StringList{"", "TRUE"}));
  }
}

TEST(InstallerBackedCommands, RunningTwiceQueuesTwiceAndTheLastValueWins) {
  CommandRunner runner(Script("Install Files: a b $DEST$ @header=0000ABCD\n"));
  runner.session.variables.SetVariable("DEST", "C:\\First", "Test");
  runner.RunLine(0);
  runner.session.variables.SetVariable("DEST", "C:\\Second", "Test");
  runner.RunLine(0);
  EXPECT_EQ(runner.session.run.packageEdits.pendingProperties->names,
            (StringList{"A0000ABCD", "P0000ABCD_1", "A0000ABCD", "P0000ABCD_1"}));
  EXPECT_EQ(QueuedInstallerProperty(runner.session.run, "P0000ABCD_1"), "C:\\Second");
  EXPECT_EQ(QueuedInstallerProperty(runner.session.run, "p0000abcd_1"), std::nullopt);  // names are exact
  EXPECT_EQ(runner.session.run.actionList.size(), 8u);
}

TEST(InstallerBackedCommands, LineWithoutItsHeaderIsARuntimeError) {
  CommandRunner runner(Script("Create Folder: C:\\A @header=11111111\nCreate Folder: C:\\B\n"));
  try {
    runner.RunLine(1);
    FAIL() << "no error";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "Unable to obtain command headers. Please rebuild your project.");
  }
  EXPECT_FALSE(runner.session.run.packageEdits.pendingProperties.has_value());
  EXPECT_EQ(runner.session.run.skipMarks[1], "");
}

TEST(InstallerBackedCommands, ScriptWithoutAnyHeadersUsesTheEmptyHeader) {
  CommandRunner runner(Script("Create Folder: C:\\A\n"));
  runner.RunLine(0);
  EXPECT_EQ(runner.session.run.packageEdits.pendingProperties->names, (StringList{"A", "P_1"}));
}

TEST(InstallerBackedCommands, LocalisableParametersUseTheTranslation) {
  const std::string guid = "{11111111-2222-3333-4444-555555555555}";
  CommandRunner runner(Script("Control Service: Svc stop @header=ABCDEF01 @guid=" + guid + "\n"));
  SetVariables(runner);
  runner.session.variables.SetVariable("LANGUAGE", "German", "Test");
  runner.session.translations.keys = {guid};
  runner.session.translations.texts = {"Dienst $NAME$"};
  runner.RunLine(0);
  EXPECT_EQ(QueuedInstallerProperty(runner.session.run, "PABCDEF01_1"), "Dienst Prod");
  EXPECT_EQ(QueuedInstallerProperty(runner.session.run, "PABCDEF01_2"), "stop");
}

TEST(InstallerBackedCommands, ShortcutsAndFileTypesLeaveTheirLocalisationAndPinRequests) {
  CommandRunner runner(Script(
      "Create Shortcut: \"$TARGETDIR$\\app.exe\" \"  My Application\" \"$TARGETDIR$\" Starts \"\" \"\" x y "
      "\"ignored|taskbar\" @header=0000000A\n"
      "Advertised Shortcut: t Tool f d a w x y ignored| @header=0000000B\n"
      "Advertised File Type: Prod.Doc x \"$NAME$ document\" @header=0000000C\n"));
  SetVariables(runner);
  runner.RunAll();
  const PackageEdits& edits = runner.session.run.packageEdits;
  EXPECT_EQ(edits.shortcutLocalisations,
            (StringList{"P0000000A_1", "My A~1|  My Application", "Starts", "P0000000B_1", "Tool~1|Tool", "d"}));
  // Only a pin option after the bar asks for pinning.
  EXPECT_EQ(edits.pinRequests,
            StringList{"C:\\Program Files\\Prod\\  My Application.lnk|taskbar|C:\\Program Files\\Prod\\app.exe"});
  EXPECT_EQ(edits.progIdLocalisations, (StringList{"Prod.Doc", "Prod.Doc", "Prod document"}));
  EXPECT_EQ(QueuedInstallerProperty(runner.session.run, "P0000000A_2"), "C:\\Program Files\\Prod\\app.exe");
  EXPECT_EQ(QueuedInstallerProperty(runner.session.run, "A0000000C"), "TRUE");
  EXPECT_EQ(QueuedInstallerProperty(runner.session.run, "P0000000C_1"), std::nullopt);
}

TEST(TransformInstance, NewInstanceGetsFreshUpperCaseIdentityUnlessAPatchIsThere) {
  struct Case {
    const char* what;
    const char* newInstance;
    bool patchPresent;
    bool transformed;
  };
  const std::string package = "C:\\Users\\User\\AppData\\Local\\Temp\\zvk1\\setup.msi";
  for (const Case& c : {Case{"new instance", "true", false, true}, Case{"patch beside the package", "TRUE", true, false},
                        Case{"not a new instance", "FALSE", false, false}}) {
    SCOPED_TRACE(c.what);
    CommandRunner runner("#quarrix-script 1\n[setup]\nproduct-code = {6F1C2A3B-4D5E-4F60-8172-93A4B5C6D7E8}\n"
                         "revision-code = {0B1C2D3E-4F50-4162-8374-95A6B7C8D9EA}\n[script]\nTransform Instance\n");
    runner.session.instance.packagePath = package;
    runner.temp.machine.files.CreateDirectories("C:\\Users\\User\\AppData\\Local\\Temp\\zvk1");
    if (c.patchPresent) runner.temp.machine.files.WriteFile("C:\\Users\\User\\AppData\\Local\\Temp\\zvk1\\setup.msp", "");
    runner.session.variables.SetVariable("NEWINSTANCE", c.newInstance, "Test");
    runner.session.run.packageEdits.componentIdsRegenerated = true;
    runner.RunLine(0);

    const ScriptPayload& payload = runner.session.payload;
    EXPECT_EQ(runner.session.run.packageEdits.instanceTransformRequested, c.transformed);
    if (!c.transformed) {
      EXPECT_EQ(payload.productCode, "{6F1C2A3B-4D5E-4F60-8172-93A4B5C6D7E8}");
      EXPECT_EQ(payload.revisionCode, "{0B1C2D3E-4F50-4162-8374-95A6B7C8D9EA}");
      continue;
    }
    EXPECT_FALSE(runner.session.run.packageEdits.componentIdsRegenerated);
    EXPECT_NE(payload.productCode, payload.revisionCode);
    for (const std::string& code : {payload.productCode, payload.revisionCode}) {
      EXPECT_EQ(code.size(), 38u);
      EXPECT_EQ(code, ToUpperAscii(code));
      EXPECT_NE(code, "{6F1C2A3B-4D5E-4F60-8172-93A4B5C6D7E8}");
    }
    // The bootstrap ran again with the new identity.
    EXPECT_EQ(runner.Var("PRODUCTCODE"), payload.productCode);
    EXPECT_EQ(runner.Var("REVISIONCODE"), payload.revisionCode);
  }
}

}  // namespace
}  // namespace quarrix
