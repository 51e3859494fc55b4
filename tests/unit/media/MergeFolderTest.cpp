#include "media/MergeFolder.h"

#include <gtest/gtest.h>

#include <string>

#include "media/ExtractionProgress.h"
#include "support/TempMachine.h"

namespace quarrix {
namespace {

class MergeFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    files.CreateDirectories("C:\\Work\\block\\deep\\er");
    files.CreateDirectories("C:\\Target\\deep");
    files.WriteFile("C:\\Work\\block\\top.txt", "top");
    files.WriteFile("C:\\Work\\block\\deep\\mid.txt", "mid");
    files.WriteFile("C:\\Work\\block\\deep\\er\\low.txt", "low");
    files.WriteFile("C:\\Target\\deep\\mid.txt", "old");
    files.WriteFile("C:\\Target\\keep.txt", "keep");
  }

  testing::TempMachine temp;
  platform::sim::SimFileSystem& files = temp.machine.files;
};

TEST_F(MergeFolderTest, EveryLevelArrivesAndExistingTargetsAreReplaced) {
  for (bool move : {false, true}) {
    SCOPED_TRACE(move ? "move" : "copy");
    SetUp();
    ASSERT_TRUE(MergeFolder(files, "C:\\Work\\block", "C:\\Target\\", move));
    EXPECT_EQ(files.ReadFile("C:\\Target\\top.txt"), "top");
    EXPECT_EQ(files.ReadFile("C:\\Target\\deep\\mid.txt"), "mid");
    EXPECT_EQ(files.ReadFile("C:\\Target\\deep\\er\\low.txt"), "low");
    EXPECT_EQ(files.ReadFile("C:\\Target\\keep.txt"), "keep");
    // A move leaves no source behind; a copy leaves it whole.
    EXPECT_EQ(files.DirectoryExists("C:\\Work\\block"), !move);
    EXPECT_EQ(files.FileExists("C:\\Work\\block\\deep\\er\\low.txt"), !move);
  }
}

TEST_F(MergeFolderTest, MoveReplacesAReadOnlyTarget) {
  // Read-only on the simulated drive is the host's permission bit.
  const auto host = *files.HostPath("C:\\Target\\deep\\mid.txt");
  std::filesystem::permissions(host, std::filesystem::perms::owner_write, std::filesystem::perm_options::remove);
  ASSERT_TRUE(MergeFolder(files, "C:\\Work\\block\\", "C:\\Target", true));
  EXPECT_EQ(files.ReadFile("C:\\Target\\deep\\mid.txt"), "mid");
}

TEST_F(MergeFolderTest, FirstFailureEndsTheWalkAndKeepsTheSource) {
  // A folder where a file has to go: the file cannot be placed.
  files.CreateDirectories("C:\\Target\\top.txt");
  EXPECT_FALSE(MergeFolder(files, "C:\\Work\\block", "C:\\Target", true));
  EXPECT_TRUE(files.FileExists("C:\\Work\\block\\top.txt"));
  EXPECT_TRUE(files.DirectoryExists("C:\\Work\\block"));
}

TEST(ExtractionProgressTest, PercentagesAndText) {
  struct Case {
    uint64_t done, total;
    int percent;
  };
  for (const Case& c : std::vector<Case>{{0, 0, 100},
                                         {0, 100, 1},
                                         {50, 100, 51},
                                         {98, 100, 99},
                                         {99, 100, 100},
                                         {100, 100, 100},
                                         {1, 3, 34},
                                         {UINT64_MAX / 2, UINT64_MAX, 50},
                                         {UINT64_MAX, UINT64_MAX, 100}}) {
    SCOPED_TRACE(std::to_string(c.done) + " of " + std::to_string(c.total));
    EXPECT_EQ(ExtractionPercent(c.done, c.total), c.percent);
  }
  EXPECT_EQ(ExtractionProgressText("", "dir\\sub\\file.txt", 51, "% complete"), "file.txt, 51% complete");
  EXPECT_EQ(ExtractionProgressText("Extracting Web Media: \r", "top.bin", 7, "% fertig"),
            "Extracting Web Media: \rtop.bin, 7% fertig");
}

}  // namespace
}  // namespace quarrix
