#include <gtest/gtest.h>

#include "ArchiveTestSupport.h"
#include "archive/Crc32.h"

namespace quarrix::archive::testing {
namespace {

// Whatever the damage: a code, no crash, no wrong file, nothing outside the destination.
class DamagedArchiveTest : public ArchiveTest {
 protected:
  void ExpectSafeFailureOrExactResult(const std::string& bytes) {
    fs::remove_all(Destination());
    WriteHostFile(Root() / "damaged.7z", bytes);
    if (OpenArchive(Root() / "damaged.7z", GivePassword("pw")) == ArchiveStatus::kOk) {
      if (ExtractAll() == ArchiveStatus::kOk) {
        ExpectExtracted();
      } else {
        EXPECT_NE(reader_.LastError(), ArchiveStatus::kOk);
      }
    } else {
      EXPECT_NE(reader_.LastError(), ArchiveStatus::kOk);
    }
    ExpectNothingWrong();
    for (const auto& item : fs::directory_iterator(Root())) {
      const auto name = item.path().filename().string();
      EXPECT_TRUE(name == "src" || name == "out" || name == "damaged.7z" || name == "good.7z") << name;
    }
  }
};

TEST_F(DamagedArchiveTest, TruncatedAndFlippedCopiesFailCleanly) {
  AddFile("one.txt", std::string(3000, 'a') + "tail");
  AddFile("dir\\two.bin", RandomBytes(2000, 8));
  AddFile("dir\\three.exe", CodeLikeBytes(3000, 9));
  // Each open of the encrypted copy stretches the key again, so it gets fewer samples.
  const std::pair<const char*, size_t> variants[] = {{"-mx9", 5}, {"-ms=off -m0=LZMA", 5}, {"-ppw -mhe=on", 61}};
  for (const auto& [switches, step] : variants) {
    SCOPED_TRACE(switches);
    fs::remove(Root() / "good.7z");
    const std::string good = ReadHostFile(MakeArchive("good.7z", switches));
    for (size_t length = 0; length < good.size(); length += step + length / 8) {
      SCOPED_TRACE("truncated to " + std::to_string(length));
      ExpectSafeFailureOrExactResult(good.substr(0, length));
    }
    for (size_t at = 0; at < good.size(); at += step) {
      SCOPED_TRACE("flipped at " + std::to_string(at));
      std::string flipped = good;
      flipped[at] = static_cast<char>(flipped[at] ^ 0x41);
      ExpectSafeFailureOrExactResult(flipped);
    }
  }
}

// Replacing a file with an entry that then fails its check must not cost the file it replaced.
TEST_F(DamagedArchiveTest, FailedReplacementKeepsTheExistingFileAndLeavesNoTemporary) {
  const std::string content = std::string(4000, 'x') + "end";
  AddFile("one.txt", content);
  std::string bytes = ReadHostFile(MakeArchive("good.7z", "-m0=Copy"));
  bytes[bytes.find(content)] ^= 0x20;  // stored data: its CRC no longer matches
  WriteHostFile(Root() / "damaged.7z", bytes);
  fs::create_directories(Destination());
  WriteHostFile(Destination() / "one.txt", "the user's own");

  ASSERT_EQ(OpenArchive(Root() / "damaged.7z"), ArchiveStatus::kOk);
  EXPECT_NE(ExtractAll(), ArchiveStatus::kOk);
  EXPECT_EQ(ReadHostFile(Destination() / "one.txt"), "the user's own");
  std::vector<std::string> left;
  for (const auto& item : fs::directory_iterator(Destination())) left.push_back(item.path().filename().string());
  EXPECT_EQ(left, std::vector<std::string>{"one.txt"});
}

// An archive around a hand-made header, with correct start and header CRCs, so that the
// parser itself meets the hostile values.
std::string WrapHeader(const std::string& packed, const std::string& header) {
  auto little = [](uint64_t value, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>(value >> (8 * i)));
    return out;
  };
  const std::string start = little(packed.size(), 8) + little(header.size(), 8) + little(Crc32(header.data(), header.size()), 4);
  return std::string("7z\xBC\xAF\x27\x1C\x00\x04", 8) + little(Crc32(start.data(), start.size()), 4) + start + packed + header;
}

TEST_F(DamagedArchiveTest, AbsurdHeaderValuesAreRefusedWithoutHugeAllocations) {
  using namespace std::string_literals;
  const std::string oneFileNamedA = "\x05\x01\x11\x05\x00\x61\x00\x00\x00\x00"s;
  auto lzmaFolder = [](const std::string& dictionary, const std::string& unpackSize) {
    return "\x04\x06\x00\x01\x09\x10\x00\x07\x0B\x01\x00\x01\x23\x03\x01\x01\x05\x5D"s + dictionary + "\x0C"s + unpackSize +
           "\x00\x00"s;
  };
  struct Case {
    const char* name;
    std::string header;
    ArchiveStatus open;
    ArchiveStatus extract;
  };
  const Case cases[] = {
      {"file count of 2^60", "\x01\x05\xFF\x00\x00\x00\x00\x00\x00\x00\x10\x00\x00"s, ArchiveStatus::kCorrupt, {}},
      {"packed stream beyond the file", "\x01\x04\x06\x00\x01\x09\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\x7F\x00\x00\x00"s,
       ArchiveStatus::kCorrupt, {}},
      {"4 GiB dictionary for 1 TiB", "\x01"s + lzmaFolder("\xFF\xFF\xFF\xFF"s, "\xFC\x00\x00\x00\x00\x00\x01"s) + oneFileNamedA + "\x00"s,
       ArchiveStatus::kOk, ArchiveStatus::kUnsupportedOrWrongPassword},
      {"1 GiB dictionary for 1 TiB of garbage", "\x01"s + lzmaFolder("\x00\x00\x00\x40"s, "\xFC\x00\x00\x00\x00\x00\x01"s) + oneFileNamedA + "\x00"s,
       ArchiveStatus::kOk, ArchiveStatus::kCorrupt},
      {"two names for one file", "\x01\x05\x01\x11\x09\x00\x61\x00\x00\x00\x62\x00\x00\x00\x00\x00"s, ArchiveStatus::kCorrupt, {}},
      {"data stream without a file", "\x01"s + lzmaFolder("\x00\x00\x01\x00"s, "\x10"s) + "\x00"s, ArchiveStatus::kCorrupt, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteHostFile(Root() / "crafted.7z", WrapHeader(std::string(16, '\0'), c.header));
    ASSERT_EQ(OpenArchive(Root() / "crafted.7z"), c.open) << reader_.LastMessage();
    if (c.open == ArchiveStatus::kOk) {
      EXPECT_EQ(ExtractAll(), c.extract) << reader_.LastMessage();
      EXPECT_FALSE(fs::exists(Destination() / "a"));
    }
  }
}

}  // namespace
}  // namespace quarrix::archive::testing
