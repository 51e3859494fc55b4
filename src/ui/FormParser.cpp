#include "ui/FormParser.h"

#include <cctype>
#include <cstdint>
#include <string>
#include <utility>

#include "common/AnsiText.h"
#include "common/Cp1252Text.h"

namespace quarrix::ui {

using platform::FormObject;
using platform::FormProperty;
using platform::FormValue;

FormParseError::FormParseError(const std::string& fileName, int line, const std::string& what)
    : std::runtime_error(fileName + " line " + std::to_string(line) + ": " + what),
      fileName(fileName),
      line(line),
      what(what) {}

namespace {

// Deeper nesting than any real dialog; the limit keeps hostile files off the stack.
constexpr int kMaxDepth = 64;

bool IsIdentifierStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool IsIdentifierChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHexDigit(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }

int HexValue(char c) {
  if (IsDigit(c)) return c - '0';
  return (std::tolower(static_cast<unsigned char>(c)) - 'a') + 10;
}

std::string Describe(char c) {
  if (c == '\0') return "the end of the file";
  if (c == '\n') return "the end of the line";
  if (static_cast<unsigned char>(c) < 0x20) return "a control character";
  return std::string("'") + c + "'";
}

class Parser {
 public:
  Parser(std::string_view text, const std::string& fileName) : text_(text), fileName_(fileName) {}

  FormObject ParseFile() {
    if (text_.substr(0, 3) == "\xEF\xBB\xBF") position_ = 3;
    if (text_.substr(0, 4) == "TPF0") Fail("a binary dialog file; save the form as text");
    SkipBlanks();
    FormObject form = ParseObject(0);
    SkipBlanks();
    if (!AtEnd()) Fail("expected the end of the file after the outermost \"end\", found " + Describe(Peek()));
    return form;
  }

 private:
  std::string_view text_;
  const std::string& fileName_;
  size_t position_ = 0;
  int line_ = 1;

  [[noreturn]] void Fail(const std::string& what) const { throw FormParseError(fileName_, line_, what); }
  [[noreturn]] void FailAt(int line, const std::string& what) const {
    throw FormParseError(fileName_, line, what);
  }

  bool AtEnd() const { return position_ >= text_.size(); }
  char Peek(size_t ahead = 0) const {
    return position_ + ahead < text_.size() ? text_[position_ + ahead] : '\0';
  }
  char Take() {
    char c = text_[position_++];
    if (c == '\n') ++line_;
    return c;
  }

  // Line breaks are blanks too: every construct may span lines.
  void SkipBlanks() {
    while (!AtEnd() && (Peek() == ' ' || Peek() == '\t' || Peek() == '\r' || Peek() == '\n')) Take();
  }
  void SkipSpaces() {
    while (!AtEnd() && (Peek() == ' ' || Peek() == '\t' || Peek() == '\r')) Take();
  }

  void Expect(char c, const std::string& context) {
    SkipBlanks();
    if (Peek() != c) Fail(std::string("expected '") + c + "' " + context + ", found " + Describe(Peek()));
    Take();
  }

  std::string Identifier(const std::string& expected) {
    SkipBlanks();
    if (!IsIdentifierStart(Peek())) Fail("expected " + expected + ", found " + Describe(Peek()));
    size_t start = position_;
    while (IsIdentifierChar(Peek())) Take();
    return std::string(text_.substr(start, position_ - start));
  }

  // The header of an object stays on its line.
  std::string WordOnLine(const std::string& expected) {
    SkipSpaces();
    if (!IsIdentifierStart(Peek())) Fail("expected " + expected + ", found " + Describe(Peek()));
    size_t start = position_;
    while (IsIdentifierChar(Peek())) Take();
    return std::string(text_.substr(start, position_ - start));
  }

  // A property name: identifiers joined by dots ("Font.Name", "Items.Strings").
  std::string DottedName() {
    std::string name = Identifier("a property name");
    while (Peek() == '.') {
      Take();
      if (!IsIdentifierStart(Peek())) Fail("expected a name after '.' in \"" + name + ".\"");
      name += '.';
      while (IsIdentifierChar(Peek())) name += Take();
    }
    return name;
  }

  // The next word without consuming it, to tell a property from a nested object or "end".
  std::string PeekWord() {
    SkipBlanks();
    size_t end = position_;
    while (end < text_.size() && IsIdentifierChar(text_[end])) ++end;
    return std::string(text_.substr(position_, end - position_));
  }

  bool NextIsAssignment() {
    size_t at = position_;
    while (at < text_.size() && (IsIdentifierChar(text_[at]) || text_[at] == '.')) ++at;
    while (at < text_.size() && (text_[at] == ' ' || text_[at] == '\t')) ++at;
    return at < text_.size() && text_[at] == '=';
  }

  static bool IsObjectKeyword(const std::string& word) {
    return EqualsIgnoreCase(word, "object") || EqualsIgnoreCase(word, "inherited") ||
           EqualsIgnoreCase(word, "inline");
  }

