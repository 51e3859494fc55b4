#include <gtest/gtest.h>

#include <set>
#include <thread>

#include "ArchiveTestSupport.h"

namespace quarrix::archive::testing {
namespace {

constexpr uint64_t kPlentyOfMemory = uint64_t{8} << 30;

std::string TextOf(size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string text;
  while (text.size() < size) text += "entry " + std::to_string(random() % 100000) + " of the component list\r\n";
  text.resize(size);
  return text;
}

ExtractOptions OnTwoWorkers() {
  ExtractOptions options;
  options.resources = {2, kPlentyOfMemory};
  return options;
}

// Path, kind, content and time of everything below a folder.
std::map<std::string, std::string> TreeOf(const fs::path& root) {
  std::map<std::string, std::string> tree;
  for (const auto& item : fs::recursive_directory_iterator(root)) {
    const std::string relative = fs::relative(item.path(), root).string();
    if (item.is_directory()) {
      tree[relative] = "folder";
    } else {
      tree[relative] = ReadHostFile(item.path()) + "@" +
                       std::to_string(fs::last_write_time(item.path()).time_since_epoch().count());
    }
  }
  return tree;
}

class ParallelExtractionTest : public ArchiveTest {
 protected:
  void AddManyFolders() {
    for (int i = 0; i < 6; ++i) AddFile("docs\\part" + std::to_string(i) + ".txt", TextOf(400000, i));
    AddFile("bin\\tool.exe", CodeLikeBytes(300000, 2));
    AddFile("data\\random.bin", RandomBytes(200000, 1));
    AddFile("data\\empty.dat", "");
    AddFolder("empty folder");
  }

  // Larger files, so that a stop reaches workers in the middle of their folders.
  void AddLargeFolders() {
    for (int i = 0; i < 8; ++i) AddFile("f" + std::to_string(i) + ".txt", TextOf(1500000, 10 + i));
  }

