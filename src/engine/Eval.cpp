#include "engine/Eval.h"

#include <array>
#include <optional>
#include <stdexcept>

#include "common/IntegerSyntax.h"
#include "engine/VariableManager.h"

namespace quarrix {
namespace {

bool ContainsCaseSensitive(std::string_view text, std::string_view part) {
  return !part.empty() && text.find(part) != std::string_view::npos;
}

bool CompareNumbers(char code, int32_t a, int32_t b) {
  switch (code) {
    case '0':
    case '1':
    case '3':
    case '4':
      return a == b;
    case '2':
      return a > b;
    default:
      return false;
  }
}

// std::string_view compares through char_traits<char>, which orders bytes as unsigned.
bool CompareTexts(char code, std::string_view a, std::string_view b) {
  switch (code) {
    case '0':
      return a == b;
    case '1':
      return ContainsCaseSensitive(a, b);
    case '2':
      return a > b;
    case '3':
      return ContainsIgnoreCase(a, b);
    case '4':
      return EqualsIgnoreCase(a, b);
    default:
      return false;
  }
}

bool Compare(std::string_view code, std::string_view a, std::string_view b) {
  if (code.size() != 1) return false;
  if (code[0] == '6') return VersionGreater(a, b);
  std::optional<int32_t> left = ParseScriptInteger(a);
  std::optional<int32_t> right = ParseScriptInteger(b);
  if (left && right) return CompareNumbers(code[0], *left, *right);
  return CompareTexts(code[0], a, b);
}

std::array<int32_t, 4> ReadVersion(std::string_view text) {
  std::array<int32_t, 4> parts{};
  for (int32_t& part : parts) {
    size_t dot = text.find('.');
    if (dot == std::string_view::npos) {
      part = ParseScriptInteger(text).value_or(0);
      text = {};
      continue;
    }
    std::string_view component = text.substr(0, dot);
    std::optional<int32_t> number = ParseScriptInteger(component);
    if (!number) throw std::runtime_error("'" + std::string(component) + "' is not a valid integer value");
    part = *number;
    text.remove_prefix(dot + 1);
  }
  return parts;
}

}  // namespace

bool VersionGreater(std::string_view left, std::string_view right) { return ReadVersion(left) > ReadVersion(right); }

bool EvaluateCondition(const TVariableManager& vars, std::string_view variable, std::string_view code,
                       std::string_view operand, std::string_view negate) {
  bool test;
  if (code == "5") {
    test = vars.VariableExists(variable);
  } else {
    std::string name = StripReference(variable);
    if (name.empty()) name.assign(variable);
    std::string left = vars.ExpandVariables(vars.GetVariable(name));
    std::string right = vars.ExpandVariables(operand);
    test = Compare(code, left, right);
  }
  return test != IsTrue(negate);
}

namespace {

constexpr int kTrue = 1;
constexpr int kFalse = 0;
constexpr int kSyntaxError = -1;

// Parentheses nest by recursion; deeper than this is no real script, and the limit keeps
// hostile input from exhausting the stack.
constexpr int kMaxNesting = 1000;

// Reads the expression language from the front of `rest`, consuming what it has read.
// Reading stops at the first syntax error, so whatever follows it stays in `rest`.
class ExpressionReader {
 public:
  explicit ExpressionReader(std::string_view text) : rest_(text) {}

  int Expression() {
    int value = Primary();
    if (value == kSyntaxError) return kSyntaxError;
    while (true) {
      SkipBlanks();
      if (rest_.empty() || rest_.front() == ')') return value;
      std::string_view connective = Word();
      int right = Primary();  // the right-hand side is read before the connective is checked
      if (right == kSyntaxError) return kSyntaxError;
      if (connective == "and")
        value = (value == kTrue && right == kTrue) ? kTrue : kFalse;
      else if (connective == "or")
        value = (value == kTrue || right == kTrue) ? kTrue : kFalse;
      else
        return kSyntaxError;
    }
  }

