// Web-based setups run whole on the simulated machine, fetching their blocks from the local
// test server.
#include "media/FetchWebMedia.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "support/HttpTestServer.h"
#include "support/ScriptRunner.h"

namespace quarrix {
namespace {

namespace fs = std::filesystem;

constexpr const char* kRevision = "{11111111-2222-3333-4444-555555555555}";

size_t Count(const std::vector<std::string>& log, const std::string& needle) {
  size_t n = 0;
  for (const std::string& line : log) n += line.find(needle) != std::string::npos;
  return n;
}

// Block1.7zip holds Block1\app.txt and Block1\docs\readme.txt.
std::string MakeBlock(const fs::path& work) {
  const fs::path source = work / "block-source";
  fs::create_directories(source / "Block1" / "docs");
  // Incompressible, so that the archive is long enough to be cut.
  std::mt19937 random(12);
  std::string app(200000, '\0');
  for (char& c : app) c = static_cast<char>(random());
  std::ofstream(source / "Block1" / "app.txt", std::ios::binary) << app << "end";
  std::ofstream(source / "Block1" / "docs" / "readme.txt", std::ios::binary) << "readme";
  const fs::path archive = work / "Block1.7zip";
  const std::string command = "cd '" + source.string() + "' && 7z a -t7z -mx1 '" + archive.string() +
                              "' Block1 >/dev/null 2>&1";
  if (std::system(command.c_str()) != 0) return {};
  std::ifstream in(archive, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string Script(const std::string& addresses, const std::string& extra = "") {
  return std::string("[setup]\nbuild-mode = 2\nrevision-code = ") + kRevision +
         "\n[script]\nSet Variable: ABORTONERROR FALSE\n" + extra + "Web Media Block: Block1 \"" + addresses +
         "\"\nInstall Files: a b $TARGETDIR$ @media=Block1\\\nInstall Files: c d $TARGETDIR$ @media=Block1\\\n";
}

class FetchWebMediaTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::system("command -v 7z >/dev/null 2>&1") != 0) GTEST_SKIP() << "7z is not installed";
    block = MakeBlock(work.Path());
    ASSERT_FALSE(block.empty());
    server.Serve("Block1.7zip", block);
  }

  // Runs the script silently (the retry forms answer as silent runs do) on a machine whose system
  // downloader is there or not.
  std::unique_ptr<testing::ScriptRunner> RunScript(const std::string& source, bool systemDownloader = false,
                                                   const std::string& arguments = "/qn") {
    auto runner = std::make_unique<testing::ScriptRunner>(source, arguments);
    runner->machine.internet.systemDownloader = systemDownloader;
    prepare(*runner);
    runner->Run();
    return runner;
  }

  static std::string DataFolder(testing::ScriptRunner& runner) { return runner.Var("DATADIR"); }
  static bool Complete(testing::ScriptRunner& runner) {
    return runner.machine.files.FileExists(DataFolder(runner) + "Block1\\" + kRevision);
  }
  static std::vector<std::string> Errors(testing::ScriptRunner& runner) {
    std::vector<std::string> texts;
    for (const auto& shown : runner.machine.ui.shown) texts.push_back(shown.text);
    return texts;
  }