  // The entry that the first folder holds: non-solid archives keep one file per folder, in entry order.
  std::string FirstFolderEntry() const {
    for (const auto& entry : reader_.Entries()) {
      if (!entry.isDirectory && entry.size > 0) return entry.path;
    }
    return {};
  }
};

TEST_F(ParallelExtractionTest, EveryMultiFolderLayoutGivesTheTreeOfTheSerialExtraction) {
  struct Case {
    const char* name;
    const char* switches;
  };
  const Case cases[] = {
      {"non-solid", "-ms=off"},
      {"solid blocks of two files", "-ms=2f"},
      {"lzma non-solid with bcj", "-m0=LZMA -ms=off -mf=BCJ"},
      {"bcj2 non-solid", "-mx9 -ms=off"},
      {"encrypted non-solid", "-ppw -mhe=on -ms=off"},
  };
  AddManyFolders();
  const fs::path serial = Root() / "serial";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto archive = MakeArchive(std::string(c.name) + ".7z", c.switches);
    fs::remove_all(Destination());
    fs::remove_all(serial);
    ASSERT_EQ(OpenArchive(archive, GivePassword("pw")), ArchiveStatus::kOk) << reader_.LastMessage();
    ASSERT_EQ(reader_.Extract(output_, serial.string()), ArchiveStatus::kOk) << reader_.LastMessage();

    int asked = 0;
    std::thread::id askedOn;
    ASSERT_EQ(OpenArchive(archive, [&](std::string& out) {
                ++asked;
                askedOn = std::this_thread::get_id();
                out = "pw";
                return true;
              }),
              ArchiveStatus::kOk);
    ASSERT_EQ(ExtractAll(OnTwoWorkers()), ArchiveStatus::kOk) << reader_.LastMessage();
    ExpectExtracted();
    EXPECT_EQ(TreeOf(Destination()), TreeOf(serial));
    EXPECT_TRUE(fs::is_directory(Destination() / "empty folder"));
    if (std::string(c.switches).find("-p") != std::string::npos) {
      EXPECT_EQ(asked, 1);
      EXPECT_EQ(askedOn, std::this_thread::get_id());
    }
  }
}

TEST_F(ParallelExtractionTest, CallbacksStayOnTheCallingThreadAndProgressRisesToTheTotal) {
  AddManyFolders();
  ASSERT_EQ(OpenArchive(MakeArchive("many.7z", "-ms=off")), ArchiveStatus::kOk);
  WriteHostFile(Destination() / "docs/part3.txt", "the user's own");
  std::set<std::thread::id> callbackThreads;
  std::vector<std::string> asked;
  std::vector<uint64_t> done;
  uint64_t reportedTotal = 0;
  ExtractOptions options = OnTwoWorkers();
  options.overwrite = [&](const std::string& path) {
    callbackThreads.insert(std::this_thread::get_id());
    asked.push_back(path);
    return kOverwriteSkip;
  };
  options.progress = [&](const std::string&, uint64_t bytes, uint64_t total) {
    callbackThreads.insert(std::this_thread::get_id());
    done.push_back(bytes);
    reportedTotal = total;
    return true;
  };
  ASSERT_EQ(ExtractAll(options), ArchiveStatus::kOk) << reader_.LastMessage();

  uint64_t expectedTotal = 0;
  for (const auto& [path, content] : Files()) expectedTotal += content.size();
  EXPECT_EQ(callbackThreads, std::set<std::thread::id>{std::this_thread::get_id()});
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_NE(asked[0].find("part3.txt"), std::string::npos);
  EXPECT_EQ(ReadHostFile(Destination() / "docs/part3.txt"), "the user's own");
  ASSERT_FALSE(done.empty());
  EXPECT_TRUE(std::is_sorted(done.begin(), done.end()));
  EXPECT_EQ(reportedTotal, expectedTotal);
  EXPECT_EQ(done.back(), expectedTotal);  // the skipped file's bytes count as done
}

// A failure in one folder, or a cancel, must not let the other worker carry on to the end.
TEST_F(ParallelExtractionTest, DamagedFolderOrCancelStopsEveryWorkerAndLeavesOnlyWholeFiles) {
  AddLargeFolders();
  const fs::path good = MakeArchive("large.7z", "-ms=off");
  std::string damaged = ReadHostFile(good);
  damaged[32 + 100] ^= 0x55;  // inside the first folder's packed data, which follows the start header
  WriteHostFile(Root() / "damaged.7z", damaged);
  struct Case {
    const char* name;
    fs::path archive;
    bool cancelAfterFirstFile;
    ArchiveStatus expected;
  };
  const Case cases[] = {{"damaged first folder", Root() / "damaged.7z", false, ArchiveStatus::kCorrupt},
                        {"cancel", good, true, ArchiveStatus::kCancelled}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(Destination());
    ASSERT_EQ(OpenArchive(c.archive), ArchiveStatus::kOk);
    const std::string first = FirstFolderEntry();
    int reportsAfterCancel = 0;
    bool cancelled = false;
    ExtractOptions options = OnTwoWorkers();
    options.progress = [&](const std::string&, uint64_t done, uint64_t) {
      if (cancelled) ++reportsAfterCancel;
      cancelled = c.cancelAfterFirstFile && done >= 1500000;
      return !cancelled;
    };
    EXPECT_EQ(ExtractAll(options), c.expected);
    EXPECT_EQ(reportsAfterCancel, 0);
    if (!c.cancelAfterFirstFile) {
      EXPECT_FALSE(fs::exists(Destination() / HostRelative(first)));
    }
    size_t whole = 0;
    for (const auto& [path, content] : Files()) whole += fs::exists(Destination() / HostRelative(path)) ? 1 : 0;
    EXPECT_LT(whole, Files().size() / 2) << "the workers went on after the stop";
    ExpectNothingWrong();  // temporary files included
  }
}

}  // namespace
}  // namespace quarrix::archive::testing
