#include "common/Cp1252Text.h"

#include <gtest/gtest.h>

namespace quarrix {
namespace {

TEST(Cp1252Text, HighRangeRoundTripsAndUnknownCharactersBecomeQuestionMarks) {
  EXPECT_EQ(Cp1252ToWide("a\x80\x81\xe9\x9f"), std::u16string(u"a\u20ac\u0081\u00e9\u0178"));
  EXPECT_EQ(WideToCp1252(u"a\u20ac\u0081\u00e9\u0178"), "a\x80\x81\xe9\x9f");
  EXPECT_EQ(WideToCp1252(u"\u0100\U0001F600x"), "??x");
}

}  // namespace
}  // namespace quarrix
