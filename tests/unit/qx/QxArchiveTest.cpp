// qx list, extract and build, run as a setup author would, against archives made by 7z.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "startup/PayloadReader.h"
#include "startup/PeImageBuilder.h"
#include "engine/StubSize.h"
#include "media/BlockPassword.h"
#include "support/QxProcess.h"
#include "support/TempMachine.h"

namespace quarrix {
namespace {

namespace fs = std::filesystem;

using Outcome = testing::QxOutcome;
using testing::ReadHostFile;
using testing::ShellQuote;
using testing::WriteHostFile;

class QxArchiveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::system("command -v 7z >/dev/null 2>&1") != 0) GTEST_SKIP() << "7z is not installed";
    WriteHostFile(Path("files/readme.txt"), "read me\r\n");
    WriteHostFile(Path("files/bin/tool.dat"), std::string(100000, '\x7F'));
  }

  fs::path Path(const std::string& relative) const { return temp.Path() / relative; }

  Outcome Qx(const std::vector<std::string>& arguments) const {
    return testing::RunQx(arguments, Path("stderr.txt"));
  }

  std::string Pack(const std::string& name, const std::string& switches = "") const {
    const std::string archive = Path(name).string();
    const std::string command = "cd " + ShellQuote(Path("files").string()) + " && 7z a -bd -y " + switches + " " +
                                ShellQuote(archive) + " . >/dev/null 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0);
    return archive;
  }

  testing::TempFolder temp;
};

TEST_F(QxArchiveTest, ListAndExtractPlainAndEncryptedArchives) {
  struct Case {
    const char* name;
    std::string switches;
    std::vector<std::string> password;
  };
  for (const Case& c : std::vector<Case>{{"plain", "", {}},
                                         {"solid off, stored", "-ms=off -mx0", {}},
                                         {"encrypted header", "-pOpen\\ Sesame -mhe=on", {"--password", "Open Sesame"}}}) {
    SCOPED_TRACE(c.name);
    const std::string archive = Pack(std::string(c.name) + ".7z", c.switches);
    std::vector<std::string> list = {"list", archive};
    list.insert(list.end(), c.password.begin(), c.password.end());
    const Outcome listed = Qx(list);
    EXPECT_EQ(listed.exitCode, 0) << listed.err;
    EXPECT_EQ(listed.out.find("bin\\tool.dat\n") != std::string::npos, true) << listed.out;
    EXPECT_NE(listed.out.find("readme.txt\n"), std::string::npos);

    const fs::path destination = Path(std::string("out-") + c.name);
    std::vector<std::string> extract = {"extract", archive, destination.string()};
    extract.insert(extract.begin() + 1, c.password.begin(), c.password.end());  // options go anywhere
    const Outcome extracted = Qx(extract);
    EXPECT_EQ(extracted.exitCode, 0) << extracted.err;
    EXPECT_EQ(ReadHostFile(destination / "readme.txt"), "read me\r\n");
    EXPECT_EQ(ReadHostFile(destination / "bin" / "tool.dat"), std::string(100000, '\x7F'));
  }
}

