#include "engine/PredefinedVariables.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/VariableManager.h"
#include "platform/sim/SimClock.h"
#include "engine/Session.h"
#include "support/TempMachine.h"

namespace quarrix {
namespace {

using platform::LocaleItem;
using platform::LocalTime;
using platform::RegistryRoot;
using platform::RegistryValue;
using platform::RegistryView;
using platform::kLocaleUserDefault;

LocalTime At(uint16_t year, uint16_t month, uint16_t day, uint16_t hour, uint16_t minute, uint16_t second) {
  LocalTime time;
  time.year = year;
  time.month = month;
  time.day = day;
  time.hour = hour;
  time.minute = minute;
  time.second = second;
  return time;
}

// Stands in for the instance cache root so that the tests see which root was asked for.
std::string FakeCacheRoot(Session&, bool perMachine) {
  return perMachine ? "C:\\ProgramData\\Cache\\" : "C:\\Users\\User\\AppData\\Local\\Cache\\";
}

class PredefinedVariablesTest : public ::testing::Test {
 protected:
  PredefinedVariablesTest() : session(temp.machine.AsPlatform()), refresh(session, FakeCacheRoot) {
    session.executablePath = "C:\\Setup\\setup.exe";
    session.executableFolder = "C:\\Setup\\";
    session.executableFileName = "setup.exe";
    session.tempFolder = "C:\\Users\\User\\AppData\\Local\\Temp\\";
    session.supportFolder = session.tempFolder + "zvk7\\";
    session.workingTitle = "Sample Product";
    session.payload.displayVersion = "2.5.1";
    session.payload.publisher = "Sample Maker";
    session.payload.revisionCode = "{REV-0001}";
    session.commandLine.rawArguments = "/s NAME=x";
    session.commandLine.wrapperPath = "c:\\downloads\\sample-web.exe";
    session.commandLine.policyPath = "\\\\server\\policies\\sample.msi";
    session.trace.SetLogPath("c:\\logs\\setup.txt");
    temp.machine.clock.SetNow(At(2026, 3, 4, 17, 5, 9));
    const std::string key = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
    temp.machine.registry.WriteValue(RegistryRoot::LocalMachine, key, "RegisteredOwner", RegistryValue::Text("Ada"),
                                     RegistryView::Default);
    temp.machine.registry.WriteValue(RegistryRoot::LocalMachine, key, "RegisteredOrganization",
                                     RegistryValue::Text("Engines Ltd"), RegistryView::Default);
    temp.machine.registry.WriteValue(RegistryRoot::LocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion",
                                     "ProgramFilesDir", RegistryValue::Text("D:\\Programs"), RegistryView::Default);
  }

  std::string Var(std::string_view name) const { return session.variables.GetVariable(name); }
  void SetLocale(const std::string& shortDate, const std::string& longTime) {
    temp.machine.system.locale[{kLocaleUserDefault, LocaleItem::ShortDate}] = shortDate;
    temp.machine.system.locale[{kLocaleUserDefault, LocaleItem::LongTime}] = longTime;
  }

