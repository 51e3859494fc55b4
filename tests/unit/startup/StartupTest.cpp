#include "startup/Startup.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "startup/PayloadReader.h"
#include "startup/PayloadWriter.h"
#include "startup/PeImageBuilder.h"
#include "engine/WizardCaption.h"
#include "support/TempMachine.h"

namespace quarrix {
namespace {

using platform::MessageButtons;
using platform::MessageIcon;
using platform::RegistryRoot;
using platform::RegistryType;
using platform::RegistryValue;
using platform::RegistryView;

const std::string kSetupFolder = "C:\\Setup\\";
const std::string kExecutable = kSetupFolder + "setup.exe";
const std::string kLogName = "SetupTrace.log";
const std::string kDialogGuid = "{00000000-0000-4000-8000-000000000001}";
const std::string kCommentedGuid = "{00000000-0000-4000-8000-000000000002}";
const std::string kCommentGuid = "{00000000-0000-4000-8000-000000000003}";

// The start-up tags of a run that got past the payload, in order.
const std::vector<std::string> kThroughPayload = {
    "<Quarrix>",         "  <SetupSplash>",    "    <StubSize>",    "    </StubSize>",
    "    <StubData>",    "    </StubData>",    "    <GlobalLists>", "    </GlobalLists>",
    "    <SupportDir>",  "    </SupportDir>"};

std::vector<std::string> Join(std::vector<std::string> first, const std::vector<std::string>& second) {
  first.insert(first.end(), second.begin(), second.end());
  return first;
}

std::string EngineImage() { return testing::MakePeImage({{0x400, 0x200}, {0x200, 0x200}}); }

// The dialog file the support archive carries for the dialog line.
constexpr const char* kWelcomeDialog = "object Welcome: TPoolTemplate\r\n  Caption = 'Welcome'\r\nend\r\n";

// Two dialog lines, one of them commented out, and a comment line. A skip variable that names
// no variable makes the preparation pass reject the script.
ScriptPayload DialogScript(const std::string& dialogName, const std::string& skipVariable = "") {
  ScriptPayload payload;
  payload.commandNames = HashedStringList({"Display Dialog", "Display Dialog", "Comment"});
  payload.lineGuids = HashedStringList({kDialogGuid, kCommentedGuid, kCommentGuid});
  payload.commentFlags = HashedStringList({"", "C", ""});
  payload.lineMedia = HashedStringList({"", "", ""});
  payload.sourceLocations = {"main*0", "main*1", "main*2"};
  payload.parameterList =
      HashedStringList({kDialogGuid, dialogName, "", "", skipVariable, "", "", kCommentedGuid, "", "", "", "", "", ""});
  payload.title = "Sample Product";
  return payload;
}

// A language file: the default block, then sections of a header and a block; slot 2 of each
// block carries the given text, every other slot its number.
std::string LanguageFile(const std::string& defaultSlot2, const std::vector<std::pair<std::string, std::string>>& sections = {}) {
  auto block = [](const std::string& slot2) {
    std::string text;
    for (int slot = 1; slot <= MessageTable::kSlotCount; ++slot)
      text += (slot == 2 ? slot2 : "text " + std::to_string(slot)) + "\r\n";
    return text;
  };
  std::string file = block(defaultSlot2);
  for (const auto& [language, slot2] : sections) file += language + "\r\n" + block(slot2);
  return file;
}

class StartupTest : public ::testing::Test {
 protected:
  StartupTest() {
    files.CreateDirectories(kSetupFolder);
    Arguments("/l=" + machine.system.tempPath + kLogName);
  }

  void Arguments(const std::string& arguments) { machine.system.commandLine = "\"" + kExecutable + "\" " + arguments; }
  void WriteSetup(const std::string& payloadText) { files.WriteFile(kExecutable, EngineImage() + payloadText); }
  void WriteSetup(const ScriptPayload& payload) { WriteSetup(WritePayload(payload)); }
  void WriteLibrary(const std::string& appended = "") { files.WriteFile(kSetupFolder + "zvk.lib", EngineImage() + appended); }
  void WriteArchive() { files.WriteFile(kSetupFolder + "setup.res", "7z archive bytes"); }
  void WritePackage(const std::string& extension) { files.WriteFile(kSetupFolder + "setup" + extension, "package"); }

