#include "engine/AppendedData.h"

#include <gtest/gtest.h>

#include "startup/PayloadReader.h"
#include "startup/PayloadSamples.h"
#include "startup/PayloadWriter.h"
#include "startup/PeImageBuilder.h"
#include "engine/TraceTags.h"
#include "support/TempMachine.h"

namespace quarrix {
namespace {

// Ends at 0x2400; the last header is not the highest.
const std::string kImage = testing::MakePeImage({{0x400, 0x1000}, {0x1400, 0x1000}, {0x800, 0x200}},
                                                testing::kPe32PlusOptionalHeaderSize);
constexpr uint32_t kImageEnd = 0x2400;

class StartupFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(kImage.size(), kImageEnd);
    ASSERT_TRUE(files.CreateDirectories(kSetupFolder));
    // ANSI trace lines keep the log readable as bytes.
    temp.machine.system.version.ntFamily = false;
    trace.SetLogPath(kSetupFolder + "trace.log");
  }

  std::string Read(const std::string& path) { return files.ReadFile(path).value_or("<missing>"); }

  StringList TraceLines() {
    StringList lines;
    std::string log = files.ReadFile(trace.LogPath()).value_or("");
    for (size_t start = 0, end; (end = log.find("\r\n", start)) != std::string::npos; start = end + 2)
      lines.push_back(log.substr(start, end - start));
    return lines;
  }

  bool TempCopyExists() { return files.FileExists(tempFolder + "zvk.tmp"); }

  bool ReadFrom(const std::string& executableBytes, ScriptPayload& payload) {
    EXPECT_TRUE(files.WriteFile(kExecutable, executableBytes));
    return ReadPayload(files, trace, kExecutable, tempFolder, payload);
  }

  const std::string kSetupFolder = "C:\\Setup\\";
  const std::string kExecutable = kSetupFolder + "setup.exe";
  testing::TempMachine temp;
  platform::sim::SimFileSystem& files = temp.machine.files;
  std::string tempFolder = temp.machine.system.tempPath;
  TraceLog trace{temp.machine.files, temp.machine.system};
};

TEST_F(StartupFilesTest, ReadPayloadReadsWhatFollowsTheStubAndCleansUp) {
  const ScriptPayload expected = testing::MakeFullPayload();
  ScriptPayload payload;
  ASSERT_TRUE(ReadFrom(kImage + WritePayload(expected) + std::string(512, '\0') + "signature", payload));
  EXPECT_EQ(payload, expected);
  EXPECT_FALSE(TempCopyExists());
  const StringList tags(std::initializer_list<std::string>{
      std::string(kTagStubSizeOpen), std::string(kTagStubSizeClose), std::string(kTagStubDataOpen),
      std::string(kTagStubDataClose), std::string(kTagGlobalListsOpen), std::string(kTagGlobalListsClose)});
  EXPECT_EQ(TraceLines(), tags);
  EXPECT_EQ(TraceLines().front(), "    <StubSize>");
}

TEST_F(StartupFilesTest, AnImageWithNothingBehindItHasNoPayload) {
  ScriptPayload payload = testing::MakeFullPayload();
  EXPECT_FALSE(ReadFrom(kImage, payload));
  EXPECT_EQ(payload, testing::MakeFullPayload());  // untouched
  EXPECT_FALSE(TempCopyExists());
  EXPECT_EQ(TraceLines(), StringList{"    <StubSize>"});  // the step stays open
}

