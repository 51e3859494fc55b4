// qx msi: the engine's package edits made on a copy and printed as differences, on wixl packages.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/QxProcess.h"
#include "support/TempMachine.h"
#include "support/TestPackage.h"

namespace quarrix {
namespace {

namespace fs = std::filesystem;

using testing::ReadHostFile;
using testing::WriteHostFile;

class QxMsiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!testing::HaveTool("wixl") || !testing::HaveTool("msibuild")) GTEST_SKIP() << "wixl and msibuild are needed";
  }

  // A wixl package alone in a folder of its own: Template "Intel;1033" (x86) or "x64;1033",
  // Word Count 2, EXISTING = "old", components Main and Second with attributes 0 and 4 (x86).
  fs::path Package(const std::string& architecture = "x86", const std::string& name = "setup.msi") const {
    const fs::path folder = temp_.Path() / ("built-" + architecture);
    auto built = testing::BuildTestPackage(folder, "setup.msi", architecture);
    EXPECT_TRUE(built);
    if (!built) return {};
    const fs::path alone = temp_.Path() / ("package-" + architecture) / name;
    fs::create_directories(alone.parent_path());
    fs::copy_file(*built, alone, fs::copy_options::overwrite_existing);
    return alone;
  }

  testing::QxOutcome Msi(const fs::path& package, std::vector<std::string> arguments) const {
    arguments.insert(arguments.begin(), {"msi", package.string()});
    return testing::RunQx(arguments, temp_.Path() / "stderr.txt");
  }

  static std::vector<std::string> Listing(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    return names;
  }

  testing::TempFolder temp_;
};

TEST_F(QxMsiTest, PlatformWordCountAndPropertiesShowAsBeforeAndAfterWhileThePackageStaysAsItWas) {
  const fs::path package = Package();
  ASSERT_FALSE(package.empty());
  const std::string bytes = ReadHostFile(package);

  const testing::QxOutcome outcome =
      Msi(package, {"--platform", "x64", "--property", "EXISTING=new", "--property", "ADDED=it's new"});
  ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
  EXPECT_EQ(outcome.out,
            "Template: \"Intel;1033\" -> \"x64;1033\"\n"
            "Word Count: 2 -> 8\n"
            "Property ADDED: (none) -> \"it$QUOTE$s new\"\n"
            "Property EXISTING: \"old\" -> \"new\"\n"
            "Component Main Attributes: 0 -> 256\n"
            "Component Second Attributes: 4 -> 260\n");
  EXPECT_EQ(outcome.err.find("qx: "), std::string::npos) << outcome.err;
  EXPECT_EQ(ReadHostFile(package), bytes) << "the original is only read";
  EXPECT_EQ(Listing(package.parent_path()), std::vector<std::string>{"setup.msi"}) << "no copy left beside it";
}

struct EditCase {
  const char* label;
  const char* builtFor;  // wixl architecture
  const char* fileName;
  const char* sql;  // run on the package before, when not empty
  std::vector<std::string> arguments;
  const char* out;
  const char* err;
};

TEST_F(QxMsiTest, WhatChangesFollowsTheModeTheQueueAndThePackageKind) {
  const std::vector<EditCase> cases = {
      {"a run's Win32 on an x86 package: only the word count", "x86", "setup.msi", "", {}, "Word Count: 2 -> 8\n", ""},
      {"Win32 on an x64 package clears the 64-bit bit where it is set", "x64", "setup.msi",
       "UPDATE `Component` SET `Attributes`=260 WHERE `Component`='Second'", {},
       "Template: \"x64;1033\" -> \"Intel;1033\"\n"
       "Word Count: 2 -> 8\n"
       "Component Second Attributes: 260 -> 4\n",
       ""},
      {"ia64", "x86", "setup.msi", "", {"--platform", "ia64"},
       "Template: \"Intel;1033\" -> \"Intel64;1033\"\n"
       "Word Count: 2 -> 8\n"
       "Component Main Attributes: 0 -> 256\n"
       "Component Second Attributes: 4 -> 260\n",
       ""},
      {"the last of a name wins; a value's line break is CR LF", "x86", "setup.msi", "",
       {"--property", "EXISTING=first", "--property", "EXISTING=two\r\nlines"},
       "Word Count: 2 -> 8\n"
       "Property EXISTING: \"old\" -> \"two\\r\\nlines\"\n",
       ""},
      {"a patch gets no properties", "x86", "update.MSP", "", {"--property", "EXISTING=new"}, "Word Count: 2 -> 8\n",
       "update.MSP is a patch: no properties are written into it\n"},
  };
  for (const EditCase& c : cases) {
    SCOPED_TRACE(c.label);
    const fs::path package = Package(c.builtFor, c.fileName);
    ASSERT_FALSE(package.empty());
    if (*c.sql != '\0') {
      ASSERT_TRUE(testing::RunTool("msibuild " + testing::ShellQuote(package.string()) + " -q " +
                                   testing::ShellQuote(c.sql)));
    }
    const testing::QxOutcome outcome = Msi(package, c.arguments);
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(outcome.out, c.out);
    if (*c.err == '\0') {
      EXPECT_EQ(outcome.err.find("qx: "), std::string::npos) << outcome.err;
    } else {
      EXPECT_NE(outcome.err.find(c.err), std::string::npos) << outcome.err;
    }
  }
}