  // The library lists two entries and writes each into the destination.
  void ArchiveExtracts(bool succeeds) {
    machine.archive.onList = [](const std::string&, uint32_t&) {
      return std::optional<std::vector<std::string>>({"Welcome.dfm", "texts\\licence.txt"});
    };
    machine.archive.onExtract = [this, succeeds](const std::string&, const std::string& destination,
                                                 const std::vector<std::string>& targets, uint32_t& error) {
      extractedTargets = targets;
      extractDestination = destination;
      if (!succeeds) {
        error = 1003;
        return false;
      }
      files.CreateDirectories(destination + "texts");
      for (const auto& target : targets)
        files.WriteFile(destination + target, target == "Welcome.dfm" ? kWelcomeDialog : "content of " + target);
      return true;
    };
  }

  // Everything a run needs to reach the script.
  void CompleteSetup(const ScriptPayload& payload) {
    WriteSetup(payload);
    WriteLibrary();
    WriteArchive();
    ArchiveExtracts(true);
    WritePackage(".msi");
  }

  int Run() { return RunStartup(session); }

  // The log is UTF-16LE; every tag is ASCII.
  std::vector<std::string> TraceLines() {
    std::string raw = files.ReadFile(machine.system.tempPath + kLogName).value_or("");
    std::string text;
    for (size_t i = 0; i + 1 < raw.size(); i += 2) text += raw[i];
    std::vector<std::string> lines;
    for (size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
      lines.push_back(text.substr(start, end - start));
    return lines;
  }

  std::string Temp(const std::string& name) const { return machine.system.tempPath + name; }

  testing::TempMachine temp;
  platform::sim::SimMachine& machine = temp.machine;
  platform::FileSystem& files = machine.files;
  Session session{machine.AsPlatform()};
  std::vector<std::string> extractedTargets;
  std::string extractDestination;
};

TEST_F(StartupTest, OutcomesBeforeTheScript) {
  enum class Script { None, Malformed, Accepted, Rejected };
  struct Case {
    const char* name;
    Script script;
    bool archive, library, extracts;
    std::vector<std::string> packages;
    int exitCode;
    std::string message;  // empty: no box
    std::vector<std::string> trace;
    bool supportFolderLeft;
  };
  const std::string malformed = "Display Dialog\r\n";  // the first list never ends
  const std::string malformedMessage = [&] {
    try {
      ParsePayload(malformed);
    } catch (const std::exception& error) {
      return "Runtime error in install: " + std::string(error.what());
    }
    return std::string("parsed");
  }();
  const auto extractOpen = Join(kThroughPayload, {"    <ExtractArchive>"});
  const auto throughDialogs =
      Join(kThroughPayload, {"    <ExtractArchive>", "    </ExtractArchive>", "    <ExtractResource>",
                             "    </ExtractResource>", "    <ResourcePath>", "    </ResourcePath>", "    <Dialogs>",
                             "    </Dialogs>", "  </SetupSplash>", "  <RunScript>", "    <Variables>",
                             "    </Variables>", "    <CompileScript>"});
  const auto closing = std::vector<std::string>{"  <CachedSupportDir>", "  </CachedSupportDir>", "</Quarrix>"};

  const std::vector<Case> cases = {
      {"bare engine", Script::None, true, true, true, {".msi"}, 13, "For internal use only",
       {"<Quarrix>", "  <SetupSplash>", "    <StubSize>"}, false},
      {"malformed payload", Script::Malformed, true, true, true, {".msi"}, 11, malformedMessage,
       Join({"<Quarrix>", "  <SetupSplash>", "    <StubSize>", "    </StubSize>", "    <StubData>",
             "    </StubData>", "    <GlobalLists>"},
            closing),
       false},
      {"no support archive", Script::Accepted, false, true, true, {".msi"}, 14, "Setup resource not found",
       extractOpen, true},
      {"no archive library", Script::Accepted, true, false, true, {".msi"}, 15,
       "Setup resource decompression failure", extractOpen, true},
      {"extraction fails", Script::Accepted, true, true, false, {".msi"}, 15, "Setup resource decompression failure",
       extractOpen, true},
      {"no package", Script::Accepted, true, true, true, {}, 16, "Setup database not found",
       Join(kThroughPayload, {"    <ExtractArchive>", "    </ExtractArchive>", "    <ExtractResource>"}), true},
      {"rejected script", Script::Rejected, true, true, true, {".msi"}, 314, "", throughDialogs, true},
      {"patch only", Script::Accepted, true, true, true, {".msp"}, 0, "",
       Join(throughDialogs, Join({"    </CompileScript>", "    <BootStrap>", "    </BootStrap>", "    <veld>",
                                  "    </veld>", "    <ExitScript>", "    </ExitScript>", "  </RunScript>",
                                  "  <Free>", "  </Free>"},
                                 closing)),
       false},
  };
  for (bool silent : {false, true}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.name) + (silent ? ", silent" : ""));
      testing::TempMachine fresh;
      platform::sim::SimMachine& m = fresh.machine;
      m.files.CreateDirectories(kSetupFolder);
      m.system.commandLine = "\"" + kExecutable + "\" " + (silent ? "/qn " : "") + "/l=" + m.system.tempPath + kLogName;
      if (c.script == Script::None) m.files.WriteFile(kExecutable, EngineImage());
      if (c.script == Script::Malformed) m.files.WriteFile(kExecutable, EngineImage() + malformed);
      if (c.script == Script::Accepted) m.files.WriteFile(kExecutable, EngineImage() + WritePayload(DialogScript("Welcome")));
      if (c.script == Script::Rejected) m.files.WriteFile(kExecutable, EngineImage() + WritePayload(DialogScript("Welcome", "$UNDEFINED$")));
      if (c.archive) m.files.WriteFile(kSetupFolder + "setup.res", "7z");
      if (c.library) m.files.WriteFile(kSetupFolder + "zvk.lib", EngineImage());
      m.archive.onList = [](const std::string&, uint32_t&) {
        return std::optional<std::vector<std::string>>({"Welcome.dfm"});
      };
      m.archive.onExtract = [&m, &c](const std::string&, const std::string& destination,
                                     const std::vector<std::string>&, uint32_t&) {
        return c.extracts && m.files.WriteFile(destination + "Welcome.dfm", kWelcomeDialog);
      };
      for (const auto& extension : c.packages) m.files.WriteFile(kSetupFolder + "setup" + extension, "package");

