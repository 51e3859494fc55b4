#include "common/AnsiText.h"

#include <gtest/gtest.h>

namespace quarrix {

TEST(AnsiText, FoldsOnlyAsciiLetters) {
  EXPECT_EQ(ToUpperAscii("abz\xe9!"), "ABZ\xe9!");
  EXPECT_TRUE(EqualsIgnoreCase("SetupType", "SETUPTYPE"));
  EXPECT_FALSE(EqualsIgnoreCase("\xe9", "\xc9"));
  EXPECT_TRUE(ContainsIgnoreCase("Program Files", "FILES"));
  EXPECT_FALSE(ContainsIgnoreCase("abc", ""));
}

TEST(AnsiText, ReplaceAllIsLeftToRightWithoutOverlap) {
  EXPECT_EQ(ReplaceAll("a\\\\\\b", "\\\\", "\\"), "a\\\\b");
  EXPECT_EQ(ReplaceAll("abc", "", "x"), "abc");
}

}  // namespace quarrix