  FormObject ParseObject(int depth) {
    if (depth >= kMaxDepth) Fail("objects nested more than " + std::to_string(kMaxDepth) + " deep");
    FormObject object;
    object.line = line_;
    std::string keyword = PeekWord();
    if (!IsObjectKeyword(keyword)) {
      Fail(keyword.empty() ? "expected \"object\", found " + Describe(Peek())
                           : "expected \"object\", found \"" + keyword + "\"");
    }
    Identifier("\"object\"");
    ParseHeader(object);
    bool childSeen = false;
    for (;;) {
      std::string word = PeekWord();
      if (word.empty()) {
        if (AtEnd()) FailAt(object.line, "object \"" + ObjectLabel(object) + "\" has no \"end\"");
        Fail("expected a property, an object or \"end\", found " + Describe(Peek()));
      }
      if (NextIsAssignment()) {
        if (childSeen) Fail("property \"" + word + "\" after a nested object; properties come first");
        object.properties.push_back(ParseProperty(depth));
      } else if (IsObjectKeyword(word)) {
        object.children.push_back(ParseObject(depth + 1));
        childSeen = true;
      } else if (EqualsIgnoreCase(word, "end")) {
        Identifier("\"end\"");
        return object;
      } else {
        Fail("expected '=' after property name \"" + word + "\"");
      }
    }
  }

  static std::string ObjectLabel(const FormObject& object) {
    return object.name.empty() ? object.className : object.name;
  }

  // "Name: TClass", or just "TClass" for an unnamed object; an optional "[n]" creation index.
  void ParseHeader(FormObject& object) {
    std::string first = WordOnLine("an object name or class");
    SkipSpaces();
    if (Peek() == ':') {
      Take();
      object.name = std::move(first);
      object.className = WordOnLine("a class name after ':'");
    } else {
      object.className = std::move(first);
    }
    SkipSpaces();
    if (Peek() == '[') {
      Take();
      SkipSpaces();
      if (!IsDigit(Peek())) Fail("expected a creation index after '['");
      while (IsDigit(Peek())) Take();
      Expect(']', "after the creation index");
    }
    SkipSpaces();
    if (!AtEnd() && Peek() != '\n') Fail("unexpected " + Describe(Peek()) + " after the object's class");
  }

  FormProperty ParseProperty(int depth) {
    FormProperty property;
    property.line = line_;
    property.name = DottedName();
    Expect('=', "after property name \"" + property.name + "\"");
    SkipSpaces();
    if (AtEnd() || Peek() == '\n') Fail("property \"" + property.name + "\" has no value");
    property.value = ParseValue(depth, /*inList=*/false);
    SkipSpaces();
    if (!AtEnd() && Peek() != '\n')
      Fail("unexpected " + Describe(Peek()) + " after the value of \"" + property.name + "\"");
    return property;
  }

  FormValue ParseValue(int depth, bool inList) {
    char c = Peek();
    if (c == '\'' || c == '#') return StringValue();
    if (IsDigit(c) || c == '-' || c == '+' || c == '$') return NumberValue();
    if (IsIdentifierStart(c)) return IdentifierValue();
    if (inList && (c == '(' || c == '<' || c == '[' || c == '{'))
      Fail("a list item is a string, a number or a name, not " + Describe(c));
    if (c == '[') return SetValue();
    if (c == '{') return BinaryValue();
    if (c == '(') return ListValue(depth);
    if (c == '<') return CollectionValue(depth);
    Fail("expected a value, found " + Describe(c));
  }

  FormValue StringValue() {
    FormValue value;
    value.kind = FormValue::Kind::String;
    for (;;) {
      StringPieces(value.text);
      // '+' joins string pieces across lines: 'first part' +
      size_t mark = position_;
      int markLine = line_;
      SkipSpaces();
      if (Peek() != '+') {
        position_ = mark;
        line_ = markLine;
        return value;
      }
      Take();
      SkipBlanks();
      if (Peek() != '\'' && Peek() != '#') Fail("expected a string after '+', found " + Describe(Peek()));
    }
  }

  // Quoted runs and #nnn codes written next to each other: 'Line 1'#13#10'Line 2'.
  void StringPieces(std::string& out) {
    while (Peek() == '\'' || Peek() == '#') {
      if (Peek() == '\'') {
        QuotedRun(out);
      } else {
        CharacterCode(out);
      }
    }
  }

  void QuotedRun(std::string& out) {
    int startLine = line_;
    Take();
    for (;;) {
      if (AtEnd() || Peek() == '\n' || Peek() == '\r') FailAt(startLine, "string not closed on its line");
      char c = Take();
      if (c != '\'') {
        out += c;
      } else if (Peek() == '\'') {
        out += Take();
      } else {
        return;
      }
    }
  }

  void CharacterCode(std::string& out) {
    Take();
    uint32_t code = 0;
    bool hex = Peek() == '$';
    if (hex) Take();
    bool any = false;
    while (hex ? IsHexDigit(Peek()) : IsDigit(Peek())) {
      code = code * (hex ? 16 : 10) + static_cast<uint32_t>(HexValue(Take()));
      any = true;
      if (code > 0xFFFF) Fail("character code above 65535");
    }
    if (!any) Fail("expected digits after '#'");
    if (code <= 0xFF) {
      out += static_cast<char>(code);
    } else {
      out += WideToCp1252(std::u16string(1, static_cast<char16_t>(code)));
    }
  }