      Session run{m.AsPlatform()};
      EXPECT_EQ(RunStartup(run), c.exitCode);

      std::string raw = m.files.ReadFile(m.system.tempPath + kLogName).value_or("");
      std::string text;
      for (size_t i = 0; i < raw.size(); i += 2) text += raw[i];
      std::string expectedText;
      for (const auto& line : c.trace) expectedText += line + "\r\n";
      EXPECT_EQ(text, expectedText);

      if (c.message.empty() || silent) {
        EXPECT_TRUE(m.ui.shown.empty());
      } else {
        ASSERT_EQ(m.ui.shown.size(), 1u);
        EXPECT_EQ(m.ui.shown[0].text, c.message);
        EXPECT_EQ(m.ui.shown[0].caption, "Quarrix Wizard");
        EXPECT_EQ(m.ui.shown[0].buttons, MessageButtons::Ok);
        EXPECT_EQ(m.ui.shown[0].icon, MessageIcon::Error);
        EXPECT_FALSE(m.ui.shown[0].ownedByWindow);
      }
      if (c.script != Script::None && c.script != Script::Malformed) {
        EXPECT_EQ(run.supportFolder, m.system.tempPath + "zvk1\\");
        EXPECT_EQ(m.files.DirectoryExists(run.supportFolder), c.supportFolderLeft);
      }
      EXPECT_FALSE(m.files.FileExists(m.system.tempPath + "zvk.tmp"));
    }
  }
}

