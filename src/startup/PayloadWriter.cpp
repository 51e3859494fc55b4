#include "startup/PayloadWriter.h"

#include <stdexcept>
#include <string_view>
#include <type_traits>

#include "common/AnsiText.h"
#include "startup/PayloadFields.h"

namespace quarrix {
namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kListTerminator = "$";
constexpr std::string_view kEscapedDollar = "$DOLLAR$";

std::string FieldLabel(int number, std::string_view name) {
  return "field " + std::to_string(number) + ", " + std::string(name);
}

void CheckOneLine(std::string_view value, int number, std::string_view name) {
  if (value.find_first_of("\r\n") != std::string_view::npos)
    throw std::invalid_argument("A payload value cannot hold a line break (" + FieldLabel(number, name) + ")");
}

void WriteLine(std::string& out, std::string_view line) {
  out.append(line);
  out.append(kLineEnd);
}

template <class Entries>
void WriteList(std::string& out, const Entries& entries, int number, std::string_view name) {
  const bool escapesDollars = number == kParameterListField;
  for (const std::string& entry : entries) {
    CheckOneLine(entry, number, name);
    if (escapesDollars) {
      // The reader turns these words back into "$", so a value spelled that way would not survive.
      if (EqualsIgnoreCase(entry, "$DOLLAR$") || EqualsIgnoreCase(entry, "$WILD_DOLLAR$"))
        throw std::invalid_argument("The parameter value \"" + entry + "\" cannot be written: it reads back as \"$\"");
      WriteLine(out, entry == kListTerminator ? kEscapedDollar : std::string_view(entry));
    } else {
      if (entry == kListTerminator)
        throw std::invalid_argument("An entry \"$\" would end the list early (" + FieldLabel(number, name) + ")");
      WriteLine(out, entry);
    }
  }
  WriteLine(out, kListTerminator);
}

}  // namespace

std::string WritePayload(const ScriptPayload& payload) {
  std::string out;
  VisitPayloadFields(payload, [&out](int number, std::string_view name, const auto& field) {
    using Field = std::decay_t<decltype(field)>;
    if constexpr (std::is_same_v<Field, HashedStringList>) {
      WriteList(out, field.Entries(), number, name);
    } else if constexpr (std::is_same_v<Field, StringList>) {
      WriteList(out, field, number, name);
    } else if constexpr (std::is_same_v<Field, std::string>) {
      CheckOneLine(field, number, name);
      WriteLine(out, field);
    } else {
      static_assert(std::is_same_v<Field, int32_t>);
      WriteLine(out, std::to_string(field));
    }
  });
  return out;
}

}  // namespace quarrix