TEST_F(QxArchiveTest, FailuresGiveTheEngineTextsAndUsageErrorsExitTwo) {
  const std::string locked = Pack("locked.7z", "-pRight -mhe=on");
  std::string damaged = ReadHostFile(Pack("stored.7z", "-mx0"));
  damaged[damaged.find("read me")] ^= 1;
  WriteHostFile(Path("damaged.7z"), damaged);
  const std::string unsupported = "The archive cannot be opened: unsupported archive or incorrect password\n";
  struct Case {
    const char* name;
    std::vector<std::string> arguments;
    int exitCode;
    std::string errStart;
  };
  const std::vector<Case> cases = {
      {"missing", {"list", Path("none.7z").string()}, 1, "The archive file was not found\n"},
      {"wrong password", {"list", locked, "--password", "Wrong"}, 1, unsupported},
      {"no password", {"extract", locked, Path("o1").string()}, 1, unsupported},
      {"damaged data", {"extract", Path("damaged.7z").string(), Path("o2").string()}, 1, "#1004\n"},
      {"no archive", {"list"}, 2, "qx: "},
      {"password without value", {"list", locked, "--password"}, 2, "qx: "},
      {"extract without destination", {"extract", locked}, 2, "qx: "},
      {"unknown option", {"extract", locked, Path("o3").string(), "--force"}, 2, "qx: "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Outcome outcome = Qx(c.arguments);
    EXPECT_EQ(outcome.exitCode, c.exitCode);
    EXPECT_EQ(outcome.err.substr(0, c.errStart.size()), c.errStart) << outcome.err;
  }
  EXPECT_FALSE(fs::exists(Path("o2") / "readme.txt")) << "a file failing its check is not left behind";
}

class QxBuildTest : public QxArchiveTest {
 protected:
  void SetUp() override {
    QxArchiveTest::SetUp();
    if (IsSkipped()) return;
    WriteHostFile(Path("Sample/setup.qxs"),
          "#quarrix-script 1\n[setup]\ntitle = \"Built Sample\"\n[script]\nSet Variable: A 1\n");
    WriteHostFile(Path("Sample/support/Welcome.dfm"), "object Welcome\r\nend\r\n");
    WriteHostFile(Path("Sample/support/texts/licence.txt"), "licence");
    WriteHostFile(Path("Sample/package.msi"), "package bytes");
    WriteHostFile(Path("engine/quarrix-setup.exe"), testing::MakePeImage({{0x400, 0x200}}));
    WriteHostFile(Path("engine/zvk.lib"), "archive library bytes");
  }

  Outcome Build(std::vector<std::string> extra = {}) const {
    std::vector<std::string> arguments = {"build", Path("Sample").string() + "/", "-o", Path("out").string(),
                                          "--engine", Path("engine/quarrix-setup.exe").string()};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    return Qx(arguments);
  }
};

TEST_F(QxBuildTest, WritesTheWholeSetupFolder) {
  const Outcome built = Build();
  ASSERT_EQ(built.exitCode, 0) << built.err;
  const std::string setup = ReadHostFile(Path("out/Sample.exe"));
  const std::string engine = ReadHostFile(Path("engine/quarrix-setup.exe"));
  ASSERT_EQ(GetStubSize(setup), engine.size());
  EXPECT_EQ(setup.substr(0, engine.size()), engine);
  EXPECT_EQ(ParsePayload(setup.substr(engine.size())).title, "Built Sample");
  EXPECT_EQ(ReadHostFile(Path("out/zvk.lib")), "archive library bytes");  // beside the engine by default
  EXPECT_EQ(ReadHostFile(Path("out/Sample.msi")), "package bytes");
  const Outcome listed = Qx({"list", Path("out/Sample.res").string()});
  EXPECT_EQ(listed.out, "texts\nWelcome.dfm\ntexts\\licence.txt\n");
}

TEST_F(QxBuildTest, RebuildPacksOnlyWhatIsThereNowAndNamesFollowTheOption) {
  ASSERT_EQ(Build().exitCode, 0);
  fs::remove_all(Path("Sample/support/texts"));
  fs::remove(Path("Sample/package.msi"));
  ASSERT_EQ(Build().exitCode, 0);
  EXPECT_EQ(Qx({"list", Path("out/Sample.res").string()}).out, "Welcome.dfm\n");

  ASSERT_EQ(Build({"--name", "Other", "--library", Path("engine/quarrix-setup.exe").string()}).exitCode, 0);
  EXPECT_TRUE(fs::is_regular_file(Path("out/Other.exe")));
  EXPECT_TRUE(fs::is_regular_file(Path("out/Other.res")));
  EXPECT_FALSE(fs::exists(Path("out/Other.msi")));
  EXPECT_EQ(ReadHostFile(Path("out/zvk.lib")), ReadHostFile(Path("engine/quarrix-setup.exe")));
  WriteHostFile(Path("made/patch.msp"), "patch bytes");
  ASSERT_EQ(Build({"--name", "Patched", "--package", Path("made/patch.msp").string()}).exitCode, 0);
  EXPECT_EQ(ReadHostFile(Path("out/Patched.msp")), "patch bytes");
}

TEST_F(QxBuildTest, IncompleteProjectsAreInputErrors) {
  struct Case {
    const char* name;
    void (*spoil)(const fs::path& root);
    std::vector<std::string> extra;
  };
  const std::vector<Case> cases = {
      {"no support folder", [](const fs::path& root) { fs::remove_all(root / "Sample/support"); }, {}},
      {"no source", [](const fs::path& root) { fs::remove(root / "Sample/setup.qxs"); }, {}},
      {"source that does not compile", [](const fs::path& root) { WriteHostFile(root / "Sample/setup.qxs", "#quarrix-script 9\n"); }, {}},
      {"engine that is no image", [](const fs::path& root) { WriteHostFile(root / "engine/quarrix-setup.exe", "text"); }, {}},
      {"library missing", [](const fs::path& root) { fs::remove(root / "engine/zvk.lib"); }, {}},
      {"package missing", [](const fs::path&) {}, {"--package", "/nonexistent/package.msi"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    fs::remove_all(Path("out"));
    c.spoil(temp.Path());
    const Outcome outcome = Build(c.extra);
    EXPECT_EQ(outcome.exitCode, 2);
    EXPECT_EQ(outcome.err.rfind("qx: ", 0), 0u) << outcome.err;
    EXPECT_FALSE(fs::exists(Path("out/Sample.exe.tmp")));
  }
}

// A package.wxs project: wixl and msibuild make the package, its files lie in the source image.
class QxPackageBuildTest : public QxBuildTest {
 protected:
  void SetUp() override {
    QxBuildTest::SetUp();
    if (IsSkipped()) return;
    if (std::system("command -v wixl >/dev/null 2>&1 && command -v msibuild >/dev/null 2>&1") != 0)
      GTEST_SKIP() << "wixl or msibuild is not installed";
    fs::remove(Path("Sample/package.msi"));
    WriteHostFile(Path("Sample/setup.qxs"),
                  "#quarrix-script 1\n[setup]\nproduct-code = {11111111-2222-4333-8444-555555555555}\n"
                  "revision-code = {66666666-7777-4888-9999-AAAAAAAAAAAA}\n[script]\n"
                  "Install Files: \"x\" \"\" \"$TARGETDIR$\\\"  @header=0A0B0C0D\n");
    WriteHostFile(Path("Sample/files/tool.dat"), "tool bytes");
    WriteHostFile(Path("Sample/package.wxs"), Wxs("files/tool.dat", "A0A0B0C0D=&quot;TRUE&quot;"));
  }

  static std::string Wxs(const std::string& source, const std::string& condition) {
    return "<?xml version=\"1.0\"?>\n"
           "<Wix xmlns=\"http://schemas.microsoft.com/wix/2006/wi\" xmlns:qx=\"urn:quarrix:build\">\n"
           "<Product Id=\"*\" Name=\"S\" Language=\"1033\" Version=\"1.0.0\" Manufacturer=\"M\""
           " UpgradeCode=\"0C1D2E3F-4A5B-4C6D-8E7F-90A1B2C3D400\">\n"
           "<Package InstallerVersion=\"200\" Compressed=\"yes\"/><Media Id=\"1\" Cabinet=\"s.cab\" EmbedCab=\"yes\"/>\n"
           "<Directory Id=\"TARGETDIR\" Name=\"SourceDir\"><Directory Id=\"ProgramFilesFolder\">\n"
           "<Directory Id=\"INSTALLDIR\" Name=\"Sample Product\"><Directory Id=\"BIN\" Name=\"bin files\">\n"
           "<Component Id=\"Tool\" Guid=\"0C1D2E3F-4A5B-4C6D-8E7F-90A1B2C3D401\" qx:Condition=\"" + condition + "\">\n"
           "<File Id=\"ToolFile\" Name=\"the tool.dat\" Source=\"" + source + "\"/></Component>\n"
           "</Directory></Directory></Directory></Directory>\n"
           "<Feature Id=\"Main\" Level=\"1\"><ComponentRef Id=\"Tool\"/></Feature></Product></Wix>\n";
  }

  std::string Msiinfo(const std::string& arguments) const {
    const std::string output = Path("msiinfo.txt").string();
    EXPECT_EQ(std::system(("msiinfo " + arguments + " >" + ShellQuote(output) + " 2>&1").c_str()), 0);
    return ReadHostFile(output);
  }
};

TEST_F(QxPackageBuildTest, PackageCarriesConditionAndCodesAndItsFilesLieInTheSourceImage) {
  const Outcome built = Build();
  ASSERT_EQ(built.exitCode, 0) << built.err;
  const std::string package = ShellQuote(Path("out/Sample.msi").string());
  EXPECT_NE(Msiinfo("export " + package + " Component").find("\tA0A0B0C0D=\"TRUE\"\t"), std::string::npos);
  EXPECT_NE(Msiinfo("export " + package + " Property").find("ProductCode\t{11111111-2222-4333-8444-555555555555}"),
            std::string::npos);
  EXPECT_NE(Msiinfo("suminfo " + package).find("{66666666-7777-4888-9999-AAAAAAAAAAAA}"), std::string::npos);
  EXPECT_EQ(Qx({"list", Path("out/Sample.res").string()}).out,
            "Sample Product\nSample Product\\bin files\ntexts\nSample Product\\bin files\\the tool.dat\n"
            "Welcome.dfm\ntexts\\licence.txt\n");
  EXPECT_FALSE(fs::exists(Path("out/Sample Product")));

  ASSERT_EQ(Build({"--layout", "folder"}).exitCode, 0);
  EXPECT_EQ(ReadHostFile(Path("out/Sample Product/bin files/the tool.dat")), "tool bytes");
  EXPECT_EQ(Qx({"list", Path("out/Sample.res").string()}).out, "texts\nWelcome.dfm\ntexts\\licence.txt\n");
}

TEST_F(QxPackageBuildTest, FailingPackageStepsLeaveTheSetupFolderUntouched) {
  struct Case {
    const char* name;
    std::string wxs;
    std::vector<std::string> extra;
  };
  const std::vector<Case> cases = {
      {"wixl fails", Wxs("files/missing.dat", "A=1"), {}},
      {"quote in a condition", Wxs("files/tool.dat", "A='1'"), {}},
      {"unknown layout", Wxs("files/tool.dat", "A=1"), {"--layout", "beside"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(Path("out"));
    WriteHostFile(Path("Sample/package.wxs"), c.wxs);
    const Outcome outcome = Build(c.extra);
    EXPECT_EQ(outcome.exitCode, 2);
    EXPECT_EQ(outcome.err.rfind("qx: build: ", 0), 0u) << outcome.err;
    EXPECT_FALSE(fs::exists(Path("out")));
  }
  WriteHostFile(Path("Sample/package.wxs"), Wxs("files/tool.dat", "A=1"));
  WriteHostFile(Path("Sample/support/Sample Product/bin files/the tool.dat"), "a support file");
  const Outcome collision = Build();
  EXPECT_EQ(collision.exitCode, 2);
  EXPECT_NE(collision.err.find("collides"), std::string::npos) << collision.err;
}

}  // namespace
}  // namespace quarrix

namespace quarrix {
namespace {

// Every byte as an escape: scrambled passwords may hold any byte.
std::string Escaped(const std::string& bytes) {
  static const char* kDigits = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) out += std::string("\\x") + kDigits[c >> 4] + kDigits[c & 15];
  return out;
}

TEST_F(QxBuildTest, WebFolderBecomesOneBlockArchivePerFolderWithItsAddresses) {
  WriteHostFile(Path("Sample/setup.qxs"), "#quarrix-script 1\n[setup]\nbuild-mode = 2\nweb-media-password = Program " +
                                              Escaped(ScrambleBlockPassword("Pr0gram pass")) +
                                              "\n[script]\nSet Variable: A 1\n");
  WriteHostFile(Path("Sample/web/Program/bin/app.exe"), "program");
  WriteHostFile(Path("Sample/web/Help/index.html"), "help");
  WriteHostFile(Path("Sample/web/addresses.txt"), "http://one.example/v1/\r\n# mirror\nhttp://two.example/v1\n");
  const Outcome built = Build();
  ASSERT_EQ(built.exitCode, 0) << built.err;
  EXPECT_EQ(ReadHostFile(Path("out/web/addresses.txt")),
            "Help = http://one.example/v1/Help.7zip$NEWLINE$http://two.example/v1/Help.7zip\n"
            "Program = http://one.example/v1/Program.7zip$NEWLINE$http://two.example/v1/Program.7zip\n");
  // Entries start with the block name; only the block the script gives a password is encrypted.
  const Outcome help = Qx({"list", Path("out/web/Help.7zip").string()});
  EXPECT_EQ(help.exitCode, 0) << help.err;
  EXPECT_NE(help.out.find("Help\\index.html"), std::string::npos) << help.out;
  const Outcome wrong = Qx({"extract", Path("out/web/Program.7zip").string(), Path("x1").string()});
  EXPECT_NE(wrong.exitCode, 0);
  const Outcome right = Qx({"extract", Path("out/web/Program.7zip").string(), Path("x2").string(), "--password",
                            "Pr0gram pass"});
  EXPECT_EQ(right.exitCode, 0) << right.err;
  EXPECT_EQ(ReadHostFile(Path("x2/Program/bin/app.exe")), "program");
}

TEST_F(QxBuildTest, WebFolderNeedsAWebBasedBuild) {
  WriteHostFile(Path("Sample/web/Program/app.exe"), "program");
  const Outcome built = Build();
  EXPECT_EQ(built.exitCode, 2);
  EXPECT_NE(built.err.find("build-mode 2"), std::string::npos) << built.err;
  EXPECT_FALSE(fs::exists(Path("out/Sample.exe")));
}

}  // namespace
}  // namespace quarrix
