#include "platform/sim/PeVersionResource.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "support/PeImage.h"
#include "support/TempMachine.h"

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

// The images a real resource compiler and linker write, for both image kinds.
TEST(PeVersionResourceTest, ReadsTheImagesARealToolchainWrites) {
  struct Case {
    const char* prefix;
    const char* version;
  };
  const std::vector<Case> cases = {{"i686-w64-mingw32", "2,7,1,828"}, {"x86_64-w64-mingw32", "65535,0,42,7"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.prefix);
    const std::string tool = std::string(c.prefix) + "-gcc";
    if (std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) != 0) GTEST_SKIP() << tool << " is missing";
    testing::TempFolder folder;
    const auto dir = folder.Path();
    std::ofstream(dir / "v.rc") << "1 VERSIONINFO\nFILEVERSION " << c.version
                                << "\nPRODUCTVERSION 9,9,9,9\nBEGIN\n BLOCK \"StringFileInfo\"\n BEGIN\n"
                                   "  BLOCK \"040904B0\"\n  BEGIN\n   VALUE \"FileVersion\", \"x\"\n  END\n END\nEND\n";
    std::ofstream(dir / "main.c") << "int main(void) { return 0; }\n";
    const std::string build = "cd '" + dir.string() + "' && " + c.prefix + "-windres v.rc -O coff -o v.o && " + tool +
                              " main.c v.o -o v.exe >/dev/null 2>&1";
    ASSERT_EQ(std::system(build.c_str()), 0);
    std::ifstream in(dir / "v.exe", std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    auto version = ReadPeFileVersion(bytes.str());
    ASSERT_TRUE(version);
    const std::string text = std::to_string(version->major) + "," + std::to_string(version->minor) + "," +
                             std::to_string(version->release) + "," + std::to_string(version->build);
    EXPECT_EQ(text, c.version);
  }
}

}  // namespace
}  // namespace quarrix
