#include "common/HashedStringList.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

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

TEST(HashedStringListTest, CopiesAndMovesOutliveTheListAndTheTextTheyCameFrom) {
  auto text = std::make_shared<const std::string>("alpha\r\nbeta\r\n");
  const std::string_view all = *text;
  std::optional<HashedStringList> source(std::in_place, text, std::vector<std::string_view>{all.substr(0, 5), all.substr(7, 4)});
  text.reset();
  // Entries of every kind: in the text, replaced, added; long enough to live on the heap.
  source->Set(0, "alpha, replaced by an entry of its own");
  source->Add("gamma, added as an entry of its own");
  const std::vector<std::string> expected = {"alpha, replaced by an entry of its own", "beta",
                                             "gamma, added as an entry of its own"};
  EXPECT_EQ(source->Entries(), expected);
  HashedStringList copied = *source;
  HashedStringList assigned;
  assigned = *source;
  HashedStringList moved = std::move(*source);
  source.reset();
  for (HashedStringList* list : {&copied, &assigned, &moved}) {
    EXPECT_EQ(list->Entries(), expected);
    EXPECT_EQ(list->IndexOf("BETA"), 1);
    list->Set(1, "delta");
    EXPECT_EQ(list->Entries()[1], "delta");  // the copies follow a change
    EXPECT_EQ(list->IndexOf("beta"), HashedStringList::npos);
  }
}

}  // namespace
}  // namespace quarrix
