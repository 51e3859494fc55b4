#include "engine/TraceLog.h"

#include <gtest/gtest.h>

#include <string>

#include "support/TempMachine.h"

namespace quarrix {
namespace {

using namespace std::string_literals;

class TraceLogTest : public ::testing::Test {
 protected:
  std::string TempFile(const std::string& name) const { return machine.system.tempPath + name; }
  std::string Contents(const std::string& path) {
    platform::FileSystem& files = machine.files;
    return files.ReadFile(path).value_or("<missing>");
  }

  testing::TempMachine temp;
  platform::sim::SimMachine& machine = temp.machine;
  TraceLog log{machine.files, machine.system};
};

TEST_F(TraceLogTest, NtFamilyWritesUtf16LittleEndianWithoutMark) {
  log.SetLogPath(TempFile("setup.log"));
  log.WriteTrace("<Quarrix>");
  log.WriteTrace("caf\xe9 \x80");
  EXPECT_EQ(Contents(TempFile("setup.log")),
            "<\0Q\0u\0a\0r\0r\0i\0x\0>\0\r\0\n\0"
            "c\0a\0f\0\xe9\0 \0\xac\x20\r\0\n\0"s);
}

TEST_F(TraceLogTest, NineXFamilyWritesAnsiText) {
  machine.system.version = {4, 10, false};
  log.SetLogPath(TempFile("setup.log"));
  log.WriteTrace("  <SetupSplash>");
  log.WriteTrace("caf\xe9 \x80");
  EXPECT_EQ(Contents(TempFile("setup.log")), "  <SetupSplash>\r\ncaf\xe9 \x80\r\n");
}

TEST_F(TraceLogTest, WritesNothingWithoutLogPathAndKeepsFirstTruncation) {
  log.WriteTrace("<Quarrix>");
  EXPECT_TRUE(machine.files.ListDirectory(machine.system.tempPath).empty());

  ASSERT_TRUE(machine.files.WriteFile(TempFile("setup.log"), "old run"));
  log.SetLogPath(TempFile("setup.log"));
  log.WriteTrace("a");
  EXPECT_EQ(Contents(TempFile("setup.log")), "a\0\r\0\n\0"s);
}

TEST_F(TraceLogTest, OnlyTheFirstFileWrittenIsTruncated) {
  ASSERT_TRUE(machine.files.WriteFile(TempFile("first.log"), "old first"));
  ASSERT_TRUE(machine.files.WriteFile(TempFile("later.log"), "old later"));

  log.SetLogPath(TempFile("first.log"));
  log.WriteTrace("1");
  log.SetLogPath(TempFile("later.log"));
  log.WriteTrace("2");
  log.SetLogPath(TempFile("first.log"));
  log.WriteTrace("3");

  EXPECT_EQ(Contents(TempFile("first.log")), "1\0\r\0\n\0" "3\0\r\0\n\0"s);
  EXPECT_EQ(Contents(TempFile("later.log")), "old later" "2\0\r\0\n\0"s);
}

TEST_F(TraceLogTest, UnopenablePathIsSkippedAndDoesNotUseUpTheTruncation) {
  const std::string folderInTheWay = TempFile("folder.log");
  ASSERT_TRUE(machine.files.CreateDirectories(folderInTheWay));
  const std::string unopenable[] = {"C:\\Missing\\Folder\\setup.log", folderInTheWay};
  for (const auto& path : unopenable) {
    SCOPED_TRACE(path);
    log.SetLogPath(path);
    EXPECT_NO_THROW(log.WriteTrace("<Quarrix>"));
    EXPECT_FALSE(machine.files.FileExists(path));
  }

  ASSERT_TRUE(machine.files.WriteFile(TempFile("setup.log"), "old run"));
  log.SetLogPath(TempFile("setup.log"));
  log.WriteTrace("x");
  EXPECT_EQ(Contents(TempFile("setup.log")), "x\0\r\0\n\0"s);
}

}  // namespace
}  // namespace quarrix