TEST_F(StartupFilesTest, ReadPayloadFailuresAreErrorsAndLeaveNoTempCopy) {
  struct Case {
    const char* name;
    std::string executable;  // empty: no file at all
    bool removeTempFolder = false;
  };
  const std::vector<Case> cases = {
      {"one byte behind the stub is a truncated payload", kImage + "x"},
      {"malformed integer", kImage + ReplaceAll(WritePayload(ScriptPayload{}), "\r\n1252\r\n", "\r\ncp\r\n")},
      {"no executable", ""},
      {"not an image", std::string(4096, 'A')},
      {"shorter than its own image", kImage.substr(0, kImageEnd - 1)},
      {"temporary folder missing (last: it stays removed)", kImage + WritePayload(ScriptPayload{}), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    files.RemoveFile(kExecutable);
    if (!c.executable.empty()) {
      ASSERT_TRUE(files.WriteFile(kExecutable, c.executable));
    }
    if (c.removeTempFolder) {
      ASSERT_TRUE(files.RemoveEmptyDirectory(tempFolder));
    }
    ScriptPayload payload;
    EXPECT_THROW(ReadPayload(files, trace, kExecutable, tempFolder, payload), std::runtime_error);
    EXPECT_FALSE(TempCopyExists());
  }
}

TEST_F(StartupFilesTest, ExtractAppendedDataWritesWhatFollowsTheStub) {
  const std::string library = kSetupFolder + "zvk.lib";
  const std::string output = tempFolder + "lang.loc";
  struct Case {
    const char* name;
    std::string appended;
    uint32_t sizeOverride;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"language file", "LANGUAGE FILE\r\n\0\xFF", 0, "LANGUAGE FILE\r\n\0\xFF"},
      {"one byte", "L", 0, "L"},
      {"override measures from its own size", "TAIL", kImageEnd - 2, kImage.substr(kImageEnd - 2) + "TAIL"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    files.RemoveFile(output);
    ASSERT_TRUE(files.WriteFile(library, kImage + c.appended));
    EXPECT_TRUE(ExtractAppendedData(files, library, output, c.sizeOverride));
    EXPECT_EQ(Read(output), c.expected);
  }
}

TEST_F(StartupFilesTest, ExtractAppendedDataReportsNothingToExtract) {
  const std::string library = kSetupFolder + "zvk.lib";
  struct Case {
    const char* name;
    std::string bytes;  // empty: no file
    uint32_t sizeOverride;
    std::string output;
  };
  const std::string output = tempFolder + "lang.loc";
  const std::vector<Case> cases = {
      {"nothing behind the stub", kImage, 0, output},
      {"override at the end of the file", kImage + "abc", kImageEnd + 3, output},
      {"override past the end of the file", kImage + "abc", kImageEnd + 100, output},
      {"no library", "", 0, output},
      {"not an image", std::string(300, 'Z'), 0, output},
      {"output folder missing", kImage + "abc", 0, "C:\\Missing\\lang.loc"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    files.RemoveFile(library);
    if (!c.bytes.empty()) {
      ASSERT_TRUE(files.WriteFile(library, c.bytes));
    }
    EXPECT_FALSE(ExtractAppendedData(files, library, c.output, c.sizeOverride));
    EXPECT_FALSE(files.FileExists(c.output));
  }
}

TEST_F(StartupFilesTest, AttachStubBuildsASetupTheReaderAccepts) {
  const std::string payloadPath = kSetupFolder + "light.qxp";
  const std::string payloadText = WritePayload(testing::MakeFullPayload());
  // The running setup carries its own payload and padding; only its stub is copied.
  ASSERT_TRUE(files.WriteFile(kExecutable, kImage + WritePayload(ScriptPayload{}) + std::string(64, '\0')));
  ASSERT_TRUE(files.WriteFile(payloadPath, payloadText));

  ASSERT_TRUE(AttachStub(files, kExecutable, payloadPath));
  EXPECT_EQ(Read(payloadPath), kImage + payloadText);
  EXPECT_EQ(Read(payloadPath + ".nox"), payloadText);
  EXPECT_FALSE(files.FileExists(payloadPath + ".to"));

  ScriptPayload payload;
  ASSERT_TRUE(ReadPayload(files, trace, payloadPath, tempFolder, payload));
  EXPECT_EQ(payload, testing::MakeFullPayload());
}

TEST_F(StartupFilesTest, AttachStubFailsWithoutLeavingPartsBehind) {
  const std::string payloadPath = kSetupFolder + "light.qxp";
  struct Case {
    const char* name;
    std::string executable;  // empty: no file
    bool payloadExists;
    bool keptCopyExists;
  };
  const std::vector<Case> cases = {
      {"no running executable", "", true, false},
      {"running executable not an image", std::string(500, 'A'), true, false},
      {"running executable shorter than its image", kImage.substr(0, 0x2000), true, false},
      {"no payload file", kImage, false, false},
      {"kept copy already there", kImage, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (const std::string& path : {kExecutable, payloadPath, payloadPath + ".nox"}) files.RemoveFile(path);
    if (!c.executable.empty()) {
      ASSERT_TRUE(files.WriteFile(kExecutable, c.executable));
    }
    if (c.payloadExists) {
      ASSERT_TRUE(files.WriteFile(payloadPath, "PAYLOAD"));
    }
    if (c.keptCopyExists) {
      ASSERT_TRUE(files.WriteFile(payloadPath + ".nox", "OLDER"));
    }

    EXPECT_FALSE(AttachStub(files, kExecutable, payloadPath));
    EXPECT_FALSE(files.FileExists(payloadPath + ".to"));
    if (c.payloadExists) {
      EXPECT_EQ(Read(payloadPath), "PAYLOAD");
    }
    if (c.keptCopyExists) {
      EXPECT_EQ(Read(payloadPath + ".nox"), "OLDER");
    }
  }
}

}  // namespace
}  // namespace quarrix