TEST_F(StartupTest, CompleteRunExtractsEverythingThenRemovesTheSupportFolder) {
  CompleteSetup(DialogScript("Welcome"));
  files.WriteFile(kSetupFolder + "setup.msi", "package bytes");

  EXPECT_EQ(Run(), 0);

  EXPECT_EQ(TraceLines(), Join(kThroughPayload, {"    <ExtractArchive>", "    </ExtractArchive>",
                                                 "    <ExtractResource>", "    </ExtractResource>",
                                                 "    <ResourcePath>", "    </ResourcePath>", "    <Dialogs>",
                                                 "    </Dialogs>", "  </SetupSplash>", "  <RunScript>",
                                                 "    <Variables>", "    </Variables>", "    <CompileScript>",
                                                 "    </CompileScript>", "    <BootStrap>", "    </BootStrap>",
                                                 "    <veld>", "    </veld>", "    <ExitScript>", "    </ExitScript>",
                                                 "  </RunScript>", "  <Free>", "  </Free>",
                                                 "  <CachedSupportDir>", "  </CachedSupportDir>", "</Quarrix>"}));
  EXPECT_EQ(extractedTargets, (std::vector<std::string>{"Welcome.dfm", "texts\\licence.txt"}));
  EXPECT_EQ(extractDestination, Temp("zvk1\\"));
  EXPECT_FALSE(files.DirectoryExists(Temp("zvk1")));
  EXPECT_TRUE(machine.ui.shown.empty());

  EXPECT_EQ(session.executableFolder, kSetupFolder);
  EXPECT_EQ(session.executableName, "setup");
  EXPECT_EQ(session.archivePath, kSetupFolder + "setup.res");
  EXPECT_EQ(session.dataFolder, kSetupFolder + "data\\");
  EXPECT_EQ(session.rootFolder, kSetupFolder);
  EXPECT_EQ(session.dialogCount, 1);  // the commented-out dialog line does not count
  EXPECT_EQ(session.titleAsRead, "Sample Product");
  EXPECT_EQ(session.workingTitle, "Sample Product");
  // The preparation pass's declarations are gone once the script is accepted; the run sets
  // only what it sets itself.
  EXPECT_FALSE(session.variables.VariableExists("VELD_DISABLEROLLBACK"));
  // The script tables are freed after the run.
  EXPECT_EQ(session.payload.LineCount(), 0u);
  EXPECT_TRUE(session.parameterLists.empty());
  EXPECT_TRUE(machine.system.boundToFirstProcessor);
}

TEST_F(StartupTest, PackagesAreCopiedIntoTheSupportFolder) {
  // A rejected script ends the process before clean-up, so the support folder can be inspected.
  CompleteSetup(DialogScript("Welcome", "$UNDEFINED$"));
  files.WriteFile(kSetupFolder + "setup.msi", "package bytes");

  EXPECT_EQ(Run(), 314);

  EXPECT_EQ(files.ReadFile(Temp("zvk1\\setup.msi")).value_or(""), "package bytes");
  EXPECT_FALSE(files.FileExists(Temp("zvk1\\setup.msp")));
  EXPECT_EQ(files.ReadFile(Temp("zvk1\\texts\\licence.txt")).value_or(""), "content of texts\\licence.txt");
}

TEST_F(StartupTest, SupportFolderTakesTheFirstNumberNotUsedByAFolder) {
  CompleteSetup(DialogScript("Welcome", "$UNDEFINED$"));
  files.CreateDirectories(Temp("zvk1"));
  files.CreateDirectories(Temp("zvk2"));

  EXPECT_EQ(Run(), 314);

  EXPECT_EQ(session.supportFolder, Temp("zvk3\\"));
  EXPECT_TRUE(files.DirectoryExists(Temp("zvk3")));
}

TEST_F(StartupTest, AFileOfTheSupportFolderNameIsReportedAndKept) {
  CompleteSetup(DialogScript("Welcome"));
  files.WriteFile(Temp("zvk1"), "someone else's data");

  EXPECT_EQ(Run(), 11);

  EXPECT_EQ(session.supportFolder, Temp("zvk1\\"));  // a file does not make the number skip
  EXPECT_EQ(files.ReadFile(Temp("zvk1")).value_or(""), "someone else's data");
  ASSERT_EQ(machine.ui.shown.size(), 1u);
  EXPECT_TRUE(machine.ui.shown[0].text.starts_with("Runtime error in install: "));
  EXPECT_NE(machine.ui.shown[0].text.find("zvk1"), std::string::npos);
  const auto lines = TraceLines();
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[lines.size() - 4], "    <SupportDir>");
  EXPECT_EQ(lines.back(), "</Quarrix>");
}

