#include "common/NameTable.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quarrix {
namespace {

std::vector<std::string> NamesInOrder(const NameTable<int>& table) {
  std::vector<std::string> names;
  for (const auto& entry : table.Entries()) names.push_back(entry.name);
  return names;
}

TEST(NameTable, NamesMatchIgnoringOnlyTheCaseOfAToZ) {
  struct Case {
    bool caseSensitive;
    std::vector<std::string> added;
    std::vector<std::string> entries;  // what the table then holds, in order
    std::string lookedUp;
    bool found;
  };
  const std::vector<Case> cases = {
      {false, {"SetupType", "SETUPTYPE", "setuptype"}, {"SetupType"}, "sEtUpTyPe", true},
      {false, {"caf\xe9", "CAF\xc9"}, {"caf\xe9", "CAF\xc9"}, "CAF\xe9", true},  // bytes above 127 differ
      {false, {"A", "B"}, {"A", "B"}, "AB", false},
      {false, {"", "x"}, {"", "x"}, "", true},
      {true, {"Name", "NAME"}, {"Name", "NAME"}, "name", false},
      {true, {"Name", "Name"}, {"Name"}, "Name", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.added.front() + (c.caseSensitive ? " case-sensitive" : ""));
    NameTable<int> table(c.caseSensitive);
    for (const std::string& name : c.added) table.FindOrAdd(name);
    EXPECT_EQ(NamesInOrder(table), c.entries);
    EXPECT_EQ(table.Find(c.lookedUp) != nullptr, c.found);
  }
}

TEST(NameTable, GrowingAndRefillingKeepsEveryNameAndTheOrderOfAddition) {
  NameTable<int> table;
  EXPECT_EQ(table.Find("anything"), nullptr);  // no slots before the first addition
  // Enough names for several doublings, each added twice in another spelling; the names share
  // long prefixes, so that many of them meet in the same slots.
  constexpr int kNames = 5000;
  for (int round = 0; round < 2; ++round) {
    for (int i = 0; i < kNames; ++i) {
      const std::string name = (round == 0 ? "VARIABLE_WITH_A_LONG_PREFIX_" : "variable_with_a_long_prefix_") +
                               std::to_string(i);
      auto [value, added] = table.FindOrAdd(name);
      EXPECT_EQ(added, round == 0) << name;
      if (added) value = i;
    }
  }
  ASSERT_EQ(table.Size(), static_cast<size_t>(kNames));
  for (int i = 0; i < kNames; ++i) {
    const int* value = table.Find("Variable_With_A_Long_Prefix_" + std::to_string(i));
    ASSERT_NE(value, nullptr) << i;
    EXPECT_EQ(*value, i);
    EXPECT_EQ(table.Entries()[static_cast<size_t>(i)].value, i);
  }
  EXPECT_EQ(table.Find("VARIABLE_WITH_A_LONG_PREFIX_" + std::to_string(kNames)), nullptr);

  // A cleared table forgets every name but takes new ones in its old slots.
  table.Clear();
  EXPECT_EQ(table.Size(), 0u);
  EXPECT_EQ(table.Find("VARIABLE_WITH_A_LONG_PREFIX_7"), nullptr);
  table.FindOrAdd("second").first = 2;
  table.FindOrAdd("first").first = 1;
  EXPECT_EQ(NamesInOrder(table), (std::vector<std::string>{"second", "first"}));
  EXPECT_EQ(*table.Find("FIRST"), 1);
}

}  // namespace
}  // namespace quarrix
