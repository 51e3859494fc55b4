#include "common/IntegerSyntax.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quarrix {

TEST(IntegerSyntax, ReadsScriptIntegers) {
  struct Case {
    std::string text;
    std::optional<int32_t> expected;
  };
  const std::vector<Case> cases = {
      {"0", 0},
      {"007", 7},
      {"  42", 42},
      {"+5", 5},
      {"-17", -17},
      {"2147483647", 2147483647},
      {"-2147483648", INT32_MIN},
      {"$ff", 255},
      {"xFF", 255},
      {"X10", 16},
      {"0x1F", 31},
      {"0X1f", 31},
      {"-$10", -16},
      {"$7FFFFFFF", 2147483647},
      // hex is a 32-bit pattern
      {"$FFFFFFFF", -1},
      {"$80000000", INT32_MIN},
      {"$000000001", 1},
      {"-$FFFFFFFF", 1},
      // not numbers
      {"", std::nullopt},
      {"   ", std::nullopt},
      {"2147483648", std::nullopt},
      {"-2147483649", std::nullopt},
      {"99999999999", std::nullopt},
      {"$100000000", std::nullopt},
      {"$", std::nullopt},
      {"0x", std::nullopt},
      {"-", std::nullopt},
      {"+", std::nullopt},
      {"12 ", std::nullopt},
      {"12a", std::nullopt},
      {"1.5", std::nullopt},
      {"- 5", std::nullopt},
      {"--5", std::nullopt},
      {"\t5", std::nullopt},
      {"$fg", std::nullopt},
      {"0x-1", std::nullopt},
      {"abc10", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("text: '" + c.text + "'");
    EXPECT_EQ(ParseScriptInteger(c.text), c.expected);
  }
}

TEST(IntegerSyntax, ReadsSixtyFourBitIntegersWithTheSameSyntax) {
  struct Case {
    std::string text;
    std::optional<int64_t> expected;
  };
  const std::vector<Case> cases = {
      {" 9000000000000", 9000000000000},
      {"-9223372036854775808", INT64_MIN},
      {"9223372036854775807", INT64_MAX},
      {"$FFFFFFFF", 4294967295},
      {"$FFFFFFFFFFFFFFFF", -1},
      {"9223372036854775808", std::nullopt},
      {"$10000000000000000", std::nullopt},
      {"12x", std::nullopt},
      {"", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("text: '" + c.text + "'");
    EXPECT_EQ(ParseScriptInteger64(c.text), c.expected);
  }
}

}  // namespace quarrix