TEST_F(StartupTest, SupportFolderRemovalReachesNestedFolders) {
  CompleteSetup(DialogScript("Welcome"));
  machine.archive.onExtract = [this](const std::string&, const std::string& destination,
                                     const std::vector<std::string>&, uint32_t&) {
    files.CreateDirectories(destination + "a\\b\\c");
    files.WriteFile(destination + "a\\b\\c\\deep.txt", "x");
    files.WriteFile(destination + "a\\top.txt", "x");
    files.CreateDirectories(destination + "empty");
    files.WriteFile(destination + "Welcome.dfm", kWelcomeDialog);
    return true;
  };

  EXPECT_EQ(Run(), 0);

  EXPECT_FALSE(files.DirectoryExists(Temp("zvk1")));
  EXPECT_TRUE(files.DirectoryExists(machine.system.tempPath));
}

TEST_F(StartupTest, LanguageFileOfTheArchiveLibraryReplacesStartupMessages) {
  struct Case {
    const char* name;
    uint32_t userLanguage;
    std::string appended;  // behind the library's image
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"no language file", 0x0409, "", "Setup resource not found"},
      {"default block", 0x0409, LanguageFile("Custom resource text"), "Custom resource text"},
      {"German section for a German user", 0x0407,
       LanguageFile("English text", {{"German", "Setup-Ressource nicht gefunden"}, {"French", "Ressource absente"}}),
       "Setup-Ressource nicht gefunden"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testing::TempMachine fresh;
    platform::sim::SimMachine& m = fresh.machine;
    m.files.CreateDirectories(kSetupFolder);
    m.system.SetUserLanguage(c.userLanguage);
    m.files.WriteFile(kExecutable, EngineImage() + WritePayload(DialogScript("Welcome")));
    m.files.WriteFile(kSetupFolder + "zvk.lib", EngineImage() + c.appended);

    Session run{m.AsPlatform()};
    EXPECT_EQ(RunStartup(run), 14);  // no support archive: message slot 2

    ASSERT_EQ(m.ui.shown.size(), 1u);
    EXPECT_EQ(m.ui.shown[0].text, c.expected);
    EXPECT_FALSE(m.files.FileExists(m.system.tempPath + "lang.loc"));
    EXPECT_EQ(m.archive.loadedPaths, std::vector<std::string>{kSetupFolder + "zvk.lib"});
  }
}

TEST_F(StartupTest, CompatibilityMarksFollowTheWindowsVersion) {
  struct Case {
    uint32_t major, minor;
    bool hostApp, persisted;
  };
  const std::vector<Case> cases = {{10, 0, true, false}, {6, 2, true, false}, {6, 1, true, false},
                                   {6, 0, false, true},  {5, 1, false, false}};
  const std::string persistedKey =
      "Software\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\Compatibility Assistant\\Persisted";
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.major) + "." + std::to_string(c.minor));
    testing::TempMachine fresh;
    platform::sim::SimMachine& m = fresh.machine;
    m.system.version = {c.major, c.minor, true};
    m.system.executablePath = "C:\\Media\\My Setup.exe";
    m.files.CreateDirectories("C:\\Media");
    m.files.WriteFile("C:\\Media\\My Setup.exe", EngineImage());

    Session run{m.AsPlatform()};
    EXPECT_EQ(RunStartup(run), 13);

    auto hostApp = m.registry.ReadValue(RegistryRoot::ClassesRoot, "Applications\\My Setup.exe", "IsHostApp",
                                        RegistryView::Default);
    ASSERT_EQ(hostApp.has_value(), c.hostApp);
    if (hostApp) {
      EXPECT_EQ(hostApp->type, RegistryType::String);
      EXPECT_EQ(hostApp->data, "");
    }
    auto persisted =
        m.registry.ReadValue(RegistryRoot::CurrentUser, persistedKey, "C:\\Media\\My Setup.exe", RegistryView::Default);
    ASSERT_EQ(persisted.has_value(), c.persisted);
    if (persisted) {
      EXPECT_EQ(persisted->type, RegistryType::Dword);
      EXPECT_EQ(persisted->data, RegistryValue::Number(32).data);
    }
  }
}

