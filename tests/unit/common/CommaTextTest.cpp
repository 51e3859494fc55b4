#include "common/CommaText.h"

#include <gtest/gtest.h>

namespace quarrix {

TEST(CommaText, QuotesOnlyItemsThatNeedIt) {
  struct Case {
    StringList items;
    std::string text;
  };
  const std::vector<Case> cases = {
      {{}, ""},
      {{""}, "\"\""},
      {{"a", ""}, "a,"},
      {{"", "b"}, ",b"},
      {{"a", "", "b"}, "a,,b"},
      {{"plain", "a b"}, "plain,\"a b\""},
      {{"x,y"}, "\"x,y\""},
      {{"say \"hi\""}, "\"say \"\"hi\"\"\""},
      {{"tab\there"}, "\"tab\there\""},
      {{std::string("nul\0in", 6)}, std::string("\"nul\0in\"", 8)},
      {{"caf\xe9!"}, "caf\xe9!"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("text: " + c.text);
    EXPECT_EQ(ToCommaText(c.items), c.text);
    EXPECT_EQ(FromCommaText(c.text), c.items);
  }
}

TEST(CommaText, ReaderSkipsBlanksAndHandlesLooseForms) {
  struct Case {
    std::string text;
    StringList items;
  };
  const std::vector<Case> cases = {
      {"   ", {}},
      {" \t a , b ", {"a", "b"}},
      {"a b", {"a", "b"}},  // a blank ends an unquoted item
      {"a,", {"a", ""}},    // a comma that ends the text adds an empty item
      {"a, ", {"a"}},       // but not when blanks follow it
      {"a,,", {"a", "", ""}},
      {"\"a\"b,c", {"a", "b", "c"}},
      {"\"open", {"open"}},  // an unterminated quoted item runs to the end
      {"\"\"\"\"", {"\""}},
      {std::string("a\0,b", 4), {"a"}},  // NUL outside quotes ends the text
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("text: " + c.text);
    EXPECT_EQ(FromCommaText(c.text), c.items);
  }
}

}  // namespace quarrix
