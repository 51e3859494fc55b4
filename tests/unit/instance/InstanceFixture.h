#pragma once
// A session on a fresh simulated machine with the identity of a setup at C:\Setup\setup.exe.
#include <gtest/gtest.h>

#include <string>

#include "engine/Session.h"
#include "support/TempMachine.h"

namespace quarrix::testing {

inline constexpr const char* kProductCode = "{11111111-2222-3333-4444-555555555555}";
inline constexpr const char* kRevisionCode = "{AAAAAAAA-BBBB-CCCC-DDDD-EEEEEEEEEEEE}";
inline constexpr const char* kOlderRevision = "{99999999-8888-7777-6666-555555555555}";
inline constexpr const char* kPackagePath = "C:\\Users\\User\\AppData\\Local\\Temp\\zvk1\\setup.msi";
inline constexpr const char* kMachineInstance = "C:\\ProgramData\\{AAAAAAAA-BBBB-CCCC-DDDD-EEEEEEEEEEEE}\\";
inline constexpr const char* kUserInstance =
    "C:\\Users\\User\\AppData\\Local\\{AAAAAAAA-BBBB-CCCC-DDDD-EEEEEEEEEEEE}\\";

class InstanceFixture : public ::testing::Test {
 protected:
  InstanceFixture() : session(platform_) {
    session.payload.productCode = kProductCode;
    session.payload.revisionCode = kRevisionCode;
    session.payload.title = "Sample";
    session.workingTitle = "Sample";
    session.executablePath = "C:\\Setup\\setup.exe";
    session.executableFolder = "C:\\Setup\\";
    session.executableFileName = "setup.exe";
    session.executableName = "setup";
    session.run.components.StartRun({});
    files().CreateDirectories("C:\\Setup");
  }

  platform::sim::SimFileSystem& files() { return temp.machine.files; }
  std::string Var(std::string_view name) const { return session.variables.GetVariable(name); }
  void Write(const std::string& path, const std::string& text) {
    const size_t slash = path.rfind('\\');
    files().CreateDirectories(path.substr(0, slash));
    ASSERT_TRUE(files().WriteFile(path, text)) << path;
  }
  void RecordInstance(platform::RegistryRoot root, const std::string& folder) {
    temp.machine.registry.WriteValue(root, std::string("SOFTWARE\\Orlevant\\Quarrix\\Ident.Cache\\") + kProductCode,
                                     "", platform::RegistryValue::Text(folder), platform::RegistryView::Default);
  }

  TempMachine temp;
  platform::Platform platform_ = temp.machine.AsPlatform();
  Session session;
};

}  // namespace quarrix::testing
