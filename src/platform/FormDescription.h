#pragma once
// A dialog file as the toolkit builds windows from it: nested objects with their properties,
// values kept as written (strings decoded to ANSI bytes). The dialog files' text form is parsed
// by the user interface layer; the toolkit only reads this tree.
#include <cstdint>
#include <string>
#include <vector>

#include "common/AnsiText.h"

namespace quarrix::platform {

struct FormProperty;

struct FormValue {
  enum class Kind {
    Integer,     // 12, -3, $1F (text holds the digits as written)
    Float,       // 1.5
    String,      // 'text'#13#10'more' (text holds the decoded bytes)
    Identifier,  // True, clBtnFace, poScreenCenter
    Set,         // [akLeft, akTop]: items
    List,        // ('a' 'b'): items, each decoded
    Collection,  // <item ... end>: one property list per item
    Binary,      // {0A1B...}: bytes
  };
  Kind kind = Kind::Identifier;
  std::string text;
  std::vector<std::string> items;
  std::vector<std::vector<FormProperty>> collection;
  std::vector<uint8_t> bytes;
};

struct FormProperty {
  std::string name;  // as written, dotted for nested ones: "Font.Name", "Items.Strings"
  FormValue value;
  int line = 0;      // in the dialog file, for error messages
};

// One "object Name: TClass ... end" block; the outermost is the dialog window itself.
struct FormObject {
  std::string name;
  std::string className;
  std::vector<FormProperty> properties;
  std::vector<FormObject> children;  // in file order, which is creation order
  int line = 0;

  // The property of that name (letter case ignored), or nullptr.
  const FormProperty* Find(const std::string& propertyName) const {
    for (const FormProperty& property : properties)
      if (EqualsIgnoreCase(property.name, propertyName)) return &property;
    return nullptr;
  }
};

}  // namespace quarrix::platform
