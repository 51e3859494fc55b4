#include "ui/FormParser.h"

#include <gtest/gtest.h>

#include <string>

namespace quarrix::ui {
namespace {

using platform::FormObject;
using platform::FormValue;

const char kWizardPage[] =
    "object Welcome: TPoolTemplate\r\n"
    "  Left = 192\r\n"
    "  Caption = 'Setup '#8211' Welcome'\r\n"
    "  Font.Name = 'Tahoma'\r\n"
    "  Font.Height = -11\r\n"
    "  Font.Style = [fsBold, fsItalic]\r\n"
    "  Position = poScreenCenter\r\n"
    "  PixelsPerInch = 96\r\n"
    "  Scale = 1.5E0\r\n"
    "  Tag = $1F\r\n"
    "  object Panel1: TPanel\r\n"
    "    Align = alTop\r\n"
    "    object Label1: TLabel\r\n"
    "      Caption = 'It''s a long'#13#10 +\r\n"
    "        ' text'\r\n"
    "    end\r\n"
    "  end\r\n"
    "  object TButton [2]\r\n"
    "    Default = True\r\n"
    "  end\r\n"
    "  inherited List: TListBox\r\n"
    "    Items.Strings = (\r\n"
    "      'One'\r\n"
    "      'Two' + 'Three'\r\n"
    "      4)\r\n"
    "    Columns = <\r\n"
    "      item\r\n"
    "        Caption = 'Name'\r\n"
    "        Width = 120\r\n"
    "      end\r\n"
    "      item\r\n"
    "      end>\r\n"
    "    Picture.Data = {\r\n"
    "      0A1B ff\r\n"
    "      00}\r\n"
    "  end\r\n"
    "end\r\n";

TEST(FormParser, ReadsEveryKindOfValueAndTheNesting) {
  FormObject form = ParseForm(kWizardPage, "welcome.dfm");
  EXPECT_EQ(form.name, "Welcome");
  EXPECT_EQ(form.className, "TPoolTemplate");
  EXPECT_EQ(form.line, 1);

  struct Expected {
    const char* name;
    FormValue::Kind kind;
    std::string text;
    int line;
  };
  const Expected cases[] = {
      {"Left", FormValue::Kind::Integer, "192", 2},
      {"Caption", FormValue::Kind::String, "Setup \x96 Welcome", 3},
      {"font.name", FormValue::Kind::String, "Tahoma", 4},
      {"Font.Height", FormValue::Kind::Integer, "-11", 5},
      {"Font.Style", FormValue::Kind::Set, "", 6},
      {"Position", FormValue::Kind::Identifier, "poScreenCenter", 7},
      {"Scale", FormValue::Kind::Float, "1.5E0", 9},
      {"Tag", FormValue::Kind::Integer, "$1F", 10},
  };
  for (const Expected& expected : cases) {
    SCOPED_TRACE(expected.name);
    const platform::FormProperty* property = form.Find(expected.name);
    ASSERT_NE(property, nullptr);
    EXPECT_EQ(property->value.kind, expected.kind);
    EXPECT_EQ(property->value.text, expected.text);
    EXPECT_EQ(property->line, expected.line);
  }
  EXPECT_EQ(form.Find("Font.Style")->value.items, (std::vector<std::string>{"fsBold", "fsItalic"}));

  ASSERT_EQ(form.children.size(), 3u);
  const FormObject& panel = form.children[0];
  ASSERT_EQ(panel.children.size(), 1u);
  EXPECT_EQ(panel.children[0].Find("Caption")->value.text, "It's a long\r\n text");

  const FormObject& unnamed = form.children[1];
  EXPECT_EQ(unnamed.name, "");
  EXPECT_EQ(unnamed.className, "TButton");
  EXPECT_EQ(unnamed.Find("Default")->value.text, "True");

  const FormObject& list = form.children[2];
  EXPECT_EQ(list.name, "List");
  EXPECT_EQ(list.line, 21);
  EXPECT_EQ(list.Find("Items.Strings")->value.items, (std::vector<std::string>{"One", "TwoThree", "4"}));
  const FormValue& columns = list.Find("Columns")->value;
  ASSERT_EQ(columns.collection.size(), 2u);
  ASSERT_EQ(columns.collection[0].size(), 2u);
  EXPECT_EQ(columns.collection[0][1].name, "Width");
  EXPECT_TRUE(columns.collection[1].empty());
  EXPECT_EQ(list.Find("Picture.Data")->value.bytes, (std::vector<uint8_t>{0x0A, 0x1B, 0xFF, 0x00}));
}

TEST(FormParser, DecodesCharacterCodesThroughTheCodePage) {
  struct Case {
    const char* literal;
    std::string decoded;
  };
  const Case cases[] = {
      {"#65#$42'c'", "ABc"},
      {"''''", "'"},
      {"''", ""},
      {"#233", "\xE9"},     // a byte as it stands
      {"#8364", "\x80"},    // the euro sign's place in the code page
      {"#$4E2D", "?"},      // a character the code page lacks
      {"'a'+'b' + #10", "ab\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.literal);
    std::string text = std::string("object F: TForm\n  Caption = ") + c.literal + "\nend\n";
    EXPECT_EQ(ParseForm(text, "f.dfm").Find("Caption")->value.text, c.decoded);
  }
}

TEST(FormParser, MalformedFilesNameTheLineAndWhatWasExpected) {
  struct Case {
    const char* text;
    int line;
    const char* what;
  };
  const Case cases[] = {
      {"", 1, "expected \"object\", found the end of the file"},
      {"TPF0\x0aTForm", 1, "a binary dialog file; save the form as text"},
      {"form F: TForm\nend\n", 1, "expected \"object\", found \"form\""},
      {"object F: TForm\n  Caption = 'open\nend\n", 2, "string not closed on its line"},
      {"object F: TForm\n  Left 12\nend\n", 2, "expected '=' after property name \"Left\""},
      {"object F: TForm\n  Left =\nend\n", 2, "property \"Left\" has no value"},
      {"object F: TForm\n  Left = 12 13\nend\n", 2, "unexpected '1' after the value of \"Left\""},
      {"object F: TForm\n  Left = 12x\nend\n", 2, "unexpected 'x' in a number"},
      {"object F: TForm\n  Caption = #\nend\n", 2, "expected digits after '#'"},
      {"object F: TForm\n  Caption = #70000\nend\n", 2, "character code above 65535"},
      {"object F: TForm\n  Caption = 'a' +\n  12\nend\n", 3, "expected a string after '+', found '1'"},
      {"object F: TForm\n  S = [a b]\nend\n", 2, "expected ',' or ']' between set elements, found 'b'"},
      {"object F: TForm\n  L = (\n 'a'\n  (1))\nend\n", 4, "a list item is a string, a number or a name, not '('"},
      {"object F: TForm\n  L = ('a'\n", 2, "list not closed with ')'"},
      {"object F: TForm\n  C = <\n  thing\n  >\nend\n", 3, "expected \"item\" or '>' in a collection, found 't'"},
      {"object F: TForm\n  C = <item\n", 2, "collection item has no \"end\""},
      {"object F: TForm\n  D = {0A1}\nend\n", 2, "odd number of hexadecimal digits in binary data"},
      {"object F: TForm\n  D = {0G}\nend\n", 2, "expected hexadecimal digits in binary data, found 'G'"},
      {"object F: TForm\n  object B: TButton\n  end\n  Left = 1\nend\n", 4,
       "property \"Left\" after a nested object; properties come first"},
      {"object F: TForm\n  object B: TButton\n", 2, "object \"B\" has no \"end\""},
      {"object F: TForm\nend\nend\n", 3, "expected the end of the file after the outermost \"end\", found 'e'"},
      {"object F: TForm x\nend\n", 1, "unexpected 'x' after the object's class"},
      {"object F:\nend\n", 1, "expected a class name after ':', found the end of the line"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    try {
      ParseForm(c.text, "page.dfm");
      ADD_FAILURE() << "accepted";
    } catch (const FormParseError& error) {
      EXPECT_EQ(error.what, c.what);
      EXPECT_EQ(error.line, c.line);
      EXPECT_EQ(std::string(error.std::runtime_error::what()),
                "page.dfm line " + std::to_string(c.line) + ": " + c.what);
    }
  }
}

TEST(FormParser, RefusesNestingDeeperThanAnyDialogWithoutExhaustingTheStack) {
  std::string deep;
  for (int i = 0; i < 100000; ++i) deep += "object A: TPanel\n";
  EXPECT_THROW(ParseForm(deep, "deep.dfm"), FormParseError);

  std::string collections = "object F: TForm\n  C = ";
  for (int i = 0; i < 100000; ++i) collections += "<item C = ";
  EXPECT_THROW(ParseForm(collections, "deep.dfm"), FormParseError);

  std::string fine;
  for (int i = 0; i < 40; ++i) fine += "object A: TPanel\n";
  for (int i = 0; i < 40; ++i) fine += "end\n";
  EXPECT_NO_THROW(ParseForm(fine, "fine.dfm"));
}

}  // namespace
}  // namespace quarrix::ui