  FormValue NumberValue() {
    FormValue value;
    value.kind = FormValue::Kind::Integer;
    size_t start = position_;
    if (Peek() == '-' || Peek() == '+') Take();
    if (Peek() == '$') {
      Take();
      if (!IsHexDigit(Peek())) Fail("expected hexadecimal digits after '$'");
      while (IsHexDigit(Peek())) Take();
    } else {
      if (!IsDigit(Peek())) Fail("expected a number, found " + Describe(Peek()));
      while (IsDigit(Peek())) Take();
      if (Peek() == '.' && IsDigit(Peek(1))) {
        value.kind = FormValue::Kind::Float;
        Take();
        while (IsDigit(Peek())) Take();
      }
      if ((Peek() == 'e' || Peek() == 'E') &&
          (IsDigit(Peek(1)) || ((Peek(1) == '-' || Peek(1) == '+') && IsDigit(Peek(2))))) {
        value.kind = FormValue::Kind::Float;
        Take();
        if (Peek() == '-' || Peek() == '+') Take();
        while (IsDigit(Peek())) Take();
      }
    }
    if (IsIdentifierChar(Peek())) Fail("unexpected " + Describe(Peek()) + " in a number");
    value.text = std::string(text_.substr(start, position_ - start));
    return value;
  }

  FormValue IdentifierValue() {
    FormValue value;
    value.kind = FormValue::Kind::Identifier;
    value.text = DottedName();
    return value;
  }

  FormValue SetValue() {
    FormValue value;
    value.kind = FormValue::Kind::Set;
    Take();
    SkipBlanks();
    if (Peek() == ']') {
      Take();
      return value;
    }
    for (;;) {
      value.items.push_back(Identifier("a set element"));
      SkipBlanks();
      if (Peek() == ']') {
        Take();
        return value;
      }
      Expect(',', "or ']' between set elements");
    }
  }

  FormValue ListValue(int depth) {
    FormValue value;
    value.kind = FormValue::Kind::List;
    int startLine = line_;
    Take();
    for (;;) {
      SkipBlanks();
      if (AtEnd()) FailAt(startLine, "list not closed with ')'");
      if (Peek() == ')') {
        Take();
        return value;
      }
      value.items.push_back(ParseValue(depth, /*inList=*/true).text);
    }
  }

  FormValue CollectionValue(int depth) {
    if (depth + 1 >= kMaxDepth) Fail("collections nested more than " + std::to_string(kMaxDepth) + " deep");
    FormValue value;
    value.kind = FormValue::Kind::Collection;
    int startLine = line_;
    Take();
    for (;;) {
      SkipBlanks();
      if (AtEnd()) FailAt(startLine, "collection not closed with '>'");
      if (Peek() == '>') {
        Take();
        return value;
      }
      std::string word = PeekWord();
      if (!EqualsIgnoreCase(word, "item")) Fail("expected \"item\" or '>' in a collection, found " + Describe(Peek()));
      Identifier("\"item\"");
      value.collection.push_back(CollectionItem(depth + 1));
    }
  }

  std::vector<FormProperty> CollectionItem(int depth) {
    std::vector<FormProperty> properties;
    int startLine = line_;
    for (;;) {
      std::string word = PeekWord();
      if (word.empty()) {
        if (AtEnd()) FailAt(startLine, "collection item has no \"end\"");
        Fail("expected a property or \"end\" in a collection item, found " + Describe(Peek()));
      }
      if (NextIsAssignment()) {
        properties.push_back(ParseProperty(depth));
      } else if (EqualsIgnoreCase(word, "end")) {
        Identifier("\"end\"");
        return properties;
      } else {
        Fail("expected '=' after property name \"" + word + "\"");
      }
    }
  }

  FormValue BinaryValue() {
    FormValue value;
    value.kind = FormValue::Kind::Binary;
    int startLine = line_;
    Take();
    for (;;) {
      SkipBlanks();
      if (AtEnd()) FailAt(startLine, "binary data not closed with '}'");
      if (Peek() == '}') {
        Take();
        return value;
      }
      if (!IsHexDigit(Peek())) Fail("expected hexadecimal digits in binary data, found " + Describe(Peek()));
      char high = Take();
      if (!IsHexDigit(Peek())) {
        if (Peek() == '}' || Peek() == ' ' || Peek() == '\r' || Peek() == '\n' || AtEnd())
          Fail("odd number of hexadecimal digits in binary data");
        Fail("expected hexadecimal digits in binary data, found " + Describe(Peek()));
      }
      char low = Take();
      value.bytes.push_back(static_cast<uint8_t>(HexValue(high) * 16 + HexValue(low)));
    }
  }
};

}  // namespace

platform::FormObject ParseForm(std::string_view text, const std::string& fileName) {
  return Parser(text, fileName).ParseFile();
}

}  // namespace quarrix::ui
