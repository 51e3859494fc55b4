#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commands/CommandRunner.h"

namespace quarrix {
namespace {

using platform::RegistryRoot;
using platform::RegistryType;
using platform::RegistryValue;
using platform::RegistryView;
using testing::CommandRunner;

std::string Script(const std::string& lines) { return "#quarrix-script 1\n[script]\n" + lines; }

RegistryValue Typed(RegistryType type, std::string data) { return {type, std::move(data)}; }

TEST(RegistryCommands, ValuesReadAsTextAndMarkers) {
  struct Case {
    const char* what;
    std::string root, key, name;
    std::string read, check;
  };
  const std::vector<Case> cases = {
      {"a string", "1", "Software\\Q", "Text", "hello", "hello"},
      {"an expandable string stays unexpanded", "1", "Software\\Q", "Expand", "%TEMP%\\x", "%TEMP%\\x"},
      {"a string ends at its first zero", "1", "Software\\Q", "Zero", "ab", "ab"},
      {"the key's default value", "1", "Software\\Q", "", "default", "default"},
      {"names ignore case", "1", "SOFTWARE\\q", "TEXT", "hello", "hello"},
      {"a number", "1", "Software\\Q", "Seven", "7", "7"},
      {"the largest number is -1", "1", "Software\\Q", "AllOnes", "-1", "-1"},
      {"2^31 is negative", "1", "Software\\Q", "High", "-2147483648", "-2147483648"},
      {"a short number fails to read", "1", "Software\\Q", "Short", "", "READ$ERROR"},
      {"binary bytes in hexadecimal", "1", "Software\\Q", "Bytes", "0AFF", "0AFF"},
      {"no bytes", "1", "Software\\Q", "NoBytes", "", ""},
      {"a multi-string joined", "1", "Software\\Q", "List", "a$NEWLINE$b", "a$NEWLINE$b"},
      {"a multi-string ends at its first empty string", "1", "Software\\Q", "Gap", "a", "a"},
      {"an empty multi-string", "1", "Software\\Q", "NoList", "", ""},
      {"a 64-bit number is of no known type", "1", "Software\\Q", "Big", "", "UNKNOWN$TYPE"},
      {"a stored marker", "1", "Software\\Q", "Marker", "", "NO$VALUE"},
      {"a missing value", "1", "Software\\Q", "Ghost", "", "NO$VALUE"},
      {"a missing key", "1", "Software\\Nowhere", "Text", "", "NO$KEY"},
      {"a root past 4", "7", "Software\\Q", "Text", "", "NO$KEY"},
      {"a root that is no number", "HKCU", "Software\\Q", "Text", "", "NO$KEY"},
      // Binary and multi-string data are read again through key + "\" + name split at its last "\".
      {"a binary name with a backslash is read from the sub-key", "1", "Software\\Q", "Sub\\Bin", "01", "01"},
      {"a multi-string name with a backslash finds a string there", "1", "Software\\Q", "Sub\\List", "",
       "UNKNOWN$TYPE"},
      {"a binary name with a backslash finds nothing there", "1", "Software\\Q", "Sub\\Lone", "", "READ$ERROR"},
      {"a string name with a backslash is read as it stands", "1", "Software\\Q", "Sub\\Text", "direct", "direct"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CommandRunner runner(Script("Read Registry: R " + c.root + " \"" + c.key + "\" \"" + c.name + "\"\n" +
                                "Check Registry: C " + c.root + " \"" + c.key + "\" \"" + c.name + "\"\n"));
    auto& registry = runner.temp.machine.registry;
    const auto put = [&](const std::string& key, const std::string& name, const RegistryValue& value) {
      registry.WriteValue(RegistryRoot::CurrentUser, key, name, value, RegistryView::Force32);
    };
    put("Software\\Q", "Text", RegistryValue::Text("hello"));
    put("Software\\Q", "Expand", Typed(RegistryType::ExpandString, "%TEMP%\\x"));
    put("Software\\Q", "Zero", RegistryValue::Text(std::string("ab\0cd", 5)));
    put("Software\\Q", "", RegistryValue::Text("default"));
    put("Software\\Q", "Seven", RegistryValue::Number(7));
    put("Software\\Q", "AllOnes", RegistryValue::Number(4294967295u));
    put("Software\\Q", "High", RegistryValue::Number(0x80000000u));
    put("Software\\Q", "Short", Typed(RegistryType::Dword, "\x01\x02"));
    put("Software\\Q", "Bytes", Typed(RegistryType::Binary, "\x0A\xFF"));
    put("Software\\Q", "NoBytes", Typed(RegistryType::Binary, ""));
    put("Software\\Q", "List", Typed(RegistryType::MultiString, std::string("a\0b", 3)));
    put("Software\\Q", "Gap", Typed(RegistryType::MultiString, std::string("a\0\0b", 4)));
    put("Software\\Q", "NoList", Typed(RegistryType::MultiString, ""));
    put("Software\\Q", "Big", Typed(RegistryType::Qword, std::string(8, '\x01')));
    put("Software\\Q", "Marker", RegistryValue::Text("NO$VALUE"));
    put("Software\\Q", "Sub\\Bin", Typed(RegistryType::Binary, "\x02"));
    put("Software\\Q\\Sub", "Bin", Typed(RegistryType::Binary, "\x01"));
    put("Software\\Q", "Sub\\List", Typed(RegistryType::MultiString, "x"));
    put("Software\\Q\\Sub", "List", RegistryValue::Text("x"));
    put("Software\\Q", "Sub\\Lone", Typed(RegistryType::Binary, "\x03"));
    put("Software\\Q", "Sub\\Text", RegistryValue::Text("direct"));
    runner.RunAll();
    EXPECT_TRUE(runner.Exists("R"));
    EXPECT_EQ(runner.Var("R"), c.read);
    EXPECT_EQ(runner.Var("C"), c.check);
  }
}

TEST(RegistryCommands, ThePlatformModeSelectsTheView) {
  struct Case {
    const char* mode;
    std::string root, key, expected;
  };
  const std::vector<Case> cases = {
      {"Win32", "2", "SOFTWARE\\X", "32-bit"},
      {"x64", "2", "SOFTWARE\\X", "64-bit"},
      {"ia64", "2", "SOFTWARE\\X", "64-bit"},
      {"x64", "2", "SOFTWARE\\Only32", "NO$KEY"},
      {"Win32", "2", "SOFTWARE\\Only32", "here"},
      {"x64", "1", "Software\\Shared", "both"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.mode) + " " + c.key);
    CommandRunner runner(Script("Check Registry: C " + c.root + " \"" + c.key + "\" V\n"));
    auto& registry = runner.temp.machine.registry;
    registry.WriteValue(RegistryRoot::LocalMachine, "SOFTWARE\\X", "V", RegistryValue::Text("32-bit"),
                        RegistryView::Force32);
    registry.WriteValue(RegistryRoot::LocalMachine, "SOFTWARE\\X", "V", RegistryValue::Text("64-bit"),
                        RegistryView::Force64);
    registry.WriteValue(RegistryRoot::LocalMachine, "SOFTWARE\\Only32", "V", RegistryValue::Text("here"),
                        RegistryView::Force32);
    registry.WriteValue(RegistryRoot::CurrentUser, "Software\\Shared", "V", RegistryValue::Text("both"),
                        RegistryView::Force32);
    runner.session.run.platformMode = c.mode;
    runner.RunAll();
    EXPECT_EQ(runner.Var("C"), c.expected);
  }
}

TEST(RegistryCommands, DeleteRegistryRemovesValuesAndKeys) {
  struct Case {
    const char* what;
    const char* mode;
    std::string line;  // parameters of the "Delete Registry" line
    std::vector<std::string> gone, kept;  // HKCU keys, or key|value
  };
  const std::vector<Case> cases = {
      {"a value", "Win32", "1 Software\\Tree A FALSE", {"Software\\Tree|A"}, {"Software\\Tree|B", "Software\\Tree"}},
      {"a missing value or key is no error", "Win32", "1 Software\\Ghost A FALSE", {}, {"Software\\Tree|A"}},
      {"in Win32 mode a key with all its sub-keys", "Win32", "1 Software\\Tree \"\" TRUE",
       {"Software\\Tree", "Software\\Tree\\Leaf", "Software\\Tree\\Branch\\Deep"}, {"Software\\Other"}},
      {"in x64 mode a key with sub-keys stays", "x64", "1 Software\\Tree \"\" TRUE", {},
       {"Software\\Tree|A", "Software\\Tree\\Branch\\Deep"}},
      {"in x64 mode a key without sub-keys goes", "x64", "1 Software\\Tree\\Leaf \"\" TRUE", {"Software\\Tree\\Leaf"},
       {"Software\\Tree"}},
      {"in x64 mode a key right below the root stays", "x64", "1 Top \"\" TRUE", {}, {"Top"}},
      {"in Win32 mode a key right below the root goes", "Win32", "1 Top \"\" TRUE", {"Top"}, {}},
      {"a root past 4 deletes nothing", "Win32", "9 Software\\Tree \"\" TRUE", {}, {"Software\\Tree\\Leaf"}},
      {"a trailing backslash still names the key", "Win32", "1 Software\\Tree\\ \"\" TRUE",
       {"Software\\Tree\\Branch\\Deep", "Software\\Tree"}, {"Software\\Other"}},
      {"in x64 mode too", "x64", "1 Software\\Tree\\Leaf\\ \"\" TRUE", {"Software\\Tree\\Leaf"}, {"Software\\Tree"}},
      {"no key deletes nothing below the root", "Win32", "1 \"\" \"\" TRUE", {}, {"Top", "Software\\Other"}},
      {"a lone backslash neither", "Win32", "1 \"\\\" \"\" TRUE", {}, {"Top", "Software\\Other"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CommandRunner runner(Script("Delete Registry: " + c.line + "\n"));
    auto& registry = runner.temp.machine.registry;
    const RegistryView view = RegistryView::Force32;
    registry.WriteValue(RegistryRoot::CurrentUser, "Software\\Tree", "A", RegistryValue::Text("a"), view);
    registry.WriteValue(RegistryRoot::CurrentUser, "Software\\Tree", "B", RegistryValue::Text("b"), view);
    registry.CreateKey(RegistryRoot::CurrentUser, "Software\\Tree\\Leaf", view);
    registry.CreateKey(RegistryRoot::CurrentUser, "Software\\Tree\\Branch\\Deep", view);
    registry.CreateKey(RegistryRoot::CurrentUser, "Software\\Other", view);
    registry.CreateKey(RegistryRoot::CurrentUser, "Top", view);
    runner.session.run.platformMode = c.mode;
    runner.RunAll();
    const auto present = [&](const std::string& item) {
      const size_t bar = item.find('|');
      if (bar == std::string::npos) return registry.KeyExists(RegistryRoot::CurrentUser, item, view);
      return registry.ReadValue(RegistryRoot::CurrentUser, item.substr(0, bar), item.substr(bar + 1), view)
          .has_value();
    };
    for (const std::string& item : c.gone) EXPECT_FALSE(present(item)) << item;
    for (const std::string& item : c.kept) EXPECT_TRUE(present(item)) << item;
  }
}

TEST(RegistryCommands, DeleteRegistryKeepsToTheModesView) {
  for (const char* mode : {"Win32", "x64"}) {
    SCOPED_TRACE(mode);
    CommandRunner runner(Script("Delete Registry: 2 SOFTWARE\\Vendor \"\" TRUE\n"));
    auto& registry = runner.temp.machine.registry;
    for (RegistryView view : {RegistryView::Force32, RegistryView::Force64})
      registry.CreateKey(RegistryRoot::LocalMachine, "SOFTWARE\\Vendor", view);
    runner.session.run.platformMode = mode;
    runner.RunAll();
    const bool win32 = std::string(mode) == "Win32";
    EXPECT_EQ(registry.KeyExists(RegistryRoot::LocalMachine, "SOFTWARE\\Vendor", RegistryView::Force32), !win32);
    EXPECT_EQ(registry.KeyExists(RegistryRoot::LocalMachine, "SOFTWARE\\Vendor", RegistryView::Force64), win32);
  }
}

TEST(RegistryCommands, IniEntriesReadByTheSystemsRules) {
  const std::string ini =
      "; a comment\r\n"
      "[Main]\r\n"
      "  Name = Value with spaces  \r\n"
      "Quoted=\"  padded  \"\r\n"
      "Single='x'\r\n"
      "Half=\"open\r\n"
      "Empty=\r\n"
      "Long=" + std::string(30000, 'L') + "\r\n"
      "[Other]\n"
      "Name=other\n"
      "[Main]\n"
      "Later=second section\n";
  struct Case {
    std::string file, section, key, expected;
  };
  const std::vector<Case> cases = {
      {"C:\\Data\\x.ini", "Main", "Name", "Value with spaces"},
      {"C:\\Data\\x.ini", "MAIN", "name", "Value with spaces"},
      {"C:\\Data\\x.ini", "Other", "Name", "other"},
      {"C:\\Data\\x.ini", "Main", "Quoted", "  padded  "},
      {"C:\\Data\\x.ini", "Main", "Single", "x"},
      {"C:\\Data\\x.ini", "Main", "Half", "\"open"},
      {"C:\\Data\\x.ini", "Main", "Empty", ""},
      {"C:\\Data\\x.ini", "Main", "Later", "second section"},
      {"C:\\Data\\x.ini", "Main", "Long", std::string(25999, 'L')},
      {"C:\\Data\\x.ini", "Main", "Ghost", ""},
      {"C:\\Data\\x.ini", "Ghost", "Name", ""},
      {"C:\\Data\\missing.ini", "Main", "Name", ""},
      {"C:\\Data\\x.ini", "", "Name", ""},
      {"C:\\Data\\x.ini", "Main", "", ""},
      {"win.ini", "Main", "Name", "in the Windows folder"},
      {"C:\\Data\\\\x.ini", "Main", "Name", "Value with spaces"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file + " [" + c.section + "] " + c.key);
    CommandRunner runner(Script("Get INI File Settings: R \"" + c.file + "\" \"" + c.section + "\" \"" + c.key +
                                "\"\n"));
    auto& files = runner.temp.machine.files;
    files.CreateDirectories("C:\\Data");
    files.WriteFile("C:\\Data\\x.ini", ini);
    files.CreateDirectories("C:\\Windows");
    files.WriteFile("C:\\Windows\\win.ini", "[main]\nname=in the Windows folder\n");
    runner.RunAll();
    EXPECT_TRUE(runner.Exists("R"));
    EXPECT_EQ(runner.Var("R"), c.expected);
  }
}

TEST(RegistryCommands, EnvironmentVariablesAndTheWholeBlock) {
  struct Case {
    std::string line, result, expected;
  };
  const std::vector<Case> cases = {
      {"Get Environment: Path R", "R", "C:\\Windows;C:\\Tools"},
      {"Get Environment: PATH $OUT$", "OUT", "C:\\Windows;C:\\Tools"},
      {"Get Environment: $WHICH$ R", "R", "C:\\Temp"},
      {"Get Environment: Undefined R", "R", "%Undefined%"},
      {"Get Environment: \"TEMP%%PATH\" R", "R", "C:\\TempC:\\Windows;C:\\Tools"},
      {"Get Environment: \"Undefined%PATH\" R", "R", "%Undefined%PATH%"},
      {"Get Environment: \"\" R", "R", "=C:=C:\\Setup$NEWLINE$Path=C:\\Windows;C:\\Tools$NEWLINE$TEMP=C:\\Temp"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    CommandRunner runner(Script(c.line + "\n"));
    runner.temp.machine.environment.entries = {"=C:=C:\\Setup", "Path=C:\\Windows;C:\\Tools", "TEMP=C:\\Temp"};
    runner.session.variables.SetVariable("WHICH", "temp", "test");
    runner.RunAll();
    EXPECT_EQ(runner.Var(c.result), c.expected);
  }
}

}  // namespace
}  // namespace quarrix
