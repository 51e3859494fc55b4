#include "platform/sim/PeVersionResource.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "support/PeImage.h"

namespace quarrix {
namespace {

using platform::sim::ReadPeFileVersion;
using testing::PeImageOptions;
using testing::PeImageWithVersion;

TEST(PeVersionResourceTest, ReadsTheFixedFileVersionOfBothImageKinds) {
  struct Case {
    const char* name;
    std::string image;
    std::optional<std::vector<int>> version;
  };
  const std::vector<Case> cases = {
      {"PE32", PeImageWithVersion(1, 2, 3, 4), std::vector<int>{1, 2, 3, 4}},
      {"PE32+", PeImageWithVersion(6, 0, 2900, 5512, {.pe32Plus = true}), std::vector<int>{6, 0, 2900, 5512}},
      {"largest words", PeImageWithVersion(65535, 0, 1, 65535), std::vector<int>{65535, 0, 1, 65535}},
      {"no resource directory", PeImageWithVersion(1, 2, 3, 4, {.withVersion = false}), std::nullopt},
      {"bad signature", PeImageWithVersion(1, 2, 3, 4, {.signature = 0x12345678}), std::nullopt},
      {"cut short", PeImageWithVersion(1, 2, 3, 4).substr(0, 0x260), std::nullopt},
      {"not an image", std::string("plain text, not an image at all") + std::string(100, ' '), std::nullopt},
      {"empty", "", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto version = ReadPeFileVersion(c.image);
    ASSERT_EQ(version.has_value(), c.version.has_value());
    if (!version) continue;
    EXPECT_EQ((std::vector<int>{version->major, version->minor, version->release, version->build}), *c.version);
  }
}

}  // namespace
}  // namespace quarrix
