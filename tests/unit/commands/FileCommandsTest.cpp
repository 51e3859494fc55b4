#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "commands/CommandRunner.h"
#include "commands/FileOperations.h"
#include "engine/WorkerHandshake.h"
#include "support/PeImage.h"
#include "support/ScriptRunner.h"

namespace quarrix {
namespace {

using platform::RegistryRoot;
using platform::RegistryValue;
using platform::RegistryView;
using testing::CommandRunner;

std::string Script(const std::string& lines) { return "#quarrix-script 1\n[script]\n" + lines; }

// Files given by path and content; a path ending in "\" is a folder.
void Lay(CommandRunner& runner, const std::vector<std::pair<std::string, std::string>>& entries) {
  auto& files = runner.temp.machine.files;
  for (const auto& [path, content] : entries) {
    if (path.back() == '\\') {
      files.CreateDirectories(path);
    } else {
      files.CreateDirectories(path.substr(0, path.rfind('\\')));
      files.WriteFile(path, content);
    }
  }
}

TEST(FileCommandsTest, DoesFileOrFolderExistTellsFilesFromFolders) {
  struct Case {
    const char* path;
    const char* testFile;
    const char* result;
  };
  const std::vector<Case> cases = {
      {"C:\\Data\\a.txt", "TRUE", "TRUE"},  {"C:\\Data\\a.txt", "FALSE", "FALSE"},
      {"C:\\Data", "TRUE", "FALSE"},        {"C:\\Data", "FALSE", "TRUE"},
      {"C:\\DATA\\", "FALSE", "TRUE"},      {"c:\\data\\A.TXT", "TRUE", "TRUE"},
      {"C:\\Data\\none.txt", "TRUE", "FALSE"}, {"C:\\None", "FALSE", "FALSE"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.path) + " " + c.testFile);
    CommandRunner runner(Script(std::string("Does File/Folder Exist: FOUND \"") + c.path + "\" " + c.testFile + "\n"));
    Lay(runner, {{"C:\\Data\\a.txt", "a"}});
    runner.RunLine(0);
    EXPECT_EQ(runner.Var("FOUND"), c.result);
  }
}

TEST(FileCommandsTest, FindAllFilesListsSubfoldersAfterTheirContentsAndTheFolderFilesLast) {
  struct Case {
    const char* switches;
    std::string result;
  };
  const std::vector<Case> cases = {
      {"TRUE TRUE",
       "\"C:\\Top\\My Docs\\deep\\c.txt\"|\"C:\\Top\\My Docs\\deep\"|\"C:\\Top\\My Docs\\b.txt\"|\"C:\\Top\\My Docs\"|"
       "C:\\Top\\a.txt"},
      {"TRUE FALSE", "\"C:\\Top\\My Docs\\deep\\c.txt\"|\"C:\\Top\\My Docs\\b.txt\"|C:\\Top\\a.txt"},
      {"FALSE TRUE", "\"C:\\Top\\My Docs\"|C:\\Top\\a.txt"},
      {"FALSE FALSE", "C:\\Top\\a.txt"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.switches);
    CommandRunner runner(Script(std::string("Find All Files: C:\\Top\\*.txt ") + c.switches + " $FOUND$\n"));
    Lay(runner, {{"C:\\Top\\a.txt", ""}, {"C:\\Top\\a.log", ""}, {"C:\\Top\\My Docs\\b.txt", ""},
                 {"C:\\Top\\My Docs\\deep\\c.txt", ""}, {"C:\\Top\\My Docs\\deep\\d.log", ""}});
    runner.session.silent = true;
    runner.RunLine(0);
    EXPECT_EQ(runner.Var("FOUND"), c.result);
    EXPECT_EQ(runner.Var("VELD_thProgressText"), "C:\\Top\\a.txt") << "each file found is shown";
  }
}

TEST(FileCommandsTest, FindAllFilesMatchesMasksAsTheSystemDoesInNtfsOrder) {
  struct Case {
    const char* mask;
    std::string result;
  };
  const std::vector<Case> cases = {
      {"*.*", "C:\\M\\a_b.txt|C:\\M\\B.TXT|C:\\M\\c.txt.bak|C:\\M\\README"},
      {"*", "C:\\M\\a_b.txt|C:\\M\\B.TXT|C:\\M\\c.txt.bak|C:\\M\\README"},
      {"*.txt", "C:\\M\\a_b.txt|C:\\M\\B.TXT"},
      {"?.txt", "C:\\M\\B.TXT"},
      {"*.", "C:\\M\\README"},
      {"read*.*", "C:\\M\\README"},
      {"b.txt", "C:\\M\\B.TXT"},
      {"*.bak", "C:\\M\\c.txt.bak"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mask);
    CommandRunner runner(Script(std::string("Find All Files: C:\\M\\") + c.mask + " FALSE FALSE FOUND\n"));
    Lay(runner, {{"C:\\M\\README", ""}, {"C:\\M\\c.txt.bak", ""}, {"C:\\M\\B.TXT", ""}, {"C:\\M\\a_b.txt", ""}});
    runner.session.silent = true;
    runner.RunLine(0);
    EXPECT_EQ(runner.Var("FOUND"), c.result);
  }
}

TEST(FileCommandsTest, FindAllFilesQuotesOddPathsAndGivesNothingForAnEmptySearch) {
  struct Case {
    const char* name;
    std::string file;
    std::string result;
  };
  const std::vector<Case> cases = {
      {"quote", "C:\\F\\say\"hi\".txt", "\"C:\\F\\say\"\"hi\"\".txt\""},
      {"control character", "C:\\F\\tab\there.txt", "\"C:\\F\\tab\there.txt\""},
      {"plain", "C:\\F\\plain.txt", "C:\\F\\plain.txt"},
      {"nothing matches", "C:\\F\\other.log", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CommandRunner runner(Script("Find All Files: C:\\F\\*.txt TRUE TRUE FOUND\n"));
    Lay(runner, {{c.file, ""}});
    runner.session.variables.SetVariable("FOUND", "before", "Test");
    runner.session.silent = true;
    runner.RunLine(0);
    EXPECT_EQ(runner.Var("FOUND"), c.result);
  }
}

TEST(FileCommandsTest, FindAllFilesCancelledEndsTheScriptOnlyWithAbortOnError) {
  for (const char* abortOnError : {"TRUE", "FALSE"}) {
    SCOPED_TRACE(abortOnError);
    CommandRunner runner(Script("Find All Files: C:\\F\\*.* TRUE TRUE FOUND\n"));
    Lay(runner, {{"C:\\F\\a.txt", ""}});
    runner.session.silent = true;
    runner.session.variables.SetVariable("ABORTONERROR", abortOnError, "Test");
    runner.session.variables.SetVariable("ABORTEDONERROR", "FALSE", "Test");
    runner.session.variables.StoreVariable(kIsCancelled, "TRUE");
    runner.RunLine(0);
    const bool ends = std::string(abortOnError) == "TRUE";
    EXPECT_EQ(runner.run.ended, ends);
    EXPECT_EQ(runner.Var("ABORTEDONERROR"), ends ? "FALSE" : "TRUE");
  }
}

TEST(FileCommandsTest, ListFilesCountsFoldersEnteredAndStopsWhenAsked) {
  CommandRunner runner(Script("Comment: x\n"));
  Lay(runner, {{"C:\\T\\one.txt", ""}, {"C:\\T\\S\\two.txt", ""}, {"C:\\T\\S\\U\\three.txt", ""}});
  for (int stopAfter : {0, 1, 2, 100}) {
    SCOPED_TRACE(stopAfter);
    int folders = 0;
    StringList shown;
    int asked = 0;
    ListFilesObserver observer;
    observer.enteringFolder = [&] { ++folders; };
    observer.foundFile = [&](const std::string& path) { shown.push_back(path); };
    observer.stopRequested = [&] { return ++asked > stopAfter; };
    const StringList found = ListFiles(runner.temp.machine.files, "C:\\T\\*.*", true, false, &observer);
    const StringList all = {"C:\\T\\S\\U\\three.txt", "C:\\T\\S\\two.txt", "C:\\T\\one.txt"};
    // Asked after each subfolder and each file: the deepest file is the first question.
    const size_t kept = std::min<size_t>(all.size(), static_cast<size_t>(stopAfter == 0 ? 1 : stopAfter));
    EXPECT_EQ(found, StringList(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(kept)));
    EXPECT_EQ(shown, found);
    EXPECT_EQ(folders, 3);
  }
}

TEST(FileCommandsTest, DeleteFilesRecursiveEmptiesAThreeLevelTreeAndKeepsItsTop) {
  CommandRunner runner(Script("Delete Files Recursive: C:\\Top\\*.*\n"));
  Lay(runner, {{"C:\\Top\\a.txt", "a"}, {"C:\\Top\\One\\b.txt", "b"}, {"C:\\Top\\One\\Two\\c.txt", "c"},
               {"C:\\Top\\One\\Two\\Three\\d.txt", "d"}, {"C:\\Top\\Empty\\", ""}, {"C:\\Beside.txt", "stay"}});
  auto& files = runner.temp.machine.files;
  files.SetHidden("C:\\Top\\One\\Two\\c.txt");
  runner.RunLine(0);
  EXPECT_TRUE(files.DirectoryExists("C:\\Top"));
  EXPECT_TRUE(files.ListDirectory("C:\\Top").empty());
  EXPECT_TRUE(files.FileExists("C:\\Beside.txt"));
}

TEST(FileCommandsTest, EmptyFolderAndDeleteOnReboot) {
  CommandRunner runner(Script("Comment: x\n"));
  Lay(runner, {{"C:\\E\\a.txt", "a"}, {"C:\\E\\Sub\\b.txt", "b"}});
  auto& files = runner.temp.machine.files;
  EmptyFolder(files, "C:\\E", false);
  EXPECT_FALSE(files.FileExists("C:\\E\\a.txt"));
  EXPECT_TRUE(files.FileExists("C:\\E\\Sub\\b.txt")) << "not recursive: subfolders stay";
  EmptyFolder(files, "C:\\E\\", true);
  EXPECT_TRUE(files.ListDirectory("C:\\E").empty());
  EXPECT_TRUE(files.DirectoryExists("C:\\E"));

  auto platform = runner.temp.machine.AsPlatform();
  EXPECT_TRUE(DeleteOnReboot(platform, "C:\\E"));
  EXPECT_EQ(files.PendingRestartDeletes(), StringList{"C:\\E"});
  runner.temp.machine.system.version = {4, 10, false};
  Lay(runner, {{"C:\\Windows\\wininit.ini", "[Other]\r\nx=1\r\n[rename]\r\nNUL=C:\\OLD.TXT\r\n"}});
  EXPECT_TRUE(DeleteOnReboot(platform, "C:\\E"));
  EXPECT_EQ(files.ReadFile("C:\\Windows\\wininit.ini"), "[Other]\r\nx=1\r\n[rename]\r\nNUL=C:\\E\r\n");
  EXPECT_EQ(files.PendingRestartDeletes().size(), 1u);
}

TEST(FileCommandsTest, GetTemporaryFileMakesANewEmptyFileInTheEngineTemporaryFolder) {
  CommandRunner runner(Script("Get Temporary File: $FIRST$\nGet Temporary File: SECOND\n"));
  Lay(runner, {{"C:\\EngineTemp\\", ""}});
  runner.session.variables.SetVariable("TEMPDIR", "C:\\EngineTemp\\", "Test");
  runner.RunAll();
  const std::string first = runner.Var("FIRST");
  const std::string second = runner.Var("SECOND");
  for (const std::string& path : {first, second}) {
    SCOPED_TRACE(path);
    ASSERT_TRUE(StartsWith(path, "C:\\EngineTemp\\zvk"));
    const std::string digits = path.substr(17, path.size() - 17 - 4);
    EXPECT_TRUE(digits.size() >= 1 && digits.size() <= 4 && digits.find_first_not_of("0123456789ABCDEF") == std::string::npos);
    EXPECT_EQ(path.substr(path.size() - 4), ".tmp");
    EXPECT_EQ(runner.temp.machine.files.FileSize(path), 0u);
  }
  EXPECT_NE(first, second);
}

TEST(FileCommandsTest, CheckDiskSpaceGivesFreeOrTotalBytesAndZeroWhenTheCallFails) {
  struct Case {
    const char* line;
    const char* result;
  };
  const std::vector<Case> cases = {
      {"Check Disk Space: $SPACE$ C:\\Data TRUE\n", "1234"},
      {"Check Disk Space: SPACE C:\\Data\\ FALSE\n", "18446744073709551615"},
      {"Check Disk Space: SPACE C:\\Missing TRUE\n", "0"},
      {"Check Disk Space: SPACE Q:\\ TRUE\n", "0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    CommandRunner runner(Script(c.line));
    Lay(runner, {{"C:\\Data\\", ""}});
    runner.temp.machine.files.diskSpace['C'] = {1234, UINT64_MAX};
    runner.RunLine(0);
    EXPECT_EQ(runner.Var("SPACE"), c.result);
  }
}

TEST(FileCommandsTest, FileVersionsComeFromTheVersionResource) {
  struct Case {
    const char* line;
    const char* result;
  };
  const std::vector<Case> cases = {
      {"Get File Version: C:\\Bin\\tool.exe $VERSION$\n", "1.2.3.4"},
      {"Get File Version: C:\\Bin\\wide.dll VERSION\n", "6.0.2900.5512"},
      {"Get File Version: C:\\Bin\\readme.txt VERSION\n", "0.0.0.0"},
      {"Get File Version: C:\\Bin\\none.exe VERSION\n", "0.0.0.0"},
      {"Check File Version: VERSION C:\\Bin\\tool.exe FALSE \"\" 1.2.3.4\n", "FALSE"},
      {"Check File Version: VERSION C:\\Bin\\tool.exe FALSE \"\" 1.2\n", "TRUE"},
      {"Check File Version: VERSION C:\\Bin\\tool.exe FALSE \"\" 1.2.3.5\n", "FALSE"},
      {"Check File Version: VERSION C:\\Bin\\tool.exe FALSE \"\" 1.2.3.x\n", "TRUE"},
      {"Check File Version: VERSION C:\\Bin\\tool.exe FALSE \"\" 1.2.3.4.9\n", "FALSE"},
      {"Check File Version: VERSION C:\\Bin\\tool.exe FALSE \"\" $WANTED$\n", "TRUE"},
      {"Check File Version: VERSION C:\\Bin\\tool.exe FALSE \"\" \"\"\n", "TRUE"},
      {"Check File Version: VERSION C:\\Bin\\wide.dll TRUE C:\\Bin\\tool.exe \"\"\n", "TRUE"},
      {"Check File Version: VERSION C:\\Bin\\tool.exe TRUE C:\\Bin\\wide.dll \"\"\n", "FALSE"},
      {"Check File Version: VERSION C:\\Bin\\tool.exe TRUE C:\\Bin\\tool.exe \"\"\n", "FALSE"},
      {"Check File Version: VERSION C:\\Bin\\none.exe TRUE C:\\Bin\\readme.txt \"\"\n", "FALSE"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    CommandRunner runner(Script(c.line));
    Lay(runner, {{"C:\\Bin\\tool.exe", testing::PeImageWithVersion(1, 2, 3, 4)},
                 {"C:\\Bin\\wide.dll", testing::PeImageWithVersion(6, 0, 2900, 5512, {.pe32Plus = true})},
                 {"C:\\Bin\\readme.txt", "MZ but not an image"}});
    runner.session.variables.SetVariable("WANTED", "1.2.3.3", "Test");
    runner.RunLine(0);
    EXPECT_EQ(runner.Var("VERSION"), c.result);
  }
}

TEST(FileCommandsTest, CheckFileVersionRejectsANonNumberBeforeADot) {
  for (const char* text : {"1.x.3", "1..2", "a.1"}) {
    SCOPED_TRACE(text);
    CommandRunner runner(Script(std::string("Check File Version: VERSION C:\\none.exe FALSE \"\" ") + text + "\n"));
    EXPECT_THROW(runner.RunLine(0), std::runtime_error);
  }
}

TEST(FileCommandsTest, ReadFromTextFileReadsLineByLineThenTheRest) {
  struct Step {
    const char* line;
    std::string text;
    const char* atEnd;
  };
  struct Case {
    const char* name;
    std::string content;
    std::vector<Step> steps;
  };
  const std::vector<Case> cases = {
      {"lines, then the rest",
       "one\r\ntwo\nthree\r\n\r\nfour\r\n",
       {{"Read from Text File: C:\\t.txt TEXT END\n", "one", "FALSE"},
        {"Read from Text File: C:\\T.TXT TEXT END\n", "two", "FALSE"},
        {"Read from Text File: #READALL\\C:\\t.txt TEXT END\n", "three$NEWLINE$$NEWLINE$four", "TRUE"},
        {"Read from Text File: C:\\t.txt TEXT END\n", "one", "FALSE"}}},
      {"last line without a break", "a\nb",
       {{"Read from Text File: C:\\t.txt TEXT END\n", "a", "FALSE"},
        {"Read from Text File: C:\\t.txt TEXT END\n", "b", "TRUE"}}},
      {"line break across the pieces read", std::string(4095, 'x') + "\r\n" + std::string(5000, 'y'),
       {{"Read from Text File: C:\\t.txt TEXT END\n", std::string(4095, 'x'), "FALSE"},
        {"Read from Text File: C:\\t.txt TEXT END\n", std::string(5000, 'y'), "TRUE"}}},
      {"empty file", "", {{"Read from Text File: C:\\t.txt TEXT END\n", "kept", "TRUE"}}},
      {"missing file", "", {{"Read from Text File: C:\\none.txt TEXT END\n", "kept", "TRUE"}}},
      {"another file restarts", "x\ny\n",
       {{"Read from Text File: C:\\t.txt TEXT END\n", "x", "FALSE"},
        {"Read from Text File: C:\\u.txt TEXT END\n", "u1", "FALSE"},
        {"Read from Text File: C:\\t.txt TEXT \"\"\n", "x", "FALSE"}}},  // no end result asked for: the last one stays
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string lines;
    for (const Step& step : c.steps) lines += step.line;
    CommandRunner runner(Script(lines));
    Lay(runner, {{"C:\\t.txt", c.content}, {"C:\\u.txt", "u1\r\nu2\r\n"}});
    runner.session.variables.SetVariable("TEXT", "kept", "Test");
    runner.session.variables.SetVariable("END", "unchanged", "Test");
    for (size_t i = 0; i < c.steps.size(); ++i) {
      SCOPED_TRACE(c.steps[i].line);
      runner.RunLine(i);
      EXPECT_EQ(runner.Var("TEXT"), c.steps[i].text);
      EXPECT_EQ(runner.Var("END"), c.steps[i].atEnd);
    }
  }
}

TEST(FileCommandsTest, WriteToTextFileAppendsOrInsertsLinesEndedByCrLf) {
  struct Case {
    const char* name;
    const char* line;
    std::optional<std::string> before;
    std::string after;
  };
  const std::vector<Case> cases = {
      {"missing file, at the top", "Write to Text File: C:\\w.txt new TRUE\n", std::nullopt, "new\r\n"},
      {"appended", "Write to Text File: C:\\w.txt new FALSE\n", "a\nb", "a\r\nb\r\nnew\r\n"},
      {"appended to lines already ended by CR LF", "Write to Text File: C:\\w.txt new FALSE\n", "a\r\n\r\n",
       "a\r\n\r\nnew\r\n"},
      {"appended to an empty file", "Write to Text File: C:\\w.txt new FALSE\n", "", "new\r\n"},
      {"a last line without its end", "Write to Text File: C:\\w.txt new FALSE\n", "a\r\nb", "a\r\nb\r\nnew\r\n"},
      {"inserted", "Write to Text File: C:\\w.txt new $TOP$\n", "a\r\nb\r\n", "new\r\na\r\nb\r\n"},
      {"old line breaks of every kind", "Write to Text File: C:\\w.txt new FALSE\n", "a\rb\n\nc\r\n",
       "a\r\nb\r\n\r\nc\r\nnew\r\n"},
      {"text with a line break", "Write to Text File: C:\\w.txt \"x$NEWLINE$y\" FALSE\n", "a\r\n",
       "a\r\nx\r\ny\r\n"},
      {"folder missing", "Write to Text File: C:\\No\\w.txt new FALSE\n", std::nullopt, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CommandRunner runner(Script(c.line));
    auto& files = runner.temp.machine.files;
    if (c.before) files.WriteFile("C:\\w.txt", *c.before);
    runner.session.variables.SetVariable("TOP", "true", "Test");
    runner.session.variables.SetVariable("NEWLINE", "\r\n", "Test");
    runner.RunLine(0);
    EXPECT_EQ(files.ReadFile(StartsWith(c.line, "Write to Text File: C:\\No") ? "C:\\No\\w.txt" : "C:\\w.txt")
                  .value_or(""),
              c.after);
  }
}

TEST(FileCommandsTest, WriteToTextFileMakesTheNextReadStartAgain) {
  CommandRunner runner(Script("Read from Text File: C:\\t.txt TEXT \"\"\nWrite to Text File: C:\\T.txt more FALSE\n"
                              "Read from Text File: C:\\t.txt TEXT \"\"\n"));
  Lay(runner, {{"C:\\t.txt", "first\r\nsecond\r\n"}});
  runner.RunLine(0);
  runner.RunLine(1);
  runner.RunLine(2);
  EXPECT_EQ(runner.Var("TEXT"), "first");
}

TEST(FileCommandsTest, GetFolderLocationFollowsThePlatformMode) {
  struct Case {
    const char* number;
    const char* allUsers;
    const char* mode;
    const char* result;
  };
  const std::vector<Case> cases = {
      {"20", "TRUE", "Win32", "C:\\Program Files (x86)\\Common Files\\"},
      {"20", "TRUE", "x64", "C:\\Program Files\\Common Files\\"},
      {"20", "FALSE", "Win32", "C:\\Program Files (x86)\\"},
      {"20", "FALSE", "ia64", "C:\\Program Files\\"},
      {"23", "FALSE", "Win32", "C:\\Windows\\SysWOW64\\"},
      {"23", "FALSE", "x64", "C:\\Windows\\system32\\"},
      {"25", "FALSE", "Win32", "C:\\Windows\\"},
      {"2", "FALSE", "Win32", "C:\\Users\\User\\Documents\\"},
      {"2", "TRUE", "Win32", "C:\\Users\\Public\\Documents\\"},
      {"7", "TRUE", "Win32", "C:\\Users\\User\\AppData\\Roaming\\Microsoft\\Windows\\Network Shortcuts\\"},
      {"15", "TRUE", "Win32", "C:\\ProgramData\\"},
      {"19", "TRUE", "Win32", "C:\\Users\\"},
      {"9", "FALSE", "Win32", "C:\\"},
      {"10", "FALSE", "Win32", "E:\\"},
      {"26", "FALSE", "Win32", "C:\\Users\\User\\AppData\\Roaming\\Microsoft\\Internet Explorer\\Quick Launch\\"},
      {"27", "FALSE", "Win32", "C:\\inetpub\\wwwroot\\"},
      {"99", "FALSE", "Win32", ""},
      {"x", "FALSE", "Win32", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.number) + " " + c.allUsers + " " + c.mode);
    CommandRunner runner(Script(std::string("Get Folder Location: FOLDER ") + c.number + " " + c.allUsers + "\n"));
    auto& machine = runner.temp.machine;
    machine.files.cdDrives = "EF";
    for (RegistryView view : {RegistryView::Force32, RegistryView::Force64}) {
      machine.registry.WriteValue(RegistryRoot::LocalMachine, "SOFTWARE\\Microsoft\\InetStp", "PathWWWRoot",
                                  RegistryValue{platform::RegistryType::ExpandString, "%SystemDrive%\\inetpub\\wwwroot"},
                                  view);
    }
    runner.session.run.platformMode = c.mode;
    runner.RunLine(0);
    EXPECT_EQ(runner.Var("FOLDER"), c.result);
  }
}

TEST(FileCommandsTest, GetFolderLocationFallsBackAndGivesNothingForMissingValues) {
  struct Case {
    const char* name;
    const char* number;
    std::vector<std::pair<std::string, std::string>> virtualRoots;
    const char* result;
  };
  const std::vector<Case> cases = {
      {"no CD drive", "10", {}, ""},
      {"no quick launch", "26", {}, ""},
      {"no web root", "27", {}, ""},
      {"old web server root", "27", {{"/", "D:\\Web,,201"}, {"/,", "E:\\Other"}}, "D:\\Web\\"},
      {"its second spelling", "27", {{"/,", "E:\\Other,,1"}}, "E:\\Other\\"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CommandRunner runner(Script(std::string("Get Folder Location: FOLDER ") + c.number + " FALSE\n"));
    runner.temp.machine.registry.DeleteValue(RegistryRoot::CurrentUser,
                                             "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                                             "AppData", RegistryView::Default);
    for (const auto& [name, value] : c.virtualRoots)
      runner.temp.machine.registry.WriteValue(
          RegistryRoot::LocalMachine, "SYSTEM\\CurrentControlSet\\Services\\W3SVC\\Parameters\\Virtual Roots",
          name, RegistryValue::Text(value), RegistryView::Force32);
    runner.session.variables.SetVariable("FOLDER", "before", "Test");
    runner.RunLine(0);
    EXPECT_EQ(runner.Var("FOLDER"), c.result);
  }
}

}  // namespace
}  // namespace quarrix

namespace quarrix {
namespace {

// Whether the line's thread had redirection off while the handler ran, as a result variable.
void RecordRedirection(CommandContext& context) {
  auto& system = dynamic_cast<platform::sim::SimSystemInfo&>(context.session.platform.system);
  context.SetDeclaredResult(1, system.RedirectionOffOnThisThread() ? "OFF" : "ON");
}

TEST(FileCommandsTest, RedirectionIsOffAroundFileCommandsInTheSixtyFourBitModesOnly) {
  struct Case {
    const char* name;
    const char* modeLine;
    bool system64Bit;
    const char* during;
  };
  const Case cases[] = {
      {"Win32 mode", "Set 64 Bit Mode: TRUE FALSE FALSE", true, "ON"},
      {"x64 mode under WOW64", "Set 64 Bit Mode: FALSE FALSE TRUE", true, "OFF"},
      {"x64 mode on a 32-bit system", "Set 64 Bit Mode: FALSE FALSE TRUE", false, "ON"},
  };
  // The real mode command, and a file command whose handler reports what it runs under.
  const CommandRow modeRow = *EngineCommands().Find("Set 64 Bit Mode");
  const CommandRow rows[] = {modeRow, {.name = "Does File/Folder Exist", .handler = RecordRedirection,
                                       .prepare = DeclareOnly<1>, .touchesFiles = true}};
  constexpr std::string_view kNames[] = {"Set 64 Bit Mode", "Does File/Folder Exist"};
  const CommandCatalogue catalogue(kNames, {rows});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testing::ScriptRunner runner(std::string("#quarrix-script 1\n[script]\n") + c.modeLine +
                                 "\nDoes File/Folder Exist: DURING C:\\ FALSE\n");
    runner.machine.system.system64Bit = c.system64Bit;
    runner.machine.system.processWow64 = c.system64Bit;
    ExecuteScript(runner.session, RunRequest{.packagePath = runner.PackagePath(),
                                             .commands = catalogue,
                                             .instanceCache = runner.instanceCache,
                                             .stepCallback = nullptr});
    EXPECT_EQ(runner.Var("DURING"), c.during);
    EXPECT_FALSE(runner.machine.system.RedirectionOffOnThisThread()) << "switched back after the line";
  }
}

}  // namespace
}  // namespace quarrix