  testing::TempMachine temp;
  Session session;
  PerLineRefresh refresh;
};

TEST_F(PredefinedVariablesTest, InitialisationSetsEveryValueFromTheRunAndTheMachine) {
  SetPredefinedVariables(session, refresh, "C:\\Temp\\zvk7\\setup.msi");
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"VELD_COMPRESS_INSTALLER_CACHE", "TRUE"}, {"VELD_DISABLE_ROLLBACK", "FALSE"},
      {"VELD_DISABLE_VISTA_RESTART_MANAGER", "FALSE"}, {"IISHOST", "localhost"},
      {"OVERRIDECACHE", ""}, {"VELDLOGO", ""}, {"SELECTED", "0"}, {"WINDOWHANDLE", "0"},
      {"EXEFILE", "C:\\Setup\\setup.exe"}, {"EXEDIR", "C:\\Setup\\"}, {"PROGRESSTEXT", ""},
      {"PROGRESSMODE", ""}, {"ABORT", "FALSE"}, {"PROGRESS", "0"}, {"LASTERROR", ""},
      {"LICENSE", "FALSE"}, {"USERNAME", "Ada"}, {"USERCOMPANY", "Engines Ltd"}, {"COPYWEBLOCK", ""},
      {"REBOOTCOMPUTER", "FALSE"}, {"RUNAPP", "TRUE"}, {"WIZARD", "NEXT"}, {"VERSION", "2.5.1"},
      {"SILENT", "FALSE"}, {"LOGGED", "c:\\logs\\setup.txt"}, {"CMDLINE", "/s NAME=x"},
      {"REBOOTNOW", "OK"}, {"SFXPATH", "c:\\downloads\\"}, {"SFXFILE", "sample-web.exe"},
      {"GPOPATH", "\\\\server\\policies\\"}, {"COMPLETE", "TRUE"}, {"NEWLINE", "\r\n"},
      {"MINIMUM", "FALSE"}, {"PERSONALIZED", "FALSE"}, {"MODIFY", "TRUE"}, {"REPAIR", "FALSE"},
      {"REMOVE", "FALSE"}, {"ROOTDIR", "C:\\Setup\\"}, {"TITLE", "Sample Product"},
      {"COMPANY", "Sample Maker"}, {"ADVERTISE", "FALSE"}, {"DATE", "3/4/2026"}, {"TIME", "5:05:09 PM"},
      {"TEMPDIR", "C:\\Users\\User\\AppData\\Local\\Temp\\"}, {"ABORTONERROR", "TRUE"},
      {"ABORTEDONERROR", "FALSE"}, {"SAVEDATA", "FALSE"},
      {"SUPPORTDIR", "C:\\Users\\User\\AppData\\Local\\Temp\\zvk7\\"}, {"MSIFILE", "C:\\Temp\\zvk7\\setup.msi"},
  };
  for (const auto& [name, value] : expected) {
    SCOPED_TRACE(name);
    EXPECT_TRUE(session.variables.VariableExists(name));
    EXPECT_EQ(Var(name), value);
  }
}

