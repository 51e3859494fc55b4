#include "common/HashedStringList.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace quarrix {
namespace {

TEST(HashedStringListTest, LooksUpWholeEntriesIgnoringCaseOfAToZOnly) {
  const HashedStringList list({"Alpha", "beta", "ALPHA", "\xC4pfel", ""});
  struct Case {
    const char* key;
    std::ptrdiff_t expected;
  };
  const std::vector<Case> cases = {
      {"alpha", 2},  // last occurrence
      {"BETA", 1},
      {"bet", HashedStringList::npos},
      {"\xC4PFEL", 3},
      {"\xE4pfel", HashedStringList::npos},  // bytes above 127 are not folded
      {"", 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    EXPECT_EQ(list.IndexOf(c.key), c.expected);
  }
}

TEST(HashedStringListTest, IndexFollowsEveryChange) {
  HashedStringList list({"one", "two"});
  EXPECT_EQ(list.IndexOf("two"), 1);
  list.Set(1, "three");
  EXPECT_EQ(list.IndexOf("two"), HashedStringList::npos);
  EXPECT_EQ(list.IndexOf("THREE"), 1);
  list.Add("one");
  EXPECT_EQ(list.IndexOf("one"), 2);
  list.Clear();
  EXPECT_EQ(list.IndexOf("one"), HashedStringList::npos);
  EXPECT_THROW(list.At(0), std::out_of_range);
  EXPECT_THROW(list.Set(0, "x"), std::out_of_range);
}

}  // namespace
}  // namespace quarrix
