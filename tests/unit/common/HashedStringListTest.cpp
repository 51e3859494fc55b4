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
  std::vector<std::string_view> keys;
  for (const Case& c : cases) keys.push_back(c.key);
  std::vector<std::ptrdiff_t> found(keys.size());
  list.IndexOfEach(keys, found);
  for (size_t i = 0; i < cases.size(); ++i) EXPECT_EQ(found[i], cases[i].expected) << cases[i].key;
}

TEST(HashedStringListTest, LookupsInBatchesAgreeWithSingleLookups) {
  // More keys than one batch holds, found and missing ones mixed, repeated entries among them.
  std::vector<std::string> entries;
  for (int i = 0; i < 100; ++i) entries.push_back("{GUID-" + std::to_string(i % 70) + "}");
  const HashedStringList list(entries);
  std::vector<std::string> texts;
  for (int i = 0; i < 90; i += 3) texts.push_back("{guid-" + std::to_string(i) + "}");
  const std::vector<std::string_view> keys(texts.begin(), texts.end());
  std::vector<std::ptrdiff_t> found(keys.size());
  list.IndexOfEach(keys, found);
  for (size_t i = 0; i < keys.size(); ++i) EXPECT_EQ(found[i], list.IndexOf(keys[i])) << keys[i];
  EXPECT_EQ(found[0], 70);  // the last of the two "{GUID-0}"
  EXPECT_EQ(found.back(), HashedStringList::npos);

  std::vector<std::ptrdiff_t> none(1, 0);
  const std::string_view missing[] = {"x"};
  HashedStringList().IndexOfEach(missing, none);
  EXPECT_EQ(none[0], HashedStringList::npos);
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
