#pragma once
// The text form of dialog files: nested "object Name: TClass ... end" blocks whose property
// lines hold numbers, identifiers, quoted strings, sets, string lists, collections and binary
// data. Parsing is the whole check of the syntax; what a class or property means is the
// toolkit's business.
#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/FormDescription.h"

namespace quarrix::ui {

// A dialog file that is not well formed; the message reads "FILE line N: what".
class FormParseError : public std::runtime_error {
 public:
  FormParseError(const std::string& fileName, int line, const std::string& what);
  std::string fileName;
  int line;
  std::string what;
};

// The outermost object of the file, which is the dialog window itself. Strings are decoded to
// ANSI bytes: #nnn codes above 255 go through the code page.
platform::FormObject ParseForm(std::string_view text, const std::string& fileName);

}  // namespace quarrix::ui
