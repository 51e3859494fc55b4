#include "engine/StubSize.h"

#include <gtest/gtest.h>

#include "startup/PeImageBuilder.h"

namespace quarrix {
namespace {

using testing::kPe32OptionalHeaderSize;
using testing::kPe32PlusOptionalHeaderSize;
using testing::MakePeHeaders;
using testing::RawSection;

// The last header is not the one ending highest, and one pointer has its top bit set, which a
// signed comparison would rank lowest.
const std::vector<RawSection> kUnsortedSections = {
    {0x400, 0x1000}, {0x9400, 0x200}, {0x1400, 0x8000}, {0x600, 0x100}};

TEST(StubSizeTest, MeasuresTheHighestRawEndForBothHeaderKinds) {
  struct Case {
    const char* name;
    std::vector<RawSection> sections;
    uint16_t optionalHeaderSize;
    uint32_t expected;
  };
  const std::vector<Case> cases = {
      {"PE32, unsorted", kUnsortedSections, kPe32OptionalHeaderSize, 0x9600},
      {"PE32+, unsorted", kUnsortedSections, kPe32PlusOptionalHeaderSize, 0x9600},
      {"top bit set", {{0x400, 0x200}, {0x80000000u, 0x10}, {0x600, 0x200}}, kPe32OptionalHeaderSize, 0x80000010u},
      {"raw end exactly 4 GiB - 1", {{0xFFFFFF00u, 0xFF}}, kPe32PlusOptionalHeaderSize, 0xFFFFFFFFu},
      {"no sections", {}, kPe32OptionalHeaderSize, 0},
      {"only empty sections", {{0, 0}, {0, 0}}, kPe32OptionalHeaderSize, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(GetStubSize(MakePeHeaders(c.sections, c.optionalHeaderSize)), c.expected);
  }
}

TEST(StubSizeTest, EveryTruncatedHeaderIsRejected) {
  for (uint16_t optionalHeaderSize : {kPe32OptionalHeaderSize, kPe32PlusOptionalHeaderSize}) {
    const std::string headers = MakePeHeaders(kUnsortedSections, optionalHeaderSize);
    ASSERT_TRUE(GetStubSize(headers).has_value());
    for (size_t length = 0; length < headers.size(); ++length) {
      SCOPED_TRACE(length);
      // A copy, so that the sanitizer sees any read past the given bytes.
      const std::string prefix = headers.substr(0, length);
      EXPECT_EQ(GetStubSize(prefix), std::nullopt);
    }
  }
}

TEST(StubSizeTest, RejectsWhatIsNotAnImage) {
  struct Case {
    const char* name;
    std::string bytes;
  };
  const std::string valid = MakePeHeaders(kUnsortedSections);
  auto patched = [&valid](size_t at, uint64_t value, int width) {
    std::string bytes = valid;
    testing::PutLittleEndian(bytes, at, value, width);
    return bytes;
  };
  const std::vector<Case> cases = {
      {"no MZ", patched(0, 'Z' | 'M' << 8, 2)},
      {"no PE signature", patched(0x80, 'P' | 'X' << 8, 4)},
      {"e_lfanew far beyond the data", patched(60, 0xFFFFFFF0u, 4)},
      {"e_lfanew just past the data", patched(60, valid.size(), 4)},
      {"section count beyond the data", patched(0x84 + 2, 0xFFFF, 2)},
      {"optional header size beyond the data", patched(0x84 + 16, 0xFFFF, 2)},
      {"raw end beyond 32 bits", MakePeHeaders({{0xFFFFFFF0u, 0x20}})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(GetStubSize(c.bytes), std::nullopt);
  }
}

}  // namespace
}  // namespace quarrix