  std::string_view Rest() const { return rest_; }

 private:
  int Primary() {
    SkipBlanks();
    if (rest_.empty()) return kSyntaxError;
    if (rest_.front() != '(') return Comparison();
    if (depth_ >= kMaxNesting) return kSyntaxError;
    rest_.remove_prefix(1);
    ++depth_;
    int value = Expression();
    --depth_;
    SkipBlanks();
    // The closing parenthesis is required, and taken, even after an error inside.
    if (rest_.empty() || rest_.front() != ')') return kSyntaxError;
    rest_.remove_prefix(1);
    return value;
  }

  int Comparison() {
    std::optional<std::string_view> left = String();
    if (!left) return kSyntaxError;
    SkipBlanks();
    if (rest_.empty()) return kSyntaxError;
    std::string_view op = Word();
    SkipBlanks();
    std::optional<std::string_view> right = String();
    if (!right) return kSyntaxError;
    return Apply(op, *left, *right);
  }

  static int Apply(std::string_view op, std::string_view a, std::string_view b) {
    auto truth = [](bool value) { return value ? kTrue : kFalse; };
    if (op == "=") return truth(a == b);
    if (op == "<>") return truth(a != b);
    if (op == "<") return truth(a < b);
    if (op == "<=") return truth(a <= b);
    if (op == ">") return truth(a > b);
    if (op == ">=") return truth(a >= b);
    return kSyntaxError;
  }

  // A quote, then everything up to the first quote not followed by another quote; the quotes
  // that were followed by one stay in the value. Unterminated: nothing is consumed.
  std::optional<std::string_view> String() {
    if (rest_.empty() || rest_.front() != '"') return std::nullopt;
    size_t pos = 1;
    while (true) {
      pos = rest_.find('"', pos);
      if (pos == std::string_view::npos) return std::nullopt;
      if (pos + 1 < rest_.size() && rest_[pos + 1] == '"') {
        ++pos;
        continue;
      }
      std::string_view value = rest_.substr(1, pos - 1);
      rest_.remove_prefix(pos + 1);
      return value;
    }
  }

  // Operators and connectives: everything up to the next quote or blank.
  std::string_view Word() {
    size_t end = rest_.find_first_of("\" ");
    if (end == std::string_view::npos) end = rest_.size();
    std::string_view word = rest_.substr(0, end);
    rest_.remove_prefix(end);
    return word;
  }

  void SkipBlanks() {
    size_t start = rest_.find_first_not_of(' ');
    rest_.remove_prefix(start == std::string_view::npos ? rest_.size() : start);
  }

  std::string_view rest_;
  int depth_ = 0;
};

struct ExpressionOutcome {
  int value;
  bool textLeft;
};

ExpressionOutcome ReadExpression(std::string_view text) {
  std::string wrapped;
  wrapped.reserve(text.size() + 2);
  wrapped.push_back('(');
  wrapped.append(text);
  wrapped.push_back(')');
  ExpressionReader reader(wrapped);
  int value = reader.Expression();
  return {value, !reader.Rest().empty()};
}

}  // namespace

std::string EvaluateExpression(std::string_view text) {
  ExpressionOutcome outcome = ReadExpression(text);
  if (outcome.textLeft) return "ERROR";
  if (outcome.value == kTrue) return "TRUE";
  if (outcome.value == kFalse) return "FALSE";
  // A syntax error that consumed the whole text (unknown operator, missing ")", empty text)
  // still is one: storing "ERROR" lets the script's test see it, where an empty value would
  // pass for neither true nor false without a trace.
  return "ERROR";
}

bool CheckExpressionSyntax(std::string_view rawExpression) {
  std::string text(rawExpression);
  for (char& c : text)
    if (c == '$') c = '"';
  // Only text left unread rejects; the other syntax errors are accepted before the run.
  return !ReadExpression(text).textLeft;
}

}  // namespace quarrix
