// qx run: a setup's script on the simulated machine, one run after another through a machine folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "common/AnsiText.h"
#include "support/BuildPaths.h"
#include "support/QxProcess.h"
#include "support/TestPackage.h"
#include "support/TempMachine.h"

namespace quarrix {
namespace {

namespace fs = std::filesystem;

struct RunResult {
  int exitCode = -1;
  std::map<std::string, std::string> variables;  // NAME=value lines of stdout
  std::vector<std::string> order;                // names as printed
  std::string sections;                          // from the first "--- " line: calls and registration
  std::string err;
};

class QxRunTest : public ::testing::Test {
 protected:
  fs::path File(const std::string& name) const { return temp_.Path() / name; }

  std::string Source(const std::string& name, const std::string& script) const {
    std::ofstream(File(name), std::ios::binary) << "#quarrix-script 1\n[setup]\n"
                                                   "product-code = {11111111-2222-3333-4444-555555555555}\n"
                                                   "revision-code = {AAAAAAAA-BBBB-CCCC-DDDD-EEEEEEEEEEEE}\n"
                                                   "title = Sample\n[script]\n"
                                                << script;
    return File(name).string();
  }

  RunResult Run(const std::vector<std::string>& arguments, const std::string& subcommand = "run") const {
    std::vector<std::string> all{subcommand};
    all.insert(all.end(), arguments.begin(), arguments.end());
    const testing::QxOutcome outcome = testing::RunQx(all, File("stderr.txt"));
    RunResult result;
    result.exitCode = outcome.exitCode;
    result.err = outcome.err;
    const std::string& out = outcome.out;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
      if (!result.sections.empty() || StartsWith(line, "--- ")) {
        result.sections += line + "\n";
        continue;
      }
      const size_t equals = line.find('=');
      if (equals == std::string::npos) continue;
      result.order.push_back(line.substr(0, equals));
      result.variables[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return result;
  }

  testing::TempFolder temp_;
};

constexpr const char* kRememberingScript =
    "If: MAINTENANCE 0 FALSE FALSE\n"
    "  Set Variable: COLOR$VELD$VELD$TRUE blue\n"
    "  Save Feature Selections: \"$ENGINECACHE$setup.dat\"\n"
    "End\n";

TEST_F(QxRunTest, AMaintenanceRunFindsWhatTheFirstRunSaved) {
  const std::string script = Source("setup.qxs", kRememberingScript);
  const std::string machine = File("machine").string();
  // What an installation leaves on the machine: the instance folder the script saves into.
  fs::create_directories(File("machine") / "drives" / "C" / "ProgramData" / "{AAAAAAAA-BBBB-CCCC-DDDD-EEEEEEEEEEEE}");

  RunResult first = Run({script, "--machine", machine, "--", "/s"});
  ASSERT_EQ(first.exitCode, 0) << first.err;
  EXPECT_EQ(first.variables["MAINTENANCE"], "FALSE");
  EXPECT_EQ(first.variables["COLOR"], "blue");
  EXPECT_TRUE(fs::exists(File("machine") / "registry.reg"));

  // What the installation would have recorded: the product is installed with this package code.
  std::ofstream(File("machine") / "products.txt")
      << "{11111111-2222-3333-4444-555555555555}\t5\tPackageCode={aaaaaaaa-bbbb-cccc-dddd-eeeeeeeeeeee}\n";

  RunResult second = Run({script, "--machine", machine, "--", "/s"});
  ASSERT_EQ(second.exitCode, 0) << second.err;
  EXPECT_EQ(second.variables["MAINTENANCE"], "TRUE");
  EXPECT_EQ(second.variables["NEEDSUPGRADE"], "FALSE");
  EXPECT_EQ(second.variables["COLOR"], "blue") << "the persisted variable comes back from the instance";
  std::vector<std::string> folded;
  for (const std::string& name : second.order) folded.push_back(ToUpperAscii(name));
  EXPECT_TRUE(std::is_sorted(folded.begin(), folded.end())) << "sorted by name without regard to case";
}

TEST_F(QxRunTest, TheMachineFolderDescribesTheSystemTheScriptAsksAbout) {
  const std::string script = Source("system.qxs",
                                    "Get OS or SP Level: NAME TRUE\n"
                                    "Get OS or SP Level: PACK FALSE\n"
                                    "Get System Settings: HOST 61\n"
                                    "Get System Settings: BITS 65\n");
  const std::string machine = File("machine").string();
  fs::create_directories(File("machine"));
  std::ofstream(File("machine") / "system.txt") << "windows = 2 5 2 3790 3\nservice-pack = Service Pack 2\n"
                                                   "computer-name = OLD-SERVER\nsystem-64-bit = FALSE\n";
  RunResult run = Run({script, "--machine", machine, "--", "/s"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.variables["NAME"], "2003");
  EXPECT_EQ(run.variables["PACK"], "2");
  EXPECT_EQ(run.variables["HOST"], "OLD-SERVER");
  EXPECT_EQ(run.variables["BITS"], "FALSE");
  // Saved back whole: what the file left out is written with the machine's own answers.
  std::ifstream saved(File("machine") / "system.txt");
  const std::string text((std::istreambuf_iterator<char>(saved)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("computer-name = OLD-SERVER\n"), std::string::npos) << text;
  EXPECT_NE(text.find("memory = "), std::string::npos) << text;
}

TEST_F(QxRunTest, ApplyChangesInstallsTheProjectsPackageAndTheUninstallEntryRemovesIt) {
  if (!testing::HaveTool("wixl")) GTEST_SKIP() << "wixl is needed to build the package";
  const fs::path fixture = fs::path(testing::SourceDir()) / "tests" / "e2e" / "fixtures" / "bridge";
  fs::copy(fixture, File("project"), fs::copy_options::recursive);
  const std::string script = (File("project") / "setup.qxs").string();
  const std::string machine = File("machine").string();

  RunResult first = Run({script, "--machine", machine, "--", "/s"});
  ASSERT_EQ(first.exitCode, 0) << first.err << first.sections;
  EXPECT_EQ(first.variables["RESULT"], "COMPLETE");
  const std::string package = "\"C:\\Users\\User\\AppData\\Local\\Temp\\zvk1\\setup.msi\"";
  EXPECT_NE(first.sections.find("--- installer calls\nInstallProduct " + package + " \"ADDLOCAL=ALL ALLUSERS=1 "),
            std::string::npos)
      << first.sections;
  const std::string entry = "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Bridge Fixture\n";
  EXPECT_NE(first.sections.find("--- registration\n" + entry), std::string::npos) << first.sections;
  EXPECT_NE(first.sections.find("  UninstallString = \"C:\\ProgramData\\{7E4C2D3B-5F60-4B8C-8D9E-2F3A4B5C6D7E}"
                                "\\setup.exe\" REMOVE=TRUE MODIFY=FALSE\n"),
            std::string::npos);

  RunResult removal = Run({script, "--machine", machine, "--", "/s", "REMOVE=TRUE", "MODIFY=FALSE"});
  ASSERT_EQ(removal.exitCode, 0) << removal.err << removal.sections;
  EXPECT_NE(removal.sections.find("InstallProduct " + package + " \"REMOVE=ALL "), std::string::npos)
      << removal.sections;
  EXPECT_TRUE(EndsWith(removal.sections, "--- registration\n")) << removal.sections;
}

TEST_F(QxRunTest, ASecondRunReadsTheTextFileTheFirstWroteAndFindsItsTemporaryFile) {
  const std::string script = Source("notes.qxs",
                                    "Read from Text File: C:\\Notes\\log.txt LAST DONE\n"
                                    "Write to Text File: C:\\Notes\\log.txt \"run $RUN$\" FALSE\n"
                                    "Get Temporary File: $TEMPFILE$\n"
                                    "Find All Files: \"$TEMPDIR$zvk*.tmp\" FALSE FALSE $FOUND$\n");
  const std::string machine = File("machine").string();
  fs::create_directories(File("machine") / "drives" / "C" / "Notes");
  RunResult first = Run({script, "--machine", machine, "--", "/s", "RUN=1"});
  ASSERT_EQ(first.exitCode, 0) << first.err;
  EXPECT_EQ(first.variables["DONE"], "TRUE") << "nothing to read yet";
  EXPECT_EQ(first.variables["FOUND"], first.variables["TEMPFILE"]);
  RunResult second = Run({script, "--machine", machine, "--", "/s", "RUN=2"});
  ASSERT_EQ(second.exitCode, 0) << second.err;
  EXPECT_EQ(second.variables["LAST"], "run 1");
  EXPECT_EQ(second.variables["DONE"], "TRUE") << "its only line was read";
  EXPECT_NE(second.variables["TEMPFILE"], first.variables["TEMPFILE"]);
  EXPECT_NE(second.variables["FOUND"].find(first.variables["TEMPFILE"]), std::string::npos) << second.variables["FOUND"];
}

TEST_F(QxRunTest, OutputEscapesLineBreaksAndTheExitCodeIsTheScripts) {
  const std::string script = Source("exit.qxs",
                                    "Set Variable: TWO a$NEWLINE$b\n"
                                    "Terminate with Exit Code: 7\n");
  RunResult result = Run({script, "--", "/s"});
  EXPECT_EQ(result.exitCode, 7) << result.err;
  EXPECT_EQ(result.variables["TWO"], "a\\r\\nb");
  EXPECT_EQ(result.variables["NEWLINE"], "\\r\\n");
}

TEST_F(QxRunTest, RuntimeErrorsAndCommandsNotCarriedOutGoToStderr) {
  const std::string failing = Source("fail.qxs",
                                     "Set Variable: X 1\n"
                                     "Set Variable: PROGRESS abc\n");
  RunResult silent = Run({failing, "--", "/s"});
  // Line 8 of the source file: the header takes six lines.
  EXPECT_NE(silent.err.find("Line Number: 8"), std::string::npos) << "a silent run shows no box; qx still tells";
  EXPECT_NE(silent.err.find("'abc' is not a valid integer value"), std::string::npos) << silent.err;
  RunResult shown = Run({failing});
  EXPECT_NE(shown.err.find("[Sample - Quarrix Wizard]\n"), std::string::npos) << shown.err;

  const std::string passing = Source("pass.qxs", "Get IIS Site List: RESULT\nGet IIS Site List: OTHER\n");
  RunResult result = Run({passing, "--", "/s"});
  const std::string warning = "qx: warning: \"Get IIS Site List\" is not carried out by this build\n";
  const size_t at = result.err.find(warning);
  EXPECT_NE(at, std::string::npos) << result.err;
  EXPECT_EQ(result.err.find(warning, at + 1), std::string::npos) << "one line per command, not per line";
  EXPECT_NE(Run({passing}, "check").err.find(warning), std::string::npos) << "qx check warns as well";
}

TEST_F(QxRunTest, MessageBoxesTakeTheBoxAnswersAndTheTrayShowsInItsOwnSection) {
  const std::string script = Source("ask.qxs",
                                    "MessageBox: Question \"Really?\" 1 5 FIRST\n"
                                    "MessageBox: Question \"Sure?\" 1 4 SECOND\n"
                                    "MessageBox: Note Done 0 1 THIRD\n"
                                    "MessageBalloon: Ready \"All copied\" 1 5\n"
                                    "System Tray: FALSE TRUE FALSE FALSE\n");
  RunResult run = Run({script, "--answers", "box:no,BOX:CANCEL"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.variables["FIRST"], "NO");
  EXPECT_EQ(run.variables["SECOND"], "CANCEL") << "a Yes/No box takes the answer it is given";
  EXPECT_EQ(run.variables["THIRD"], "OK") << "its default button once the answers are used up";
  EXPECT_NE(run.err.find("[Question]\nReally?\n(answered NO)\n"), std::string::npos) << run.err;
  EXPECT_NE(run.sections.find("--- tray and taskbar\n"
                              "tray icon: Sample\n"
                              "balloon (warning, 10000 ms): [Ready] All copied\n"
                              "tray icon removed\n"),
            std::string::npos)
      << run.sections;
  EXPECT_EQ(Run({script, "--answers", "BOX:MAYBE"}).err.rfind("qx: run: no such message box button: BOX:MAYBE", 0), 0u);
}

TEST_F(QxRunTest, TheMachineFolderCarriesRegistryIniAndEnvironmentFromRunToRun) {
  const fs::path machine = File("machine");
  fs::create_directories(machine / "drives" / "C" / "Windows");
  std::ofstream(machine / "environment.txt") << "\"=C:=C:\\\\\"\n\"GREETING=from the folder\"\n";
  std::ofstream(machine / "drives" / "C" / "Windows" / "app.ini") << "[Main]\nKey=kept\n";
  const std::string first = Source("first.qxs",
                                   "Get Environment: greeting ENV\n"
                                   "Get INI File Settings: INI app.ini Main Key\n"
                                   "Check Registry: BEFORE 1 Software\\Gone V\n"
                                   "Delete Registry: 1 Software\\Gone \"\" TRUE\n");
  std::ofstream(machine / "registry.reg") << "[HKEY_CURRENT_USER\\Software\\Gone]\n\"V\"=\"here\"\n";
  RunResult run = Run({first, "--machine", machine.string(), "--", "/s"});
  EXPECT_EQ(run.variables["ENV"], "from the folder") << run.err;
  EXPECT_EQ(run.variables["INI"], "kept");
  EXPECT_EQ(run.variables["BEFORE"], "here");
  const std::string second = Source("second.qxs", "Check Registry: AFTER 1 Software\\Gone V\nGet Environment: \"\" ALL\n");
  run = Run({second, "--machine", machine.string(), "--", "/s"});
  EXPECT_EQ(run.variables["AFTER"], "NO$KEY") << run.err;
  EXPECT_EQ(run.variables["ALL"], "=C:=C:\\$NEWLINE$GREETING=from the folder");
}

TEST_F(QxRunTest, PluginLinesAreCarriedOutEvenUnderABuiltInsName) {
  // A plug-in may carry a built-in's name: its lines are plug-in calls all the same.
  const std::string script = Source("plugins.qxs",
                                    "Call Widget: data widget.dll\n"
                                    "Set Variable: A 1\n"
                                    "[setup]\n"
                                    "plugin-command = \"Call Widget\"\n"
                                    "plugin-command = \"Set Variable\"\n"
                                    "plugin-command = \"Never Used\"\n");
  for (const char* subcommand : {"run", "check"}) {
    SCOPED_TRACE(subcommand);
    RunResult result = Run({script}, subcommand);
    EXPECT_EQ(result.err.find("is not carried out"), std::string::npos) << result.err;
  }
  RunResult run = Run({script, "--", "/s"});
  EXPECT_EQ(run.variables.count("A"), 0u) << "the \"Set Variable\" line was a plug-in call";
  const std::string box = "Unable to load plug-in library.";
  const size_t first = run.err.find(box);
  EXPECT_NE(first, std::string::npos) << run.err;
  EXPECT_NE(run.err.find(box, first + 1), std::string::npos) << "one box per line whose library is missing";
}

TEST_F(QxRunTest, ArchivesTheScriptExtractsAreReadForReal) {
  const std::string machine = File("machine").string();
  const fs::path data = File("machine") / "drives" / "C" / "Data";
  fs::create_directories(data);
  std::ofstream(data / "text.7z", std::ios::binary) << "not an archive at all";
  // The signature of an empty archive with its start-header CRC zeroed.
  std::ofstream(data / "damaged.7z", std::ios::binary) << std::string("7z\xBC\xAF\x27\x1C\x00\x04", 8) + std::string(24, '\0');
  struct Case {
    const char* archive;
    const char* result;
  };
  const Case cases[] = {
      {"none.7z", "The archive file was not found"},
      {"text.7z", "The archive cannot be opened: unsupported archive or incorrect password"},
      {"damaged.7z", "General failure opening archive"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.archive);
    const std::string script = Source(
        "extract.qxs", std::string("Extract 7Zip Archive: \"C:\\Data\\") + c.archive + "\" \"C:\\Out\\\" RESULT \"\" TRUE TRUE\n");
    RunResult run = Run({script, "--machine", machine, "--", "/s"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.variables["RESULT"], c.result);
    const fs::path out = File("machine") / "drives" / "C" / "Out";
    EXPECT_TRUE(!fs::exists(out) || fs::is_empty(out)) << "nothing written";
  }
}

}  // namespace
}  // namespace quarrix

namespace quarrix {
namespace {

TEST_F(QxRunTest, ARestartRecordedByOneRunIsTheNextRunResumedWithTheEntrysArguments) {
  const std::string script = Source("setup.qxs",
                                    "Check Service: Audio \"\" AUDIO\n"
                                    "Run Program: C:\\Tools\\tool.exe FALSE \"\" TRUE CODE\n"
                                    "Schedule Task: Job \"\" FALSE FALSE TRUE Friday \"3:30 PM\" FALSE \"\" "
                                    "C:\\Tools\\a.exe C:\\Tools -q \"\" \"\"\n"
                                    "Reboot and Resume:\n");
  const fs::path machine = File("machine");
  fs::create_directories(machine / "drives" / "C" / "Tools");
  std::ofstream(machine / "drives" / "C" / "Tools" / "tool.exe") << "MZ";
  std::ofstream(machine / "programs.txt") << "tool.exe\texit 7\n";
  std::ofstream(machine / "services.txt") << "Audio\tSTOPPED\n";
  auto read = [&machine](const char* name) {
    std::ifstream in(machine / name);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  };

  RunResult first = Run({script, "--machine", machine.string(), "--", "/s", "NAME=first"});
  ASSERT_EQ(first.exitCode, 0) << first.err;
  EXPECT_EQ(first.variables["AUDIO"], "STOPPED");
  EXPECT_EQ(first.variables["CODE"], "7");
  EXPECT_EQ(first.err.find("resumes"), std::string::npos);
  EXPECT_NE(read("processes.txt").find("2\texit 7\topen\t5\tC:\\Tools\\\tC:\\Tools\\tool.exe\n"), std::string::npos);
  EXPECT_NE(read("tasks.txt").find("Job\tweekly\t0x20\t15:30\t0x2000\t"), std::string::npos);
  EXPECT_NE(read("restart.txt").find("requested\t1\n"), std::string::npos);

  // The arguments of this second start give way to those the entry carries.
  RunResult resumed = Run({script, "--machine", machine.string(), "--", "/s", "NAME=second"});
  ASSERT_EQ(resumed.exitCode, 0) << resumed.err;
  EXPECT_NE(resumed.err.find("its RunOnce entry resumes the setup: C:\\Setup\\setup.exe /s NAME=first"),
            std::string::npos)
      << resumed.err;
  EXPECT_EQ(resumed.variables["NAME"], "first");
  EXPECT_EQ(resumed.variables["CMDLINE"], "/s NAME=first");

  // A run without a pending restart is no resumed one.
  std::ofstream(machine / "restart.txt") << "requested\t0\n";
  RunResult plain = Run({script, "--machine", machine.string(), "--", "/s", "NAME=third"});
  EXPECT_EQ(plain.variables["NAME"], "third");
  EXPECT_EQ(plain.err.find("resumes"), std::string::npos);
}

TEST_F(QxRunTest, PluginLinesCallTheLibrariesTheMachineFolderDescribes) {
  const fs::path machine = File("machine");
  const fs::path media = machine / "drives" / "C" / "Setup" / "data" / "plugins";
  fs::create_directories(media);
  std::ofstream(media / "greet.dll") << "MZ";
  std::ofstream(media / "broken.dll") << "MZ";
  std::ofstream(machine / "plugins.txt") << "; library, behaviour, changes\n"
                                            "greet.dll\treturns\tGREETING=hello $DATA$\t-DOOMED\n"
                                            "C:\\Setup\\data\\plugins\\broken.dll\traises\n";
  std::ofstream(File("plugins.qxs"), std::ios::binary) << "#quarrix-script 1\n[setup]\ntitle = Sample\n"
                                                          "plugin-command = Greet\n[script]\n"
                                                          "Set Variable: DOOMED 1\n"
                                                          "Set Variable: KEPT 1\n"
                                                          "Greet: world greet.dll @media=\"plugins\\\"\n"
                                                          "Greet: again broken.dll @media=\"plugins\\\"\n";
  RunResult run = Run({File("plugins.qxs").string(), "--machine", machine.string(), "--", "/s"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.variables["GREETING"], "hello world");
  EXPECT_EQ(run.variables.count("DOOMED"), 0u);
  EXPECT_EQ(run.variables["KEPT"], "1");
  EXPECT_NE(run.sections.find("--- plug-in calls\n"
                              "\"C:\\Setup\\data\\plugins\\greet.dll\" \"world\" returns\n"
                              "\"C:\\Setup\\data\\plugins\\broken.dll\" \"again\" raises\n"),
            std::string::npos)
      << run.sections;
  EXPECT_EQ(run.err.find("not carried out"), std::string::npos) << run.err;
  std::ifstream saved(machine / "plugins.txt");
  const std::string table((std::istreambuf_iterator<char>(saved)), std::istreambuf_iterator<char>());
  EXPECT_NE(table.find("greet.dll\treturns\tGREETING=hello $DATA$\t-DOOMED\n"), std::string::npos) << table;
}

}  // namespace
}  // namespace quarrix

#include <cstdlib>

#include "support/HttpTestServer.h"

namespace quarrix {
namespace {

// qx run of a web-based setup downloads its block from a real server into the machine folder.
TEST_F(QxRunTest, AWebBasedSetupFetchesItsBlockFromAServer) {
  if (std::system("command -v 7z >/dev/null 2>&1") != 0) GTEST_SKIP() << "7z is not installed";
  testing::HttpTestServer server(File("server"));
  fs::create_directories(File("block") / "Block1");
  std::ofstream(File("block") / "Block1" / "app.txt", std::ios::binary) << "from the web";
  const std::string pack = "cd '" + File("block").string() + "' && 7z a -bso0 -bsp0 '" +
                           (server.Root() / "Block1.7zip").string() + "' Block1";
  ASSERT_EQ(std::system(pack.c_str()), 0);
  std::ofstream(File("web.qxs"), std::ios::binary)
      << "#quarrix-script 1\n[setup]\nproduct-code = {11111111-2222-3333-4444-555555555555}\n"
         "revision-code = {AAAAAAAA-BBBB-CCCC-DDDD-EEEEEEEEEEEE}\nbuild-mode = 2\n[script]\n"
         "Web Media Block: Block1 " << server.Url("Block1.7zip") << "\n"
         "Install Files: a b $TARGETDIR$ @media=Block1\\\n";
  RunResult run = Run({File("web.qxs").string(), "--machine", File("machine").string(), "--", "/s"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.variables["ABORTEDONERROR"], "FALSE") << run.err;
  // DATADIR is a Windows path on the simulated drive C.
  std::string relative = run.variables["DATADIR"].substr(3);
  for (char& c : relative)
    if (c == '\\') c = '/';
  const fs::path block = File("machine") / "drives" / "C" / relative / "Block1";
  EXPECT_EQ(testing::ReadHostFile(block / "app.txt"), "from the web");
  EXPECT_TRUE(fs::exists(block / "{AAAAAAAA-BBBB-CCCC-DDDD-EEEEEEEEEEEE}"));
}

}  // namespace
}  // namespace quarrix

namespace quarrix {
namespace {

constexpr const char* kDestinationDialog =
    "object Destination: TPoolTemplate\r\n"
    "  Caption = 'Destination'\r\n"
    "  object Edit1: TEdit\r\n"
    "    Hint = 'TARGETDIR'\r\n"
    "    Tag = 2\r\n"
    "  end\r\n"
    "  object NextButton: TButton\r\n"
    "    Caption = '&Next'\r\n"
    "    Tag = 1\r\n"
    "  end\r\n"
    "end\r\n";

TEST_F(QxRunTest, SupportFolderDialogsTakeTheAnswersAndShowWhatTheyWrote) {
  testing::WriteHostFile(File("support") / "Destination.dfm", kDestinationDialog);
  const std::string script = Source("wizard.qxs", "Display Dialog: Destination WIZARD TRUE \"\" \"\" \"\"\n");
  RunResult run = Run({script, "--support", File("support").string(), "--answers", "Edit1=C:\\Apps,NEXT"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.variables["TARGETDIR"], "C:\\Apps");
  EXPECT_EQ(run.variables["WIZARD"], "NEXT");
  for (const char* line : {"--- dialogs\nshown: Destination \"Destination - Quarrix Wizard\"\n",
                           "\n  Edit1 (TEdit, TARGETDIR) = C:\\", "\n  wrote Destination.dfm: TARGETDIR = C:\\Apps (Edit1Change)\n",
                           "\n  user: Edit1=C:\\Apps\n", "\n  user: NEXT (NextButton)\n"})
    EXPECT_NE(run.sections.find(line), std::string::npos) << line << " in\n" << run.sections;
}

TEST_F(QxRunTest, DialogFilesMissingFromTheSupportFolderFailStartup) {
  fs::create_directories(File("empty-support"));
  const std::string script = Source("wizard.qxs", "Display Dialog: Destination WIZARD TRUE \"\" \"\" \"\"\n");
  RunResult run = Run({script, "--support", File("empty-support").string()});
  EXPECT_EQ(run.exitCode, 11);
  EXPECT_NE(run.err.find("Runtime error in install: Cannot open file"), std::string::npos) << run.err;

  RunResult bare = Run({script});
  EXPECT_EQ(bare.exitCode, 0);
  EXPECT_NE(bare.err.find("no dialog files were loaded"), std::string::npos) << bare.err;
  EXPECT_EQ(bare.variables["WIZARD"], "NEXT");
}

// The multi-language example: the language dialog preselects the user's language, the user's
// choice becomes LANGUAGE, and the output names the language and the tables loaded.
TEST_F(QxRunTest, TheLanguagesExampleAsksAndShowsTheLanguageChosen) {
  const fs::path example = fs::path(testing::SourceDir()) / "examples" / "languages";
  struct Case {
    const char* name;
    const char* userLanguage;
    const char* answers;
    const char* chosen;
  };
  int runs = 0;
  for (const Case& c : {Case{"German user takes the preselection", "0x407", "OK", "German"},
                        Case{"English user picks German", "0x409", "LangCombo=German,OK", "German"},
                        Case{"English user takes the preselection", "0x409", "OK", "English"}}) {
    SCOPED_TRACE(c.name);
    const fs::path machine = File(std::string("machine-") + std::to_string(++runs));
    testing::WriteHostFile(machine / "system.txt", std::string("user-language = ") + c.userLanguage + "\n");
    RunResult run = Run({(example / "setup.qxs").string(), "--support", (example / "support").string(), "--machine",
                         machine.string(), "--answers", c.answers});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.variables["LANGUAGE"], c.chosen);
    EXPECT_EQ(run.variables["WIZARD"], "NEXT");
    for (const std::string& line : {std::string("--- language\nchosen: ") + c.chosen + "\ntranslations loaded: " + c.chosen +
                                       ", 3 texts\n",
                                   std::string("shown: SetLanguage \"Select Setup Language\"\n"),
                                   std::string("shown: Welcome \"Languages Example Setup - Quarrix Wizard\"\n")})
      EXPECT_NE(run.sections.find(line), std::string::npos) << line << " in\n" << run.sections;
  }
}

}  // namespace
}  // namespace quarrix
