#include "archive/ArchiveReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "ArchiveTestSupport.h"

namespace quarrix::archive::testing {
namespace {

class ArchiveMethodsTest : public ArchiveTest {
 protected:
  void AddMixedTree() {
    AddFile("readme.txt", [] {
      std::string text;
      for (int i = 0; i < 20000; ++i) text += "line " + std::to_string(i) + " of the setup notes\r\n";
      return text;
    }());
    AddFile("data\\random.bin", RandomBytes(200000, 1));
    AddFile("bin\\tool.exe", CodeLikeBytes(300000, 2));
    AddFile("bin\\empty.dat", "");
    AddFile("data\\deep\\small.txt", "x");
    AddFolder("empty folder");
  }
};

struct MethodCase {
  const char* name;
  const char* switches;
  const char* methodInListing;  // proves the archive really uses what the case is about
};

TEST_F(ArchiveMethodsTest, EveryMethodAndLayoutExtractsByteForByte) {
  const MethodCase cases[] = {
      {"copy", "-m0=Copy", "Copy"},
      {"lzma", "-m0=LZMA", "LZMA:"},
      {"lzma2", "-m0=LZMA2", "LZMA2"},
      {"fastest", "-mx1", "LZMA2"},
      {"ultra with bcj2", "-mx9", "BCJ2"},
      {"bcj filter", "-mf=BCJ", "BCJ"},
      {"non-solid", "-ms=off", "LZMA2"},
      {"solid blocks of two files", "-ms=2f", "LZMA2"},
      {"lzma non-solid with bcj", "-m0=LZMA -ms=off -mf=BCJ", "BCJ"},
  };
  AddMixedTree();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto archive = MakeArchive(std::string(c.name) + ".7z", c.switches);
    ASSERT_NE(Methods(archive).find(c.methodInListing), std::string::npos);
    fs::remove_all(Destination());
    ASSERT_EQ(OpenArchive(archive), ArchiveStatus::kOk) << reader_.LastMessage();
    ASSERT_EQ(ExtractAll(), ArchiveStatus::kOk) << reader_.LastMessage();
    ExpectExtracted();
    EXPECT_TRUE(fs::is_directory(Destination() / "empty folder"));
  }
}

TEST_F(ArchiveMethodsTest, EntriesListPathsWithBackslashesSizesAndKinds) {
  AddMixedTree();
  ASSERT_EQ(OpenArchive(MakeArchive("list.7z", "-ms=off")), ArchiveStatus::kOk);
  std::map<std::string, const ArchiveEntry*> byPath;
  for (const auto& entry : reader_.Entries()) byPath[entry.path] = &entry;
  for (const auto& [path, content] : Files()) {
    SCOPED_TRACE(path);
    ASSERT_TRUE(byPath.count(path));
    EXPECT_FALSE(byPath[path]->isDirectory);
    EXPECT_EQ(byPath[path]->size, content.size());
  }
  for (const char* folder : {"bin", "data", "data\\deep", "empty folder"}) {
    ASSERT_TRUE(byPath.count(folder)) << folder;
    EXPECT_TRUE(byPath[folder]->isDirectory);
  }
}

TEST_F(ArchiveMethodsTest, FileOfExactlyOneDictionaryAndLargerWrapTheWindow) {
  AddFile("one dictionary.bin", RandomBytes(64 * 1024, 3).substr(0, 32 * 1024) + std::string(32 * 1024, 'z'));
  AddFile("three dictionaries.bin", CodeLikeBytes(3 * 64 * 1024 + 17, 4));
  for (const char* method : {"-m0=LZMA:d=64k", "-m0=LZMA2:d=64k"}) {
    SCOPED_TRACE(method);
    fs::remove_all(Destination());
    ASSERT_EQ(OpenArchive(MakeArchive(std::string("dict") + (method + 6) + ".7z", method)), ArchiveStatus::kOk);
    ASSERT_EQ(ExtractAll(), ArchiveStatus::kOk) << reader_.LastMessage();
    ExpectExtracted();
  }
}

TEST_F(ArchiveMethodsTest, EmptyArchiveHasNoEntriesAndExtractsNothing) {
  AddFile("gone.txt", "soon deleted");
  const auto archive = MakeArchive("empty.7z", "");
  ASSERT_EQ(std::system(("7z d -bd '" + archive.string() + "' gone.txt >/dev/null").c_str()), 0);
  files_.clear();
  ASSERT_EQ(OpenArchive(archive), ArchiveStatus::kOk) << reader_.LastMessage();
  EXPECT_TRUE(reader_.Entries().empty());
  EXPECT_EQ(ExtractAll(), ArchiveStatus::kOk);
}

TEST_F(ArchiveMethodsTest, TimesAndAttributesCarryOver) {
  AddFile("dated.txt", "dated");
  AddFile("locked.txt", "read only");
  ASSERT_EQ(std::system(("touch -d '2021-03-04 05:06:07 UTC' '" + (Source() / "dated.txt").string() + "'").c_str()), 0);
  fs::permissions(Source() / "locked.txt", fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  ASSERT_EQ(OpenArchive(MakeArchive("stamps.7z", "")), ArchiveStatus::kOk);
  for (const auto& entry : reader_.Entries()) {
    SCOPED_TRACE(entry.path);
    ASSERT_TRUE(entry.modified && entry.attributes);
    if (entry.path == "dated.txt") {
      // 2021-03-04 05:06:07 UTC in 100 ns ticks since 1601.
      EXPECT_EQ(*entry.modified, (uint64_t{1614834367} + 11644473600u) * 10000000u);
      EXPECT_EQ(*entry.attributes & 1u, 0u);
    } else {
      EXPECT_EQ(*entry.attributes & 1u, 1u);  // read-only
    }
  }
  ASSERT_EQ(ExtractAll(), ArchiveStatus::kOk);
  const auto written = fs::last_write_time(Destination() / "dated.txt");
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(
      std::chrono::file_clock::to_sys(written).time_since_epoch());
  EXPECT_EQ(seconds.count(), 1614834367);
}

TEST_F(ArchiveTest, NamesBecomeCodePageTextAndUnmappableNamesAreRefused) {
  AddFile("caf\xC3\xA9 \xE2\x82\xAC.txt", "western");  // "café €.txt" as the host writes it
  ASSERT_EQ(OpenArchive(MakeArchive("western.7z", "")), ArchiveStatus::kOk);
  ASSERT_EQ(reader_.Entries().size(), 1u);
  EXPECT_EQ(reader_.Entries()[0].path, "caf\xE9 \x80.txt");
  ASSERT_EQ(ExtractAll(), ArchiveStatus::kOk);
  ExpectExtracted();

  files_.clear();
  fs::remove_all(Source());
  fs::remove_all(Destination());
  AddFile("\xD1\x84\xD0\xB0\xD0\xB9\xD0\xBB.txt", "cyrillic");  // no cp1252 form
  ASSERT_EQ(OpenArchive(MakeArchive("cyrillic.7z", "")), ArchiveStatus::kOk);
  EXPECT_EQ(reader_.Entries()[0].path, "????.txt");
  EXPECT_EQ(ExtractAll(), ArchiveStatus::kUnsafeEntryPath);
  EXPECT_FALSE(fs::exists(Destination()) && !fs::is_empty(Destination()));
}

class ArchiveEncryptionTest : public ArchiveTest {
 protected:
  void SetUp() override {
    ArchiveTest::SetUp();
    if (IsSkipped()) return;
    AddFile("secret\\plan.txt", std::string(50000, 'p') + "end");
    AddFile("secret\\noise.bin", RandomBytes(70000, 5));
    AddFile("open.txt", "readable");
  }
};

TEST_F(ArchiveEncryptionTest, RightPasswordExtractsDataAndHeadersAskingOnce) {
  for (const char* switches : {"-pS3cr\xC3\xA9t", "-pS3cr\xC3\xA9t -mhe=on", "-pS3cr\xC3\xA9t -ms=off"}) {
    SCOPED_TRACE(switches);
    fs::remove_all(Destination());
    const auto archive = MakeArchive("locked.7z", switches);
    int asked = 0;
    ASSERT_EQ(OpenArchive(archive, GivePassword("S3cr\xE9t", &asked)), ArchiveStatus::kOk) << reader_.LastMessage();
    ASSERT_EQ(ExtractAll(), ArchiveStatus::kOk) << reader_.LastMessage();
    ExpectExtracted();
    EXPECT_EQ(asked, 1);
    fs::remove(archive);
  }
}

TEST_F(ArchiveEncryptionTest, WrongOrMissingPasswordFailsAsUnsupportedAndLeavesNoFile) {
  const auto dataOnly = MakeArchive("data.7z", "-psecret");
  const auto withHeader = MakeArchive("header.7z", "-psecret -mhe=on");
  struct Case {
    const char* name;
    fs::path archive;
    PasswordProvider password;
    bool opens;
  };
  const Case cases[] = {
      {"wrong password, data", dataOnly, GivePassword("Secret"), true},
      {"no password, data", dataOnly, {}, true},
      {"wrong password, header", withHeader, GivePassword("secreT"), false},
      {"refused password, header", withHeader, [](std::string&) { return false; }, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(Destination());
    const ArchiveStatus opened = OpenArchive(c.archive, c.password);
    if (!c.opens) {
      EXPECT_EQ(opened, ArchiveStatus::kUnsupportedOrWrongPassword);
      continue;
    }
    ASSERT_EQ(opened, ArchiveStatus::kOk);
    EXPECT_EQ(ExtractAll(), ArchiveStatus::kUnsupportedOrWrongPassword);
    // Files are written in header order; whatever came before the encrypted data must be exact.
    ExpectNothingWrong();
  }
}

class ArchiveExtractOptionsTest : public ArchiveTest {
 protected:
  void SetUp() override {
    ArchiveTest::SetUp();
    if (IsSkipped()) return;
    AddFile("a.txt", "alpha");
    AddFile("docs\\b.txt", RandomBytes(3 << 20, 6));
    AddFile("docs\\sub\\c.txt", "gamma");
    AddFile("z.txt", "zulu");
    archive_ = MakeArchive("options.7z", "");
    ASSERT_EQ(OpenArchive(archive_), ArchiveStatus::kOk);
  }
  fs::path archive_;
};

TEST_F(ArchiveExtractOptionsTest, SelectionTakesFilesAndWholeFoldersIgnoringCase) {
  ExtractOptions options;
  options.selection = {"Z.TXT", "docs/sub"};
  ASSERT_EQ(ExtractAll(options), ArchiveStatus::kOk) << reader_.LastMessage();
  EXPECT_EQ(ReadHostFile(Destination() / "z.txt"), "zulu");
  EXPECT_EQ(ReadHostFile(Destination() / "docs/sub/c.txt"), "gamma");
  EXPECT_FALSE(fs::exists(Destination() / "a.txt"));
  EXPECT_FALSE(fs::exists(Destination() / "docs/b.txt"));

  options.selection = {"a.txt", "missing.txt"};
  EXPECT_EQ(ExtractAll(options), ArchiveStatus::kIllegalSelection);
}

TEST_F(ArchiveExtractOptionsTest, OverwriteAnswerSkipsOrReplacesExistingFiles) {
  for (const int32_t answer : {kOverwriteSkip, kOverwriteReplace}) {
    SCOPED_TRACE(answer);
    WriteHostFile(Destination() / "a.txt", "old");
    ExtractOptions options;
    std::vector<std::string> asked;
    options.overwrite = [&](const std::string& path) {
      asked.push_back(path);
      return answer;
    };
    ASSERT_EQ(ExtractAll(options), ArchiveStatus::kOk);
    EXPECT_EQ(ReadHostFile(Destination() / "a.txt"), answer == kOverwriteSkip ? "old" : "alpha");
    EXPECT_EQ(ReadHostFile(Destination() / "z.txt"), "zulu");
    EXPECT_FALSE(asked.empty());
    fs::remove_all(Destination());
  }
}

TEST_F(ArchiveExtractOptionsTest, ProgressCountsToTheTotalAndCancelRemovesThePartialFile) {
  uint64_t lastDone = 0;
  uint64_t reportedTotal = 0;
  ExtractOptions options;
  options.progress = [&](const std::string&, uint64_t done, uint64_t total) {
    EXPECT_GE(done, lastDone);
    lastDone = done;
    reportedTotal = total;
    return true;
  };
  ASSERT_EQ(ExtractAll(options), ArchiveStatus::kOk);
  uint64_t expectedTotal = 0;
  for (const auto& [path, content] : Files()) expectedTotal += content.size();
  EXPECT_EQ(reportedTotal, expectedTotal);
  EXPECT_EQ(lastDone, expectedTotal);

  fs::remove_all(Destination());
  options.progress = [](const std::string& path, uint64_t, uint64_t) { return path != "docs\\b.txt"; };
  EXPECT_EQ(ExtractAll(options), ArchiveStatus::kCancelled);
  EXPECT_FALSE(fs::exists(Destination() / "docs/b.txt"));
  ExpectNothingWrong();
}

TEST_F(ArchiveTest, MissingForeignAndUnsupportedArchivesFailWithTheirCodes) {
  EXPECT_EQ(OpenArchive(Root() / "nowhere.7z"), ArchiveStatus::kNotFound);
  WriteHostFile(Root() / "foreign.7z", "PK\x03\x04 this is some other kind of archive");
  EXPECT_EQ(OpenArchive(Root() / "foreign.7z"), ArchiveStatus::kUnsupportedOrWrongPassword);
  WriteHostFile(Root() / "tiny.7z", "7z");
  EXPECT_EQ(OpenArchive(Root() / "tiny.7z"), ArchiveStatus::kUnsupportedOrWrongPassword);

  AddFile("text.txt", std::string(5000, 't'));
  AddFile("code.bin", CodeLikeBytes(5000, 7));
  for (const char* method : {"-m0=PPMd", "-m0=BZip2", "-m0=Deflate", "-m0=Deflate64", "-mf=ARM"}) {
    SCOPED_TRACE(method);
    fs::remove_all(Destination());
    const ArchiveStatus opened = OpenArchive(MakeArchive(std::string("m") + (method + 4) + ".7z", method));
    ASSERT_EQ(opened, ArchiveStatus::kOk);
    EXPECT_EQ(ExtractAll(), ArchiveStatus::kUnsupportedOrWrongPassword);
    EXPECT_FALSE(fs::exists(Destination() / "text.txt"));
  }
}

TEST_F(ArchiveTest, StoredAbsoluteAndParentPathsAreRefusedBeforeAnythingIsWritten) {
  const fs::path outside = Root() / "outside.txt";
  AddFile("inner\\ok.txt", "fine");
  WriteHostFile(outside, "planted");
  const std::string cases[] = {"'" + outside.string() + "'", "../../outside.txt"};
  for (const auto& hostile : cases) {
    SCOPED_TRACE(hostile);
    fs::remove_all(Destination());
    const auto archive = Root() / "hostile.7z";
    fs::remove(archive);
    const std::string command = "cd '" + (Source() / "inner").string() + "' && 7z a -bd -spf '" + archive.string() +
                                "' ok.txt " + hostile + " >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    ASSERT_EQ(OpenArchive(archive), ArchiveStatus::kOk);
    EXPECT_EQ(ExtractAll(), ArchiveStatus::kUnsafeEntryPath);
    EXPECT_EQ(ReadHostFile(outside), "planted");
    EXPECT_FALSE(fs::exists(Destination() / "ok.txt"));
  }
}

}  // namespace
}  // namespace quarrix::archive::testing