  testing::TempFolder work;
  testing::HttpTestServer server{work.Path()};
  std::string block;
  std::function<void(testing::ScriptRunner&)> prepare = [](testing::ScriptRunner&) {};
};

TEST_F(FetchWebMediaTest, BlockIsExtractedIntoItsFolderWithTheMarkerOnce) {
  for (bool systemDownloader : {false, true}) {
    SCOPED_TRACE(systemDownloader ? "system downloader" : "HTTP client");
    auto runner = RunScript(Script(server.Url("Block1.7zip")), systemDownloader);
    platform::sim::SimFileSystem& files = runner->machine.files;
    const std::string folder = DataFolder(*runner) + "Block1\\";
    EXPECT_EQ(files.ReadFile(folder + "docs\\readme.txt"), "readme");
    EXPECT_EQ(files.FileSize(folder + "app.txt"), 200003u);
    EXPECT_TRUE(Complete(*runner));
    EXPECT_FALSE(files.FileExists(DataFolder(*runner) + "Block1.7zip")) << "the download goes once extracted";
    EXPECT_EQ(runner->Var("ABORTEDONERROR"), "FALSE");
    EXPECT_TRUE(Errors(*runner).empty());
  }
  // Each run fetched once: the second line found the marker.
  EXPECT_EQ(Count(server.Requests(), "\"GET\""), 2u);
}

TEST_F(FetchWebMediaTest, APluginLineFetchesItsBlockBeforeItLoadsTheLibraryFromIt) {
  prepare = [](testing::ScriptRunner& runner) {
    runner.machine.plugins.plugins.push_back(platform::sim::SimPlugin{"app.txt", platform::PluginOutcome::Returned,
                                                                      false, {"GREETED=$DATA$"}});
  };
  auto runner = RunScript(std::string("[setup]\nbuild-mode = 2\nplugin-command = Greet\nrevision-code = ") +
                          kRevision + "\n[script]\nSet Variable: ABORTONERROR FALSE\nWeb Media Block: Block1 \"" +
                          server.Url("Block1.7zip") + "\"\nGreet: hello app.txt @media=Block1\\\n");
  EXPECT_TRUE(Complete(*runner));
  EXPECT_EQ(runner->Var("GREETED"), "hello");
  ASSERT_EQ(runner->machine.plugins.Calls().size(), 1u);
  EXPECT_EQ(runner->machine.plugins.Calls()[0].libraryPath, DataFolder(*runner) + "Block1\\app.txt");
}

TEST_F(FetchWebMediaTest, CutConnectionResumesWithARangedRequest) {
  server.Control(R"({"cut_after": {"/Block1.7zip": 30000}})");
  auto runner = RunScript(Script(server.Url("Block1.7zip")));
  EXPECT_TRUE(Complete(*runner));
  EXPECT_EQ(Count(server.Requests(), "\"range\": \"bytes=30000-\""), 1u);
}

// The addresses are lines of the one parameter, joined by "$NEWLINE$".
TEST_F(FetchWebMediaTest, NextAddressIsTriedWhenOneFails) {
  server.Serve("Other.7zip", block);
  server.Control(R"({"status": {"/Block1.7zip": 500}})");
  auto runner = RunScript(Script(server.Url("missing.7zip") + "$NEWLINE$" + server.Url("Block1.7zip") + "$NEWLINE$" +
                                 server.Url("Other.7zip")));
  EXPECT_TRUE(Complete(*runner));
  const auto log = server.Requests();
  EXPECT_EQ(Count(log, "/missing.7zip"), 1u) << "a HEAD that fails ends the address";
  EXPECT_EQ(Count(log, "\"GET\", \"path\": \"/Other.7zip\""), 1u);
}

TEST_F(FetchWebMediaTest, ServerIgnoringRangesStillGivesTheBlock) {
  server.Control(R"({"cut_after": {"/Block1.7zip": 30000}, "ignore_ranges": true})");
  auto runner = RunScript(Script(server.Url("Block1.7zip")));
  EXPECT_TRUE(Complete(*runner));
}

// A block whose CRCs fail is not accepted, and the corrupt download is not kept to resume from.
TEST_F(FetchWebMediaTest, CorruptBlockIsNeverAccepted) {
  std::string corrupt = block;
  corrupt[corrupt.size() / 3] ^= 0x55;
  server.Serve("Block1.7zip", corrupt);
  auto runner = RunScript(Script(server.Url("Block1.7zip")));
  EXPECT_FALSE(Complete(*runner));
  EXPECT_FALSE(runner->machine.files.FileExists(DataFolder(*runner) + "Block1\\app.txt"));
  EXPECT_FALSE(runner->machine.files.FileExists(DataFolder(*runner) + "Block1.7zip"));
  ASSERT_FALSE(Errors(*runner).empty()) << "the error is shown in silent runs too";
  EXPECT_EQ(Errors(*runner)[0], "Unable to extract installation data downloaded from the web");
  EXPECT_EQ(runner->Var("ABORTEDONERROR"), "TRUE");
  EXPECT_EQ(runner->Var("VELD_IsCancelled"), "TRUE");
}

TEST_F(FetchWebMediaTest, SilentRunGivesUpAfterAFailedDownload) {
  server.Control(R"({"status": {"/Block1.7zip": 404}})");
  auto runner = RunScript(Script(server.Url("Block1.7zip")));
  EXPECT_FALSE(Complete(*runner));
  ASSERT_EQ(Errors(*runner).size(), 1u) << "the second line does not fetch once ABORTEDONERROR is set";
  EXPECT_EQ(Errors(*runner)[0], "Unable to download installation data from the web");
  EXPECT_EQ(runner->Var("ABORTEDONERROR"), "TRUE");
}

TEST_F(FetchWebMediaTest, LocalBlockCopyBesideTheSetupIsUsedAndKept) {
  prepare = [this](testing::ScriptRunner& runner) {
    runner.machine.files.CreateDirectories("C:\\Setup");
    runner.machine.files.WriteFile("C:\\Setup\\Block1.7zip", block);
  };
  auto runner = RunScript(Script(server.Url("Block1.7zip")));
  EXPECT_TRUE(Complete(*runner));
  EXPECT_TRUE(runner->machine.files.FileExists("C:\\Setup\\Block1.7zip"));
  EXPECT_TRUE(server.Requests().empty());
}

// Interactive: the extraction form's "fresh copy" replaces a damaged local copy by a download.
TEST_F(FetchWebMediaTest, FreshCopyAfterAFailedLocalCopyDownloads) {
  prepare = [](testing::ScriptRunner& runner) {
    runner.machine.files.CreateDirectories("C:\\Setup");
    runner.machine.files.WriteFile("C:\\Setup\\Block1.7zip", "not an archive at all");
    runner.machine.toolkit.answers = {"OK"};
  };
  auto runner = RunScript(Script(server.Url("Block1.7zip")), false, "");
  EXPECT_TRUE(Complete(*runner));
  EXPECT_EQ(Count(server.Requests(), "\"GET\""), 1u);
  EXPECT_TRUE(runner->machine.files.FileExists("C:\\Setup\\Block1.7zip"));
}

// ALLUSERS changes the cache root: what was fetched moves along and is not fetched again.
TEST_F(FetchWebMediaTest, FetchedBlocksFollowTheDataFolderWhenAllUsersChanges) {
  auto runner = RunScript(std::string("[setup]\nbuild-mode = 2\nrevision-code = ") + kRevision +
                          "\n[script]\nSet Variable: ALLUSERS TRUE\nWeb Media Block: Block1 " + server.Url("Block1.7zip") +
                          "\nInstall Files: a b $TARGETDIR$ @media=Block1\\\nSet Variable: FIRST $ENGINECACHE$\n"
                          "Set Variable: ALLUSERS FALSE\nInstall Files: a b $TARGETDIR$ @media=Block1\\\n");
  const std::string first = runner->Var("FIRST");
  const std::string second = runner->Var("ENGINECACHE");
  ASSERT_NE(first, second);
  platform::sim::SimFileSystem& files = runner->machine.files;
  EXPECT_TRUE(files.FileExists(second + "Block1\\docs\\readme.txt"));
  EXPECT_TRUE(files.FileExists(second + "Block1\\" + kRevision));
  EXPECT_FALSE(files.DirectoryExists(first + "Block1"));
  EXPECT_EQ(Count(server.Requests(), "\"GET\""), 1u);
}

TEST_F(FetchWebMediaTest, BlockNameThatNamesAPathIsRefused) {
  auto runner = RunScript(std::string("[setup]\nbuild-mode = 2\nrevision-code = ") + kRevision +
                          "\n[script]\nWeb Media Block: ..\\..\\Windows " + server.Url("Block1.7zip") + "\n");
  EXPECT_NE(runner->session.runtimeErrorReport.find("legal file name"), std::string::npos)
      << runner->session.runtimeErrorReport;
  EXPECT_TRUE(server.Requests().empty());
}

}  // namespace
}  // namespace quarrix