TEST_F(PredefinedVariablesTest, MissingPathsAndRegistryValuesGiveEmptyTexts) {
  session.commandLine.wrapperPath.clear();
  session.commandLine.policyPath.clear();
  temp.machine.system.version.ntFamily = false;  // the 9x key holds no owner here
  SetPredefinedVariables(session, refresh, "");
  for (const char* name : {"SFXPATH", "SFXFILE", "GPOPATH", "USERNAME", "USERCOMPANY"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(Var(name), "");
  }
}

TEST_F(PredefinedVariablesTest, ExistingOverrideCacheAndSilentCommandLineValuesSurvive) {
  session.silent = true;
  session.variables.SetSilent(true);
  session.variables.SetCommandLineAssignments({"WIZARD", "BACK"});
  session.variables.SetVariable("WIZARD", "BACK", kInjectOverrideContext);
  session.variables.SetVariable("OVERRIDECACHE", "D:\\Cache\\", "Bootstrap");
  session.variables.SetVariable("ABORTONERROR", "maybe", "Bootstrap");
  SetPredefinedVariables(session, refresh, "");
  EXPECT_EQ(Var("WIZARD"), "BACK");
  EXPECT_EQ(Var("OVERRIDECACHE"), "D:\\Cache\\");
  EXPECT_EQ(Var("ABORTONERROR"), "TRUE") << "other bootstrap values are overwritten";
  EXPECT_EQ(Var("SILENT"), "TRUE");
}

TEST_F(PredefinedVariablesTest, AllUsersNeedsAnAdministratorAndElevationAfterXp) {
  struct Case {
    bool nt;
    uint32_t major;
    bool administrator, elevated, expected;
  };
  const std::vector<Case> cases = {
      {true, 10, true, true, true},   {true, 10, true, false, false}, {true, 6, false, true, false},
      {true, 5, true, false, true},   {true, 5, false, false, false}, {false, 4, true, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "nt " << c.nt << " major " << c.major << " admin " << c.administrator
                                      << " elevated " << c.elevated);
    temp.machine.system.version.ntFamily = c.nt;
    temp.machine.system.version.major = c.major;
    temp.machine.system.administrator = c.administrator;
    temp.machine.system.elevated = c.elevated;
    EXPECT_EQ(AllUsersDefault(temp.machine.system), c.expected);
    SetPreInitializationVariables(session);
    EXPECT_EQ(Var("ALLUSERS"), BoolText(c.expected));
  }
}

TEST_F(PredefinedVariablesTest, PreInitialisationTargetsProgramFilesOrTheUserProfile) {
  SetPreInitializationVariables(session);
  EXPECT_EQ(Var("TARGETDIR"), "D:\\Programs\\Sample Product\\");
  EXPECT_EQ(Var("STARTMENU"), "Sample Product");
  temp.machine.system.elevated = false;
  SetPreInitializationVariables(session);
  EXPECT_EQ(Var("TARGETDIR"), "C:\\Users\\User\\Sample Product\\");
}

// The 64-bit build sees the 64-bit registry view by default, yet targets the folder the 32-bit
// engine would; on a 32-bit system there is one view and one folder.
TEST(DefaultTargetFolderTest, EveryBuildTargetsThe32BitProgramFolder) {
  struct Case {
    const char* what;
    bool processIs32Bit;
    bool system64Bit;
    const char* expected;
    bool without32BitHalf = false;
  };
  const std::vector<Case> cases = {
      {"32-bit engine on 64-bit Windows", true, true, "C:\\Program Files (x86)\\Sample\\"},
      {"64-bit engine on 64-bit Windows", false, true, "C:\\Program Files (x86)\\Sample\\"},
      {"32-bit Windows", true, false, "C:\\Programs\\Sample\\"},
      {"64-bit Windows whose 32-bit view lacks the value", false, true, "C:\\Program Files (x86)\\Sample\\", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    testing::TempMachine temp;
    platform::sim::SimRegistry registry(c.processIs32Bit);
    const std::string key = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
    if (c.without32BitHalf) {
      registry.WriteValue(RegistryRoot::LocalMachine, key, "ProgramFilesDir (x86)",
                          RegistryValue::Text("C:\\Program Files (x86)"), RegistryView::Force64);
      registry.WriteValue(RegistryRoot::LocalMachine, key, "ProgramFilesDir", RegistryValue::Text("C:\\Program Files"),
                          RegistryView::Force64);
    } else if (c.system64Bit) {
      registry.WriteValue(RegistryRoot::LocalMachine, key, "ProgramFilesDir",
                          RegistryValue::Text("C:\\Program Files (x86)"), RegistryView::Force32);
      registry.WriteValue(RegistryRoot::LocalMachine, key, "ProgramFilesDir", RegistryValue::Text("C:\\Program Files"),
                          RegistryView::Force64);
    } else {
      registry.WriteValue(RegistryRoot::LocalMachine, key, "ProgramFilesDir", RegistryValue::Text("C:\\Programs"),
                          RegistryView::Default);
    }
    temp.machine.system.system64Bit = c.system64Bit;
    temp.machine.system.processWow64 = c.system64Bit && c.processIs32Bit;
    platform::Platform machine = temp.machine.AsPlatform();
    Session session(platform::Platform{machine.files, registry, machine.system, machine.ui, machine.archive,
                                       machine.clock, machine.threads, machine.installer, machine.ini,
                                       machine.environment, machine.processes, machine.services, machine.tasks,
                                       machine.internet, machine.plugins, machine.toolkit});
    EXPECT_EQ(DefaultTargetFolder(session, "Sample"), c.expected);
  }
}

TEST(TimePictureTest, WindowsPicturesFormatDatesAndTimes) {
  struct Case {
    const char* picture;
    LocalTime time;
    const char* expected;
  };
  const LocalTime afternoon = At(2026, 3, 4, 17, 5, 9);
  LocalTime midnight = At(1999, 12, 31, 0, 0, 7);
  midnight.dayOfWeek = 5;
  const std::vector<Case> cases = {
      {"M/d/yyyy", afternoon, "3/4/2026"},
      {"dd.MM.yyyy", afternoon, "04.03.2026"},
      {"yy-MM-dd", afternoon, "26-03-04"},
      {"h:mm:ss tt", afternoon, "5:05:09 PM"},
      {"HH:mm:ss", afternoon, "17:05:09"},
      {"hh:mm t", midnight, "12:00 A"},
      {"dddd, MMMM d, yyyy", midnight, "Friday, December 31, 1999"},
      {"ddd d MMM", midnight, "Fri 31 Dec"},
      {"d 'de' MMMM", midnight, "31 de December"},
      {"H 'h' mm", afternoon, "17 h 05"},
      {"'It''s' h", afternoon, "It's 5"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.picture);
    EXPECT_EQ(platform::sim::FormatTimePicture(c.picture, c.time), c.expected);
  }
}

TEST_F(PredefinedVariablesTest, DateAndTimeFollowTheClockAndTheUserLocaleBeforeEveryLine) {
  SetLocale("dd.MM.yyyy", "HH:mm:ss");
  refresh.RefreshDateAndTime();
  EXPECT_EQ(Var("DATE"), "04.03.2026");
  EXPECT_EQ(Var("TIME"), "17:05:09");

  session.variables.SetVariable("DATE", "assigned by the script", "Set Variable Action");
  temp.machine.clock.Advance(999);  // still the same second at 17:05:09.999
  refresh.RefreshDateAndTime();
  EXPECT_EQ(Var("DATE"), "04.03.2026") << "an assignment lasts one line";
  EXPECT_EQ(Var("TIME"), "17:05:09");

  temp.machine.clock.Advance(1);
  refresh.RefreshDateAndTime();
  EXPECT_EQ(Var("TIME"), "17:05:10");
  temp.machine.clock.Advance(7 * 3600 * 1000);  // past midnight
  refresh.RefreshDateAndTime();
  EXPECT_EQ(Var("DATE"), "05.03.2026");
  EXPECT_EQ(Var("TIME"), "00:05:10");
}

TEST_F(PredefinedVariablesTest, EngineCacheFollowsAllUsersFromTheNextLine) {
  session.variables.SetVariable("ALLUSERS", "TRUE", "Initialization");
  refresh.RefreshInstanceLinks();
  EXPECT_EQ(Var("ENGINECACHE"), "C:\\ProgramData\\Cache\\{REV-0001}\\");
  EXPECT_EQ(Var("UNINSTALLLINK"), "C:\\ProgramData\\Cache\\{REV-0001}\\setup.exe");

  session.variables.SetVariable("ALLUSERS", "FALSE", "Set Variable Action");
  session.variables.SetVariable("ENGINECACHE", "X:\\", "Set Variable Action");
  refresh.RefreshInstanceLinks();
  EXPECT_EQ(Var("ENGINECACHE"), "C:\\Users\\User\\AppData\\Local\\Cache\\{REV-0001}\\");
  EXPECT_EQ(Var("UNINSTALLLINK"), "C:\\Users\\User\\AppData\\Local\\Cache\\{REV-0001}\\setup.exe");
}

TEST_F(PredefinedVariablesTest, LinksSeeAChangedCacheRootWithinASecondOrAtOnceWhenToldSo) {
  std::string root = "C:\\First\\";
  PerLineRefresh changing(session, [&](Session&, bool) { return root; });
  changing.RefreshInstanceLinks();
  EXPECT_EQ(Var("ENGINECACHE"), "C:\\First\\{REV-0001}\\");

  root = "C:\\Second\\";
  changing.Invalidate();
  changing.RefreshInstanceLinks();
  EXPECT_EQ(Var("ENGINECACHE"), "C:\\Second\\{REV-0001}\\");

  root = "C:\\Third\\";
  temp.machine.clock.Advance(1000);
  changing.RefreshInstanceLinks();
  EXPECT_EQ(Var("UNINSTALLLINK"), "C:\\Third\\{REV-0001}\\setup.exe");

  root = "C:\\Fourth\\";
  session.variables.SetVariable("OVERRIDECACHE", "D:\\Moved\\", "Set Variable Action");
  changing.RefreshInstanceLinks();
  EXPECT_EQ(Var("ENGINECACHE"), "C:\\Fourth\\{REV-0001}\\") << "a new override is looked up on the next line";
}

TEST_F(PredefinedVariablesTest, PatchRunsTakeTheLinksFromTheInstalledUninstallEntry) {
  session.payload.buildMode = 3;
  session.variables.SetVariable("TITLE", "Sample Product", "Initialization");
  const std::string key = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Sample Product";
  temp.machine.registry.WriteValue(RegistryRoot::LocalMachine, key, "UninstallString",
                                   RegistryValue::Text("\"C:\\ProgramData\\Cache\\{OLD}\\setup.exe\" /remove"),
                                   RegistryView::Default);
  temp.machine.registry.WriteValue(RegistryRoot::CurrentUser, key, "UninstallString",
                                   RegistryValue::Text("C:\\Users\\User\\Cache\\{MINE}\\setup.exe"),
                                   RegistryView::Default);
  struct Case {
    const char* allUsers;
    bool nt;
    const char* link;
    const char* cache;
  };
  const std::vector<Case> cases = {
      {"TRUE", true, "C:\\ProgramData\\Cache\\{OLD}\\setup.exe", "C:\\ProgramData\\Cache\\{OLD}\\"},
      {"FALSE", true, "C:\\Users\\User\\Cache\\{MINE}\\setup.exe", "C:\\Users\\User\\Cache\\{MINE}\\"},
      {"FALSE", false, "C:\\ProgramData\\Cache\\{OLD}\\setup.exe", "C:\\ProgramData\\Cache\\{OLD}\\"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.allUsers << " nt " << c.nt);
    temp.machine.system.version.ntFamily = c.nt;
    temp.machine.clock.Advance(1000);  // the system answers anew at least once a second
    session.variables.SetVariable("ALLUSERS", c.allUsers, "Initialization");
    refresh.RefreshInstanceLinks();
    EXPECT_EQ(Var("UNINSTALLLINK"), c.link);
    EXPECT_EQ(Var("ENGINECACHE"), c.cache);
  }

  session.variables.SetVariable("TITLE", "Another Product", "Set Variable Action");
  refresh.RefreshInstanceLinks();
  EXPECT_EQ(Var("UNINSTALLLINK"), "") << "no entry: both empty";
  EXPECT_EQ(Var("ENGINECACHE"), "");
}

TEST(UninstallProgramPathTest, QuotesAndArgumentsAreCutAway) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"\"C:\\A B\\setup.exe\" /x", "C:\\A B\\setup.exe"},
      {"C:\\A\\setup.exe", "C:\\A\\setup.exe"},
      {"\"C:\\A\\setup.exe", "C:\\A\\setup.exe"},
      {"MsiExec.exe /X\"{GUID}\"", "MsiExec.exe /X{GUID}"},
      {"", ""},
  };
  for (const auto& [text, expected] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(UninstallProgramPath(text), expected);
  }
}

}  // namespace
}  // namespace quarrix