TEST_F(QxMsiTest, AScriptGivesThePropertiesItsRunQueued) {
  const fs::path package = Package();
  ASSERT_FALSE(package.empty());
  const fs::path script = temp_.Path() / "setup.qxs";
  WriteHostFile(script,
                "#quarrix-script 1\n[setup]\n"
                "product-code = {11111111-2222-3333-4444-555555555555}\n"
                "revision-code = {AAAAAAAA-BBBB-CCCC-DDDD-EEEEEEEEEEEE}\n"
                "[script]\n"
                "Set Variable: TARGETDIR C:\\Target\n"
                "Install Files: \"C:\\Source\\*\" \"\" \"$TARGETDIR$\\bin\"  @header=F525945E\n"
                "If: TARGETDIR 0 C:\\Elsewhere FALSE\n"
                "  Create Folder: \"$TARGETDIR$\\never\"  @header=0C0FFEE0\n"
                "End\n");
  const testing::QxOutcome outcome =
      Msi(package, {"--script", script.string(), "--property", "PF525945E_1=D:\\Override", "--", "/s"});
  ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
  // Every installer-backed line starts switched off; the line that ran switched itself on and
  // handed over its folder, which --property then replaced.
  EXPECT_EQ(outcome.out,
            "Word Count: 2 -> 8\n"
            "Property A0C0FFEE0: (none) -> \"FALSE\"\n"
            "Property AF525945E: (none) -> \"TRUE\"\n"
            "Property PF525945E_1: (none) -> \"D:\\Override\"\n");
}

TEST_F(QxMsiTest, AScriptsInstanceTransformShowsTheNewIdentityAndComponentIds) {
  const fs::path package = Package();
  ASSERT_FALSE(package.empty());
  const fs::path script = temp_.Path() / "transform.qxs";
  WriteHostFile(script,
                "#quarrix-script 1\n[setup]\n"
                "product-code = {11111111-2222-3333-4444-555555555555}\n"
                "revision-code = {AAAAAAAA-BBBB-CCCC-DDDD-EEEEEEEEEEEE}\n"
                "[script]\n"
                "Set Variable: NEWINSTANCE TRUE\n"
                "Transform Instance:\n"
                "Create Folder: \"C:\\Data\"  @header=0C0FFEE0\n");
  const testing::QxOutcome outcome = Msi(package, {"--script", script.string(), "--", "/s"});
  ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
  // The simulated machine numbers its GUIDs: the run made the product and package codes, the
  // edit the component ids after them.
  for (const std::string& line : {
           std::string("\nRevision Number: \""),
           std::string("\" -> \"{5151D000-0000-4000-8000-000000000002}\"\n"),
           std::string("\nProperty ProductCode: \"") + testing::kTestProductCode +
               "\" -> \"{5151D000-0000-4000-8000-000000000001}\"\n",
           std::string("\nComponent Main ComponentId: \"{33333333-2222-3333-4444-555555555555}\" -> "
                       "\"{5151D000-0000-4000-8000-000000000003}\"\n"),
           std::string("\nComponent Second ComponentId: \"{44444444-2222-3333-4444-555555555555}\" -> "
                       "\"{5151D000-0000-4000-8000-000000000004}\"\n"),
       }) {
    EXPECT_NE(("\n" + outcome.out).find(line), std::string::npos) << line << "\n" << outcome.out;
  }
}

TEST_F(QxMsiTest, WhatIsNoPackageOrNoUsageIsRefusedAndNothingIsWritten) {
  const fs::path package = Package();
  ASSERT_FALSE(package.empty());
  const fs::path text = temp_.Path() / "notes.msi";
  WriteHostFile(text, "not a package\n");
  struct Refusal {
    fs::path package;
    std::vector<std::string> arguments;
    const char* message;
  };
  const std::vector<Refusal> refusals = {
      {temp_.Path() / "absent.msi", {}, "absent.msi: no such file"},
      {text, {}, "notes.msi: not an installer package"},
      {temp_.Path(), {}, ": not a file"},
      {package, {"--platform", "X64"}, "--platform must be Win32, x64 or ia64"},
      {package, {"--property", "=value"}, "--property expects NAME=VALUE"},
      {package, {"--answers", "NEXT"}, "belong to --script"},
      {package, {"--colour"}, "unknown option --colour"},
  };
  const std::string bytes = ReadHostFile(package);
  for (const Refusal& refusal : refusals) {
    SCOPED_TRACE(refusal.message);
    const testing::QxOutcome outcome = Msi(refusal.package, refusal.arguments);
    EXPECT_EQ(outcome.exitCode, 2);
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(outcome.err.rfind("qx: ", 0), 0u) << outcome.err;
    EXPECT_NE(outcome.err.find(refusal.message), std::string::npos) << outcome.err;
    EXPECT_EQ(outcome.err.find('\n'), outcome.err.size() - 1) << "one line";
  }
  EXPECT_EQ(ReadHostFile(text), "not a package\n");
  EXPECT_EQ(ReadHostFile(package), bytes);
}

}  // namespace
}  // namespace quarrix