TEST_F(StartupTest, NamesFollowTheExecutable) {
  machine.system.executablePath = "C:\\Media\\Disc 1\\My.Product.Setup.exe";
  files.CreateDirectories("C:\\Media\\Disc 1");
  files.WriteFile(machine.system.executablePath, EngineImage() + WritePayload(DialogScript("Welcome")));
  files.WriteFile("C:\\Media\\Disc 1\\zvk.lib", EngineImage());
  files.WriteFile("C:\\Media\\Disc 1\\My.Product.Setup.res", "7z");
  files.WriteFile("C:\\Media\\Disc 1\\My.Product.Setup.msp", "patch");
  ArchiveExtracts(true);

  EXPECT_EQ(Run(), 0);

  EXPECT_EQ(session.executableName, "My.Product.Setup");
  EXPECT_EQ(session.archivePath, "C:\\Media\\Disc 1\\My.Product.Setup.res");
  EXPECT_EQ(session.rootFolder, "C:\\Media\\Disc 1\\");
  EXPECT_EQ(machine.archive.loadedPaths, std::vector<std::string>{"C:\\Media\\Disc 1\\zvk.lib"});
}

TEST(WizardCaptionTest, TitleAndLogoFreeFlag) {
  struct Case {
    const char* title;
    bool logoFree;
    const char* expected;
  };
  const std::vector<Case> cases = {{"", false, "Quarrix Wizard"},
                                   {"Sample", false, "Sample - Quarrix Wizard"},
                                   {"Sample", true, "Sample"},
                                   {"", true, ""}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.title) + (c.logoFree ? " logo-free" : ""));
    EXPECT_EQ(WizardCaption(c.title, c.logoFree), c.expected);
  }
}

}  // namespace
}  // namespace quarrix

namespace quarrix {
namespace {

TEST_F(StartupTest, DialogLinesGetTheirWindowsFromTheSupportFolder) {
  CompleteSetup(DialogScript("Welcome"));
  EXPECT_EQ(Run(), 0);
  std::vector<std::string> shown;
  for (const std::string& line : machine.toolkit.log)
    if (line.rfind("shown:", 0) == 0) shown.push_back(line);
  EXPECT_EQ(shown, (std::vector<std::string>{"shown: Welcome \"Welcome - Quarrix Wizard\""}));
  EXPECT_EQ(session.dialogs, nullptr) << "the windows go with start-up";
}

TEST_F(StartupTest, MissingDialogFileFailsStartupAlsoWhenSilent) {
  for (bool silent : {false, true}) {
    SCOPED_TRACE(silent ? "silent" : "shown");
    testing::TempMachine fresh;
    platform::sim::SimMachine& m = fresh.machine;
    m.files.CreateDirectories(kSetupFolder);
    m.system.commandLine = "\"" + kExecutable + "\"" + (silent ? " /qn" : "");
    m.files.WriteFile(kExecutable, EngineImage() + WritePayload(DialogScript("Missing")));
    m.files.WriteFile(kSetupFolder + "zvk.lib", EngineImage());
    m.files.WriteFile(kSetupFolder + "setup.res", "7z");
    m.files.WriteFile(kSetupFolder + "setup.msi", "package");
    m.archive.onList = [](const std::string&, uint32_t&) {
      return std::optional<std::vector<std::string>>({"readme.txt"});
    };
    m.archive.onExtract = [&m](const std::string&, const std::string& destination, const std::vector<std::string>&,
                               uint32_t&) { return m.files.WriteFile(destination + "readme.txt", "text"); };
    Session run{m.AsPlatform()};
    EXPECT_EQ(RunStartup(run), 11);
    if (silent) {
      EXPECT_TRUE(m.ui.shown.empty());
    } else {
      ASSERT_EQ(m.ui.shown.size(), 1u);
      EXPECT_NE(m.ui.shown[0].text.find("Runtime error in install: Cannot open file"), std::string::npos);
      EXPECT_NE(m.ui.shown[0].text.find("Missing.dfm"), std::string::npos);
    }
    EXPECT_FALSE(m.files.DirectoryExists(run.supportFolder)) << "the support folder is removed after the error";
  }
}

}  // namespace
}  // namespace quarrix
